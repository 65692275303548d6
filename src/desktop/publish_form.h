#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "app/status.h"
#include "settings/galleries.h"
#include "settings/style_library.h"

namespace almanix::publish {
class PublishEditor;
struct TickList;
}  // namespace almanix::publish

// The Format & Publish window's form without widgets: which control edits
// each setting and on which page it sits, read from the settings table, and
// every change passed through PublishEditor so that the window's control
// rules run in the core. The window builds one widget per field and, after
// any change, reads every value back (a rule may have moved others).
namespace almanix::desktop {

enum class ControlKind {
  kCheck,      // check box: "1" or "0"
  kList,       // fixed items
  kOpenList,   // items offered, any text kept
  kSpin,       // whole number
  kReal,       // decimal number
  kColour,     // "#RRGGBB" with a colour picker
  kText,       // one line
  kPassword,   // one line, hidden
  kTemplate,   // a text file of the favorite, many lines
  kGallery,    // an entry of a style library folder, by name
  kSlider,     // the calendar size slider, 0..10
};

// One control. name is "Section.Key" for a key of conf.ini; the window's
// own controls and the text files have names of their own ("Embed.Iframe",
// "Window.QuickPreview", "Text.header.txt", "Size.Slider").
struct FormField {
  std::string name;
  std::string label;
  ControlKind kind;
  std::vector<std::string> items;  // kList, kOpenList, kGallery
};

enum class FormPageId { kContent, kLook, kEvents, kTexts, kEmbed, kFeeds, kDestination };

struct FormPage {
  FormPageId id;
  std::string title;
  std::vector<FormField> fields;
};

// The style library's commands on the look page.
enum class StyleCommand { kRename, kDelete, kExport, kImport };

// The window's tick lists on the content page.
enum class TickListId { kCategories, kMonths, kYears };

class PublishForm {
 public:
  // editor must outlive the form.
  explicit PublishForm(publish::PublishEditor& editor);

  const std::vector<FormPage>& pages() const { return pages_; }
  const FormField* Find(std::string_view name) const;

  // The value as its control shows it: "1"/"0" for check boxes, the item
  // for lists and galleries (a month name for the range months), the number
  // as text, the whole text of a template.
  std::string Value(std::string_view name) const;
  // A person's change of one control, through the editor's rule for it.
  // Invalid when the text does not fit the key, or the rule refused it (the
  // editor has said why); other values may have changed either way.
  Status Change(std::string_view name, std::string_view text);
  // Whether the control is shown now (the Page.Insert option with "paste"
  // ticked, the icon captions at the smallest size).
  bool Shown(std::string_view name) const;
  // The picture a gallery control shows for its selected entry (the style's
  // snapshot.bmp, the tabs', toolbar's or list's preview); empty for other
  // controls and entries without one.
  std::string PreviewPicture(std::string_view name) const;
  // The label beside the size slider.
  std::string SizeLabel() const;

  const publish::TickList& Ticks(TickListId list) const;
  void SetTick(TickListId list, int position, bool ticked);

  // The page's buttons.
  void AutoFillRss();
  void StandardSize();
  void ClearEmbed();
  bool ResetSettings();
  Status ResetFormatting();
  // The logo and page background pickers: the picked file is copied as
  // "logo" or "Page" into the build and favorite folders (the logo's name
  // into Page.Logo); Clear removes the favorite's copies.
  Status PickPicture(bool logo, const std::string& source);
  void ClearPicture(bool logo);
  // Runs a style library command on the selected style (asking through the
  // editor's seam), then lists the styles again: a renamed or imported style
  // is the selection, a deleted one gives way to the first.
  Status RunStyleCommand(StyleCommand command);
  // "Add New Style": the library makes the style under its proposed name
  // and runs `edit` (the style editor) on it, asks whether to keep it, then
  // the styles are listed again and a kept style is selected and applied.
  Result<std::string> AddStyle(const publish::StyleLibrary::Editor& edit);

  // More items offered by a list that keeps any text (the FTP folders the
  // server suggests); items already offered are not repeated.
  void OfferItems(std::string_view name, const std::vector<std::string>& items);

  // Bumped by every change, so a caller can tell whether to regenerate.
  int revision() const { return revision_; }

  publish::PublishEditor& editor() { return editor_; }

 private:
  void Build();
  // The library's styles into the window's list, its selection kept.
  void ListStyles(publish::StyleLibrary& library);
  std::vector<std::string> GalleryItems(publish::Gallery gallery) const;

  publish::PublishEditor& editor_;
  std::vector<FormPage> pages_;
  int revision_ = 0;
};

// The page a key of conf.ini belongs on.
FormPageId PageOfSetting(std::string_view section, std::string_view key);
// The control of a key of conf.ini: a colour box for a text whose default is
// "#RRGGBB", a gallery for the gallery positions and the style name.
ControlKind ControlOfSetting(int index);

}  // namespace almanix::desktop
