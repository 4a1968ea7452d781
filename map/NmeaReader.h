#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

// Reads NMEA 0183 as a receiver writes it and tells, epoch by epoch, where it says it is.
//
// An epoch is the sentences of one time of day (RMC, GGA, GLL and GNS carry it; a run of the same
// time is one epoch however long). It gives a position only when one of its own sentences says it
// is a fix (RMC and GLL status A, GGA quality 1 to 6, GNS mode other than all N) and none says it
// is not; GSA and ZDA never decide it. Its accuracy is its own: GST's latitude and longitude
// errors, else Garmin's PGRME, else the horizontal dilution of precision times kRangeErrorMetres,
// else unknown (0). No date is needed. Lines may end in CR, LF or CRLF; a line longer than
// kLongestLine is dropped whole; a sentence without a checksum is read only when the reader was
// told the log has none. Plain C++, one thread.

namespace storm {

struct NmeaEpoch {
  std::optional<double> timeOfDay;  // seconds since midnight UTC, when the sentences said
  bool fix = false;                 // a sentence said fix, none said otherwise, and it had a place
  bool noFix = false;               // a sentence said there is no fix
  double latitude = 0;
  double longitude = 0;
  double accuracy = 0;  // metres of uncertainty (about one standard deviation, radial); 0: unknown
};

class NmeaReader {
 public:
  // Metres of range error that one unit of horizontal dilution is taken for, when a receiver gives
  // no error estimate of its own (see ARCHITECTURE.md, "Position sources").
  static constexpr double kRangeErrorMetres = 5;
  // A dilution this high is the receiver saying it does not know.
  static constexpr double kUnknownDilution = 99;
  // NMEA allows 82 characters a sentence; some receivers write longer proprietary ones.
  static constexpr std::size_t kLongestLine = 256;

  using Out = std::function<void(const NmeaEpoch&)>;

  explicit NmeaReader(bool checksumsRequired = true) : checksumsRequired_(checksumsRequired) {}

  // Reads the next bytes of the log; each epoch that they complete goes to `out`.
  void read(std::string_view bytes, const Out& out);
  // The log has ended: its last epoch goes to `out`.
  void finish(const Out& out);

  // Whether `line` is a sentence whose checksum is present and right.
  static bool checksummed(std::string_view line);
  // Whether any line of a log is, reading it through `read` (which fills the buffer it is given
  // and says how many bytes it put there, 0 at the end) until the first one.
  static bool anyChecksummed(const std::function<std::size_t(char*, std::size_t)>& read);

 private:
  struct Gst {
    double time = -1;
    double accuracy = 0;
  };
  void line(std::string_view text, const Out& out);
  void sentence(std::string_view body, const Out& out);
  // Starts a new epoch at `time` (-1: none given) when the sentence of `kind` opens one.
  void at(double time, int kind, const Out& out);
  void close(const Out& out);
  void place(bool says, bool saysNot, double lat, double lon);
  void dilution(double hdop);

  bool checksumsRequired_;
  std::string partial_;
  bool overlong_ = false;
  bool open_ = false;  // an epoch has sentences
  double time_ = -1;   // the open epoch's time of day; -1 when none was given
  int kinds_ = 0;      // the position sentences the open epoch has had, one bit each
  NmeaEpoch epoch_;
  double hdop_ = 0, pgrme_ = 0;
  Gst gst_[2];  // the newest GSTs, by time: a receiver may write it before or after the fix
};

}  // namespace storm
