#pragma once

#include <condition_variable>
#include <mutex>
#include <thread>

// Sets up the fonts on another core while the application starts: it reads the system's font
// configuration at once and, as soon as the application object exists, fills Qt's font database
// from it. These are the longest steps before the first frame, and neither needs a widget; the
// first frame needs both.

namespace storm::qt {

class FontSetUp {
 public:
  // Starts reading the configuration.
  FontSetUp();
  // Waits for the work (see finish()).
  ~FontSetUp();
  FontSetUp(const FontSetUp&) = delete;
  FontSetUp& operator=(const FontSetUp&) = delete;

  // The application object exists: the database may be filled in. Not after finish().
  void applicationReady();
  // Waits until the work started is done; without applicationReady() only the configuration is
  // read. Before the application object goes, and before anything draws text.
  void finish();

 private:
  void decide(bool fillDatabase);

  std::mutex mutex_;  // guards decided_ and fillDatabase_
  std::condition_variable wake_;
  bool decided_ = false;
  bool fillDatabase_ = false;
  std::thread thread_;  // last, so that it starts once the members above exist
};

}  // namespace storm::qt
