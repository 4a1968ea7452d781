#pragma once

#include <map>
#include <string>
#include <variant>
#include <vector>

// A JSON value, enough to write the automation answers. Numbers print in the shortest form that
// reads back to the same double.

namespace storm {

class Json {
 public:
  using Array = std::vector<Json>;
  using Object = std::vector<std::pair<std::string, Json>>;  // keeps insertion order

  Json() = default;  // null
  Json(std::nullptr_t) {}
  Json(bool b) : value_(b) {}
  // Whole numbers are kept as they are, so that every 64-bit value prints exactly.
  Json(int n) : value_(static_cast<long long>(n)) {}
  Json(long n) : value_(static_cast<long long>(n)) {}
  Json(long long n) : value_(n) {}
  Json(unsigned n) : value_(static_cast<long long>(n)) {}
  Json(float n) : value_(static_cast<double>(n)) {}
  Json(double n) : value_(n) {}
  Json(const char* s) : value_(std::string(s)) {}
  Json(std::string s) : value_(std::move(s)) {}
  Json(Array a) : value_(std::move(a)) {}
  Json(Object o) : value_(std::move(o)) {}

  static Json object() { return Json(Object{}); }
  static Json array() { return Json(Array{}); }
  // Appends a member to an object.
  Json& set(std::string key, Json value);
  // Appends an element to an array.
  Json& push(Json value);

  bool isNull() const { return std::holds_alternative<std::monostate>(value_); }
  std::string dump() const;

 private:
  std::variant<std::monostate, bool, double, long long, std::string, Array, Object> value_;
};

std::string jsonQuote(const std::string& text);

}  // namespace storm
