#include "system/qt/QtDispatch.h"

#include <utility>

namespace storm::qt {

QtDispatcher::QtDispatcher(std::shared_ptr<WorkerPool> pool)
    : pool_(pool ? std::move(pool) : std::make_shared<WorkerPool>()) {}

QtDispatcher::~QtDispatcher() { pool_->waitFor(this); }

void QtDispatcher::asyncMain(std::function<void()> block) { main_.post(std::move(block)); }

void QtDispatcher::asyncLowPriority(std::function<void()> block) { pool_->post(std::move(block), this); }

bool QtDispatcher::idle() const { return pool_->idle(); }

void QtDispatcher::waitForIdle() { pool_->waitForIdle(); }

}  // namespace storm::qt
