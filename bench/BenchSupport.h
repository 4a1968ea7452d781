#pragma once

#include <benchmark/benchmark.h>
#include <QElapsedTimer>
#include <QProcess>
#include <QProcessEnvironment>
#include <algorithm>
#include <cstdio>
#include <map>
#include <optional>
#include <string>
#include <vector>

// Helpers shared by the benchmarks: the per-iteration times Google Benchmark measured, by name,
// and the median time from starting a process until it prints a given line.

namespace storm::bench {

class RecordingReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const auto& run : runs) nanoseconds[run.benchmark_name()] = run.GetAdjustedRealTime();
    ConsoleReporter::ReportRuns(runs);
  }
  std::map<std::string, double> nanoseconds;
};

// Milliseconds from starting `program` until it writes `line`, or nothing when it does not.
inline std::optional<double> startMilliseconds(const QString& program, const QStringList& arguments,
                                               const QByteArray& line, const QProcessEnvironment& env) {
  QProcess process;
  process.setProcessEnvironment(env);
  QElapsedTimer timer;
  timer.start();
  process.start(program, arguments);
  bool seen = false;
  while (!seen && process.waitForReadyRead(20000)) seen = process.readAllStandardOutput().contains(line);
  const double ms = static_cast<double>(timer.nsecsElapsed()) / 1e6;
  process.waitForFinished(10000);
  return seen ? std::optional(ms) : std::nullopt;
}

// Median milliseconds from starting `program` until it writes `line`, over `runs` runs, on the Qt
// platform `platform` ("xcb" wants DISPLAY in `env`); -1 when it never did.
inline double medianStartMilliseconds(const QString& program, const QStringList& arguments, const QByteArray& line,
                                      QProcessEnvironment env, int runs = 15, const QString& platform = "offscreen") {
  env.insert("QT_QPA_PLATFORM", platform);
  std::vector<double> times;
  for (int i = 0; i < runs; ++i)
    if (const std::optional<double> ms = startMilliseconds(program, arguments, line, env)) times.push_back(*ms);
  if (times.empty()) return -1;
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
}

}  // namespace storm::bench
