#pragma once

#include <functional>
#include <memory>
#include <type_traits>
#include <utility>

// Calling through a possibly empty reference: a call on nothing does nothing and reads as a
// default value (zero, empty, false). Outlets, delegates and optional platform objects all go
// through `send`, so no caller writes its own null checks.

namespace storm {

template <class T, class Member, class... Args>
auto send(T* target, Member member, Args&&... args) {
  using Result = std::remove_cvref_t<std::invoke_result_t<Member, T&, Args...>>;
  if (target) return static_cast<Result>(std::invoke(member, *target, std::forward<Args>(args)...));
  if constexpr (!std::is_void_v<Result>) return Result{};
}

template <class T, class Member, class... Args>
auto send(const std::shared_ptr<T>& target, Member member, Args&&... args) {
  return send(target.get(), member, std::forward<Args>(args)...);
}

template <class T, class Member, class... Args>
auto send(const std::weak_ptr<T>& target, Member member, Args&&... args) {
  return send(target.lock(), member, std::forward<Args>(args)...);
}

}  // namespace storm
