#pragma once

#include <QByteArray>
#include <QString>
#include <QUrl>
#include <array>
#include <functional>
#include <optional>

#include "map/qt/MapType.h"

// Where the map's tiles come from: for each map type a base layer of 256-pixel Web Mercator tiles
// and, for a map with labels over imagery, an overlay layer drawn on top. Read from a JSON object
// with a member per map type ("standard", "satellite", "hybrid"):
//   { "url": "https://host/{z}/{x}/{y}.png", "maxZoom": 19, "minZoom": 0, "attribution": "...",
//     "overlay": { same members, no overlay of its own } }
// Every host name the map contacts is in that file; nothing else in the program names one.

namespace storm::qt {

struct TileLayer {
  QString url;  // template: {z}, {x} and {y} stand for the tile's zoom, column and row
  int minZoom = 0;
  int maxZoom = 19;
  QString attribution;

  QUrl tileUrl(int z, int x, int y) const;
  friend bool operator==(const TileLayer&, const TileLayer&) = default;
};

struct TileSource {
  TileLayer base;
  std::optional<TileLayer> overlay;
  // The credit line the map shows while this source is on screen.
  QString attribution() const;
};

class MapSources {
 public:
  // An empty set: every map type shows the placeholder grid and nothing is fetched.
  MapSources() = default;

  // The sources in `json`, or nothing with `error` saying what is wrong with it.
  static std::optional<MapSources> parse(const QByteArray& json, QString& error);
  // The sources that ship with the application.
  static MapSources builtIn();
  // The sources in `file`; when it cannot be read or parsed, `complain` hears why once and the
  // built-in sources are used instead.
  static MapSources load(const QString& file, const std::function<void(const QString&)>& complain);

  const TileSource* source(MapType type) const;

 private:
  std::array<std::optional<TileSource>, 3> sources_;
};

}  // namespace storm::qt
