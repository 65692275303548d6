#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "app/status.h"
#include "generator/generator.h"
#include "settings/publish_settings.h"
#include "settings/style_library.h"

namespace almanix::publish {
class PublishEditor;
}

// The style editor ("Calendar Style Editor") without its window: the style
// being made, its Style.css written at once and at every preview, and the
// favorite narrowed to one month with no title, header, tabs or toolbar
// while the editor is open, so its preview shows just the style.
namespace almanix::desktop {

// The CSS blocks the editor offers, in the order of Style.css.
std::vector<std::string> StyleBlockNames();
// The block of that name ("Photo", "Canvas", "Table", "Month caption",
// "Weekdays", "Date", "Holidays", "Events"); null for another name.
publish::CssBlock* StyleBlock(publish::StyleCss& css, std::string_view name);

// The parts that may carry a background picture ("Page" and the blocks but
// the photo), in the order of Style.css.
std::vector<std::string> PictureParts();
// The [Backgrounds] entry of that part; null for another name.
std::string* PictureOf(publish::StyleInfo& info, std::string_view part);

class StyleEditorSession {
 public:
  // Sets the favorite's title, header, range, tabs and toolbar aside (the
  // range narrowed to its first month, tabs and toolbar off). The style
  // folder is StylesDir + draft.name, made by "Add New Style".
  StyleEditorSession(publish::PublishEditor& editor, publish::StyleLibrary::Draft draft);
  // Puts the favorite back as it was.
  ~StyleEditorSession();
  StyleEditorSession(const StyleEditorSession&) = delete;
  StyleEditorSession& operator=(const StyleEditorSession&) = delete;

  publish::StyleLibrary::Draft& draft() { return draft_; }
  publish::PublishEditor& editor() { return editor_; }
  // The folder the style is written into while the editor is open (a
  // changed name is taken when it closes).
  std::string Folder() const;
  // The whole Style.css as it will be written.
  std::string SheetText() const;

  // A part's background picture or a month's photo (1..12): the file is
  // copied into the style's folder under its own name (replacing one of
  // that name there) and the sheet names it. An empty source takes the
  // picture off (its file stays). Nothing is written outside the folder: a
  // source that is not a readable file is refused.
  Status SetPicture(std::string_view part, const std::string& source);
  Status SetMonthPhoto(int month, const std::string& source);

  // Writes Style.css, then generates the preview calendar with this style
  // into the build folder in the "style editor open" state (no events;
  // the scroller shows its samples). Ok with the main page's path.
  Result<std::string> Preview(generator::GeneratorEnv env);

 private:
  // Copies the picture into the folder; its file name, or empty to clear.
  Result<std::string> TakePicture(const std::string& source) const;

  publish::PublishEditor& editor_;
  publish::StyleLibrary::Draft draft_;
  std::string folder_name_;
  publish::PublishSettings saved_settings_;
  publish::PublishWindowState saved_window_;
};

}  // namespace almanix::desktop
