#pragma once

#include "system/Geometry.h"

namespace storm {

// The frame a view with autoresizing `mask` takes when its superview changes size from
// `oldSize` to `newSize`: the change is shared among the flexible margins and the flexible
// length of each axis in proportion to their present lengths (evenly where all are zero).
Rect autoresizedFrame(const Rect& frame, unsigned mask, Size oldSize, Size newSize);

}  // namespace storm
