#include "map/NmeaReader.h"

#include <charconv>
#include <cmath>
#include <vector>

namespace storm {

namespace {

enum Kind { kRmc = 1, kGga = 2, kGll = 4, kGns = 8 };

int hexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

std::string_view trimmed(std::string_view s) {
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\0')) s.remove_suffix(1);
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  return s;
}

// A number, or NaN when the field is empty or not a number.
double number(std::string_view field) {
  double value = NAN;
  const char* end = field.data() + field.size();
  if (field.empty() || std::from_chars(field.data(), end, value).ptr != end) return NAN;
  return std::isfinite(value) ? value : NAN;
}

// hhmmss(.s): seconds since midnight, or -1.
double timeOfDay(std::string_view field) {
  if (field.size() < 6) return -1;
  const double h = number(field.substr(0, 2)), m = number(field.substr(2, 2)), s = number(field.substr(4));
  if (!(h >= 0 && h < 24 && m >= 0 && m < 60 && s >= 0 && s < 61)) return -1;
  return h * 3600 + m * 60 + s;
}

// ddmm.mmmm with its hemisphere: degrees, or NaN.
double degrees(std::string_view field, std::string_view hemisphere, double most) {
  const double v = number(field);
  if (!(v >= 0)) return NAN;
  const double whole = std::floor(v / 100), minutes = v - whole * 100;
  const double d = whole + minutes / 60;
  if (minutes >= 60 || d > most) return NAN;
  if (hemisphere == "S" || hemisphere == "W") return -d;
  return hemisphere == "N" || hemisphere == "E" ? d : NAN;
}

std::vector<std::string_view> fields(std::string_view body) {
  std::vector<std::string_view> out;
  for (std::size_t start = 0;;) {
    const std::size_t comma = body.find(',', start);
    out.push_back(trimmed(body.substr(start, comma == std::string_view::npos ? comma : comma - start)));
    if (comma == std::string_view::npos) return out;
    start = comma + 1;
  }
}

}  // namespace

bool NmeaReader::checksummed(std::string_view line) {
  line = trimmed(line);
  const std::size_t star = line.rfind('*');
  if (line.size() < 4 || (line[0] != '$' && line[0] != '!') || star == std::string_view::npos || star + 3 != line.size())
    return false;
  const int high = hexDigit(line[star + 1]), low = hexDigit(line[star + 2]);
  if (high < 0 || low < 0) return false;
  unsigned char sum = 0;
  for (char c : line.substr(1, star - 1)) sum ^= static_cast<unsigned char>(c);
  return sum == high * 16 + low;
}

bool NmeaReader::anyChecksummed(const std::function<std::size_t(char*, std::size_t)>& read) {
  std::string line;
  char buffer[64 * 1024];
  for (std::size_t n; (n = read(buffer, sizeof buffer)) > 0;)
    for (std::size_t i = 0; i < n; ++i) {
      if (buffer[i] != '\r' && buffer[i] != '\n') {
        if (line.size() <= kLongestLine) line += buffer[i];
      } else if (checksummed(line)) {
        return true;
      } else {
        line.clear();
      }
    }
  return checksummed(line);
}

void NmeaReader::read(std::string_view bytes, const Out& out) {
  while (!bytes.empty()) {
    const std::size_t end = bytes.find_first_of("\r\n");
    const std::string_view piece = bytes.substr(0, end);
    if (!overlong_ && partial_.size() + piece.size() <= kLongestLine)
      partial_.append(piece);
    else
      overlong_ = true;
    if (end == std::string_view::npos) return;
    if (!overlong_) line(partial_, out);
    partial_.clear();
    overlong_ = false;
    bytes.remove_prefix(end + 1);
  }
}

void NmeaReader::finish(const Out& out) {
  if (!overlong_) line(partial_, out);
  partial_.clear();
  overlong_ = false;
  close(out);
}

void NmeaReader::line(std::string_view text, const Out& out) {
  text = trimmed(text);
  // Some receivers double the leading '$'.
  while (text.size() > 1 && text[0] == '$' && text[1] == '$') text.remove_prefix(1);
  if (text.size() < 6 || text[0] != '$') return;
  if (checksummed(text))
    text = text.substr(0, text.rfind('*'));
  else if (checksumsRequired_ || text.find('*') != std::string_view::npos)
    return;
  sentence(text.substr(1), out);
}

void NmeaReader::sentence(std::string_view body, const Out& out) {
  const std::vector<std::string_view> f = fields(body);
  auto at_ = [&](std::size_t i) { return i < f.size() ? f[i] : std::string_view(); };
  const std::string_view type = f[0].size() == 5 ? f[0].substr(2) : f[0];
  if (type == "RMC") {
    at(timeOfDay(at_(1)), kRmc, out);
    const bool invalidMode = at_(12) == "N";
    place(at_(2) == "A" && !invalidMode, at_(2) == "V" || invalidMode, degrees(at_(3), at_(4), 90),
          degrees(at_(5), at_(6), 180));
  } else if (type == "GGA") {
    at(timeOfDay(at_(1)), kGga, out);
    const double quality = number(at_(6));
    place(quality >= 1 && quality <= 6, !(quality >= 1 && quality <= 6) && !std::isnan(quality),
          degrees(at_(2), at_(3), 90), degrees(at_(4), at_(5), 180));
    dilution(number(at_(8)));
  } else if (type == "GLL") {
    at(timeOfDay(at_(5)), kGll, out);
    const bool invalidMode = at_(7) == "N";
    place(at_(6) == "A" && !invalidMode, at_(6) == "V" || invalidMode, degrees(at_(1), at_(2), 90),
          degrees(at_(3), at_(4), 180));
  } else if (type == "GNS") {
    at(timeOfDay(at_(1)), kGns, out);
    const std::string_view mode = at_(6);
    const bool none = mode.find_first_not_of('N') == std::string_view::npos;
    place(!none, none, degrees(at_(2), at_(3), 90), degrees(at_(4), at_(5), 180));
    dilution(number(at_(8)));
  } else if (type == "GSA") {
    dilution(number(at_(16)));
  } else if (type == "GST") {
    const double lat = number(at_(6)), lon = number(at_(7)), time = timeOfDay(at_(1));
    if (lat >= 0 && lon >= 0 && time >= 0) {
      gst_[1] = gst_[0];
      gst_[0] = {time, std::hypot(lat, lon)};
    }
  } else if (f[0] == "PGRME") {
    const double hpe = number(at_(1));
    if (hpe > 0) pgrme_ = hpe;
  }
}

void NmeaReader::at(double time, int kind, const Out& out) {
  // A new time of day opens an epoch; without one, the same sentence again does.
  const bool next = time >= 0 ? time != time_ && (time_ >= 0 || kinds_ != 0) : (kinds_ & kind) != 0;
  if (next) close(out);
  open_ = true;
  kinds_ |= kind;
  if (time >= 0) time_ = time;
}

void NmeaReader::place(bool says, bool saysNot, double lat, double lon) {
  epoch_.noFix = epoch_.noFix || saysNot;
  if (!says || std::isnan(lat) || std::isnan(lon) || epoch_.fix) return;
  epoch_.fix = true;
  epoch_.latitude = lat;
  epoch_.longitude = lon;
}

void NmeaReader::dilution(double hdop) {
  if (hdop > 0) hdop_ = hdop;
}

void NmeaReader::close(const Out& out) {
  if (open_) {
    if (time_ >= 0) epoch_.timeOfDay = time_;
    epoch_.fix = epoch_.fix && !epoch_.noFix;
    const double gst = gst_[0].time == time_ ? gst_[0].accuracy : gst_[1].time == time_ ? gst_[1].accuracy : 0;
    if (gst > 0 && time_ >= 0)
      epoch_.accuracy = gst;
    else if (pgrme_ > 0)
      epoch_.accuracy = pgrme_;
    else if (hdop_ > 0 && hdop_ < kUnknownDilution)
      epoch_.accuracy = hdop_ * kRangeErrorMetres;
    out(epoch_);
  }
  open_ = false;
  time_ = -1;
  kinds_ = 0;
  epoch_ = {};
  hdop_ = 0;
  pgrme_ = 0;
}

}  // namespace storm
