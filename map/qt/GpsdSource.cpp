#include "map/qt/GpsdSource.h"

#include <gps.h>

#include <chrono>
#include <cmath>
#include <thread>

namespace storm::qt {

namespace {
constexpr int kWaitMicroseconds = 250000;
}

bool GpsdSource::Shared::post(std::function<void()> block) {
  std::lock_guard lock(mutex);
  if (!queue) return false;
  queue->post(std::move(block));
  return true;
}

GpsdSource::GpsdSource(const QString& where, QObject* parent) : LiveSource(parent) {
  const int colon = where.lastIndexOf(':');
  const QString host = colon < 0 ? where : where.left(colon);
  const QString port = colon < 0 ? QString() : where.mid(colon + 1);
  host_ = (host.isEmpty() ? QStringLiteral("localhost") : host).toStdString();
  port_ = (port.isEmpty() ? QStringLiteral("2947") : port).toStdString();
  shared_->queue = &queue_;
}

GpsdSource::~GpsdSource() {
  {
    std::lock_guard lock(shared_->mutex);
    shared_->stop = true;
    shared_->queue = nullptr;
  }
  shared_->wake.notify_all();
}

void GpsdSource::start() {
  if (started_) return;
  started_ = true;
  std::thread([shared = shared_, host = host_, port = port_, this] { run(shared, host, port, this); }).detach();
}

void GpsdSource::run(const std::shared_ptr<Shared>& shared, const std::string& host, const std::string& port,
                     GpsdSource* source) {
  const QString where = QString::fromStdString(host + ":" + port);
  bool reached = true;
  while (!shared->stop) {
    const bool answered = session(*shared, host, port, source);
    // Said once when it goes, and once when it cannot be reached from the start.
    if (answered || reached) {
      const QString detail = "gpsd at " + where + (answered ? " went away" : " cannot be reached");
      shared->post([source, detail] { emit source->problem(PositionProblem::NoGpsd, detail); });
    }
    reached = false;
    std::unique_lock lock(shared->mutex);
    shared->wake.wait_for(lock, std::chrono::duration<double>(kRetrySeconds), [&] { return shared->stop.load(); });
  }
}

bool GpsdSource::session(Shared& shared, const std::string& host, const std::string& port, GpsdSource* source) {
  gps_data_t data{};
  if (gps_open(host.c_str(), port.c_str(), &data) != 0) return false;
  gps_stream(&data, WATCH_ENABLE | WATCH_JSON, nullptr);
  while (!shared.stop) {
    if (!gps_waiting(&data, kWaitMicroseconds)) continue;
    if (gps_read(&data, nullptr, 0) < 0) break;
    if (!(data.set & MODE_SET)) continue;
    const gps_fix_t& fix = data.fix;
    if (fix.mode >= MODE_2D && fix.status != STATUS_SIM && std::isfinite(fix.latitude) &&
        std::isfinite(fix.longitude)) {
      const double accuracy = std::isfinite(fix.eph)                               ? fix.eph
                              : std::isfinite(fix.epx) && std::isfinite(fix.epy) ? std::hypot(fix.epx, fix.epy)
                                                                                  : 0;
      shared.post([source, lat = fix.latitude, lon = fix.longitude, accuracy] { emit source->fixed(lat, lon, accuracy); });
    } else if (fix.mode == MODE_NO_FIX || fix.status == STATUS_SIM) {
      shared.post([source] { emit source->problem(PositionProblem::Lost, "gpsd reports no fix"); });
    }
  }
  gps_close(&data);
  return true;
}

}  // namespace storm::qt
