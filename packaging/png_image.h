#pragma once
// The program's icon as PNG files for the desktop's icon theme: a picture
// enlarged by a whole factor, each pixel becoming a square block so that the
// drawing stays sharp, and written as an 8-bit RGBA PNG.

#include <cstdint>
#include <string>
#include <vector>

#include "data/picture.h"

// The picture with every pixel repeated factor times across and down. An
// empty picture for a factor below 1 or a picture whose pixels do not
// match its size.
Picture EnlargePicture(const Picture& picture, int32_t factor);

// The picture as the bytes of a PNG file (RGBA, 8 bits per channel, alpha
// kept as it is). Empty for a picture whose pixels do not match its size.
std::vector<uint8_t> EncodePng(const Picture& picture);

// Writes the bytes to the file; false with `why` set when it cannot.
bool WriteFileBytes(const std::string& path, const std::vector<uint8_t>& bytes, std::string& why);
