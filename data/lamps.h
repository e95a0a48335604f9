#pragma once
#include <cstdint>

#include "data/picture.h"

// The two 16 x 16 lamp pictures: a black square with cut corners carrying a
// round lamp face with a black notch in its lower right. Image 0 shows the
// face light grey (lamp off), image 1 bright green (lamp on). Any other
// number yields an empty picture.
Picture LampPicture(int32_t image);
