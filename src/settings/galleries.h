#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace almanix {
class TDir;
}  // namespace almanix

// The six galleries of the style library: each entry is a folder of its
// gallery's library folder, named after the entry, with a small preview
// picture and (except languages) a style sheet in it.
namespace almanix::publish {

enum class Gallery { kStyles, kTabs, kActionBars, kLists, kEventStyles, kLanguages };

// The library folder of the gallery (StylesDir, TabsDir, ActionBarDir,
// ListsDir, EventStylesDir, LanguageDir), with its trailing "/".
std::string GalleryFolder(const TDir& dir, Gallery gallery);

// The entry names as the window lists them: the subfolders of the library
// folder sorted by name without regard to case (so positions stored in the
// publish settings are the same on every machine). Month tabs and toolbars
// skip names containing ".css", event styles names containing ".ini"; event
// lists show each name with every ".css" removed; toolbars, event styles and
// languages leave out folders without their preview picture. A missing
// library folder lists nothing.
std::vector<std::string> ListGallery(const TDir& dir, Gallery gallery);

// The position of the entry named `name` (without regard to case), or
// nullopt when there is none.
std::optional<int> FindEntry(const std::vector<std::string>& entries,
                             std::string_view name);

// The entry a gallery selects by name after listing when the window has
// chosen nothing else: "tabs - dark black", "ActionBar - Default",
// "EventStyle - Default", "English". Empty for styles (selected by the
// settings' style name) and event lists (the first entry).
std::string_view DefaultEntryName(Gallery gallery);

// The selection after (re)listing the gallery. `current` is what was
// selected before (dropped when out of range). Styles select `style_name`
// when listed, else keep `current` (SelectedStyle falls back to the first
// with its message); month tabs keep `current`, else take their default;
// event lists keep `current`, else take the first entry; toolbars, event
// styles and languages take their default entry when it is listed, else
// keep `current`. A name that is not listed leaves the selection as it was.
std::optional<int> SelectAfterListing(Gallery gallery,
                                      const std::vector<std::string>& entries,
                                      std::optional<int> current,
                                      std::string_view style_name = {});

// Selecting by name: the entry's position, or `current` when no entry has
// the name.
std::optional<int> SelectByName(const std::vector<std::string>& entries,
                                std::string_view name,
                                std::optional<int> current);

// The preview picture's file name in an entry folder ("snapshot.bmp",
// "tab.bmp", "actionbar.bmp", "list.bmp", "event.bmp", "icon.bmp").
std::string_view PreviewFileName(Gallery gallery);
// The style sheet's file name in an entry folder ("Style.css", "tabs.css",
// "ActionBar.css", "eventlist.css", "estyle.ini"); empty for languages.
std::string_view SheetFileName(Gallery gallery);

// GalleryFolder + name + "/"; empty when the name is empty.
std::string EntryFolder(const TDir& dir, Gallery gallery, std::string_view name);
// EntryFolder + the sheet's file name; empty when the name is empty (nothing
// selected) and for languages, which have no sheet.
std::string EntrySheetPath(const TDir& dir, Gallery gallery,
                           std::string_view name);
// The picture the gallery shows for an entry: its preview file; for a style
// without "snapshot.bmp", "calendar.bmp" of ConfigDir. Empty when neither
// exists.
std::string EntryPreviewPath(const TDir& dir, Gallery gallery,
                             std::string_view name);

}  // namespace almanix::publish
