#include "kit/Map.h"

namespace storm {

std::shared_ptr<MKCircle> MKCircle::circleWithCenterCoordinate(CLLocationCoordinate2D center, double radius) {
  return std::make_shared<MKCircle>(center, radius);
}

}  // namespace storm
