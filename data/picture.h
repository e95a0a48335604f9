#pragma once
#include <cstdint>
#include <vector>

// A small picture held in memory: row-major pixels, 0xAARRGGBB, alpha 0 for
// a transparent pixel (the window background shows through).
struct Picture {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint32_t> argb;
};
