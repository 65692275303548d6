#pragma once

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/status.h"
#include "settings/galleries.h"

namespace almanix {
class TDir;
class UiSeam;
}  // namespace almanix

// The style library: named styles in StylesDir, each a folder whose
// "Style.css" is both the calendar's style sheet and, inside its leading
// comment, an INI document with the style's pictures, cell colours and its
// coupling to the other galleries. Also the smaller per-gallery operations
// of the Format & Publish window that need no window state.
namespace almanix::publish {

// ---- The INI part of Style.css ----

// Every key of the [Backgrounds], [Photos] and [Special] sections, as text
// the way the style editor wrote it. Missing keys read as the defaults below.
struct StyleInfo {
  // [Backgrounds]: picture file names, empty when the part has none.
  std::string bg_page, bg_canvas, bg_table, bg_caption, bg_weekday, bg_date,
      bg_event, bg_holiday;
  std::string caption_height = "1";  // number of <br> in the month caption

  // [Photos]
  std::string photo_width;   // with its unit, e.g. "300px"
  std::string photo_height;  // with its unit
  bool photo_tile = false;       // the photo fills the caption background
  bool photo_captioned = false;  // the photo already shows the month name
  std::array<std::string, 12> month_photos;  // January first
  // "BelowCaption" puts the photo after the caption text; anything else
  // (written as "AboveCaption") before it.
  std::string photo_position;

  // [Special] cell colours, empty when not set.
  std::string no_date_cell, empty_cell;
  std::array<std::string, 7> weekday_colors;  // Sunday first
  std::string date_format;  // "Long"; anything else means short names

  // [Special] coupling, added by "Save Template"; empty when absent.
  std::string menu_style, action_bar_style, list_style;
  std::string calendar_width;  // absent or "0": the style carries no coupling
  std::string calendar_width_units;
  std::string menu_font_size;
  std::string calendar_type = "Calendar";  // or "EventList"

  bool operator==(const StyleInfo&) const = default;
};

// The INI keys of the background pictures, in layout order, and the matching
// fields.
struct BackgroundPicture {
  std::string_view key;  // "bgPage" ..
  std::string file;
};
std::vector<BackgroundPicture> BackgroundPictures(const StyleInfo& info);

// Reads the INI part of a Style.css text (the whole file read as INI; CSS
// lines are not key lines and are passed over).
StyleInfo StyleInfoFromText(std::string_view bytes);
// A missing or unreadable Style.css reads as the defaults.
StyleInfo ReadStyleInfo(const std::string& sheet_path);

// ---- The CSS part of Style.css ----

struct CssFont {
  std::string family = "Arial";
  int size_pt = 10;
  std::string weight = "normal";
  std::string style = "normal";
  std::string color = "#000000";
  std::string decoration = "none";
  bool operator==(const CssFont&) const = default;
};

struct CssBorder {
  std::string color = "#000000";
  int width_pt = 0;
  std::string style = "none";
  bool operator==(const CssBorder&) const = default;
};

// The property values of one rule; each rule uses the fields its selector
// documents (see StyleSheetText).
struct CssBlock {
  CssFont font;
  CssBorder border;
  std::string align = "center";
  std::string background_color = "#FFFFFF";
  bool transparent = false;
  std::string width = "100%";  // number and unit (canvas and table)
  std::string margin = "0px";  // number and unit
  int width_px = 0;    // photo
  int height_px = 0;   // photo
  int padding_px = 2;  // events
  bool vertical = false;  // month caption written top to bottom
  bool operator==(const CssBlock&) const = default;
};

struct StyleCss {
  std::string page_color = "#FFFFFF";  // Body background colour
  std::string page_align = "center";   // Body text-align: the canvas alignment
  CssBlock photo, canvas, table, caption, weekdays, date, holidays, events;
  CssFont link, visited, active, hover;
  bool operator==(const StyleCss&) const = default;
};

// The whole Style.css in the style editor's layout: "<style
// type="text/css">", the INI part in a comment, the CSS rules, "</style>";
// CR LF line ends.
std::string StyleSheetText(const StyleInfo& info, const StyleCss& css);
Status WriteStyleSheet(const std::string& path, const StyleInfo& info,
                       const StyleCss& css);

// ---- Coupling to the other galleries ----

// What applying a style means for the publish settings. `coupled` is false
// when the style's CalendarWidth is absent, empty or "0": then applying it
// changes only the style selection.
struct StyleCoupling {
  bool coupled = false;
  std::string menu_style;        // select in the month-tab gallery
  std::string action_bar_style;  // select in the toolbar gallery
  std::string list_style;        // select in the event-list gallery
  std::string menu_font_size = "7";
  std::string calendar_width = "97";
  std::string calendar_width_units = "%";
  int day_row_height = 3;
  std::string list_style_name;  // goes into the event-list style name field
};
StyleCoupling CouplingOf(std::string_view style_name, const StyleInfo& info);

// The values "Save Template" couples a style with: the current text of the
// window's controls.
struct CouplingValues {
  std::string menu_style, action_bar_style, list_style, calendar_width,
      calendar_width_units, menu_font_size;
};
// Writes MenuStyle, ActionBarStyle, ListStyle, CalendarWidth,
// CalendarWidthUnits and MenuFontSize into [Special] of the sheet, in that
// order. Keys already there are updated in place; new ones go to the end of
// the section inside the comment, so they never land among the CSS rules.
// Nothing is written when the sheet does not exist (NotFound).
Status WriteCoupling(const std::string& sheet_path, const CouplingValues& values);

// ---- Pictures for the output ----

// Copies the style's pictures into the output folder, overwriting: each
// background picture from the style folder or else BackgroundsDir; each
// month photo from the first of the style folder, PhotosDir and the four
// photo sets that has it. Names are found without regard to case and
// written under the name the style gives. Pictures found nowhere, and names
// that are not plain file names, are skipped. Returns the names copied.
std::vector<std::string> CopyStylePictures(const TDir& dir,
                                           std::string_view style_name,
                                           const std::string& output_folder);

// ---- Event styles (estyle.ini, section Formatting) ----

struct EventFormatting {
  bool event_location = false;           // EventLocation
  std::string event_email;               // EventEmail
  std::string event_seperator = "\u2022";  // EventSeperator
  std::string time_seperator = "none";   // TimeSeperator
  std::string date_format = "mmmm d";    // DateFormat
  std::string time_format = "h:mm ampm";  // TimeFormat
  std::string target = "_blank";         // Target
  bool underline_links = false;          // UnderlineLinks
  bool time_on_new_line = true;          // TimeOnNewLine
  bool event_date_show = false;          // EventDateShow
  bool date_time_below = true;           // DateTimeBelow
  bool eventname_bold = true;            // EventnameBold
  std::string event_font_color = "#0000FF";  // EventFontColor
  int event_font_size = 8;               // EventFontSzie
  bool event_underline = true;           // EventUnderline
  std::string event_font_weight = "Normal";  // EventFontWeight
  std::string event_font_family = "Arial";   // EventFontFamily
  std::string event_popup_color = "#FCFFE0";  // EventPopUpColor
  std::string date_font_color = "#0000FF";    // DateFontColor
  int date_font_size = 7;                     // DateFontSzie
  std::string date_font_weight = "Normal";    // DateFontWeight
  std::string date_font_family = "Arial";     // DateFontFamily
  std::string date_font_style = "Normal";     // DateFontStyle
  bool operator==(const EventFormatting&) const = default;
};

// Reads estyle.ini into `formatting`; keys the file lacks keep the values
// passed in. NotFound when the file is missing.
Status ReadEventStyle(const std::string& path, EventFormatting* formatting);
// Writes every key, creating the folder.
Status WriteEventStyle(const std::string& path, const EventFormatting& formatting);

// Clicking an event style: loads its estyle.ini, or shows name + "does not
// exit" when the file is missing.
bool LoadEventStyle(const TDir& dir, UiSeam& ui, std::string_view name,
                    EventFormatting* formatting);
// "Save" of the event styles: writes into the named style, creating it.
Status SaveEventStyle(const TDir& dir, std::string_view name,
                      const EventFormatting& formatting);

// ---- Event-list styles ----

// The list colours of the publish settings (List.CustomColor and its three
// colours).
struct ListColors {
  bool custom_color = false;
  std::string grid = "#FFFFFF";           // List.ColorGrid
  std::string month_caption = "#FFFFFF";  // List.ColorMonthCaption
  std::string day = "#FFFFFF";            // List.ColorDay
};

// The source sheet with the custom colour lines appended (when custom
// colours are on), CR LF line ends.
std::string EventListSheetWithColors(std::string_view source_sheet,
                                     const ListColors& colors);
// "Save" of the event lists: reads eventlist.css of the selected style,
// adds the custom colours and saves the result as a new style `new_name`.
// Nothing is written when that style folder already exists (kBusy), when
// the source sheet is missing or when the name is not a plain folder name.
Status SaveNewEventListStyle(const TDir& dir, std::string_view selected_style,
                             std::string_view new_name, const ListColors& colors);

// "Import From Calendar": the list colours taken from a style, and the
// colour picker's custom colours "ColorA=" .. as eight hexadecimal digits
// of the platform colour value (00BBGGRR).
struct ImportedColors {
  std::string grid;           // Special.Sunday
  std::string day;            // Special.NoDateCell
  std::string month_caption;  // Special.EmptyCell
  std::vector<std::string> custom_colors;  // "ColorA=00FFFFFF" ..
};
ImportedColors ImportColorsFromStyle(std::string_view style_sheet_bytes);
// "#RRGGBB" as the platform colour value "00BBGGRR"; other texts as white.
std::string PlatformColorHex(std::string_view color);

// "Default": seven column widths of 14 "%".
struct ColumnWidths {
  std::array<int, 7> widths;
  std::array<std::string, 7> units;
};
ColumnWidths DefaultColumnWidths();

// ---- Edit and open commands of the galleries ----

// The sheet to open in the style sheet editor for the selected entry of a
// gallery, or empty after showing why not: "Select Style Sheet First",
// "Select a tab style first" / "This Tab style does not have a style
// sheet", "Select a event list style first" / "This Event List style does
// not have a style sheet", "This ActionBar does not have a style sheet".
std::string SheetToEdit(const TDir& dir, UiSeam& ui, Gallery gallery,
                        std::string_view selected);
// Opens the selected entry's folder in the file manager; "Select Style Sheet
// First" (styles) or "Select Event List First" (event lists) when nothing is
// selected.
Status OpenEntryFolder(const TDir& dir, UiSeam& ui, Gallery gallery,
                       std::string_view selected);

// ---- The style list and its commands ----

// A name the library can use as a folder: not blank, no "/" or "\", not "."
// or "..", no control characters.
bool IsPlainName(std::string_view name);

// The name "Add New Style" proposes: favorite + " style", or "new style";
// the next free numbered name when a style of that name exists. Empty when
// no numbered name is free.
std::string ProposeStyleName(const TDir& dir, std::string_view favorite_name);

// The `Style` list (and the `Templates` gallery, which shows the same
// folder) with its selection, and the commands that work on them. Messages
// and questions go through the seam.
class StyleLibrary {
 public:
  StyleLibrary(const TDir& dir, UiSeam& ui);

  // "Reload": lists the gallery again; the selected name stays selected
  // when it is still listed.
  void Reload();
  const std::vector<std::string>& names() const { return names_; }
  std::optional<int> selected() const { return selected_; }
  // The selected name, empty when none.
  std::string selected_name() const;
  // Selects by name without regard to case; false (selection unchanged)
  // when no style has the name.
  bool Select(std::string_view name);
  void ClearSelection() { selected_.reset(); }

  // Called when SelectedStyle has selected the first style, so the window
  // applies it.
  void set_on_apply(std::function<void(const std::string&)> on_apply) {
    on_apply_ = std::move(on_apply);
  }
  // Set once the library turned out to be empty: the window closes.
  bool close_requested() const { return close_requested_; }

  // StylesDir + name + "/". An empty or unknown name falls back to the
  // selected style (the first when none is selected); when that folder is
  // missing too, "Style not Found " + path is shown. An empty library shows
  // "No Styles where found in the " + StylesDir + " directory. You need to
  // reinstall the application if the problem persits. ", requests the
  // window to close and gives an empty path.
  std::string StyleFolder(std::string_view name);
  // StyleFolder(name) + "Style.css"; shows "Style  " + path + " Not Found"
  // when the file is missing (the path is still returned). Empty only for an
  // empty library.
  std::string StyleSheetPath(std::string_view name);
  // The selected name; when none is selected, shows "No Calendar Style
  // Selected. Selecting First", selects the first style and has it applied.
  std::string SelectedStyle();

  // What the style editor does with a new style between its creation and
  // its closing: given the style as created, it returns the style to keep
  // (the name may have been changed), or nullopt when it was cancelled.
  struct Draft {
    std::string name;
    StyleInfo info;
    StyleCss css;
  };
  using Editor = std::function<std::optional<Draft>(const Draft&)>;
  // "Add New Style": creates the style under the proposed name with a first
  // Style.css, runs the editor, then asks "Save changes?" (Yes/No): Yes
  // writes the edited Style.css (renaming the folder when the name was
  // changed), No deletes the folder. A kept style is listed and selected;
  // its name is returned. Cancelled when the editor or the question said so.
  Result<std::string> AddStyle(std::string_view favorite_name, const Editor& editor);

  // "Rename": asks "Rename Style" / "Enter New Name" with the current name,
  // renames the folder and the list entry. Refuses names that are not
  // plain and names of another style, with a message.
  Status RenameSelected();
  // "Delete Style": refuses without a selection and for the only style,
  // asks for confirmation (OK/Cancel, Cancel by default), deletes the folder
  // with Zapdir1 and drops the entry.
  Status DeleteSelected();

  // "export": the selected style's folder (all files with subfolders) as a
  // ZIP template. The file is asked for through the seam, proposed as the
  // style name + ".tem"; "Template not saved" when cancelled.
  Status ExportSelected();
  // Writes the template of a style into `target`.
  Status ExportStyle(std::string_view name, const std::string& target) const;
  // "import": asks for the file ("Select a template file to import", in
  // InstallDir) and imports it.
  Result<std::string> ImportFromPick();
  // Imports a template: the style name is the file name with every ".tem"
  // removed. A file that is not a ZIP, or whose entries would land outside
  // the style folder (or pass the size bound), is refused with a message and
  // nothing is written. An existing style of that name has its files
  // overwritten and keeps its single list entry. The imported style is
  // selected; its name is returned.
  Result<std::string> ImportTemplate(const std::string& path);

  // "Save Template" and "Save ...": couples the selected style with the
  // current galleries; with `ask`, first asks "This will couple this
  // calendar style with the currently selected styles of the" + line break
  // + "Month Tabs, ActonBar, and EventList" (OK/Cancel).
  Status CoupleSelected(const CouplingValues& values, bool ask);

 private:
  // Shows the message and returns it as a failed Status.
  Status Refuse(std::string message, Status::Code code = Status::Code::kInvalid);

  const TDir& dir_;
  UiSeam& ui_;
  std::vector<std::string> names_;
  std::optional<int> selected_;
  std::function<void(const std::string&)> on_apply_;
  bool close_requested_ = false;
};

}  // namespace almanix::publish
