#include "system/qt/QtPreferences.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstring>
#include <string_view>
#include <thread>

#include "system/qt/QtLogger.h"

namespace storm::qt {

std::string preferenceText(double value) {
  char text[64];
  const auto result = std::to_chars(text, text + sizeof text, value);  // shortest text that reads back exactly
  return std::string(text, result.ptr);
}

std::optional<double> parseDoublePreference(const std::string& text) {
  double value = 0;
  const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || result.ec != std::errc() || result.ptr != text.data() + text.size() || !std::isfinite(value))
    return std::nullopt;
  return value;
}

std::optional<long> parseIntegerPreference(const std::string& text) {
  long value = 0;
  const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
  if (!text.empty() && result.ec == std::errc() && result.ptr == text.data() + text.size()) return value;
  // 11.0: an integral number written as a decimal. 2^63 is the first double past the range.
  const std::optional<double> decimal = parseDoublePreference(text);
  if (!decimal || std::trunc(*decimal) != *decimal || *decimal < -0x1p63 || *decimal >= 0x1p63) return std::nullopt;
  return static_cast<long>(*decimal);
}

std::optional<bool> parseBoolPreference(const std::string& text) {
  std::string lower(text);  // ASCII only: the process locale must not change what reads as a boolean
  for (char& c : lower) c = c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
  if (lower == "true" || lower == "1") return true;
  if (lower == "false" || lower == "0") return false;
  return std::nullopt;
}

bool QtPreferences::Stamp::operator==(const Stamp& other) const {
  auto same = [](const timespec& a, const timespec& b) { return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec; };
  if (exists != other.exists) return false;
  return !exists || (device == other.device && inode == other.inode && size == other.size &&
                     same(modified, other.modified) && same(changed, other.changed));
}

namespace {

using Line = QtPreferences::Line;
using Stamp = QtPreferences::Stamp;

bool hasType(const std::string& text, PreferenceType type) {
  switch (type) {
    case PreferenceType::String: return true;
    case PreferenceType::Double: return parseDoublePreference(text).has_value();
    case PreferenceType::Integer: return parseIntegerPreference(text).has_value();
    case PreferenceType::Bool: return parseBoolPreference(text).has_value();
  }
  return false;
}

const char* typeName(PreferenceType type) {
  switch (type) {
    case PreferenceType::String: return "a string";
    case PreferenceType::Double: return "a number";
    case PreferenceType::Integer: return "an integer";
    case PreferenceType::Bool: return "true or false";
  }
  return "";
}

std::string errorText(int error) { return std::strerror(error); }

Stamp stampOf(const struct stat& st) {
  Stamp stamp;
  stamp.exists = true;
  stamp.device = st.st_dev;
  stamp.inode = st.st_ino;
  stamp.size = st.st_size;
  stamp.modified = st.st_mtim;
  stamp.changed = st.st_ctim;
  return stamp;
}

Stamp currentStamp(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 ? stampOf(st) : Stamp{};
}

// ---- text ----

void appendUtf8(std::string& out, char32_t c) {
  if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) c = 0xFFFD;
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

// The code points of `text`, which is valid UTF-8.
std::u32string codePoints(std::string_view text) {
  std::u32string out;
  for (size_t i = 0; i < text.size();) {
    const auto lead = static_cast<unsigned char>(text[i]);
    const int length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    char32_t c = length == 1 ? lead : length == 2 ? lead & 0x1F : length == 3 ? lead & 0x0F : lead & 0x07;
    for (int k = 1; k < length && i + k < text.size(); ++k)
      c = (c << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3F);
    out += c;
    i += length;
  }
  return out;
}

std::string_view trimmed(std::string_view text) {
  const auto first = text.find_first_not_of(" \t\r");
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

const char kHexDigits[] = "0123456789ABCDEF";

// Keys are written as QSettings writes them: letters, digits, '_', '-' and '.' as they are, '/'
// as '\', anything else as %XX (code points up to FF) or %UXXXX (UTF-16 units).
std::string escapedKey(std::string_view name) {
  std::string out;
  for (char32_t c : codePoints(name)) {
    if (c == '/') {
      out += '\\';
    } else if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '-' ||
               c == '.') {
      out += static_cast<char>(c);
    } else if (c <= 0xFF) {
      out += '%';
      out += kHexDigits[c >> 4];
      out += kHexDigits[c & 0xF];
    } else {
      auto unit = [&out](char32_t u) {
        out += "%U";
        for (int shift = 12; shift >= 0; shift -= 4) out += kHexDigits[(u >> shift) & 0xF];
      };
      if (c < 0x10000) {
        unit(c);
      } else {
        unit(0xD800 + ((c - 0x10000) >> 10));
        unit(0xDC00 + ((c - 0x10000) & 0x3FF));
      }
    }
  }
  return out;
}

std::string unescapedKey(std::string_view key) {
  std::string out;
  char32_t highSurrogate = 0;
  for (size_t i = 0; i < key.size();) {
    if (key[i] == '\\') {
      out += '/';
      ++i;
      continue;
    }
    const bool wide = key[i] == '%' && i + 1 < key.size() && key[i + 1] == 'U';
    const size_t digits = wide ? 4 : 2;
    const size_t first = i + (wide ? 2 : 1);
    int value = key[i] == '%' && first + digits <= key.size() ? 0 : -1;
    for (size_t k = first; value >= 0 && k < first + digits; ++k)
      value = hexValue(key[k]) < 0 ? -1 : value * 16 + hexValue(key[k]);
    if (value < 0) {
      out += key[i++];
      continue;
    }
    i = first + digits;
    const auto c = static_cast<char32_t>(value);
    if (c >= 0xD800 && c <= 0xDBFF) {
      highSurrogate = c;
    } else if (c >= 0xDC00 && c <= 0xDFFF && highSurrogate) {
      appendUtf8(out, 0x10000 + ((highSurrogate - 0xD800) << 10) + (c - 0xDC00));
      highSurrogate = 0;
    } else {
      appendUtf8(out, c);
    }
  }
  return out;
}

// A value as QSettings writes a string: quoted when it holds ';', ',' or '=' or starts or ends
// with a space; backslash escapes for quotes, backslashes and control characters; a leading '@'
// doubled, since '@' starts QSettings' typed values.
std::string escapedValue(const std::string& text) {
  std::string out;
  bool needsQuotes = false;
  bool escapeNextIfDigit = false;  // after a numeric escape, a following hex digit would extend it
  const std::string value = !text.empty() && text[0] == '@' ? "@" + text : text;
  for (const char ch : value) {
    const auto c = static_cast<unsigned char>(ch);
    if (c == ';' || c == ',' || c == '=') needsQuotes = true;
    if (escapeNextIfDigit && hexValue(ch) >= 0) {
      out += "\\x";
      out += "0123456789abcdef"[c >> 4];
      out += "0123456789abcdef"[c & 0xF];
      continue;
    }
    escapeNextIfDigit = false;
    switch (c) {
      case '\0':
        out += "\\0";
        escapeNextIfDigit = true;
        break;
      case '\a': out += "\\a"; break;
      case '\b': out += "\\b"; break;
      case '\f': out += "\\f"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      case '\v': out += "\\v"; break;
      case '"':
      case '\\':
        out += '\\';
        out += ch;
        break;
      default:
        if (c <= 0x1F) {
          out += "\\x";
          out += "0123456789abcdef"[c >> 4];
          out += "0123456789abcdef"[c & 0xF];
          escapeNextIfDigit = true;
        } else {
          out += ch;
        }
    }
  }
  if (needsQuotes || (!out.empty() && (out.front() == ' ' || out.back() == ' '))) out = '"' + out + '"';
  return out;
}

// The text of a value as QSettings reads it, or nothing when QSettings would read something other
// than one string: a list (an unquoted comma) or a typed value such as @ByteArray(...).
std::optional<std::string> unescapedValue(std::string_view raw) {
  std::string out;
  bool inQuotes = false;
  bool quoted = false;
  size_t keep = 0;  // trailing spaces before this length were escaped or quoted and stay
  size_t i = 0;
  auto skipSpaces = [&] {
    while (i < raw.size() && (raw[i] == ' ' || raw[i] == '\t')) ++i;
    keep = out.size();
  };
  skipSpaces();
  while (i < raw.size()) {
    const char c = raw[i];
    if (c == ';' && !inQuotes) break;  // a comment follows
    if (c == ',' && !inQuotes) return std::nullopt;
    if (c == '"') {
      inQuotes = !inQuotes;
      quoted = true;
      ++i;
      if (!inQuotes) skipSpaces();
      continue;
    }
    if (c != '\\') {
      out += c;
      ++i;
      continue;
    }
    if (++i >= raw.size()) break;
    const char e = raw[i++];
    switch (e) {
      case 'a': out += '\a'; break;
      case 'b': out += '\b'; break;
      case 'f': out += '\f'; break;
      case 'n': out += '\n'; break;
      case 'r': out += '\r'; break;
      case 't': out += '\t'; break;
      case 'v': out += '\v'; break;
      case '"':
      case '?':
      case '\'':
      case '\\': out += e; break;
      case 'x': {
        char32_t code = 0;
        bool any = false;
        for (; i < raw.size() && hexValue(raw[i]) >= 0 && code <= 0x10FFFF; ++i, any = true)
          code = code * 16 + hexValue(raw[i]);
        if (any) appendUtf8(out, code);
        break;
      }
      default:
        if (e >= '0' && e <= '7') {
          char32_t code = static_cast<char32_t>(e - '0');
          for (; i < raw.size() && raw[i] >= '0' && raw[i] <= '7' && code <= 0x10FFFF; ++i)
            code = code * 8 + (raw[i] - '0');
          appendUtf8(out, code);
        }
        // Any other escaped character is dropped, as QSettings does.
    }
    keep = out.size();
  }
  if (!quoted) {
    while (out.size() > keep && (out.back() == ' ' || out.back() == '\t')) out.pop_back();
  }
  if (out.size() > 3 && out[0] == '@' && out[1] != '@' && out.back() == ')') {
    for (const char* typed :
         {"@ByteArray(", "@String(", "@Variant(", "@DateTime(", "@Rect(", "@Size(", "@Point(", "@Invalid("})
      if (out.rfind(typed, 0) == 0) return std::nullopt;
  }
  if (out.rfind("@@", 0) == 0) out.erase(0, 1);
  return out;
}

// Where the key's entry belongs: [General] ("") or another section.
std::pair<std::string, std::string> splitKey(const std::string& key) {
  const auto slash = key.find('/');
  if (slash == std::string::npos) return {"", key};
  return {key.substr(0, slash), key.substr(slash + 1)};
}

// Why `bytes` cannot be an INI file at all, or nothing.
QString damageInText(const std::string& bytes) {
  if (bytes.empty()) return {};
  if (bytes.find('\0') != std::string::npos) return "it holds binary data";
  QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
  [[maybe_unused]] const QString text = decoder(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
  if (decoder.hasError()) return "it is not UTF-8 text";
  return {};
}

// The lines of an INI file, or nothing when a line is neither blank, a comment, a section
// header nor a key=value entry.
std::optional<std::vector<Line>> parseIni(std::string_view text) {
  if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
  std::vector<Line> lines;
  std::string section;
  for (size_t pos = 0; pos < text.size();) {
    size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) end = text.size();  // a last line without its line feed
    Line line;
    line.text = std::string(text.substr(pos, end - pos));
    pos = end + 1;
    const std::string_view body = trimmed(line.text);
    if (body.empty() || body[0] == ';' || body[0] == '#') {
      // blank or a comment
    } else if (body[0] == '[') {
      const auto close = body.find(']');
      if (close == std::string_view::npos) return std::nullopt;
      const std::string_view name = trimmed(body.substr(1, close - 1));
      if (name.size() == 7 && QString::fromUtf8(name.data(), 7).compare("general", Qt::CaseInsensitive) == 0)
        section.clear();
      else if (name.size() == 8 && QString::fromUtf8(name.data(), 8).compare("%general", Qt::CaseInsensitive) == 0)
        section = std::string(name.substr(1));
      else
        section = unescapedKey(name);
      line.isSection = true;
      line.section = section;
    } else {
      size_t equals = std::string_view::npos;
      for (size_t i = 0, quotes = 0; i < body.size() && equals == std::string_view::npos; ++i) {
        if (body[i] == '"')
          ++quotes;
        else if (body[i] == '=' && quotes % 2 == 0)
          equals = i;
      }
      if (equals == std::string_view::npos) return std::nullopt;
      const std::string name = unescapedKey(trimmed(body.substr(0, equals)));
      line.isEntry = true;
      line.key = section.empty() ? name : section + "/" + name;
      line.value = unescapedValue(body.substr(equals + 1));
    }
    lines.push_back(std::move(line));
  }
  return lines;
}

Line entryLine(const std::string& key, const std::string& value) {
  Line line;
  line.text = escapedKey(splitKey(key).second) + "=" + escapedValue(value);
  line.isEntry = true;
  line.key = key;
  line.value = value;
  return line;
}

Line sectionLine(const std::string& section) {
  Line line;
  if (section.empty()) {
    line.text = "[General]";
  } else {
    const std::string name = escapedKey(section);
    line.text =
        QString::fromStdString(name).compare("general", Qt::CaseInsensitive) == 0 ? "[%General]" : "[" + name + "]";
  }
  line.isSection = true;
  line.section = section;
  return line;
}

// Sets or removes `key` in `lines`, touching no other line. A new entry goes after the last
// entry of its section, or into a new section ([General] first, others last).
void applyChange(std::vector<Line>& lines, const std::string& key, const std::optional<std::string>& value) {
  const std::string section = splitKey(key).first;
  std::optional<size_t> existing, lastInSection, header;
  std::string current;
  for (size_t i = 0; i < lines.size(); ++i) {
    if (lines[i].isSection) {
      current = lines[i].section;
      if (current == section && !header) header = i;
    } else if (lines[i].isEntry && current == section) {
      if (lines[i].key == key && !existing) existing = i;
      lastInSection = i;
    }
  }
  // Later duplicates of the key go; the first takes the new value.
  for (size_t i = lines.size(); i-- > 0;) {
    if (lines[i].isEntry && lines[i].key == key && (!existing || i != *existing || !value))
      lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(i));
  }
  if (!value) return;
  if (existing) {
    lines[*existing] = entryLine(key, *value);
  } else if (lastInSection || header) {
    const size_t at = std::max(lastInSection.value_or(0), header.value_or(0)) + 1;
    lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(std::min(at, lines.size())), entryLine(key, *value));
  } else if (section.empty()) {
    std::vector<Line> added{sectionLine(section), entryLine(key, *value)};
    if (!lines.empty()) added.push_back(Line{});
    lines.insert(lines.begin(), added.begin(), added.end());
  } else {
    if (!lines.empty() && !trimmed(lines.back().text).empty()) lines.push_back(Line{});
    lines.push_back(sectionLine(section));
    lines.push_back(entryLine(key, *value));
  }
}

std::string serialized(const std::vector<Line>& lines) {
  std::string out;
  for (const Line& line : lines) {
    out += line.text;
    out += '\n';
  }
  return out;
}

std::map<std::string, std::optional<std::string>> valuesOf(const std::vector<Line>& lines) {
  std::map<std::string, std::optional<std::string>> values;
  for (const Line& line : lines)
    if (line.isEntry) values[line.key] = line.value;  // a later duplicate wins, as in QSettings
  return values;
}

// ---- files ----

struct FileContents {
  enum class Status { Absent, Read, Unreadable } status = Status::Absent;
  std::string bytes;
  Stamp stamp;
  QString problem;  // Unreadable: why
};

// Reads the file at `path` if it is a regular file of at most `kMaxFileSize` bytes. Anything else
// is never opened (a FIFO would block, a device could be endless), or, if it was swapped in
// between, is opened without blocking and not read.
FileContents readRecordFile(const std::string& path) {
  FileContents contents;
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) {
    if (errno == ENOENT) return contents;
    contents.status = FileContents::Status::Unreadable;
    contents.problem = QString::fromStdString(errorText(errno));
    return contents;
  }
  contents.status = FileContents::Status::Unreadable;
  if (!S_ISREG(st.st_mode)) {
    contents.problem = "it is not a regular file";
    return contents;
  }
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) {
    contents.problem = QString::fromStdString(errorText(errno));
    if (errno == ENOENT) contents.status = FileContents::Status::Absent;
    return contents;
  }
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    contents.problem = "it is not a regular file";
  } else if (static_cast<std::size_t>(st.st_size) > QtPreferences::kMaxFileSize) {
    contents.problem = "it is larger than 1 MiB";
  } else {
    contents.bytes.resize(QtPreferences::kMaxFileSize + 1);
    size_t length = 0;
    while (length < contents.bytes.size()) {
      const ssize_t n = ::read(fd, contents.bytes.data() + length, contents.bytes.size() - length);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) {
        contents.problem = QString::fromStdString(errorText(errno));
        break;
      }
      if (n == 0) break;
      length += static_cast<size_t>(n);
    }
    contents.bytes.resize(length);
    if (length > QtPreferences::kMaxFileSize) contents.problem = "it is larger than 1 MiB";
    if (contents.problem.isEmpty()) {
      contents.status = FileContents::Status::Read;
      contents.stamp = stampOf(st);
    }
  }
  ::close(fd);
  if (contents.status != FileContents::Status::Read) contents.bytes.clear();
  return contents;
}

// Writes `bytes` to a new file beside `target`, checking every write, flushes it to disk and
// renames it over `target`. On failure the temporary file is removed and `target` is as it was.
bool replaceFile(const std::string& target, const std::string& bytes, std::string& problem) {
  static std::atomic<unsigned> counter{0};
  const std::string temporary = target + ".saving-" + std::to_string(::getpid()) + "-" + std::to_string(++counter);
  const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd < 0) {
    problem = "cannot create " + temporary + ": " + errorText(errno);
    return false;
  }
  auto fail = [&](const std::string& what) {
    problem = what + ": " + errorText(errno);
    ::close(fd);
    ::unlink(temporary.c_str());
    return false;
  };
  struct stat old {};
  if (::stat(target.c_str(), &old) == 0) ::fchmod(fd, old.st_mode & 07777);  // keep the file's permissions
  for (size_t written = 0; written < bytes.size();) {
    const ssize_t n = ::write(fd, bytes.data() + written, bytes.size() - written);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      if (n == 0) errno = ENOSPC;
      return fail("writing " + temporary);
    }
    written += static_cast<size_t>(n);
  }
  // Some file systems report a full disk only when the data is flushed.
  if (::fsync(fd) != 0) return fail("writing " + temporary);
  if (::close(fd) != 0) {
    problem = "writing " + temporary + ": " + errorText(errno);
    ::unlink(temporary.c_str());
    return false;
  }
  if (::rename(temporary.c_str(), target.c_str()) != 0) {
    problem = "renaming " + temporary + ": " + errorText(errno);
    ::unlink(temporary.c_str());
    return false;
  }
  // The rename reaches the disk with the folder.
  const std::string folder = QFileInfo(QString::fromStdString(target)).absolutePath().toStdString();
  const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir >= 0) {
    ::fsync(dir);
    ::close(dir);
  }
  return true;
}

// Temporary files of saves that never finished (their process was killed). Only a holder of the
// file lock writes one, so while the lock is held every one found is abandoned.
void removeAbandonedTemporaries(const QString& target) {
  const QFileInfo info(target);
  QDir folder = info.absoluteDir();
  for (const QString& name :
       folder.entryList({info.fileName() + ".saving-*"}, QDir::Files | QDir::Hidden | QDir::System))
    folder.remove(name);
}

}  // namespace

// ---- the file lock ----

// An exclusive flock on "<file>.lock". The file is removed before the lock is let go; whoever
// locks it checks that it locked the file the name still refers to, since a holder may have just
// removed it. A holder that dies lets go of the lock with its last descriptor, so an abandoned lock
// file never blocks: the next save takes it and removes it.
class QtPreferences::FileLock {
 public:
  FileLock(int fd, std::string path) : fd_(fd), path_(std::move(path)) {}
  ~FileLock() {
    ::unlink(path_.c_str());
    ::close(fd_);
  }
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;

 private:
  const int fd_;
  const std::string path_;
};

std::unique_ptr<QtPreferences::FileLock> QtPreferences::lockFile(QString& problem) const {
  QDir().mkpath(QFileInfo(path_).absolutePath());
  const std::string lockPath = (path_ + ".lock").toStdString();
  const auto deadline = std::chrono::steady_clock::now() + kLockWait;
  auto pause = std::chrono::milliseconds(1);
  for (;;) {
    const int fd = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0666);
    if (fd < 0) {
      const int error = errno;
      problem = error == EISDIR || error == ELOOP
                    ? QString("its lock file %1 is not a regular file").arg(QString::fromStdString(lockPath))
                    : QString("cannot open its lock file %1 (%2)")
                          .arg(QString::fromStdString(lockPath), QString::fromStdString(errorText(error)));
      return nullptr;
    }
    struct stat held {};
    if (::fstat(fd, &held) != 0 || !S_ISREG(held.st_mode)) {
      ::close(fd);
      problem = QString("its lock file %1 is not a regular file").arg(QString::fromStdString(lockPath));
      return nullptr;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
      struct stat named {};
      if (::stat(lockPath.c_str(), &named) == 0 && named.st_dev == held.st_dev && named.st_ino == held.st_ino)
        return std::make_unique<FileLock>(fd, lockPath);
      ::close(fd);  // the holder before removed it on its way out: lock the one the name has now
      continue;
    }
    const int error = errno;
    ::close(fd);
    if (error != EWOULDBLOCK && error != EINTR) {
      problem = QString("cannot lock %1 (%2)")
                    .arg(QString::fromStdString(lockPath), QString::fromStdString(errorText(error)));
      return nullptr;
    }
    if (quitting_) {
      problem = QString("another process holds its lock file %1 and the application is quitting")
                    .arg(QString::fromStdString(lockPath));
      return nullptr;
    }
    const auto now = std::chrono::steady_clock::now();
    if (now >= deadline) {
      problem = QString("another process has held its lock file %1 for %2 s")
                    .arg(QString::fromStdString(lockPath))
                    .arg(std::chrono::duration<double>(kLockWait).count());
      return nullptr;
    }
    std::this_thread::sleep_for(std::min<std::chrono::steady_clock::duration>(pause, deadline - now));
    pause = std::min(pause * 2, std::chrono::milliseconds(8));
  }
}

// ---- the store ----

QtPreferences::QtPreferences(QString path, std::vector<PreferenceKey> keys, std::shared_ptr<Clock> clock)
    : path_(std::move(path)), clock_(std::move(clock)), keys_(std::move(keys)) {
  // Quitting must not wait out another process's lock: saves still under way give up at once.
  if (QCoreApplication* app = QCoreApplication::instance()) {
    const QMetaObject::Connection connection =
        QObject::connect(app, &QCoreApplication::aboutToQuit, [this] { quitting_ = true; });
    disconnectQuit_ = [connection] { QObject::disconnect(connection); };
  }
}

QtPreferences::~QtPreferences() {
  if (disconnectQuit_) disconnectQuit_();
}

void QtPreferences::declareKeys(const std::vector<PreferenceKey>& keys) {
  std::lock_guard lock(mutex_);
  for (const auto& key : keys) {
    const bool known =
        std::any_of(keys_.begin(), keys_.end(), [&](const PreferenceKey& k) { return k.name == key.name; });
    if (!known) keys_.push_back(key);
  }
  if (loaded_) reportOddKeysLocked();
}

std::vector<PreferenceKey> QtPreferences::declaredKeys() const {
  std::lock_guard lock(mutex_);
  return keys_;
}

void QtPreferences::ensureLoaded() const {
  {
    std::lock_guard lock(mutex_);
    if (loaded_) return;
  }
  std::lock_guard file(fileMutex_);
  {
    std::lock_guard lock(mutex_);
    if (loaded_) return;
  }
  loadLocked(nullptr);
}

void QtPreferences::loadLocked(const FileLock* fileLock, bool mayLock) const {
  const FileContents contents = readRecordFile(path_.toStdString());
  if (contents.status == FileContents::Status::Unreadable) {
    // Unreadable is not damaged: leave the file alone, and do not overwrite it either. What was
    // read before stays in memory.
    std::lock_guard lock(mutex_);
    loaded_ = true;
    saveDisabled_ = true;
    stamp_ = currentStamp(path_.toStdString());
    if (!reportedUnreadable_) {
      reportedUnreadable_ = true;
      qCWarning(lcStorm, "cannot read the preferences file %s (%s); changes will not be saved", qPrintable(path_),
                qPrintable(contents.problem));
    }
    return;
  }
  std::optional<std::vector<Line>> lines = std::vector<Line>{};
  QString damage;
  if (contents.status == FileContents::Status::Read) {
    damage = damageInText(contents.bytes);
    if (damage.isEmpty()) lines = parseIni(contents.bytes);
    if (damage.isEmpty() && !lines) damage = "it is not in INI format";
  }
  if (!damage.isEmpty() && !fileLock && mayLock) {
    // Another process may be replacing the file right now: move it aside only under the lock,
    // after reading it once more.
    QString problem;
    if (const auto taken = lockFile(problem)) return loadLocked(taken.get());
  }
  std::lock_guard lock(mutex_);
  loaded_ = true;
  reportedUnreadable_ = false;
  saveDisabled_ = false;
  if (!damage.isEmpty()) {
    lines_.clear();
    if (fileLock) {
      moveAsideLocked(damage);
    } else {
      qCWarning(lcStorm,
                "the preferences file %s is damaged (%s) and cannot be moved aside; starting afresh "
                "without saving",
                qPrintable(path_), qPrintable(damage));
      saveDisabled_ = true;
    }
    stamp_ = currentStamp(path_.toStdString());
  } else {
    lines_ = std::move(*lines);
    stamp_ = contents.stamp;
  }
  fileValues_ = valuesOf(lines_);
  reportOddKeysLocked();
}

void QtPreferences::moveAsideLocked(const QString& reason) const {
  const double now = clock_ ? clock_->now() : 0.0;
  const QString stamp = QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(std::floor(now)) * 1000, Qt::UTC)
                            .toString("yyyyMMdd'T'HHmmss'Z'");
  QString aside = path_ + ".damaged-" + stamp;
  for (int n = 2; QFileInfo::exists(aside); ++n) aside = path_ + ".damaged-" + stamp + "-" + QString::number(n);
  if (QFile::rename(path_, aside)) {
    qCWarning(lcStorm, "the preferences file %s is damaged (%s); moved it to %s and started afresh", qPrintable(path_),
              qPrintable(reason), qPrintable(aside));
  } else {
    qCWarning(lcStorm,
              "the preferences file %s is damaged (%s) and cannot be moved aside; starting afresh "
              "without saving",
              qPrintable(path_), qPrintable(reason));
    saveDisabled_ = true;
  }
}

void QtPreferences::reportOddKeysLocked() const {
  for (const auto& [name, type] : keys_) {
    const auto found = fileValues_.find(name);
    if (found == fileValues_.end()) continue;
    const std::optional<std::string>& text = found->second;
    if (text && hasType(*text, type)) continue;
    const std::string seen = name + "=" + text.value_or("");
    if (!reportedOddValues_.insert(seen).second) continue;
    qCWarning(lcStorm, "the value of %s in the preferences file %s is not %s; it reads as unset", name.c_str(),
              qPrintable(path_), typeName(type));
  }
}

std::optional<std::string> QtPreferences::textLocked(const std::string& key) const {
  if (const auto change = changes_.find(key); change != changes_.end()) return change->second;
  const auto found = fileValues_.find(key);
  if (found == fileValues_.end() || !found->second) return std::nullopt;
  // A declared key whose value is not of its type reads as absent.
  for (const auto& [name, type] : keys_)
    if (name == key && !hasType(*found->second, type)) return std::nullopt;
  return found->second;
}

void QtPreferences::write(const std::string& key, std::optional<std::string> text) {
  ensureLoaded();
  std::lock_guard lock(mutex_);
  changes_[key] = std::move(text);
}

bool QtPreferences::containsKey(const std::string& key) const {
  ensureLoaded();
  std::lock_guard lock(mutex_);
  return textLocked(key).has_value();
}

std::optional<std::string> QtPreferences::stringForKey(const std::string& key) const {
  ensureLoaded();
  std::lock_guard lock(mutex_);
  return textLocked(key);
}

void QtPreferences::setObject(const std::optional<std::string>& value, const std::string& key) { write(key, value); }

double QtPreferences::doubleForKey(const std::string& key) const {
  const auto text = stringForKey(key);
  return text ? parseDoublePreference(*text).value_or(0.0) : 0.0;
}

void QtPreferences::setDouble(double value, const std::string& key) { write(key, preferenceText(value)); }

long QtPreferences::integerForKey(const std::string& key) const {
  const auto text = stringForKey(key);
  return text ? parseIntegerPreference(*text).value_or(0) : 0;
}

void QtPreferences::setInteger(long value, const std::string& key) { write(key, std::to_string(value)); }

bool QtPreferences::boolForKey(const std::string& key) const {
  const auto text = stringForKey(key);
  return text ? parseBoolPreference(*text).value_or(false) : false;
}

void QtPreferences::setBool(bool value, const std::string& key) { write(key, value ? "true" : "false"); }

bool QtPreferences::saveLocked(const FileLock&) {
  std::vector<Line> lines;
  std::map<std::string, std::optional<std::string>> saving;
  {
    std::lock_guard lock(mutex_);
    if (saveDisabled_) return false;
    if (changes_.empty()) return true;
    lines = lines_;
    saving = changes_;
  }
  for (const auto& [key, value] : saving) applyChange(lines, key, value);
  const std::string bytes = serialized(lines);

  std::string target = path_.toStdString();
  if (const QFileInfo info(path_); info.isSymLink() && !info.canonicalFilePath().isEmpty())
    target = info.canonicalFilePath().toStdString();  // the file a link points to is the one to replace
  removeAbandonedTemporaries(QString::fromStdString(target));
  std::string problem;
  const bool saved = bytes.size() <= kMaxFileSize ? replaceFile(target, bytes, problem)
                                                  : (problem = "the record would be larger than 1 MiB", false);
  std::lock_guard lock(mutex_);
  if (!saved) {
    qCWarning(lcStorm, "cannot save the preferences to %s: %s; the file there is unchanged", qPrintable(path_),
              problem.c_str());
    return false;
  }
  lines_ = std::move(lines);
  fileValues_ = valuesOf(lines_);
  stamp_ = currentStamp(path_.toStdString());
  // Changes made by other threads while this one was writing stay pending.
  for (const auto& [key, value] : saving)
    if (const auto pending = changes_.find(key); pending != changes_.end() && pending->second == value)
      changes_.erase(pending);
  return true;
}

bool QtPreferences::synchronize() {
  std::lock_guard file(fileMutex_);
  ensureLoaded();
  {
    std::lock_guard lock(mutex_);
    if (saveDisabled_) return false;
    if (changes_.empty()) return true;
  }
  QString problem;
  const auto lock = lockFile(problem);
  if (!lock) {
    qCWarning(lcStorm, "cannot save the preferences to %s: %s", qPrintable(path_), qPrintable(problem));
    return false;
  }
  // Read again, so that what other processes saved meanwhile is kept.
  loadLocked(lock.get());
  return saveLocked(*lock);
}

bool QtPreferences::update(const std::function<void(Preferences&)>& change) {
  std::lock_guard file(fileMutex_);
  QString problem;
  const auto lock = lockFile(problem);
  if (lock) {
    loadLocked(lock.get());
  } else {
    std::unique_lock values(mutex_);
    if (!loaded_) {
      values.unlock();
      loadLocked(nullptr, false);  // without a second wait for the lock
    }
  }
  change(*this);
  if (!lock) {
    qCWarning(lcStorm, "cannot save the preferences to %s: %s", qPrintable(path_), qPrintable(problem));
    return false;
  }
  return saveLocked(*lock);
}

void QtPreferences::refresh() {
  std::lock_guard file(fileMutex_);
  {
    std::lock_guard lock(mutex_);
    if (loaded_ && currentStamp(path_.toStdString()) == stamp_) return;
  }
  loadLocked(nullptr);
}

}  // namespace storm::qt
