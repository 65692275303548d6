#include "settings/galleries.h"

#include "app/comma_text.h"
#include "app/dir.h"
#include "app/file_util.h"
#include "app/text.h"

namespace almanix::publish {
namespace {

// Whether a folder without its preview is left out of the gallery.
bool PreviewRequired(Gallery gallery) {
  return gallery == Gallery::kActionBars || gallery == Gallery::kEventStyles ||
         gallery == Gallery::kLanguages;
}

// The name part a gallery refuses: style sheets lying beside the tab and
// toolbar folders, settings files beside the event styles.
std::string_view SkippedNamePart(Gallery gallery) {
  switch (gallery) {
    case Gallery::kTabs:
    case Gallery::kActionBars:
      return ".css";
    case Gallery::kEventStyles:
      return ".ini";
    default:
      return {};
  }
}

std::optional<int> InRange(const std::vector<std::string>& entries,
                           std::optional<int> index) {
  if (!index || *index < 0 || *index >= static_cast<int>(entries.size())) {
    return std::nullopt;
  }
  return index;
}

}  // namespace

std::string GalleryFolder(const TDir& dir, Gallery gallery) {
  switch (gallery) {
    case Gallery::kStyles:
      return WithTrailingSlash(dir.StylesDir);
    case Gallery::kTabs:
      return WithTrailingSlash(dir.TabsDir);
    case Gallery::kActionBars:
      return WithTrailingSlash(dir.ActionBarDir);
    case Gallery::kLists:
      return WithTrailingSlash(dir.ListsDir);
    case Gallery::kEventStyles:
      return WithTrailingSlash(dir.EventStylesDir);
    case Gallery::kLanguages:
      return WithTrailingSlash(dir.LanguageDir);
  }
  return {};
}

std::vector<std::string> ListGallery(const TDir& dir, Gallery gallery) {
  const std::string folder = GalleryFolder(dir, gallery);
  std::vector<std::string> entries;
  if (folder.empty()) return entries;
  const std::string_view skipped = SkippedNamePart(gallery);
  for (std::string& name :
       SplitCommaText(TDir::ListSubfolders(folder, "*"))) {
    if (!skipped.empty() && name.find(skipped) != std::string::npos) continue;
    if (PreviewRequired(gallery) &&
        !FileExists(folder + name + "/" + std::string(PreviewFileName(gallery)))) {
      continue;
    }
    if (gallery == Gallery::kLists) name = ReplaceAll(name, ".css", "");
    if (name.empty()) continue;  // a folder named ".css" names no list style
    entries.push_back(std::move(name));
  }
  return entries;
}

std::optional<int> FindEntry(const std::vector<std::string>& entries,
                             std::string_view name) {
  for (size_t i = 0; i < entries.size(); ++i) {
    if (EqualsIgnoreCase(entries[i], name)) return static_cast<int>(i);
  }
  return std::nullopt;
}

std::string_view DefaultEntryName(Gallery gallery) {
  switch (gallery) {
    case Gallery::kTabs:
      return "tabs - dark black";
    case Gallery::kActionBars:
      return "ActionBar - Default";
    case Gallery::kEventStyles:
      return "EventStyle - Default";
    case Gallery::kLanguages:
      return "English";
    default:
      return {};
  }
}

std::optional<int> SelectByName(const std::vector<std::string>& entries,
                                std::string_view name,
                                std::optional<int> current) {
  if (auto found = FindEntry(entries, name)) return found;
  return InRange(entries, current);
}

std::optional<int> SelectAfterListing(Gallery gallery,
                                      const std::vector<std::string>& entries,
                                      std::optional<int> current,
                                      std::string_view style_name) {
  current = InRange(entries, current);
  switch (gallery) {
    case Gallery::kStyles:
      return SelectByName(entries, style_name, current);
    case Gallery::kTabs:
      if (current) return current;
      return FindEntry(entries, DefaultEntryName(gallery));
    case Gallery::kLists:
      if (current) return current;
      if (entries.empty()) return std::nullopt;
      return 0;
    case Gallery::kActionBars:
    case Gallery::kEventStyles:
    case Gallery::kLanguages:
      return SelectByName(entries, DefaultEntryName(gallery), current);
  }
  return current;
}

std::string_view PreviewFileName(Gallery gallery) {
  switch (gallery) {
    case Gallery::kStyles:
      return "snapshot.bmp";
    case Gallery::kTabs:
      return "tab.bmp";
    case Gallery::kActionBars:
      return "actionbar.bmp";
    case Gallery::kLists:
      return "list.bmp";
    case Gallery::kEventStyles:
      return "event.bmp";
    case Gallery::kLanguages:
      return "icon.bmp";
  }
  return {};
}

std::string_view SheetFileName(Gallery gallery) {
  switch (gallery) {
    case Gallery::kStyles:
      return "Style.css";
    case Gallery::kTabs:
      return "tabs.css";
    case Gallery::kActionBars:
      return "ActionBar.css";
    case Gallery::kLists:
      return "eventlist.css";
    case Gallery::kEventStyles:
      return "estyle.ini";
    case Gallery::kLanguages:
      return {};
  }
  return {};
}

std::string EntryFolder(const TDir& dir, Gallery gallery, std::string_view name) {
  if (name.empty()) return {};
  return GalleryFolder(dir, gallery) + std::string(name) + "/";
}

std::string EntrySheetPath(const TDir& dir, Gallery gallery,
                           std::string_view name) {
  const std::string_view sheet = SheetFileName(gallery);
  if (name.empty() || sheet.empty()) return {};
  return EntryFolder(dir, gallery, name) + std::string(sheet);
}

std::string EntryPreviewPath(const TDir& dir, Gallery gallery,
                             std::string_view name) {
  if (!name.empty()) {
    std::string preview =
        EntryFolder(dir, gallery, name) + std::string(PreviewFileName(gallery));
    if (FileExists(preview)) return preview;
  }
  if (gallery == Gallery::kStyles) {
    // Files from the Windows program may spell it "Calendar.bmp".
    std::string fallback = FindNoCase(WithTrailingSlash(dir.ConfigDir), "calendar.bmp");
    if (!fallback.empty() && FileExists(fallback)) return fallback;
  }
  return {};
}

}  // namespace almanix::publish
