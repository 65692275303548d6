#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "app/status.h"

namespace almanix {

// An INI settings file held in memory: sections of key=value lines.
//
// Section and key names are matched without regard to case; a written key
// keeps the spelling and place it already has, a new key goes to the end of
// its section, a new section to the end of the file. Comments and lines the
// reader does not understand are kept as they are. Values are trimmed on
// read. Booleans are written 1/0 and read as "non-zero whole number"; a value
// that is not a number reads as the default. Text is decoded as UTF-8 when
// valid, else as Windows-1252, and always written as UTF-8 with CR LF.
class IniFile {
 public:
  IniFile() = default;
  explicit IniFile(std::string path) : path_(std::move(path)) {}

  // Reads path_. A missing file is NotFound and leaves the file empty; an
  // unreadable one is IoError. Never throws.
  Status Load();
  // Replaces the content by the parsed text (bytes as read from a file).
  void LoadFromText(std::string_view bytes);
  // Writes the whole file to path_ atomically (temporary file, rename).
  Status Save() const;
  std::string ToText() const;

  const std::string& path() const { return path_; }
  void set_path(std::string path) { path_ = std::move(path); }

  std::string ReadString(std::string_view section, std::string_view key,
                         std::string_view default_value) const;
  int ReadInteger(std::string_view section, std::string_view key,
                  int default_value) const;
  bool ReadBool(std::string_view section, std::string_view key,
                bool default_value) const;
  double ReadFloat(std::string_view section, std::string_view key,
                   double default_value) const;

  // A value holding a line break cannot be stored; CR and LF become blanks.
  void WriteString(std::string_view section, std::string_view key,
                   std::string_view value);
  void WriteInteger(std::string_view section, std::string_view key, int value);
  void WriteBool(std::string_view section, std::string_view key, bool value);
  void WriteFloat(std::string_view section, std::string_view key,
                  double value);

  bool SectionExists(std::string_view section) const;
  bool ValueExists(std::string_view section, std::string_view key) const;
  // Section names in file order.
  std::vector<std::string> Sections() const;
  // Key names of a section in file order.
  std::vector<std::string> Keys(std::string_view section) const;
  // "key=value" lines of a section in file order.
  std::vector<std::string> SectionValues(std::string_view section) const;
  void DeleteKey(std::string_view section, std::string_view key);
  void EraseSection(std::string_view section);

 private:
  struct Line {
    std::string text;   // the raw line for comments and junk
    std::string key;    // empty for non key lines
    std::string value;
  };
  struct Section {
    std::string name;
    std::vector<Line> lines;
  };

  const Line* Find(std::string_view section, std::string_view key) const;
  Line* Find(std::string_view section, std::string_view key);
  Section* FindSection(std::string_view section);
  const Section* FindSection(std::string_view section) const;

  std::string path_;
  std::vector<Line> preamble_;  // lines before the first section
  std::vector<Section> sections_;
};

}  // namespace almanix
