#include "desktop/word_lists.h"

#include <algorithm>

#include "app/dir.h"
#include "app/text.h"
#include "settings/galleries.h"
#include "settings/publish_editor.h"
#include "settings/publish_settings.h"

namespace almanix::desktop {
namespace {

using publish::TextFile;

TextFile FileOf(WordListId list) {
  switch (list) {
    case WordListId::kMonths:
      return TextFile::kMonths;
    case WordListId::kWeekdays:
      return TextFile::kWeekdays;
    case WordListId::kPhrases:
      return TextFile::kTranslate;
    default:
      return TextFile::kMacros;
  }
}

publish::WordList ListOf(const publish::PublishSettings& settings, TextFile file) {
  publish::WordList list;
  list.LoadFromText(settings.text_file(file));
  return list;
}

}  // namespace

std::string_view WordListTitle(WordListId list) {
  switch (list) {
    case WordListId::kMonths:
      return "Month names";
    case WordListId::kWeekdays:
      return "Weekday names";
    case WordListId::kPhrases:
      return "Translate";
    default:
      return "Macros";
  }
}

WordListForm::WordListForm(publish::PublishSettings& settings, WordListId list)
    : settings_(settings), id_(list), list_(ListOf(settings, FileOf(list))) {}

bool WordListForm::fixed_keys() const {
  return id_ == WordListId::kMonths || id_ == WordListId::kWeekdays;
}

Status WordListForm::SetRow(int row, std::string_view key, std::string_view value) {
  std::vector<publish::WordRow>& rows = list_.mutable_rows();
  if (row < 0 || row >= static_cast<int>(rows.size())) return Status::Invalid("no such row");
  if (fixed_keys()) {
    if (Trim(key) != Trim(rows[row].key)) {
      return Status::Invalid("The numbers of the " + std::string(WordListTitle(id_)) +
                             " stay as they are");
    }
    if (Trim(value).empty()) {
      return Status::Invalid(std::string(id_ == WordListId::kMonths ? "A month" : "A weekday") +
                             " needs a name");
    }
  }
  rows[row].key = std::string(key);
  rows[row].value = std::string(value);
  return Status::Ok();
}

Status WordListForm::AddRow() {
  if (fixed_keys()) return Status::Invalid("This list has one row for each month or day");
  list_.mutable_rows().push_back({});
  return Status::Ok();
}

Status WordListForm::RemoveRow(int row) {
  if (fixed_keys()) return Status::Invalid("This list has one row for each month or day");
  std::vector<publish::WordRow>& rows = list_.mutable_rows();
  if (row < 0 || row >= static_cast<int>(rows.size())) return Status::Invalid("no such row");
  rows.erase(rows.begin() + row);
  return Status::Ok();
}

void WordListForm::Apply() { settings_.set_text_file(FileOf(id_), list_.ToText()); }

std::vector<std::string> LanguageNames(const TDir& dir) {
  return publish::ListGallery(dir, publish::Gallery::kLanguages);
}

std::string LanguagePicture(const TDir& dir, std::string_view name) {
  return publish::EntryPreviewPath(dir, publish::Gallery::kLanguages, name);
}

Status SelectLanguage(publish::PublishEditor& editor, std::string_view name) {
  const publish::PublishEnvironment& env = editor.environment();
  if (env.dir == nullptr) return Status::Invalid("no language folder here");
  const std::vector<std::string> names = LanguageNames(*env.dir);
  const auto found = publish::FindEntry(names, name);
  if (!found) return Status::NotFound("There is no language " + std::string(name));
  publish::PublishSettings& s = editor.settings;
  publish::LanguageTexts texts;
  texts.mutable_months() = ListOf(s, TextFile::kMonths);
  texts.mutable_weekdays() = ListOf(s, TextFile::kWeekdays);
  texts.mutable_phrases() = ListOf(s, TextFile::kTranslate);
  const std::string holiday = texts.SelectLanguage(*env.dir, names[*found]);
  s.set_text_file(TextFile::kMonths, texts.months().ToText());
  s.set_text_file(TextFile::kWeekdays, texts.weekdays().ToText());
  s.set_text_file(TextFile::kTranslate, texts.phrases().ToText());
  s.SetText("Contents.Holiday", holiday);
  return Status::Ok();
}

}  // namespace almanix::desktop
