#pragma once

#include <functional>
#include <future>
#include <memory>

#include "system/qt/MainThreadQueue.h"

// How the strike log's jobs answer. The asynchronous forms hand their answer to the main thread;
// the ...Now forms take it straight from the worker (through a promise), as their caller waits on
// the main thread.

namespace storm::qt {

template <class T>
std::function<void(T)> toMainThread(MainThreadQueue& main, std::function<void(T)> done) {
  return [&main, done = std::move(done)](T value) { main.post([done, value = std::move(value)] { done(value); }); };
}

// Calls `start` with an answer to give and waits for it.
template <class T, class Start>
T waitForAnswer(Start start) {
  auto answer = std::make_shared<std::promise<T>>();
  auto future = answer->get_future();
  start([answer](T value) { answer->set_value(std::move(value)); });
  return future.get();
}

}  // namespace storm::qt
