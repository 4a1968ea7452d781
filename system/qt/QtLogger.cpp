#include "system/qt/QtLogger.h"

#include <cstdio>
#include <cstring>

namespace storm::qt {

Q_LOGGING_CATEGORY(lcStorm, "storm-distance")
Q_LOGGING_CATEGORY(lcLog, "storm-distance.log")

namespace {

std::mutex receiverMutex;  // guards receiver and previousHandler
RecordingLogger* receiver = nullptr;
QtMessageHandler previousHandler = nullptr;

void handleMessage(QtMsgType type, const QMessageLogContext& context, const QString& message) {
  const char* category = context.category ? context.category : "";
  const QByteArray text = message.toLocal8Bit();
  if (std::strcmp(category, lcLog().categoryName()) == 0) {
    std::fprintf(stderr, "%s\n", text.constData());
    std::lock_guard lock(receiverMutex);
    if (receiver) receiver->record(message.toStdString());
  } else if (std::strcmp(category, lcStorm().categoryName()) == 0) {
    std::fprintf(stderr, "%s: %s\n", category, text.constData());
  } else {
    QtMessageHandler previous = nullptr;
    {
      std::lock_guard lock(receiverMutex);
      previous = previousHandler;
    }
    if (previous) previous(type, context, message);
  }
}

}  // namespace

void RecordingLogger::record(const std::string& line) {
  std::lock_guard lock(mutex_);
  lines_.push_back(line);
}

RecordingLogger::RecordingLogger() {
  std::lock_guard lock(receiverMutex);
  receiver = this;
  QtMessageHandler previous = qInstallMessageHandler(handleMessage);
  if (previous != handleMessage) previousHandler = previous;
}

RecordingLogger::~RecordingLogger() {
  std::lock_guard lock(receiverMutex);
  if (receiver == this) receiver = nullptr;
}

void RecordingLogger::log(const std::string& line) { qCInfo(lcLog).noquote() << QString::fromStdString(line); }

std::vector<std::string> RecordingLogger::lines() const {
  std::lock_guard lock(mutex_);
  return lines_;
}

}  // namespace storm::qt
