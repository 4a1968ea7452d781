#pragma once

#include <functional>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "storm/StormPicture.h"
#include "storm/StrikeStore.h"
#include "system/DesktopNotifier.h"

// Fakes of what the storm feature runs on: a strike log in memory, and a notifier and a storm
// layer that record.

namespace storm::fakes {

class MemoryStrikeLog : public StrikeStore {
 public:
  void append(const Strike& strike) override { strikes.push_back(strike); }
  RecentStrikes recent(double since) const override {
    auto out = std::make_shared<std::vector<Strike>>();
    for (const Strike& s : strikes)
      if (s.time >= since) out->push_back(s);
    return RecentStrikes(std::move(out), -std::numeric_limits<double>::infinity());
  }
  void allStrikes(std::function<void(std::vector<Strike>)> done) override { done(strikes); }
  void clear(std::function<void(bool)> done) override {
    strikes.clear();
    done(true);
  }
  void remove(double time, std::function<void(bool)> done) override {
    const auto before = strikes.size();
    std::erase_if(strikes, [time](const Strike& s) { return s.time == time; });
    done(strikes.size() < before);
  }
  void setBearing(double time, std::optional<StrikeBearing> bearing, std::function<void(bool)> done) override {
    bool found = false;
    for (Strike& s : strikes)
      if (s.time == time) s.bearing = bearing, found = true;
    done(found);
  }
  void exportCSV(const std::string&, std::function<void(std::string)> done) override { done("not on disk"); }
  std::vector<Strike> strikes;
};

class RecordingNotifier : public DesktopNotifier {
 public:
  void notify(const std::string& summary, const std::string& body) override { sent.push_back(summary + "|" + body); }
  std::vector<std::string> sent;
};

class RecordingStormLayer : public StormMapLayer {
 public:
  void setStrikeRings(std::vector<StrikeRing> r) override {
    rings = std::move(r);
    ++stormsWorkedOut;
  }
  void setStormPanel(const StormPanel& p) override {
    panel = p;
    ++panelsSet;
  }
  void setCirclePast(bool past) override { circlePast = past; }
  void setStrikeMarks(std::vector<StrikeMark> m) override { marks = std::move(m); }
  std::vector<StrikeRing> rings;
  std::vector<StrikeMark> marks;
  StormPanel panel;
  int panelsSet = 0;
  int stormsWorkedOut = 0;  // full refreshes: the rings, the trend and the track worked out
  bool circlePast = false;
};

}  // namespace storm::fakes
