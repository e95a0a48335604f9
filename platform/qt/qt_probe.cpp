#include <dlfcn.h>

#include <QDir>
#include <QLibraryInfo>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/qt/qt_layer.h"

// Whether a window can be opened here, found out without starting Qt: Qt
// aborts the process when its platform cannot start, and the program wants
// to say what is missing instead.

namespace {

// The directories in which Qt looks for platform plugins.
std::vector<QString> PlatformPluginDirectories() {
    std::vector<QString> directories;
    const QString direct = qEnvironmentVariable("QT_QPA_PLATFORM_PLUGIN_PATH");
    if (!direct.isEmpty()) directories.push_back(direct);
    for (const QString& path :
         qEnvironmentVariable("QT_PLUGIN_PATH").split(QLatin1Char(':'), Qt::SkipEmptyParts)) {
        directories.push_back(path + QStringLiteral("/platforms"));
    }
    directories.push_back(QLibraryInfo::path(QLibraryInfo::PluginsPath) +
                          QStringLiteral("/platforms"));
    return directories;
}

bool PluginInstalled(const std::string& platform) {
    // "wayland" is served by libqwayland-generic.so, "xcb" by libqxcb.so.
    const QString prefix = QStringLiteral("libq") + QString::fromStdString(platform);
    for (const QString& directory : PlatformPluginDirectories()) {
        const QStringList found =
            QDir(directory).entryList({prefix + QStringLiteral("*.so")}, QDir::Files);
        if (!found.isEmpty()) return true;
    }
    return false;
}

// Tries an X connection through libxcb, loaded at run time so that no
// development package is needed to build.
bool DisplayReachable(const std::string& display, std::string& why) {
    void* library = dlopen("libxcb.so.1", RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) {
        why = "the X client library libxcb.so.1 is not installed";
        return false;
    }
    using ConnectFunction = void* (*)(const char*, int*);
    using HasErrorFunction = int (*)(void*);
    using DisconnectFunction = void (*)(void*);
    ConnectFunction connect = nullptr;
    HasErrorFunction hasError = nullptr;
    DisconnectFunction disconnect = nullptr;
    // Symbols come back as object pointers; copying the bits is the
    // portable way to turn them into function pointers.
    void* symbol = dlsym(library, "xcb_connect");
    std::memcpy(&connect, &symbol, sizeof connect);
    symbol = dlsym(library, "xcb_connection_has_error");
    std::memcpy(&hasError, &symbol, sizeof hasError);
    symbol = dlsym(library, "xcb_disconnect");
    std::memcpy(&disconnect, &symbol, sizeof disconnect);
    bool reachable = false;
    if (connect == nullptr || hasError == nullptr || disconnect == nullptr) {
        why = "libxcb.so.1 lacks the functions to connect to a display";
    } else {
        void* connection = connect(display.c_str(), nullptr);
        reachable = connection != nullptr && hasError(connection) == 0;
        if (connection != nullptr) disconnect(connection);  // also frees a failed connection
        if (!reachable) why = "cannot connect to the display " + display;
    }
    dlclose(library);
    return reachable;
}

std::string Environment(const char* name) {
    const char* value = std::getenv(name);
    return value == nullptr ? std::string() : std::string(value);
}

bool PlatformUsable(const std::string& platform, std::string& why) {
    if (!PluginInstalled(platform)) {
        why = "the Qt platform plugin \"" + platform + "\" is not installed";
        return false;
    }
    if (platform == "xcb") {
        const std::string display = Environment("DISPLAY");
        if (display.empty()) {
            why = "no display (DISPLAY is not set)";
            return false;
        }
        return DisplayReachable(display, why);
    }
    if (platform.rfind("wayland", 0) == 0) {
        if (Environment("WAYLAND_DISPLAY").empty()) {
            why = "no Wayland display (WAYLAND_DISPLAY is not set)";
            return false;
        }
        return true;
    }
    return true;  // offscreen, minimal, vnc, eglfs, linuxfb and the like need no display
}

// The platforms Qt will try, in order, as it chooses them at start-up.
std::vector<std::string> RequestedPlatforms() {
    std::string requested = Environment("QT_QPA_PLATFORM");
    if (requested.empty()) {
        const QString desktop = (qEnvironmentVariable("XDG_CURRENT_DESKTOP") +
                                 qEnvironmentVariable("XDG_SESSION_DESKTOP"))
                                    .toLower();
        const bool wayland = Environment("XDG_SESSION_TYPE") == "wayland" &&
                             !desktop.contains(QStringLiteral("gnome"));
        requested = wayland ? "wayland" : "xcb";
    }
    std::vector<std::string> platforms;
    size_t start = 0;
    while (start <= requested.size()) {
        size_t end = requested.find(';', start);
        if (end == std::string::npos) end = requested.size();
        std::string entry = requested.substr(start, end - start);
        entry = entry.substr(0, entry.find(':'));  // "xcb:option=value" names xcb
        if (!entry.empty()) platforms.push_back(entry);
        start = end + 1;
    }
    return platforms;
}

}  // namespace

bool QtLayer::PlatformAvailable(std::string& why) {
    std::string firstReason;
    for (const std::string& platform : RequestedPlatforms()) {
        std::string reason;
        if (PlatformUsable(platform, reason)) return true;
        if (firstReason.empty()) firstReason = reason;
    }
    if (firstReason.empty()) firstReason = "no Qt platform is named";
    why = "cannot open a window: " + firstReason +
          "; Quodlet needs a graphical display, e.g. run it under xvfb-run";
    return false;
}
