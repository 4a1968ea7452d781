#include "map/qt/MapSources.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <cmath>

#include "system/qt/ResourceFile.h"

namespace storm::qt {

namespace {

constexpr const char* kBuiltInFile = ":/resources/map-sources.json";
constexpr int kDeepestZoom = 24;  // beyond this 2^z tiles no longer fit the tile numbers we use
constexpr std::array<const char*, 3> kTypeNames{"standard", "satellite", "hybrid"};

std::optional<TileLayer> parseLayer(const QJsonObject& object, const QString& where, QString& error) {
  TileLayer layer;
  layer.url = object.value("url").toString();
  const QUrl probe(layer.url);
  if (!probe.isValid() || (probe.scheme() != "http" && probe.scheme() != "https") || probe.host().isEmpty() ||
      !layer.url.contains("{z}") || !layer.url.contains("{x}") || !layer.url.contains("{y}")) {
    error = where + ": \"url\" must be an http(s) address containing {z}, {x} and {y}";
    return std::nullopt;
  }
  const auto zoom = [&](const char* name, int fallback, int& out) {
    const QJsonValue v = object.value(name);
    if (v.isUndefined()) {
      out = fallback;
      return true;
    }
    const double d = v.toDouble(-1);
    // In range before it is converted: a double beyond int's range has no int value.
    if (!v.isDouble() || !(d >= 0 && d <= kDeepestZoom) || d != std::floor(d)) {
      error = where + ": \"" + name + "\" must be a whole number from 0 to " + QString::number(kDeepestZoom);
      return false;
    }
    out = static_cast<int>(d);
    return true;
  };
  if (!zoom("minZoom", 0, layer.minZoom) || !zoom("maxZoom", 19, layer.maxZoom)) return std::nullopt;
  if (layer.minZoom > layer.maxZoom) {
    error = where + ": \"minZoom\" is above \"maxZoom\"";
    return std::nullopt;
  }
  const QJsonValue attribution = object.value("attribution");
  if (!attribution.isUndefined() && !attribution.isString()) {
    error = where + ": \"attribution\" must be text";
    return std::nullopt;
  }
  layer.attribution = attribution.toString().trimmed();
  return layer;
}

}  // namespace

QUrl TileLayer::tileUrl(int z, int x, int y) const {
  QString text = url;
  text.replace("{z}", QString::number(z)).replace("{x}", QString::number(x)).replace("{y}", QString::number(y));
  return QUrl(text);
}

QString TileSource::attribution() const {
  QString text = base.attribution;
  if (overlay && !overlay->attribution.isEmpty() && overlay->attribution != text)
    text += (text.isEmpty() ? "" : " | ") + overlay->attribution;
  return text;
}

std::optional<MapSources> MapSources::parse(const QByteArray& json, QString& error) {
  QJsonParseError parseError{};
  const QJsonDocument doc = QJsonDocument::fromJson(json, &parseError);
  if (parseError.error != QJsonParseError::NoError) {
    error = "not JSON: " + parseError.errorString() + " at offset " + QString::number(parseError.offset);
    return std::nullopt;
  }
  if (!doc.isObject()) {
    error = "not a JSON object";
    return std::nullopt;
  }
  MapSources sources;
  const QJsonObject root = doc.object();
  for (size_t i = 0; i < kTypeNames.size(); ++i) {
    const QJsonValue entry = root.value(kTypeNames[i]);
    if (entry.isUndefined()) continue;  // that map type shows the placeholder only
    const QString where = kTypeNames[i];
    if (!entry.isObject()) {
      error = where + ": not an object";
      return std::nullopt;
    }
    auto base = parseLayer(entry.toObject(), where, error);
    if (!base) return std::nullopt;
    TileSource source{*base, std::nullopt};
    const QJsonValue overlay = entry.toObject().value("overlay");
    if (!overlay.isUndefined()) {
      if (!overlay.isObject()) {
        error = where + ".overlay: not an object";
        return std::nullopt;
      }
      source.overlay = parseLayer(overlay.toObject(), where + ".overlay", error);
      if (!source.overlay) return std::nullopt;
    }
    sources.sources_[i] = std::move(source);
  }
  return sources;
}

MapSources MapSources::builtIn() {
  QFile file(kBuiltInFile);
  QString error;
  std::optional<MapSources> sources;
  if (file.open(QIODevice::ReadOnly)) sources = parse(file.readAll(), error);
  // The resource is compiled in; it can only be missing from a broken build.
  return sources ? *sources : MapSources();
}

MapSources MapSources::load(const QString& path, const std::function<void(const QString&)>& complain) {
  if (path.isEmpty()) return builtIn();
  QString error;
  const std::optional<QByteArray> bytes = readResourceFile(path, error);
  if (!bytes) {
    complain("map sources " + path + ": " + error + "; using the built-in sources");
    return builtIn();
  }
  auto sources = parse(*bytes, error);
  if (!sources) {
    complain("map sources " + path + ": " + error + "; using the built-in sources");
    return builtIn();
  }
  return *sources;
}

const TileSource* MapSources::source(MapType type) const {
  const auto index = static_cast<size_t>(type);
  return index < sources_.size() && sources_[index] ? &*sources_[index] : nullptr;
}

}  // namespace storm::qt
