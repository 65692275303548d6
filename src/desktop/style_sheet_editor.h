#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "app/status.h"
#include "generator/generator.h"
#include "settings/galleries.h"

namespace almanix {
class TDir;
class UiSeam;
namespace publish {
class PublishEditor;
}
}  // namespace almanix

// The style sheet editor ("Style Sheet Editor") without its window: one
// gallery entry's sheet (Style.css, tabs.css, ActionBar.css or
// eventlist.css) read, written back in place and previewed, and the gallery
// commands that open it or the entry's folder.
namespace almanix::desktop {

inline constexpr std::string_view kSaveChangesQuestion = "Save Changes?";
inline constexpr std::string_view kPleaseWaitText = "Please Wait .... ";

// The gallery a control of the Format & Publish window shows
// ("Publish.StyleName", "Publish.ShowMenu", "Publish.ActionBarIndex",
// "Publish.List"); nullopt for other controls.
std::optional<publish::Gallery> GalleryOfControl(std::string_view control);

class StyleSheetEditor {
 public:
  // `path` is the sheet of an entry of `gallery`; nothing is written
  // anywhere but over it. ui must outlive this.
  StyleSheetEditor(UiSeam& ui, publish::Gallery gallery, std::string path);

  // "Edit in Editor" / "Edit Style Sheet": the sheet of the entry the
  // control selects, or nullopt after the gallery's message (nothing
  // selected, no sheet).
  static std::optional<StyleSheetEditor> ForSelected(const TDir& dir, UiSeam& ui,
                                                     publish::Gallery gallery,
                                                     std::string_view selected);

  // "File: " + path.
  std::string Title() const;
  const std::string& path() const { return path_; }
  publish::Gallery gallery() const { return gallery_; }

  // Reads the sheet; a missing one shows "File not found " + path and
  // starts empty (false). The text is UTF-8 with "\n" line ends whatever
  // the file holds; a save writes the file's own encoding and line ends
  // back.
  bool Load();
  const std::string& text() const { return text_; }
  // Whether `shown` differs from the sheet as last read or saved.
  bool Changed(std::string_view shown) const { return shown != text_; }

  // Writes `shown` over the sheet (a temporary file renamed into place, so
  // a failure keeps the old file). Refused when the sheet's folder is gone
  // (it is not made again). A failure is shown with its cause.
  Status Save(std::string_view shown);

  // The preview tab: saves, regenerates the calendar into the build folder
  // and gives the page to show: the main page, or the event list
  // ("events.html") for an event-list sheet.
  Result<std::string> Preview(std::string_view shown, publish::PublishEditor& editor,
                              generator::GeneratorEnv env);

  // "&Save and Exit": true when saved, so the window may close.
  bool SaveAndExit(std::string_view shown);
  // "&Exit": a changed text asks "Save Changes?" (Yes/No); Yes saves. True
  // when the window may close (not after a failed save).
  bool Exit(std::string_view shown);

 private:
  UiSeam& ui_;
  publish::Gallery gallery_;
  std::string path_;
  std::string text_;
  bool crlf_ = true;     // the file's line ends; new files get CR LF
  bool cp1252_ = false;  // the file was Windows-1252, not UTF-8
};

}  // namespace almanix::desktop
