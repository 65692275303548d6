#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "app/status.h"
#include "settings/language_texts.h"

namespace almanix {
class TDir;
namespace publish {
class PublishEditor;
class PublishSettings;
}  // namespace publish
}  // namespace almanix

// The Format & Publish window's word lists without widgets: the language
// gallery, and one two-column editor per list (month names, weekday names,
// phrases, macros). A list is edited as rows and goes back into the
// favorite's text file, which is saved with the favorite.
namespace almanix::desktop {

enum class WordListId { kMonths, kWeekdays, kPhrases, kMacros };

// "Month names", "Weekday names", "Translate", "Macros".
std::string_view WordListTitle(WordListId list);

class WordListForm {
 public:
  // The rows of the favorite's list as the settings hold it now.
  WordListForm(publish::PublishSettings& settings, WordListId list);

  const std::vector<publish::WordRow>& rows() const { return list_.rows(); }
  // Month and weekday names have one row per month or day ("1" .. "12",
  // "1" (Sunday) .. "7"): their keys stay and no row is added or removed.
  bool fixed_keys() const;

  // One row typed into. A month or weekday name may not be blank (the pages
  // would show no name); a key of those lists cannot change.
  Status SetRow(int row, std::string_view key, std::string_view value);
  // A new empty row at the end (phrases and macros only).
  Status AddRow();
  Status RemoveRow(int row);

  // The rows into the favorite's text file.
  void Apply();

 private:
  publish::PublishSettings& settings_;
  WordListId id_;
  publish::WordList list_;
};

// The language gallery: the folders of LanguageDir with their picture.
std::vector<std::string> LanguageNames(const TDir& dir);
// The gallery picture of a language ("icon.bmp"); empty when there is none.
std::string LanguagePicture(const TDir& dir, std::string_view name);
// Clicking a language: its translate.txt, months.txt and weekdays.txt
// replace the favorite's phrases, month names and weekday names (the lists
// it lacks stay), and Contents.Holiday becomes the language's holiday set.
// NotFound when no such language is listed; nothing changes then.
Status SelectLanguage(publish::PublishEditor& editor, std::string_view name);

}  // namespace almanix::desktop
