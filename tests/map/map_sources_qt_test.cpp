#include <gtest/gtest.h>
#include <QFile>
#include <QTemporaryDir>

#include "map/qt/MapSources.h"

// Reading the tile sources: the shipped file, a file of one's own, and files that are wrong.

namespace storm::qt {
namespace {

TEST(MapSources, TheShippedSourcesCoverEveryMapTypeWithCredit) {
  const MapSources sources = MapSources::builtIn();
  for (auto type : {MapType::Standard, MapType::Satellite, MapType::Hybrid}) {
    const TileSource* source = sources.source(type);
    ASSERT_NE(source, nullptr) << static_cast<int>(type);
    EXPECT_EQ(source->base.tileUrl(3, 4, 5).scheme(), "https") << static_cast<int>(type);
    EXPECT_FALSE(source->base.attribution.isEmpty()) << static_cast<int>(type);
  }
  ASSERT_TRUE(sources.source(MapType::Hybrid)->overlay);
  EXPECT_FALSE(sources.source(MapType::Hybrid)->overlay->attribution.isEmpty());
  EXPECT_FALSE(sources.source(MapType::Standard)->overlay);
}

TEST(MapSources, ReadsLayersAndFillsInTheirUrls) {
  QString error;
  const auto sources = MapSources::parse(R"({
    "standard": {"url": "http://127.0.0.1:9/s/{z}/{x}/{y}.png", "maxZoom": 17, "attribution": " Streets "},
    "hybrid": {"url": "http://127.0.0.1:9/i/{z}/{y}/{x}.jpg", "minZoom": 2, "attribution": "Imagery",
               "overlay": {"url": "http://127.0.0.1:9/l/{z}/{x}/{y}.png", "attribution": "Labels"}}
  })",
                                         error);
  ASSERT_TRUE(sources) << error.toStdString();
  const TileSource* standard = sources->source(MapType::Standard);
  ASSERT_NE(standard, nullptr);
  EXPECT_EQ(standard->base.maxZoom, 17);
  EXPECT_EQ(standard->base.tileUrl(12, 2101, 1400).toString(), "http://127.0.0.1:9/s/12/2101/1400.png");
  EXPECT_EQ(standard->attribution(), "Streets");
  EXPECT_EQ(sources->source(MapType::Satellite), nullptr) << "a type left out has no tiles";
  const TileSource* hybrid = sources->source(MapType::Hybrid);
  ASSERT_NE(hybrid, nullptr);
  EXPECT_EQ(hybrid->base.minZoom, 2);
  EXPECT_EQ(hybrid->base.maxZoom, 19);
  EXPECT_EQ(hybrid->base.tileUrl(3, 1, 2).toString(), "http://127.0.0.1:9/i/3/2/1.jpg");
  EXPECT_EQ(hybrid->attribution(), "Imagery | Labels");
}

struct BadFile {
  const char* json;
  const char* complaint;
};

class MapSourcesRejects : public ::testing::TestWithParam<BadFile> {};

TEST_P(MapSourcesRejects, WithAReason) {
  QString error;
  EXPECT_FALSE(MapSources::parse(GetParam().json, error));
  EXPECT_TRUE(error.contains(GetParam().complaint)) << error.toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Files, MapSourcesRejects,
    ::testing::Values(
        BadFile{"{", "not JSON"}, BadFile{"[1]", "not a JSON object"},
        BadFile{R"({"standard": 3})", "standard: not an object"},
        BadFile{R"({"standard": {"url": "file:///tmp/{z}/{x}/{y}"}})", "url"},
        BadFile{R"({"standard": {"url": "http://127.0.0.1/{z}/{x}.png"}})", "url"},
        BadFile{R"({"satellite": {"url": "http://127.0.0.1/{z}/{x}/{y}", "maxZoom": 30}})", "maxZoom"},
        BadFile{R"({"satellite": {"url": "http://127.0.0.1/{z}/{x}/{y}", "maxZoom": 4.5}})", "maxZoom"},
        BadFile{R"({"satellite": {"url": "http://127.0.0.1/{z}/{x}/{y}", "minZoom": 9, "maxZoom": 4}})", "minZoom"},
        BadFile{R"({"standard": {"url": "http://127.0.0.1/{z}/{x}/{y}", "attribution": 5}})", "attribution"},
        BadFile{R"({"hybrid": {"url": "http://127.0.0.1/{z}/{x}/{y}", "overlay": {"url": "x"}}})", "hybrid.overlay"}));

TEST(MapSources, AFileThatCannotBeUsedFallsBackToTheShippedSourcesWithOneComplaint) {
  QTemporaryDir dir;
  QFile broken(dir.path() + "/broken.json");
  ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
  broken.write("{\"standard\": 1}");
  broken.close();
  for (const QString& path : {dir.path() + "/missing.json", broken.fileName()}) {
    QStringList complaints;
    const MapSources sources = MapSources::load(path, [&](const QString& why) { complaints << why; });
    ASSERT_EQ(complaints.size(), 1);
    EXPECT_TRUE(complaints[0].contains(path));
    ASSERT_NE(sources.source(MapType::Standard), nullptr);
    EXPECT_EQ(sources.source(MapType::Standard)->base, MapSources::builtIn().source(MapType::Standard)->base);
  }
}

}  // namespace
}  // namespace storm::qt
