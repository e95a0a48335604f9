#include "data/lamps.h"

#include <array>

namespace {

constexpr int32_t kLampSize = 16;

// '.' transparent, '#' black, 'o' the lamp colour.
// clang-format off
constexpr std::array<const char*, kLampSize> kLampShape = {
    "................",
    "...##########...",
    "...##########...",
    ".####oooooo####.",
    ".####oooooo####.",
    ".##oooooooooo##.",
    ".##oooooooooo##.",
    ".##oooooo##oo##.",
    ".##oooooo##oo##.",
    ".##oooo####oo##.",
    ".##oooo####oo##.",
    ".####oooooo####.",
    ".####oooooo####.",
    "...##########...",
    "...##########...",
    "................",
};
// clang-format on

constexpr uint32_t kTransparent = 0x00000000;
constexpr uint32_t kBlack = 0xFF000000;
constexpr uint32_t kLampOffColour = 0xFFC0C0C0;  // 192, 192, 192
constexpr uint32_t kLampOnColour = 0xFF50FF17;   // 80, 255, 23

}  // namespace

Picture LampPicture(int32_t image) {
    if (image != 0 && image != 1) return Picture{};
    const uint32_t lamp = image == 1 ? kLampOnColour : kLampOffColour;
    Picture picture{kLampSize, kLampSize, {}};
    picture.argb.reserve(kLampSize * kLampSize);
    for (const char* row : kLampShape) {
        for (int32_t column = 0; column < kLampSize; ++column) {
            const char mark = row[column];
            picture.argb.push_back(mark == 'o' ? lamp : mark == '#' ? kBlack : kTransparent);
        }
    }
    return picture;
}
