#include "settings/language_texts.h"

#include <array>
#include <cstdint>
#include <cstring>

#include "app/dir.h"
#include "app/encoding.h"
#include "app/file_util.h"
#include "app/text.h"

namespace almanix::publish {
namespace {

constexpr char kBuiltInKept[] = "the rows already held stay";

constexpr std::array<const char*, 12> kEnglishMonths = {
    "January", "February", "March",     "April",   "May",      "June",
    "July",    "August",   "September", "October", "November", "December"};
constexpr std::array<const char*, 7> kEnglishWeekdays = {
    "Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};

// A byte matches a key's byte without regard to case when, with the key's
// fold bit set, it equals the key's byte: 0x20 for a lower-case letter
// (which adds exactly its upper-case twin), none for anything else.
unsigned char FoldBit(char lower) { return lower >= 'a' && lower <= 'z' ? 0x20 : 0; }

bool MatchesAt(std::string_view text, size_t at, std::string_view lower_key) {
  for (size_t i = 0; i < lower_key.size(); ++i) {
    const char c = lower_key[i];
    if (static_cast<char>(text[at + i] | FoldBit(c)) != c) return false;
  }
  return true;
}

// Where `lower_key` (lower case, not empty) first stands in text at or
// after `from`, ASCII letters matched without regard to case; npos when
// nowhere. Sixteen places are tried at once on the key's first and last
// byte, and only places where both fit are compared whole: the text is
// neither lowered into a copy nor stopped at every "c" of "calendar".
size_t FindIgnoringCase(std::string_view text, std::string_view lower_key, size_t from) {
  using Block = unsigned char __attribute__((vector_size(16)));
  constexpr size_t kWidth = sizeof(Block);
  if (lower_key.size() > text.size()) return std::string_view::npos;
  const size_t last_start = text.size() - lower_key.size();
  const size_t tail = lower_key.size() - 1;
  const unsigned char first = lower_key.front(), last = lower_key.back();
  const unsigned char first_fold = FoldBit(lower_key.front());
  const unsigned char last_fold = FoldBit(lower_key.back());
  size_t at = from;
  for (; at + kWidth - 1 <= last_start; at += kWidth) {
    Block head, end;
    std::memcpy(&head, text.data() + at, kWidth);
    std::memcpy(&end, text.data() + at + tail, kWidth);
    const Block both = ((head | first_fold) == first) & ((end | last_fold) == last);
    std::uint64_t halves[2];
    std::memcpy(halves, &both, kWidth);
    if ((halves[0] | halves[1]) == 0) continue;
    for (size_t i = 0; i < kWidth; ++i) {
      if (both[i] && MatchesAt(text, at + i, lower_key)) return at + i;
    }
  }
  for (; at <= last_start; ++at) {
    if (MatchesAt(text, at, lower_key)) return at;
  }
  return std::string_view::npos;
}

// The short form shared by month names and file-name words.
std::string ShortForm(const std::string& value, std::string_view form) {
  if (form == "Long" || Utf8Length(value) <= 3) return value;
  return Utf8Left(value, 3);
}

// Reads one file into `target` when it is there. NotFound is returned only
// for a missing file that is required.
Status LoadOne(const std::string& folder, std::string_view name, bool required,
               std::string* target) {
  std::string path = WithTrailingSlash(folder) + std::string(name);
  Result<std::string> bytes = ReadFileBytes(path);
  if (!bytes.ok()) {
    if (bytes.status().code() == Status::Code::kNotFound && !required) {
      return Status::Ok();
    }
    return bytes.status();
  }
  *target = JoinLines(SplitLines(DecodeText(bytes.value())));
  return Status::Ok();
}

Status LoadList(const std::string& folder, std::string_view name, bool required,
                WordList* target) {
  Result<WordList> list = ReadWordList(WithTrailingSlash(folder) + std::string(name));
  if (!list.ok()) {
    if (list.status().code() == Status::Code::kNotFound && !required) {
      return Status::Ok();
    }
    return list.status();
  }
  *target = std::move(list.value());
  return Status::Ok();
}

}  // namespace

// ---- WordList ----

void WordList::LoadFromText(std::string_view bytes) {
  rows_.clear();
  for (const std::string& line : SplitLines(DecodeText(bytes))) {
    size_t eq = line.find('=');
    if (eq == std::string::npos) {
      rows_.push_back({line, ""});
    } else {
      rows_.push_back({line.substr(0, eq), line.substr(eq + 1)});
    }
  }
}

std::string WordList::ToText() const {
  std::vector<std::string> lines;
  lines.reserve(rows_.size());
  for (const WordRow& row : rows_) {
    if (row.key.empty() && row.value.empty()) {
      lines.emplace_back();
    } else {
      // A line break inside a cell would split the row on the next load.
      lines.push_back(ReplaceAll(ReplaceAll(row.key + "=" + row.value, "\r", " "),
                                 "\n", " "));
    }
  }
  return JoinLines(lines);
}

std::string WordList::Value(std::string_view key) const {
  const std::string wanted = Trim(key);
  for (const WordRow& row : rows_) {
    if (EqualsIgnoreCase(Trim(row.key), wanted)) return row.value;
  }
  return {};
}

void WordList::SetValue(std::string_view key, std::string_view value) {
  const std::string wanted = Trim(key);
  for (WordRow& row : rows_) {
    if (EqualsIgnoreCase(Trim(row.key), wanted)) {
      row.value = std::string(value);
      return;
    }
  }
  rows_.push_back({std::string(key), std::string(value)});
}

Result<WordList> ReadWordList(const std::string& path) {
  Result<std::string> bytes = ReadFileBytes(path);
  if (!bytes.ok()) return bytes.status();
  WordList list;
  list.LoadFromText(bytes.value());
  return list;
}

Status WriteWordList(const std::string& path, const WordList& list) {
  return WriteFileAtomically(path, list.ToText());
}

// ---- Defaults ----

WordList DefaultMonthNames() {
  std::vector<WordRow> rows;
  for (size_t i = 0; i < kEnglishMonths.size(); ++i) {
    rows.push_back({std::to_string(i + 1), kEnglishMonths[i]});
  }
  return WordList(std::move(rows));
}

WordList DefaultWeekdayNames() {
  std::vector<WordRow> rows;
  for (size_t i = 0; i < kEnglishWeekdays.size(); ++i) {
    rows.push_back({std::to_string(i + 1), kEnglishWeekdays[i]});
  }
  return WordList(std::move(rows));
}

WordList DefaultPhrases() {
  std::vector<WordRow> rows;
  for (const char* phrase :
       {"Calendar View", "Calendar", "Events", "Event List", "Go back", "iCal",
        "List View", "updated", "Print", "RSS", "Location"}) {
    rows.push_back({phrase, phrase});
  }
  return WordList(std::move(rows));
}

WordList DefaultMacros() { return WordList({{"Calendar 1", ""}, {"", ""}}); }

std::string HolidaySetForLanguage(std::string_view language) {
  if (EqualsIgnoreCase(language, "American")) return "US";
  if (EqualsIgnoreCase(language, "Canadien")) return "Canada";
  return "None";
}

// ---- LanguageTexts ----

LanguageTexts::LanguageTexts()
    : months_(DefaultMonthNames()),
      weekdays_(DefaultWeekdayNames()),
      file_names_(DefaultMonthNames()),
      phrases_(DefaultPhrases()),
      macros_(DefaultMacros()) {}

std::string LanguageTexts::MonthName(int n, std::string_view form) const {
  return ShortForm(months_.Value(std::to_string(n)), form);
}

std::string LanguageTexts::WeekdayName(int n, std::string_view form) const {
  std::string value = weekdays_.Value(std::to_string(n));
  if (form == "Long" || Utf8Length(value) <= 3) return value;
  return Utf8Left(value, form == "Tiny" ? 1 : 3);
}

std::string LanguageTexts::FileNameWord(int n, std::string_view form) const {
  return ShortForm(file_names_.Value(std::to_string(n)), form);
}

std::string LanguageTexts::Translate(std::string_view phrase) const {
  const std::vector<WordRow>& rows = phrases_.rows();
  for (auto it = rows.rbegin(); it != rows.rend(); ++it) {
    if (EqualsIgnoreCase(it->key, phrase)) return it->value;
  }
  return std::string(phrase);
}

std::string LanguageTexts::ExpandMacros(std::string_view text) const {
  std::string out(text);
  ExpandMacrosIn(&out);
  return out;
}

void LanguageTexts::ExpandMacrosIn(std::string* text) const {
  if (TrimView(*text).empty()) return;
  // Each row replaces every match of its key, found without regard to case,
  // left to right in what the rows before it made; its value is not searched
  // again by itself. A row without a match costs a search and no copy: a
  // year's list day is long and most rows match nothing.
  std::string next;
  for (const WordRow& row : macros_.rows()) {
    // An empty key would match everywhere and never finish.
    if (row.key.empty()) continue;
    const std::string key = ToLower(row.key);
    size_t hit = FindIgnoringCase(*text, key, 0);
    if (hit == std::string::npos) continue;
    next.clear();
    size_t pos = 0;
    for (; hit != std::string::npos; hit = FindIgnoringCase(*text, key, pos)) {
      next.append(*text, pos, hit - pos).append(row.value);
      pos = hit + key.size();
    }
    next.append(*text, pos, std::string::npos);
    text->swap(next);
  }
}

Status LanguageTexts::LoadFromFolder(const std::string& folder,
                                     bool stop_at_missing_required) {
  struct Part {
    std::string_view file;
    bool required;
    WordList* list;
  };
  for (const Part& part : {Part{kMacrosFile, true, &macros_},
                           Part{kMonthsFile, true, &months_},
                           Part{kFileNamesFile, false, &file_names_},
                           Part{kWeekdaysFile, true, &weekdays_},
                           Part{kPhrasesFile, true, &phrases_}}) {
    Status s = LoadList(folder, part.file,
                        part.required && stop_at_missing_required, part.list);
    if (!s.ok()) return s;
  }
  return Status::Ok();
}

Status LanguageTexts::SaveToFolder(const std::string& folder) const {
  const std::string base = WithTrailingSlash(folder);
  for (const auto& [file, list] :
       {std::pair{kMacrosFile, &macros_}, std::pair{kMonthsFile, &months_},
        std::pair{kFileNamesFile, &file_names_},
        std::pair{kWeekdaysFile, &weekdays_}, std::pair{kPhrasesFile, &phrases_}}) {
    Status s = WriteWordList(base + std::string(file), *list);
    if (!s.ok()) return s;
  }
  return Status::Ok();
}

std::string LanguageTexts::SelectLanguage(const TDir& dir, std::string_view name) {
  if (!name.empty()) {
    const std::string folder = WithTrailingSlash(dir.LanguageDir) + std::string(name);
    // A language holds only some of the files; the rest keep their rows. A
    // file that cannot be read is left out the same way.
    IgnoreResult(LoadList(folder, kPhrasesFile, false, &phrases_), kBuiltInKept);
    IgnoreResult(LoadList(folder, kMonthsFile, false, &months_), kBuiltInKept);
    IgnoreResult(LoadList(folder, kWeekdaysFile, false, &weekdays_), kBuiltInKept);
  }
  return HolidaySetForLanguage(name);
}

void LanguageTexts::SetWeekdayNames(const std::vector<std::string>& names) {
  for (size_t i = 0; i < names.size() && i < 7; ++i) {
    weekdays_.SetValue(std::to_string(i + 1), names[i]);
  }
}

// ---- StyleTexts ----

namespace {

struct TextPart {
  std::string_view file;
  bool required;
  std::string StyleTexts::*field;
};

constexpr std::array<TextPart, 7> kTextParts = {{
    {"title.txt", true, &StyleTexts::title},
    {"header.txt", true, &StyleTexts::header},
    {"year_header.txt", false, &StyleTexts::year_header},
    {"below_title.txt", false, &StyleTexts::below_title},
    {"footer.txt", true, &StyleTexts::footer},
    {"caption.txt", false, &StyleTexts::caption},
    {"head.txt", false, &StyleTexts::head},
}};

}  // namespace

Status LoadStyleTexts(const std::string& folder, bool stop_at_missing_required,
                      StyleTexts* texts) {
  for (const TextPart& part : kTextParts) {
    Status s = LoadOne(folder, part.file, part.required && stop_at_missing_required,
                       &(texts->*part.field));
    if (!s.ok()) return s;
  }
  return Status::Ok();
}

Status SaveStyleTexts(const std::string& folder, const StyleTexts& texts) {
  const std::string base = WithTrailingSlash(folder);
  for (const TextPart& part : kTextParts) {
    Status s = WriteFileAtomically(base + std::string(part.file), texts.*part.field);
    if (!s.ok()) return s;
  }
  return Status::Ok();
}

Status LoadWindowDefaults(const TDir& dir, StyleTexts* texts,
                          LanguageTexts* language) {
  Status s = LoadStyleTexts(dir.ConfigDir, false, texts);
  if (s.ok()) s = language->LoadFromFolder(dir.ConfigDir, false);
  if (s.ok()) return s;
  return Status::IoError(
      "Error when loadding either title,header,footer,caption,head,months,"
      "weehdays,phrases text file " +
      s.message());
}

}  // namespace almanix::publish
