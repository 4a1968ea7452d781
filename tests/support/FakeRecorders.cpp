#include "support/FakeRecorders.h"

#include <cmath>
#include <cstdio>

namespace storm::fakes {

namespace {

class FakeDateFormatter : public DateFormatter {
 public:
  void setDateFormat(const std::string& pattern) override { pattern_ = pattern; }
  void setTimeZoneSecondsFromGMT(int seconds) override { offset_ = seconds; }
  std::string stringFromDate(double instant) override {
    const long long ms = std::llround((instant + offset_) * 1000.0);
    const long long second = ((ms / 1000) % 60 + 60) % 60;
    const long long thousandths = ((ms % 1000) + 1000) % 1000;
    char text[32];
    if (pattern_ == "SSS")
      std::snprintf(text, sizeof text, "%03lld", thousandths);
    else
      std::snprintf(text, sizeof text, "%lld.%03lld", second, thousandths);
    return text;
  }

 private:
  std::string pattern_;
  int offset_ = 0;
};

}  // namespace

std::unique_ptr<DateFormatter> FakeDateFormatterFactory::makeDateFormatter() {
  ++made;
  return std::make_unique<FakeDateFormatter>();
}

}  // namespace storm::fakes
