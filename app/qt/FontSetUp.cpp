#include "app/qt/FontSetUp.h"

#include <fontconfig/fontconfig.h>
#include <QFontDatabase>
#include <QStringList>

namespace storm::qt {

FontSetUp::FontSetUp()
    : thread_([this] {
        FcInit();
        std::unique_lock lock(mutex_);
        wake_.wait(lock, [this] { return decided_; });
        // Qt's font database guards itself: the main thread may ask for a font meanwhile, and
        // then waits for this to finish.
        if (fillDatabase_) {
          lock.unlock();
          QFontDatabase::families();
        }
      }) {}

FontSetUp::~FontSetUp() { finish(); }

void FontSetUp::applicationReady() { decide(true); }

void FontSetUp::finish() {
  decide(false);
  if (thread_.joinable()) thread_.join();
}

void FontSetUp::decide(bool fillDatabase) {
  {
    std::lock_guard lock(mutex_);
    if (decided_) return;
    decided_ = true;
    fillDatabase_ = fillDatabase;
  }
  wake_.notify_one();
}

}  // namespace storm::qt
