#include "map/qt/NmeaLogSource.h"

#include <QFile>
#include <cstdio>

namespace storm::qt {

namespace {
constexpr std::size_t kChunk = 64 * 1024;
constexpr std::size_t kBatch = 256;

}  // namespace

NmeaLogSource::NmeaLogSource(QString path, std::shared_ptr<TimerScheduler> timers, QObject* parent)
    : LiveSource(parent), path_(std::move(path)), timers_(std::move(timers)) {}

NmeaLogSource::~NmeaLogSource() {
  {
    std::lock_guard lock(mutex_);
    stop_ = true;
  }
  wake_.notify_all();
  if (reader_.joinable()) reader_.join();
  if (timer_) timer_->invalidate();
}

void NmeaLogSource::start() {
  if (reader_.joinable()) return;
  reader_ = std::thread([this, path = QFile::encodeName(path_).toStdString()] { read(path); });
}

void NmeaLogSource::read(const std::string& path) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  std::deque<NmeaEpoch> batch;
  if (file) {
    // Where no sentence has a checksum, sentences are read without one.
    NmeaReader reader(NmeaReader::anyChecksummed(
        [&](char* buffer, std::size_t size) { return stop_ ? 0 : std::fread(buffer, 1, size, file); }));
    std::rewind(file);
    char buffer[kChunk];
    auto add = [&](const NmeaEpoch& e) { batch.push_back(e); };
    for (std::size_t n; !stop_ && (n = std::fread(buffer, 1, sizeof buffer, file)) > 0;) {
      reader.read(std::string_view(buffer, n), add);
      if (batch.size() >= kBatch && !hand(batch, false)) break;
    }
    reader.finish(add);
    std::fclose(file);
  }
  hand(batch, true);
}

// Hands `batch` to the main thread, first waiting while the replay has kBacklog epochs ahead.
bool NmeaLogSource::hand(std::deque<NmeaEpoch>& batch, bool last) {
  {
    std::unique_lock lock(mutex_);
    wake_.wait(lock, [this] { return stop_ || ahead_ < kBacklog; });
    if (stop_) return false;
  }
  ahead_ += batch.size();
  queue_.post([this, epochs = std::move(batch), last]() mutable {
    for (NmeaEpoch& e : epochs) epochs_.push_back(e);
    allRead_ = last;
    if (!stepping_) step();
  });
  batch.clear();
  return true;
}

void NmeaLogSource::step() {
  stepping_ = false;
  if (epochs_.empty()) {
    if (allRead_) emit problem(PositionProblem::Ended, path_);
    return;
  }
  const NmeaEpoch epoch = epochs_.front();
  epochs_.pop_front();
  {
    std::lock_guard lock(mutex_);
    --ahead_;
  }
  wake_.notify_all();
  if (epoch.fix)
    emit fixed(epoch.latitude, epoch.longitude, epoch.accuracy);
  else if (epoch.noFix)
    emit problem(PositionProblem::Lost, "the log's receiver says it has no fix");
  // The next epoch comes after the log's own step, never a long one; the end of the log one
  // untimed step after its last epoch.
  double wait = kUntimedStep;
  if (!epochs_.empty() && epochs_.front().timeOfDay && epoch.timeOfDay) {
    double gap = *epochs_.front().timeOfDay - *epoch.timeOfDay;
    // The nearer way round the clock: past midnight, or back over it.
    if (gap < -43200) gap += 86400;
    if (gap > 43200) gap -= 86400;
    if (gap > 0) wait = std::min(gap, kLongestStep);
  }
  if (epochs_.empty() && !allRead_) return;  // the reader's next batch steps on
  stepping_ = true;
  timer_ = timers_ ? timers_->scheduledTimer(wait, false, [this] { step(); }) : nullptr;
}

}  // namespace storm::qt
