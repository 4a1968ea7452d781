#include "system/qt/IniCodec.h"

#include <QStringDecoder>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstddef>
#include <utility>

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

namespace {

// The code point `c` in UTF-8; what is not a character becomes U+FFFD.
void appendUtf8(std::string& out, char32_t c) {
  if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) c = 0xFFFD;
  out += QString::fromUcs4(&c, 1).toStdString();
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
// as '\', anything else as %XX (up to FF) or %UXXXX, one UTF-16 unit at a time.
std::string escapedKey(std::string_view name) {
  std::string out;
  for (const QChar unit : QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size()))) {
    const char16_t c = unit.unicode();
    if (c == '/') {
      out += '\\';
    } else if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '-' ||
               c == '.') {
      out += static_cast<char>(c);
    } else {
      out += c <= 0xFF ? "%" : "%U";
      for (int shift = c <= 0xFF ? 4 : 12; shift >= 0; shift -= 4) out += kHexDigits[(c >> shift) & 0xF];
    }
  }
  return out;
}

// The escapes of a key read back: UTF-16 units that Qt pairs up, between runs of UTF-8 text.
std::string unescapedKey(std::string_view key) {
  QString out;
  std::string run;  // UTF-8 text since the last escape
  for (size_t i = 0; i < key.size();) {
    if (key[i] == '\\') {
      run += '/';
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
      run += key[i++];
      continue;
    }
    i = first + digits;
    out += QString::fromStdString(std::exchange(run, {}));
    out += QChar(static_cast<char16_t>(value));
  }
  out += QString::fromStdString(run);
  return out.toStdString();
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

// Appends what the escape at `raw[i]` (just after its backslash) stands for, and moves `i` past it.
void appendEscaped(std::string_view raw, size_t& i, std::string& out) {
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
    appendEscaped(raw, i, out);
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

IniLine entryLine(const std::string& key, const std::string& value) {
  IniLine line;
  line.text = escapedKey(splitKey(key).second) + "=" + escapedValue(value);
  line.isEntry = true;
  line.key = key;
  line.value = value;
  return line;
}

IniLine sectionLine(const std::string& section) {
  IniLine line;
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

}  // namespace

QString damageInText(const std::string& bytes) {
  if (bytes.empty()) return {};
  if (bytes.find('\0') != std::string::npos) return "it holds binary data";
  QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
  [[maybe_unused]] const QString text = decoder(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
  if (decoder.hasError()) return "it is not UTF-8 text";
  return {};
}

std::optional<std::vector<IniLine>> parseIni(std::string_view text) {
  if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
  std::vector<IniLine> lines;
  std::string section;
  for (size_t pos = 0; pos < text.size();) {
    size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) end = text.size();  // a last line without its line feed
    IniLine line;
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

void applyChange(std::vector<IniLine>& lines, const std::string& key, const std::optional<std::string>& value) {
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
    std::vector<IniLine> added{sectionLine(section), entryLine(key, *value)};
    if (!lines.empty()) added.push_back(IniLine{});
    lines.insert(lines.begin(), added.begin(), added.end());
  } else {
    if (!lines.empty() && !trimmed(lines.back().text).empty()) lines.push_back(IniLine{});
    lines.push_back(sectionLine(section));
    lines.push_back(entryLine(key, *value));
  }
}

std::string iniText(const std::vector<IniLine>& lines) {
  std::string out;
  for (const IniLine& line : lines) {
    out += line.text;
    out += '\n';
  }
  return out;
}

IniValues iniValues(const std::vector<IniLine>& lines) {
  IniValues values;
  for (const IniLine& line : lines)
    if (line.isEntry) values[line.key] = line.value;  // a later duplicate wins, as in QSettings
  return values;
}

}  // namespace storm::qt
