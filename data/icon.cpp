#include "data/icon.h"

#include <array>
#include <cstdint>

namespace {

constexpr int32_t kIconSize = 32;

struct PaletteEntry {
    char mark;
    uint32_t argb;
};

// Transparent, black and six greys: well within the sixteen colours of an
// icon of this kind.
constexpr std::array<PaletteEntry, 8> kIconPalette = {{
    {'.', 0x00000000},  // transparent
    {'k', 0xFF000000},  // outline
    {'D', 0xFF484848},  // near side of the package, notch and pin-1 dot
    {'d', 0xFF686868},  // right side of the package
    {'s', 0xFFA0A0A0},  // shaded half of a pin
    {'g', 0xFF909090},  // top of the package
    {'G', 0xFFB8B8B8},  // lit edges of the top
    {'l', 0xFFE0E0E0},  // lit half of a pin
}};

// Drawn in an oblique view: the top recedes up and to the right, the far
// pins show as short stubs behind it, the near pins hang below the front.
// clang-format off
constexpr std::array<const char*, kIconSize> kIconArt = {
    "................................",
    "................................",
    "................................",
    "................................",
    "................................",
    "................................",
    "...............ls.ls.ls.ls.ls.ls",
    "..............ls.ls.ls.ls.ls.ls.",
    ".............ls.ls.ls.ls.ls.ls..",
    "...........kkkkkkkkkkkkkkkkkkkk.",
    "..........kGGGGGGGGGGGGGGGGGGkd.",
    ".........kGgggggggggggggggggkdd.",
    "........kGgggggggggggggggggkddd.",
    ".......kDDggggggggggggggggkdddd.",
    "......kDDggggggggggggggggkddddk.",
    ".....kGgggggggggggggggggkddddk..",
    "....kGggDDgggggggggggggkddddk...",
    "...kGgggggggggggggggggkddddk....",
    "..kkkkkkkkkkkkkkkkkkkkddddk.....",
    "..kDdddddddddddddddddkdddk......",
    "..kDDDDDDDDDDDDDDDDDDkddk.......",
    "..kDDDDDDDDDDDDDDDDDDkdk........",
    "..kDDDDDDDDDDDDDDDDDDkk.........",
    "..kkkkkkkkkkkkkkkkkkkk..........",
    "....ls.ls.ls.ls.ls.ls...........",
    "....ls.ls.ls.ls.ls.ls...........",
    "....ls.ls.ls.ls.ls.ls...........",
    "....ls.ls.ls.ls.ls.ls...........",
    "....ls.ls.ls.ls.ls.ls...........",
    "....kk.kk.kk.kk.kk.kk...........",
    "................................",
    "................................",
};
// clang-format on

uint32_t ColourOf(char mark) {
    for (const PaletteEntry& entry : kIconPalette) {
        if (entry.mark == mark) return entry.argb;
    }
    return 0;  // an unknown mark stays transparent
}

}  // namespace

Picture ProgramIcon() {
    Picture picture{kIconSize, kIconSize, {}};
    picture.argb.reserve(kIconSize * kIconSize);
    for (const char* row : kIconArt) {
        for (int32_t column = 0; column < kIconSize; ++column)
            picture.argb.push_back(ColourOf(row[column]));
    }
    return picture;
}
