#pragma once
#include <cstdint>

#include "data/picture.h"

// Draws one of the lamps' two pictures, 16 pixels square. Both share a shape:
// a dark plate whose corners are clipped, a disc on it, and a small dark cut
// into the disc towards the bottom right. Only the disc's colour differs:
// grey for Image::kLampOff, green for Image::kLampOn. Asked for any other
// number, it returns a picture with no pixels.
Picture LampPicture(int32_t image);
