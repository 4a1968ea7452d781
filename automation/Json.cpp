#include "automation/Json.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace storm {

Json& Json::set(std::string key, Json value) {
  if (!std::holds_alternative<Object>(value_)) value_ = Object{};
  std::get<Object>(value_).emplace_back(std::move(key), std::move(value));
  return *this;
}

Json& Json::push(Json value) {
  if (!std::holds_alternative<Array>(value_)) value_ = Array{};
  std::get<Array>(value_).push_back(std::move(value));
  return *this;
}

std::string jsonQuote(const std::string& text) {
  std::string out = "\"";
  for (unsigned char c : text) {
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        if (c < 0x20) {
          char buf[8];
          std::snprintf(buf, sizeof buf, "\\u%04x", c);
          out += buf;
        } else {
          out += static_cast<char>(c);
        }
    }
  }
  return out + "\"";
}

std::string Json::dump() const {
  struct Visitor {
    std::string operator()(std::monostate) const { return "null"; }
    std::string operator()(bool b) const { return b ? "true" : "false"; }
    std::string operator()(double d) const {
      if (!std::isfinite(d)) return "null";
      char buf[32];
      auto [end, ec] = std::to_chars(buf, buf + sizeof buf, d);
      return ec == std::errc{} ? std::string(buf, end) : "null";
    }
    std::string operator()(long long n) const { return std::to_string(n); }
    std::string operator()(const std::string& s) const { return jsonQuote(s); }
    std::string operator()(const Array& a) const {
      std::string out = "[";
      for (size_t i = 0; i < a.size(); ++i) {
        if (i) out += ',';
        out += a[i].dump();
      }
      return out + "]";
    }
    std::string operator()(const Object& o) const {
      std::string out = "{";
      for (size_t i = 0; i < o.size(); ++i) {
        if (i) out += ',';
        out += jsonQuote(o[i].first);
        out += ':';
        out += o[i].second.dump();
      }
      return out + "}";
    }
  };
  return std::visit(Visitor{}, value_);
}

}  // namespace storm
