#include "app/ini_file.h"

#include <algorithm>
#include <charconv>
#include <exception>
#include <system_error>
#include <utility>

#include "app/encoding.h"
#include "app/file_util.h"
#include "app/text.h"

namespace almanix {
namespace {

bool IsBlankText(std::string_view text) { return Trim(text).empty(); }

// "[name]" once trimmed; the name is trimmed too.
bool ParseSectionLine(std::string_view trimmed, std::string* name) {
  if (trimmed.size() < 2 || trimmed.front() != '[' || trimmed.back() != ']') {
    return false;
  }
  *name = Trim(trimmed.substr(1, trimmed.size() - 2));
  return true;
}

bool IsCommentLine(std::string_view trimmed) {
  return !trimmed.empty() && (trimmed.front() == ';' || trimmed.front() == '#');
}

bool ParseKeyLine(std::string_view trimmed, std::string* key,
                  std::string* value) {
  const std::size_t equals = trimmed.find('=');
  if (equals == std::string_view::npos) return false;
  *key = Trim(trimmed.substr(0, equals));
  if (key->empty()) return false;
  *value = Trim(trimmed.substr(equals + 1));
  return true;
}

// Names that would read back as something else once written are refused:
// a line break splits the line, "=" ends the key, and a leading ";", "#" or
// "[" turns the line into a comment or a section.
bool IsWritableKey(std::string_view key) {
  if (key.empty()) return false;
  if (key.find_first_of("=\r\n") != std::string_view::npos) return false;
  return key.front() != ';' && key.front() != '#' && key.front() != '[';
}

// The file is read as Windows-1252 as soon as one byte of it is not UTF-8,
// which would garble every other text in it: a text that is not UTF-8 is
// stored as the reader would take it on its own.
std::string AsUtf8(std::string_view text) {
  return IsValidUtf8(text) ? std::string(text) : Cp1252ToUtf8(text);
}

bool IsWritableSection(std::string_view section) {
  return section.find_first_of("\r\n") == std::string_view::npos;
}

}  // namespace

Status IniFile::Load() {
  preamble_.clear();
  sections_.clear();
  try {
    Result<std::string> bytes = ReadFileBytes(path_);
    if (!bytes.ok()) {
      if (bytes.status().code() == Status::Code::kNotFound ||
          bytes.status().code() == Status::Code::kIoError) {
        return bytes.status();
      }
      return Status::IoError(bytes.status().message());
    }
    LoadFromText(bytes.value());
    return Status::Ok();
  } catch (const std::exception& e) {
    preamble_.clear();
    sections_.clear();
    return Status::IoError("Could not read the settings file " + path_ + ": " +
                           e.what());
  }
}

void IniFile::LoadFromText(std::string_view bytes) {
  preamble_.clear();
  sections_.clear();
  std::vector<Line>* target = &preamble_;
  for (std::string& raw : SplitLines(DecodeText(bytes))) {
    const std::string trimmed = Trim(raw);
    std::string name;
    if (ParseSectionLine(trimmed, &name)) {
      sections_.push_back(Section{std::move(name), {}});
      target = &sections_.back().lines;
      continue;
    }
    Line line;
    // Key lines before the first section belong to no section and cannot be
    // read, so they are kept as they are, like comments.
    if (target == &preamble_ || IsCommentLine(trimmed) ||
        !ParseKeyLine(trimmed, &line.key, &line.value)) {
      line.key.clear();
      line.value.clear();
    }
    line.text = std::move(raw);
    target->push_back(std::move(line));
  }
}

Status IniFile::Save() const {
  if (path_.empty()) {
    return Status::Invalid("The settings file has no name to be saved under.");
  }
  return WriteFileAtomically(path_, ToText());
}

std::string IniFile::ToText() const {
  std::string out;
  auto append_lines = [&out](const std::vector<Line>& lines) {
    for (const Line& line : lines) {
      if (line.key.empty()) {
        out += line.text;
      } else {
        out += line.key;
        out += '=';
        out += line.value;
      }
      out += "\r\n";
    }
  };
  append_lines(preamble_);
  for (const Section& section : sections_) {
    out += '[';
    out += section.name;
    out += "]\r\n";
    append_lines(section.lines);
  }
  return out;
}

std::string IniFile::ReadString(std::string_view section, std::string_view key,
                                std::string_view default_value) const {
  const Line* line = Find(section, key);
  return line ? line->value : std::string(default_value);
}

int IniFile::ReadInteger(std::string_view section, std::string_view key,
                         int default_value) const {
  const Line* line = Find(section, key);
  if (!line) return default_value;
  return ParseInt(line->value).value_or(default_value);
}

bool IniFile::ReadBool(std::string_view section, std::string_view key,
                       bool default_value) const {
  const Line* line = Find(section, key);
  if (!line) return default_value;
  const std::optional<int> number = ParseInt(line->value);
  return number ? *number != 0 : default_value;
}

double IniFile::ReadFloat(std::string_view section, std::string_view key,
                          double default_value) const {
  const Line* line = Find(section, key);
  if (!line) return default_value;
  return ParseDouble(line->value).value_or(default_value);
}

void IniFile::WriteString(std::string_view section, std::string_view key,
                          std::string_view value) {
  const std::string section_name = Trim(AsUtf8(section));
  const std::string key_name = Trim(AsUtf8(key));
  if (!IsWritableSection(section_name) || !IsWritableKey(key_name)) return;
  std::string clean = AsUtf8(value);
  if (clean.find_first_of("\r\n") != std::string::npos) {
    clean = ReplaceAll(ReplaceAll(clean, "\r", " "), "\n", " ");
  }
  // Stored as it will read back after a save.
  clean = Trim(clean);

  auto is_blank_line = [](const Line& line) {
    return line.key.empty() && IsBlankText(line.text);
  };

  if (Line* existing = Find(section_name, key_name)) {
    existing->value = std::move(clean);
    return;
  }

  Section* target = FindSection(section_name);
  if (!target) {
    // Sections are kept apart by one empty line.
    std::vector<Line>& before =
        sections_.empty() ? preamble_ : sections_.back().lines;
    const bool needs_gap =
        before.empty() ? !sections_.empty() : !is_blank_line(before.back());
    if (needs_gap) before.push_back(Line{});
    sections_.push_back(Section{section_name, {}});
    target = &sections_.back();
  }

  std::vector<Line>& lines = target->lines;
  std::size_t insert_at = lines.size();
  while (insert_at > 0 && is_blank_line(lines[insert_at - 1])) --insert_at;
  for (std::size_t i = lines.size(); i > 0; --i) {
    if (!lines[i - 1].key.empty()) {
      insert_at = i;
      break;
    }
  }
  Line line;
  line.key = key_name;
  line.value = std::move(clean);
  line.text = line.key + "=" + line.value;
  lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(insert_at),
               std::move(line));
}

void IniFile::WriteInteger(std::string_view section, std::string_view key,
                           int value) {
  WriteString(section, key, std::to_string(value));
}

void IniFile::WriteBool(std::string_view section, std::string_view key,
                        bool value) {
  WriteString(section, key, value ? "1" : "0");
}

void IniFile::WriteFloat(std::string_view section, std::string_view key,
                         double value) {
  // Shortest text that reads back to the same double, whatever the locale.
  char buffer[64];
  const auto [end, ec] = std::to_chars(buffer, buffer + sizeof(buffer), value);
  if (ec != std::errc()) return;
  WriteString(section, key, std::string_view(buffer, end - buffer));
}

bool IniFile::SectionExists(std::string_view section) const {
  return FindSection(section) != nullptr;
}

bool IniFile::ValueExists(std::string_view section,
                          std::string_view key) const {
  return Find(section, key) != nullptr;
}

std::vector<std::string> IniFile::Sections() const {
  std::vector<std::string> names;
  for (const Section& section : sections_) {
    const bool seen =
        std::any_of(names.begin(), names.end(), [&](const std::string& name) {
          return EqualsIgnoreCase(name, section.name);
        });
    if (!seen) names.push_back(section.name);
  }
  return names;
}

std::vector<std::string> IniFile::Keys(std::string_view section) const {
  std::vector<std::string> keys;
  const std::string wanted = Trim(section);
  for (const Section& s : sections_) {
    if (!EqualsIgnoreCase(s.name, wanted)) continue;
    for (const Line& line : s.lines) {
      if (line.key.empty()) continue;
      const bool seen =
          std::any_of(keys.begin(), keys.end(), [&](const std::string& key) {
            return EqualsIgnoreCase(key, line.key);
          });
      if (!seen) keys.push_back(line.key);
    }
  }
  return keys;
}

std::vector<std::string> IniFile::SectionValues(
    std::string_view section) const {
  std::vector<std::string> values;
  for (const std::string& key : Keys(section)) {
    values.push_back(key + "=" + Find(section, key)->value);
  }
  return values;
}

void IniFile::DeleteKey(std::string_view section, std::string_view key) {
  const std::string wanted_section = Trim(section);
  const std::string wanted_key = Trim(key);
  // Every copy goes, so that a later duplicate does not surface instead.
  for (Section& s : sections_) {
    if (!EqualsIgnoreCase(s.name, wanted_section)) continue;
    std::erase_if(s.lines, [&](const Line& line) {
      return !line.key.empty() && EqualsIgnoreCase(line.key, wanted_key);
    });
  }
}

void IniFile::EraseSection(std::string_view section) {
  const std::string wanted = Trim(section);
  std::erase_if(sections_, [&](const Section& s) {
    return EqualsIgnoreCase(s.name, wanted);
  });
}

// Sections that share a name read as one: the first copy of a key wins.
const IniFile::Line* IniFile::Find(std::string_view section,
                                   std::string_view key) const {
  const std::string wanted_section = Trim(section);
  const std::string wanted_key = Trim(key);
  if (wanted_key.empty()) return nullptr;
  for (const Section& s : sections_) {
    if (!EqualsIgnoreCase(s.name, wanted_section)) continue;
    for (const Line& line : s.lines) {
      if (!line.key.empty() && EqualsIgnoreCase(line.key, wanted_key)) {
        return &line;
      }
    }
  }
  return nullptr;
}

IniFile::Line* IniFile::Find(std::string_view section, std::string_view key) {
  return const_cast<Line*>(std::as_const(*this).Find(section, key));
}

IniFile::Section* IniFile::FindSection(std::string_view section) {
  return const_cast<Section*>(std::as_const(*this).FindSection(section));
}

const IniFile::Section* IniFile::FindSection(std::string_view section) const {
  const std::string wanted = Trim(section);
  for (const Section& s : sections_) {
    if (EqualsIgnoreCase(s.name, wanted)) return &s;
  }
  return nullptr;
}

}  // namespace almanix
