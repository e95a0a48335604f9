#pragma once
#include "data/picture.h"

// The program's own 32 x 32 icon in at most 16 colours: a grey chip package
// seen from above and to the front, its pins along the near and far sides.
Picture ProgramIcon();
