#include "map/qt/GpsdSource.h"

#include <gps.h>

#include <chrono>
#include <cmath>

namespace storm::qt {

namespace {
constexpr int kWaitMicroseconds = 250000;
}

GpsdSource::GpsdSource(const QString& where, QObject* parent) : LiveSource(parent) {
  const int colon = where.lastIndexOf(':');
  const QString host = colon < 0 ? where : where.left(colon);
  const QString port = colon < 0 ? QString() : where.mid(colon + 1);
  host_ = (host.isEmpty() ? QStringLiteral("localhost") : host).toStdString();
  port_ = (port.isEmpty() ? QStringLiteral("2947") : port).toStdString();
}

GpsdSource::~GpsdSource() {
  {
    std::lock_guard lock(mutex_);
    stop_ = true;
  }
  wake_.notify_all();
  if (thread_.joinable()) thread_.join();
}

void GpsdSource::start() {
  if (!thread_.joinable()) thread_ = std::thread([this] { run(); });
}

void GpsdSource::run() {
  const QString where = QString::fromStdString(host_ + ":" + port_);
  bool reached = true;
  while (!stop_) {
    const bool answered = session();
    if (stop_) return;
    // Said once when it goes, and once when it cannot be reached from the start.
    if (answered || reached) post(PositionProblem::NoGpsd, answered ? "gpsd at " + where + " went away"
                                                                     : "gpsd at " + where + " cannot be reached");
    reached = false;
    std::unique_lock lock(mutex_);
    wake_.wait_for(lock, std::chrono::duration<double>(kRetrySeconds), [this] { return stop_.load(); });
  }
}

bool GpsdSource::session() {
  gps_data_t data{};
  if (gps_open(host_.c_str(), port_.c_str(), &data) != 0) return false;
  gps_stream(&data, WATCH_ENABLE | WATCH_JSON, nullptr);
  while (!stop_) {
    if (!gps_waiting(&data, kWaitMicroseconds)) continue;
    if (gps_read(&data, nullptr, 0) < 0) break;
    if (!(data.set & MODE_SET)) continue;
    const gps_fix_t& fix = data.fix;
    if (fix.mode >= MODE_2D && fix.status != STATUS_SIM && std::isfinite(fix.latitude) &&
        std::isfinite(fix.longitude)) {
      const double accuracy = std::isfinite(fix.eph)                               ? fix.eph
                              : std::isfinite(fix.epx) && std::isfinite(fix.epy) ? std::hypot(fix.epx, fix.epy)
                                                                                  : 0;
      queue_.post([this, lat = fix.latitude, lon = fix.longitude, accuracy] { emit fixed(lat, lon, accuracy); });
    } else if (fix.mode == MODE_NO_FIX || fix.status == STATUS_SIM) {
      post(PositionProblem::Lost, "gpsd reports no fix");
    }
  }
  gps_close(&data);
  return true;
}

void GpsdSource::post(PositionProblem problem, const QString& detail) {
  queue_.post([this, problem, detail] { emit this->problem(problem, detail); });
}

}  // namespace storm::qt
