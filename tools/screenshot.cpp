// Saves a picture of the main window as a user sees it after loading the
// squaring example, resetting and stepping three times: the README's
// screenshot. Run it under a display (xvfb-run) with the output path.
// Given a source and a second path as well, it then opens the source, sets
// a breakpoint on the source line of its last label but one, runs to it,
// selects the line of its first label and saves the main window and the
// Source window side by side.

#include <QCoreApplication>
#include <QImage>
#include <QPainter>
#include <QPixmap>
#include <QWidget>
#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>

#include "frontend/app.h"
#include "frontend/controls.h"
#include "frontend/loading.h"
#include "frontend/run_control.h"
#include "frontend/workbench.h"
#include "platform/qt/qt_layer.h"

namespace {

bool SaveSourcePicture(Workbench& workbench, QtLayer& layer, const std::string& source,
                       const std::string& output) {
    LoadProgramPath(workbench, layer, source);
    ResetCpuCommand(workbench, layer);
    const auto& labels = workbench.source.labels;
    if (labels.size() < 2) return false;
    layer.SelectLine(SourceControl::kLines,
                     LineOfAddress(workbench.source, labels[labels.size() - 2].first));
    HandleEvent(workbench, layer,
                Event{EventKind::Control, SourceControl::kLines, ControlEventType::Gutter});
    HandleEvent(workbench, layer, Event{EventKind::Menu, MenuItem::kRun, ControlEventType::Other});
    layer.SelectLine(SourceControl::kLines, LineOfAddress(workbench.source, labels[0].first));
    QWidget* main = layer.MainWindowForTests();
    QWidget* shown = layer.WindowForTests(kSourceWindow);
    if (main == nullptr || shown == nullptr) return false;
    QCoreApplication::processEvents();
    const QPixmap left = main->grab();
    const QPixmap right = shown->grab();
    constexpr int kGap = 8;
    QImage both(left.width() + kGap + right.width(), std::max(left.height(), right.height()),
                QImage::Format_RGB32);
    both.fill(Qt::white);
    QPainter painter(&both);
    painter.drawPixmap(0, 0, left);
    painter.drawPixmap(left.width() + kGap, 0, right);
    painter.end();
    return both.save(QString::fromStdString(output), "PNG");
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2 && argc != 4) {
        std::fprintf(stderr, "usage: quodlet_screenshot OUTPUT.png [SOURCE.asm BOTH.png]\n");
        return 2;
    }
    std::string why;
    if (!QtLayer::PlatformAvailable(why)) {
        std::fprintf(stderr, "quodlet_screenshot: %s\n", why.c_str());
        return 1;
    }
    const std::string output = argv[1];
    int qtArgc = 1;
    QtLayer layer(qtArgc, argv);
    auto workbench = std::make_unique<Workbench>();
    if (!StartMainWindow(*workbench, layer)) {
        std::fprintf(stderr, "quodlet_screenshot: the main window could not be opened\n");
        return 1;
    }
    for (const int32_t item : {MenuItem::kExampleSquare, MenuItem::kResetCpu, MenuItem::kStep,
                               MenuItem::kStep, MenuItem::kStep}) {
        HandleEvent(*workbench, layer, Event{EventKind::Menu, item, ControlEventType::Other});
    }
    bool saved = layer.SaveWindowPicture(output);
    if (saved && argc == 4) saved = SaveSourcePicture(*workbench, layer, argv[2], argv[3]);
    layer.Release();
    if (!saved) {
        std::fprintf(stderr, "quodlet_screenshot: cannot write %s\n", output.c_str());
        return 1;
    }
    return 0;
}
