#pragma once
// The main window itself: its number, size, title and animation timer. The
// numbers of its controls, menu items and images are in display/controls.h,
// the key codes of its shortcuts in platform/key_codes.h.

#include <cstdint>

#include "display/controls.h"
#include "platform/key_codes.h"

constexpr int32_t kMainWindow = 0;
constexpr int32_t kWindowWidth = 640;
constexpr int32_t kWindowHeight = 480;
// "Quodlet v" and the version, as the title has always read.
constexpr char kWindowTitle[] = "Quodlet v" QUODLET_VERSION;
constexpr int32_t kAnimationTimer = 123;
// The MCS-4 system's own window, beside the main one.
constexpr int32_t kMcs4Window = 1;
constexpr int32_t kMcs4WindowWidth = 600;
constexpr int32_t kMcs4WindowHeight = 340;
constexpr char kMcs4WindowTitle[] = "MCS-4 system";
constexpr int32_t kAnimationPeriodMs = 250;
// The Source window, beside the main one, for a program read from a source.
constexpr int32_t kSourceWindow = 2;
constexpr int32_t kSourceWindowWidth = 600;
constexpr int32_t kSourceWindowHeight = 480;
constexpr char kSourceWindowTitle[] = "Source";
// The Busicom 141-PF calculator's window, beside the main one.
constexpr int32_t kBusicomWindow = 5;
constexpr int32_t kBusicomWindowWidth = 600;
constexpr int32_t kBusicomWindowHeight = 330;
constexpr char kBusicomWindowTitle[] = "Busicom 141-PF";
// Ticks while a Run keeps real time, waking it to see whether it is due.
constexpr int32_t kPaceTimer = 124;
constexpr int32_t kPacePeriodMs = 5;
