#pragma once

#include <QString>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The text of an INI file in QSettings' format, with no file access: reading it into lines,
// setting or removing one entry while every other line stays as written, and writing the lines
// back. Keys are "name" in [General] and "section/name" elsewhere, escaped as QSettings escapes
// them; values are strings, and a value QSettings would read as something else (a list, a typed
// value such as @ByteArray(...)) is kept in the file but has no text.

namespace storm::qt {

// One line of the file as read: entries are decoded, everything is kept as written.
struct IniLine {
  std::string text;  // without its line end
  bool isSection = false;
  std::string section;  // sections: the decoded name, "" for [General]
  bool isEntry = false;
  std::string key;                   // entries: "name" in [General], "section/name" elsewhere
  std::optional<std::string> value;  // entries: nothing for a value that is not plain text (a list)
};

using IniValues = std::map<std::string, std::optional<std::string>>;

// Why `bytes` cannot be an INI file at all (binary data, not UTF-8), or nothing.
QString damageInText(const std::string& bytes);

// The lines of an INI file, or nothing when a line is neither blank, a comment, a section
// header nor a key=value entry. A leading byte order mark is dropped.
std::optional<std::vector<IniLine>> parseIni(std::string_view text);

// Sets or removes `key` in `lines`, touching no other line. A new entry goes after the last
// entry of its section, or into a new section ([General] first, others last).
void applyChange(std::vector<IniLine>& lines, const std::string& key, const std::optional<std::string>& value);

// The file's text: each line followed by a line feed.
std::string iniText(const std::vector<IniLine>& lines);

// The value of each key; a later duplicate wins, as in QSettings.
IniValues iniValues(const std::vector<IniLine>& lines);

// Values as the file stores them; the parsers accept what the formatters write, read the same
// value back, and also take the plain spellings a person editing the file would use (1 and 0 for
// a boolean, an integral decimal such as 11.0 for an integer).
std::string preferenceText(double value);
std::optional<double> parseDoublePreference(const std::string& text);
std::optional<long> parseIntegerPreference(const std::string& text);
std::optional<bool> parseBoolPreference(const std::string& text);

}  // namespace storm::qt
