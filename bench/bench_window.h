#pragma once
// The main window as the benchmarks drive it: the real QtLayer with the
// real window built and started up, plus the two things a benchmark must
// play instead of a user: an Escape key "held" after a number of polls, and
// the answer to the open-file dialog.

#include <chrono>
#include <cstdint>
#include <limits>
#include <memory>
#include <string>

#include "frontend/workbench.h"
#include "platform/qt/qt_layer.h"

// The argument by which the start-up benchmark starts a copy of this
// program as its probe, and that copy's work (bench_startup.cpp).
inline constexpr char kStartupProbeFlag[] = "--startup-probe";
int StartupProbeMain(int argc, char** argv);

class BenchLayer : public QtLayer {
public:
    BenchLayer(int& argc, char** argv) : QtLayer(argc, argv) {}

    // Escape polls so far (a Run makes one per event take); the key counts
    // as held in every poll after the escapeHeldAfter-th. The real poll is
    // made every time so that its cost stays in the figures.
    int64_t escapePolls = 0;
    int64_t escapeHeldAfter = std::numeric_limits<int64_t>::max();
    // What the open-file dialog answers, without showing itself.
    std::string dialogAnswer;

    void HoldEscapeAfter(int64_t polls) { escapeHeldAfter = escapePolls + polls; }

    bool IsKeyDown(int32_t keyCode) override;
    std::string OpenFileDialog(const std::string& title, const std::string& folder,
                               const std::string& filterList) override;
};

// A QtLayer with the main window opened, built and started up, as main and
// RunQuodlet leave it just before the event loop.
struct BenchWindow {
    int argc = 1;  // the layer keeps a reference: declared first, lives longer
    char programName[14] = "quodlet_bench";
    char* argv[2] = {programName, nullptr};
    BenchLayer layer{argc, argv};
    std::unique_ptr<Workbench> workbench = std::make_unique<Workbench>();

    // False when the window cannot be opened. Waits until it has been
    // painted once.
    bool Open();
};

// Lets Qt work until the main window has received a paint event, at most
// `limit`; false when none came.
bool WaitForFirstPaint(QtLayer& layer, std::chrono::milliseconds limit);

inline double SecondsBetween(std::chrono::steady_clock::time_point from,
                             std::chrono::steady_clock::time_point to) {
    return std::chrono::duration<double>(to - from).count();
}
