#include "storm/qt/PendingJournal.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

#include "storm/qt/StrikeRows.h"
#include "storm/qt/WholeFile.h"
#include "system/qt/QtLogger.h"

namespace storm::qt {

namespace {

void addNumber(std::string& out, double value) {
  char text[64];
  const auto [end, ec] = std::to_chars(text, text + sizeof text, value);
  if (ec == std::errc{}) out.append(text, end);
}

// time, delay, km, speed, then the position (latitude, longitude, accuracy, source) or nothing,
// then, for a strike with a direction, "B", its degrees, how it was given and the point it places
// the strike at (latitude and longitude, both empty without one); tab-separated. A source never
// holds a tab or a line break. Lines written before strikes had directions have no "B" part.
std::string lineOf(const Strike& s) {
  std::string out = "S";
  for (double v : {s.time, s.delay, s.km, s.speed}) {
    out += '\t';
    addNumber(out, v);
  }
  if (s.position) {
    for (double v : {s.position->latitude, s.position->longitude, s.position->accuracy}) {
      out += '\t';
      addNumber(out, v);
    }
    out += '\t';
    for (char c : s.position->source)
      if (c != '\t' && c != '\n' && c != '\r') out += c;
  }
  if (s.bearing) {
    out += "\tB\t";
    addNumber(out, s.bearing->degrees);
    out += '\t';
    out += bearingSourceName(s.bearing->source);
    for (int i = 0; i < 2; ++i) {
      out += '\t';
      if (s.bearing->placed) addNumber(out, i == 0 ? s.bearing->placed->latitude : s.bearing->placed->longitude);
    }
  }
  out += '\n';
  return out;
}

// The number a whole field holds.
std::optional<double> numberIn(std::string_view field) {
  double value = 0;
  const auto [end, ec] = std::from_chars(field.data(), field.data() + field.size(), value);
  if (ec != std::errc{} || end != field.data() + field.size()) return std::nullopt;
  return value;
}

bool parse(std::string_view line, Strike& s) {
  std::vector<std::string_view> fields;
  for (size_t at = 0;;) {
    const size_t tab = line.find('\t', at);
    fields.push_back(line.substr(at, tab == std::string_view::npos ? std::string_view::npos : tab - at));
    if (tab == std::string_view::npos) break;
    at = tab + 1;
  }
  // The direction's part, when there is one, is its last five fields.
  std::optional<StrikeBearing> bearing;
  if ((fields.size() == 10 || fields.size() == 14) && fields[fields.size() - 5] == "B") {
    const std::string_view* part = &fields[fields.size() - 4];
    bearing = saneBearing(numberIn(part[0]), part[1], numberIn(part[2]), numberIn(part[3]));
    fields.resize(fields.size() - 5);
  }
  if (fields[0] != "S" || (fields.size() != 5 && fields.size() != 9)) return false;
  double values[7] = {};
  for (size_t i = 1; i < fields.size() && i < 8; ++i) {
    const std::optional<double> value = numberIn(fields[i]);
    if (!value) return false;
    values[i - 1] = *value;
  }
  s.time = values[0];
  s.delay = values[1];
  s.km = values[2];
  s.speed = values[3];
  if (fields.size() == 9) s.position = StrikePosition{values[4], values[5], values[6], std::string(fields[8])};
  s.bearing = bearing;
  return true;
}

// The strike a whole line holds, its position put on the globe; none when it is no sane strike.
std::optional<Strike> strikeOfLine(std::string_view line, double now) {
  Strike s;
  if (!parse(line, s) || !isSaneStrike(s, now)) return std::nullopt;
  if (s.position) {
    const GeoPoint at = onTheGlobe({s.position->latitude, s.position->longitude});
    s.position->latitude = at.latitude;
    s.position->longitude = at.longitude;
    s.position->accuracy = knownAccuracy(s.position->accuracy);
  }
  return s;
}

// The strikes of the journal at `path`, in order, a line at a time (see load()).
std::vector<Strike> readJournal(const QByteArray& path, double now) {
  std::vector<Strike> out;
  // Only a regular file, never through a link: whatever else sits at its name is not ours to read.
  const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
  if (fd < 0) return out;
  struct stat info {};
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    ::close(fd);
    return out;
  }
  // A line at a time, each at most kLongestLine bytes: a longer one is skipped to its end, and the
  // lines after it are read as usual.
  std::string line;
  bool skipping = false;
  char chunk[64 * 1024];
  for (ssize_t n; (n = ::read(fd, chunk, sizeof chunk)) != 0;) {
    if (n < 0) {
      if (errno == EINTR) continue;
      break;
    }
    for (const char *at = chunk, *end = chunk + n; at < end;) {
      const char* newline = static_cast<const char*>(std::memchr(at, '\n', static_cast<size_t>(end - at)));
      const char* stop = newline ? newline : end;
      if (!skipping && line.size() + static_cast<size_t>(stop - at) > PendingJournal::kLongestLine) {
        skipping = true;
        line.clear();
      }
      if (!skipping) line.append(at, stop);
      if (newline) {
        if (!skipping)
          if (std::optional<Strike> s = strikeOfLine(line, now)) out.push_back(std::move(*s));
        line.clear();
        skipping = false;
      }
      at = newline ? newline + 1 : end;
    }
  }
  // A last line without its end was torn by a kill: left out.
  ::close(fd);
  return out;
}

}  // namespace

PendingJournal::PendingJournal(QString path) : usual_(path), path_(std::move(path)) {}

PendingJournal::~PendingJournal() {
  if (fd_ >= 0) ::close(fd_);
  for (const auto& held : adopted_) ::close(held.second);
  if (lockFd_ >= 0) ::close(lockFd_);
}

QString PendingJournal::slotPath(int slot) const { return slot == 0 ? usual_ : usual_ + "-" + QString::number(slot); }

int PendingJournal::lockSlot(int slot) const {
  // A lock file of its own, which the journal's rewrite (a rename) leaves in place; something
  // other than a regular file there (a folder, a link) is a slot in use.
  const int fd = ::open(QFile::encodeName(slotPath(slot) + ".lock").constData(),
                        O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0644);
  if (fd < 0) return -1;
  struct stat info {};
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || ::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    ::close(fd);
    return -1;
  }
  return fd;
}

std::vector<Strike> PendingJournal::load(double now) {
  // The folder may be new: its lock files need it.
  QDir().mkpath(QFileInfo(usual_).absolutePath());
  for (int slot = 0; slot < kSlots && lockFd_ < 0; ++slot)
    if ((lockFd_ = lockSlot(slot)) >= 0) {
      path_ = slotPath(slot);
      if (slot > 0)
        qCInfo(lcStorm, "another copy of the program keeps its pending strikes in %s; this one keeps its own in %s",
               qPrintable(usual_), qPrintable(path_));
    }
  // A rewrite killed before its rename left its temporary file: this copy's slot is its own.
  if (lockFd_ >= 0) WholeFile::removeLeftovers(QFile::encodeName(path_));
  std::vector<Strike> out = readJournal(QFile::encodeName(path_), now);
  // The journals of copies no longer running: their strikes are this copy's to write now.
  for (int slot = 0; slot < kSlots && lockFd_ >= 0; ++slot) {
    if (slotPath(slot) == path_ || pathKind(QFile::encodeName(slotPath(slot))) != PathKind::Regular) continue;
    const int fd = lockSlot(slot);
    if (fd < 0) continue;
    adopted_.push_back({slotPath(slot), fd});
    WholeFile::removeLeftovers(QFile::encodeName(slotPath(slot)));
    for (Strike& s : readJournal(QFile::encodeName(slotPath(slot)), now)) out.push_back(std::move(s));
  }
  std::stable_sort(out.begin(), out.end(), [](const Strike& a, const Strike& b) { return a.time < b.time; });
  return out;
}

void PendingJournal::forgetAdopted() {
  for (const auto& [path, fd] : adopted_) {
    if (pathKind(QFile::encodeName(path)) == PathKind::Regular) ::unlink(QFile::encodeName(path).constData());
    ::close(fd);
  }
  adopted_.clear();
}

bool PendingJournal::openForAppend() {
  if (fd_ >= 0) return true;
  // O_NOFOLLOW|O_NONBLOCK: neither a link nor a FIFO put in its place is followed or waited on.
  fd_ = ::open(QFile::encodeName(path_).constData(),
               O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0644);
  if (fd_ < 0) return false;
  struct stat info {};
  if (::fstat(fd_, &info) != 0 || !S_ISREG(info.st_mode)) {
    ::close(fd_);
    fd_ = -1;
    return false;
  }
  return true;
}

bool PendingJournal::append(const Strike& strike) {
  if (!openForAppend()) return false;
  const std::string line = lineOf(strike);
  // One write() of a short line: the system's cache has it once the call returns, which is all a
  // killed process needs.
  const ssize_t written = ::write(fd_, line.data(), line.size());
  if (written == static_cast<ssize_t>(line.size())) return true;
  // A part of a line (a full disk) would join the next one: cut it off again.
  if (written > 0) {
    struct stat info {};
    if (::fstat(fd_, &info) == 0) (void)::ftruncate(fd_, info.st_size - written);
  }
  return false;
}

bool PendingJournal::rewrite(const std::vector<Strike>& strikes) {
  if (strikes.empty()) {
    // Nothing pending leaves nothing beside the log.
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    struct stat info {};
    const QByteArray name = QFile::encodeName(path_);
    return ::lstat(name.constData(), &info) != 0 || !S_ISREG(info.st_mode) || ::unlink(name.constData()) == 0;
  }
  // All or nothing: the old journal stays until the new one is whole; a link or a special file
  // in its place is neither written through nor replaced.
  WholeFile file(QFile::encodeName(path_));
  bool written = file.open();
  for (size_t i = 0; written && i < strikes.size(); ++i) written = file.write(lineOf(strikes[i]));
  if (!written || !file.commit()) return false;
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  return openForAppend();
}

}  // namespace storm::qt
