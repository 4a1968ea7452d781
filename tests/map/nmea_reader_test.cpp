#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <vector>

#include "map/GeoMath.h"
#include "map/NmeaReader.h"

// The NMEA reader: what makes an epoch a fix and what its accuracy is, on hand-made sentences;
// then held to gpsd's own fixes on the logs of real receivers in tests/data/nmea.

namespace storm {
namespace {

std::string sentence(const std::string& body, const char* end = "\r\n") {
  unsigned char sum = 0;
  for (char c : body) sum ^= static_cast<unsigned char>(c);
  char checksum[4];
  std::snprintf(checksum, sizeof checksum, "%02X", sum);
  return "$" + body + "*" + checksum + end;
}

bool anyChecksummed(const std::string& log) {
  std::size_t offset = 0;
  return NmeaReader::anyChecksummed([&](char* buffer, std::size_t size) {
    const std::size_t n = log.copy(buffer, std::min<std::size_t>(size, 5), offset);
    offset += n;
    return n;
  });
}

std::vector<NmeaEpoch> epochs(const std::string& log, bool checksumsRequired = true, std::size_t chunk = 7) {
  std::vector<NmeaEpoch> out;
  NmeaReader reader(checksumsRequired);
  auto add = [&](const NmeaEpoch& e) { out.push_back(e); };
  for (std::size_t i = 0; i < log.size(); i += chunk) reader.read(std::string_view(log).substr(i, chunk), add);
  reader.finish(add);
  return out;
}

const std::string kGga = "GPGGA,120010.00,4851.396,N,00221.132,E,1,08,1.5,35.0,M,47.0,M,,";
const std::string kRmc = "GPRMC,120010.00,A,4851.396,N,00221.132,E,0.0,0.0,,,,A";

TEST(NmeaReader, AnEpochIsAFixOnlyWhenItsOwnSentencesSaySo) {
  struct Case {
    const char* what;
    std::string log;
    bool fix;
  };
  const Case cases[] = {
      {"GGA quality 1 without a date", sentence(kGga), true},
      {"RMC status A", sentence(kRmc), true},
      {"GLL status A", sentence("GNGLL,4851.396,N,00221.132,E,120010.00,A,A"), true},
      {"GNS mode AN", sentence("GNGNS,120010.00,4851.396,N,00221.132,E,AN,08,1.5,35,47,,"), true},
      {"GNS mode NN", sentence("GNGNS,120010.00,4851.396,N,00221.132,E,NN,08,1.5,35,47,,"), false},
      {"GGA quality 0 with coordinates", sentence("GPGGA,120010.00,4851.396,N,00221.132,E,0,08,1.5,35,M,47,M,,"), false},
      {"RMC V beside a GGA fix", sentence(kGga) + sentence("GPRMC,120010.00,V,4851.396,N,00221.132,E,,,,,,N"), false},
      {"RMC mode N", sentence("GPRMC,120010.00,A,4851.396,N,00221.132,E,0.0,0.0,070626,,,N"), false},
      {"GSA mode 3 alone", sentence("GPGSA,A,3,01,02,03,04,,,,,,,,,1.8,1.5,1.0"), false},
      {"a wrong checksum", "$" + kGga + "*00\r\n", false},
      {"no checksum in a log that has them", sentence(kRmc) + "$" + kGga + "\n", true},
  };
  for (const Case& c : cases) {
    const std::vector<NmeaEpoch> got = epochs(c.log);
    ASSERT_LE(got.size(), 1u) << c.what;
    EXPECT_EQ(!got.empty() && got[0].fix, c.fix) << c.what;
    if (c.fix) {
      EXPECT_NEAR(got[0].latitude, 48.8566, 1e-9) << c.what;
    }
  }
  // A GSA or ZDA between two fixes neither ends nor spoils the one it stands in.
  const std::string zda = sentence("GPZDA,120011.00,07,06,2026,00,00");
  const std::vector<NmeaEpoch> mixed = epochs(sentence(kGga) + zda + sentence("GPGSA,A,1,,,,,,,,,,,,,99.9,99.9,99.9") +
                                              sentence(kRmc));
  ASSERT_EQ(mixed.size(), 1u);
  EXPECT_TRUE(mixed[0].fix);
}

TEST(NmeaReader, LinesEndHoweverTheyEndAndNoneRunsOnWithoutBound) {
  for (const char* end : {"\r\n", "\n", "\r"}) {
    std::string log;
    for (int s = 10; s < 13; ++s) log += sentence("GPRMC,1200" + std::to_string(s) + ",A,4851.396,N,00221.132,E,,,,,,A", end);
    const std::vector<NmeaEpoch> got = epochs(log);
    ASSERT_EQ(got.size(), 3u) << "line end " << int(end[0]);
    EXPECT_EQ(*got[2].timeOfDay, 12 * 3600 + 12);
  }
  // Checksum-less sentences are read only from a log that has no checksums.
  const std::string bare = "$" + kRmc + "\r$" + kGga + "\n";
  EXPECT_FALSE(anyChecksummed(bare + "$" + kRmc + "*00\r"));
  EXPECT_TRUE(anyChecksummed(bare + sentence(kRmc, "")));
  EXPECT_TRUE(epochs(bare, false)[0].fix);
  EXPECT_TRUE(epochs(bare, true).empty());
  // A megabyte without a line end is dropped whole; the sentence after it is read.
  const std::vector<NmeaEpoch> after = epochs("$GPRMC," + std::string(1 << 20, '1') + "\n" + sentence(kRmc), true, 4096);
  ASSERT_EQ(after.size(), 1u);
  EXPECT_TRUE(after[0].fix);
  // A run of one time stamp is one epoch.
  std::string run;
  for (int i = 0; i < 10000; ++i) run += sentence(kRmc);
  EXPECT_EQ(epochs(run, true, 65536).size(), 1u);
}

TEST(NmeaReader, AnEpochsAccuracyIsTheReceiversOwnEstimateElseItsDilutionElseUnknown) {
  const std::string gst = sentence("GPGST,120010.00,2.0,,,,3.0,4.0,6.0");
  const std::string noHdop = "GPGGA,120010.00,4851.396,N,00221.132,E,1,08,,35.0,M,47.0,M,,";
  const std::string hdop99 = "GPGGA,120010.00,4851.396,N,00221.132,E,1,08,99.99,35.0,M,47.0,M,,";
  EXPECT_DOUBLE_EQ(epochs(gst + sentence(kGga))[0].accuracy, 5) << "GST before the fix";
  EXPECT_DOUBLE_EQ(epochs(sentence(kGga) + gst)[0].accuracy, 5) << "GST after the fix";
  EXPECT_DOUBLE_EQ(epochs(sentence(kRmc) + sentence("PGRME,7.5,M,9.0,M,11.7,M"))[0].accuracy, 7.5);
  EXPECT_DOUBLE_EQ(epochs(sentence(kGga))[0].accuracy, 1.5 * NmeaReader::kRangeErrorMetres);
  EXPECT_EQ(epochs(sentence(noHdop))[0].accuracy, 0);
  EXPECT_EQ(epochs(sentence(hdop99))[0].accuracy, 0);
  // The next second's dilution is not this one's.
  const std::vector<NmeaEpoch> two =
      epochs(sentence(kRmc) + sentence("GPGGA,120011.00,4851.396,N,00221.132,E,1,08,1.5,35.0,M,47.0,M,,"));
  ASSERT_EQ(two.size(), 2u);
  EXPECT_EQ(two[0].accuracy, 0);
  EXPECT_GT(two[1].accuracy, 0);
}

// ---- gpsd's regression logs --------------------------------------------------------------------

struct GpsdFix {
  double lat, lon;
};

double jsonNumber(const std::string& line, const std::string& key) {
  const std::size_t at = line.find("\"" + key + "\":");
  return at == std::string::npos ? NAN : std::atof(line.c_str() + at + key.size() + 3);
}

// gpsd's TPV reports of a 2D or 3D fix, from its expected output.
std::vector<GpsdFix> gpsdFixes(const std::filesystem::path& chk) {
  std::vector<GpsdFix> out;
  std::ifstream in(chk);
  for (std::string line; std::getline(in, line);) {
    if (line.find("\"class\":\"TPV\"") == std::string::npos || !(jsonNumber(line, "mode") >= 2)) continue;
    const double lat = jsonNumber(line, "lat"), lon = jsonNumber(line, "lon");
    if (!std::isnan(lat) && !std::isnan(lon)) out.push_back({lat, lon});
  }
  return out;
}

struct Said {
  std::set<double> fix, noFix;  // times of day
};

// The times of day at which the log's own sentences say there is a fix, and those at which one
// says there is none, found by plain reading.
Said said(const std::string& log) {
  Said out;
  std::istringstream in(log);
  for (std::string line; std::getline(in, line, '\n');) {
    if (line.rfind("$$", 0) == 0) line.erase(0, 1);  // one receiver doubles the sentence's mark
    std::vector<std::string> f;
    std::stringstream fields(line.substr(0, line.find('*')));
    for (std::string field; std::getline(fields, field, ',');) f.push_back(field);
    if (f.size() < 7 || f[0].size() != 6 || f[0][0] != '$') continue;
    const std::string type = f[0].substr(3);
    const std::string time = type == "GLL" ? f[5] : f[1];
    const bool no = (type == "RMC" && f[2] == "V") || (type == "GGA" && f[6] == "0") ||
                    (type == "GLL" && f[6] == "V") || (type == "GNS" && f[6].find_first_not_of('N') == std::string::npos);
    const bool yes = (type == "RMC" && f[2] == "A") || (type == "GGA" && f[6] >= "1" && f[6] <= "6") ||
                     (type == "GLL" && f[6] == "A");
    if ((no || yes) && time.size() >= 6 && time.find_first_not_of("0123456789.") == std::string::npos)
      (no ? out.noFix : out.fix)
          .insert(std::stoi(time.substr(0, 2)) * 3600 + std::stoi(time.substr(2, 2)) * 60 + std::atof(time.c_str() + 4));
  }
  return out;
}

TEST(NmeaReader, HeldToGpsdsFixesOnRealReceiversLogs) {
  std::vector<std::filesystem::path> logs;
  for (const auto& entry : std::filesystem::directory_iterator(STORM_NMEA_DATA))
    if (entry.path().extension() == ".log") logs.push_back(entry.path());
  std::sort(logs.begin(), logs.end());
  ASSERT_GE(logs.size(), 40u);
  std::printf("%-34s %6s %6s %8s %9s %8s\n", "log", "gpsd", "ours", "max m", "first s", "no-fix");
  int totalFixes = 0, totalRejected = 0;
  double worst = 0;
  for (const std::filesystem::path& path : logs) {
    SCOPED_TRACE(path.filename().string());
    std::ifstream in(path, std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(in)), {});
    const std::vector<GpsdFix> gpsd = gpsdFixes(path.string() + ".chk");
    const bool checksums = anyChecksummed(text);
    const Said log = said(text);
    bool saysFix = false;
    double firstSaid = INFINITY;
    for (double t : log.fix)
      if (!log.noFix.count(t)) {
        saysFix = true;
        firstSaid = std::min(firstSaid, t);
      }
    int fixes = 0, rejected = 0;
    double maxError = 0, firstDelay = NAN;
    for (const NmeaEpoch& e : epochs(text, checksums, 4096)) {
      const bool saidNot = e.timeOfDay && log.noFix.count(*e.timeOfDay);
      rejected += saidNot && !e.fix;
      EXPECT_FALSE(saidNot && e.fix) << "a fix at " << *e.timeOfDay << " where a sentence says there is none";
      if (!e.fix) continue;
      double nearest = INFINITY;
      for (const GpsdFix& g : gpsd)
        nearest = std::min(nearest, std::hypot((e.latitude - g.lat) * geo::metersPerDegreeLatitude(g.lat),
                                               (e.longitude - g.lon) * geo::metersPerDegreeLongitude(g.lat)));
      EXPECT_LE(nearest, 5) << "the fix at " << e.latitude << ", " << e.longitude;
      maxError = std::max(maxError, nearest);
      if (++fixes == 1 && e.timeOfDay && saysFix) firstDelay = *e.timeOfDay - firstSaid;
    }
    // gpsd takes some epochs whose sentences say there is no fix (a simulator's) for fixes.
    if (!gpsd.empty() && saysFix) {
      EXPECT_GT(fixes, 0) << "gpsd has " << gpsd.size() << " fixes";
      if (!std::isnan(firstDelay)) {
        EXPECT_LE(firstDelay, 15);
      }
    }
    std::printf("%-34s %6zu %6d %8.2f %9.1f %8d\n", path.filename().c_str(), gpsd.size(), fixes, maxError, firstDelay,
                rejected);
    totalFixes += fixes;
    totalRejected += rejected;
    worst = std::max(worst, maxError);
  }
  std::printf("%zu logs, %d fixes, largest distance to a gpsd fix %.2f m, %d no-fix epochs rejected\n", logs.size(),
              totalFixes, worst, totalRejected);
}

}  // namespace
}  // namespace storm
