#include "screens/ViewLayout.h"

#include "screens/View.h"

namespace storm {

namespace {

// One axis: the leading margin, the length and the trailing margin, given which are flexible.
void resizeAxis(float& origin, float& length, float oldParent, float newParent, bool flexLead, bool flexLength,
                bool flexTrail) {
  const float delta = newParent - oldParent;
  if (delta == 0.0f) return;
  const float lead = origin;
  const float trail = oldParent - origin - length;
  float total = (flexLead ? lead : 0) + (flexLength ? length : 0) + (flexTrail ? trail : 0);
  const int count = int(flexLead) + int(flexLength) + int(flexTrail);
  if (count == 0) return;
  auto share = [&](bool flexible, float part) {
    if (!flexible) return 0.0f;
    return total > 0 ? delta * part / total : delta / static_cast<float>(count);
  };
  const float leadShare = share(flexLead, lead);
  const float lengthShare = share(flexLength, length);
  origin += leadShare;
  length += lengthShare;
}

}  // namespace

Rect autoresizedFrame(const Rect& frame, unsigned mask, Size oldSize, Size newSize) {
  Rect r = frame;
  resizeAxis(r.x, r.width, oldSize.width, newSize.width, mask & AutoresizingFlexibleLeftMargin,
             mask & AutoresizingFlexibleWidth, mask & AutoresizingFlexibleRightMargin);
  resizeAxis(r.y, r.height, oldSize.height, newSize.height, mask & AutoresizingFlexibleTopMargin,
             mask & AutoresizingFlexibleHeight, mask & AutoresizingFlexibleBottomMargin);
  return r;
}

}  // namespace storm
