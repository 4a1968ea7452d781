#pragma once

// The kinds of map there are: drawn streets, imagery, and imagery with the streets and names laid
// over it. The numbers are those the map-type selector's segments have.

namespace storm::qt {

enum class MapType : int { Standard = 0, Satellite = 1, Hybrid = 2 };

}  // namespace storm::qt
