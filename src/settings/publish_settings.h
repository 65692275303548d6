#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "app/status.h"
#include "platform/secret_store.h"
#include "settings/galleries.h"

namespace almanix {
class TDir;
class TLog;
class UiSeam;
}  // namespace almanix

// The settings of one favorite (one published web calendar), kept in the
// favorite's folder as conf.ini plus text files and two optional pictures.
//
// Every key of conf.ini is one row of kSettingDefs below, in the order the
// file holds them; the record keeps one value per row. Code names a setting
// "Section.Key" as conf.ini spells it:
//
//   int first = settings.Int("Publish.StartMonth");
//   if (settings.Bool("Contents.CategoryMerge")) ...
//   const std::string& colour = settings.Text("Page.PageColor");
//
// The name is checked while compiling: a misspelt key, or Int() on a key that
// is not a whole number, does not build.
namespace almanix::publish {

// How a key is edited, and so how its stored text is read back.
enum class SettingKind {
  kText,        // an edit field: any text, kept as typed
  kFreeChoice,  // a list that offers items but keeps any typed text
  kChoice,      // a list of fixed items: a value not among them selects the first
  kRadio,       // one of a group of option buttons; another value ticks none
  kBool,        // a check box: "1" or "0", any non-zero whole number is on
  kInt,         // a whole number; text that is not one reads as the default
  kReal,        // a decimal number ("." as the point)
  kPassword,    // text, stored scrambled when FTP.EncyptPassword is on
  kGallery,     // the position of an entry in a gallery listing
  kTicks,       // comma list of 0-based positions ticked in a window list
  kReadOnly,    // like kTicks, but read only: never written back
};

// Defaults that depend on where and for what the window was opened.
enum class ContextDefault {
  kNone,
  kBuildDir,      // BuildDir
  kOpenedYear,    // the year the window was opened for
  kHolidaySet,    // Application.Country, "Other" when it contains "Other"
  kFavoriteName,  // the favorite's name
};

// The type an accessor hands out for a key.
enum class ValueType { kBool, kInt, kReal, kText };

constexpr ValueType ValueTypeOf(SettingKind kind) {
  switch (kind) {
    case SettingKind::kBool:
      return ValueType::kBool;
    case SettingKind::kInt:
    case SettingKind::kGallery:
      return ValueType::kInt;
    case SettingKind::kReal:
      return ValueType::kReal;
    default:
      return ValueType::kText;
  }
}

// One key of conf.ini.
struct SettingDef {
  std::string_view section;
  std::string_view key;
  SettingKind kind;
  std::string_view default_text;  // as conf.ini holds it
  std::span<const std::string_view> items = {};  // list controls
  ContextDefault context = ContextDefault::kNone;
  Gallery gallery = Gallery::kStyles;  // kGallery only

  // "Section.Key".
  std::string Name() const;
  constexpr bool Named(std::string_view name) const {
    return name.size() == section.size() + 1 + key.size() &&
           name.substr(0, section.size()) == section &&
           name[section.size()] == '.' &&
           name.substr(section.size() + 1) == key;
  }
};

// The items of the list controls.
namespace items {
inline constexpr std::string_view kDestinations[] = {"File", "Webserver", "Printer",
                                                     "HomePage", "Desktop"};
inline constexpr std::string_view kFtpDirectories[] = {
    "/", "calendar/", "www/calendar/", "public_html/calendar/"};
inline constexpr std::string_view kFtpProtocols[] = {"FTP", "FTPS", "SFTP"};
inline constexpr std::string_view kProxyTypes[] = {
    "None", "Http Proxy With Ftp", "Open", "Site", "Transparent", "User Pass",
    "User Site"};
inline constexpr std::string_view kHolidaySets[] = {"US", "Canada", "Other", "None"};
// "•" is U+2022, the byte 0x95 of the Windows files.
inline constexpr std::string_view kTimeSeparators[] = {
    "none", "\xE2\x80\xA2", "*", "-", "+", "&bull;", "@", "&nbsp;"};
inline constexpr std::string_view kEventSeparators[] = {
    "none", "<br>", "<br>\xE2\x80\xA2", "\xE2\x80\xA2", "*", "-",
    "+",    "&nbsp;", "&bull;", "@"};
inline constexpr std::string_view kFontWeights[] = {"Normal", "Bold", "Bolder",
                                                    "Lighter"};
inline constexpr std::string_view kFontFamilies[] = {"Arial", "Geneva", "Helvetica",
                                                     "Sans-Seri", "Verdana"};
inline constexpr std::string_view kFontStyles[] = {"Normal", "Italic", "Oblique"};
inline constexpr std::string_view kUnits[] = {"%", "px"};
inline constexpr std::string_view kAlignments[] = {"Left", "Right", "Center"};
inline constexpr std::string_view kTitleFontFamilies[] = {
    "Arial",     "Comic Sans Serif", "Geneva",    "Georgia",
    "Helvetica", "Sans-Seri",        "Trebuchet", "Verdana"};
inline constexpr std::string_view kRssTitleFormats[] = {
    "Event Name Only",        "Event Name - Event Date", "Event Date - Event Name",
    "Event Name Event Date",  "Event Date Event Name",   "Event Name (Event Date)",
    "Event Name + Date in Description"};
}  // namespace items

// Our own placeholder addresses for the defaults that name a site.
inline constexpr std::string_view kDefaultLinkBack = "https://www.example.org/";
inline constexpr std::string_view kDefaultEmbedLink =
    "https://www.example.org/calendar-sample.html";
inline constexpr std::string_view kDefaultFtpHost = "ftp.example.org";
inline constexpr std::string_view kDefaultEventEmail = "events@example.org";
inline constexpr std::string_view kDefaultICalLink = "webcal://www.example.org/directory/";

namespace rows {
constexpr SettingDef Text(std::string_view s, std::string_view k, std::string_view d,
                           ContextDefault c = ContextDefault::kNone) {
  return {s, k, SettingKind::kText, d, {}, c};
}
constexpr SettingDef Free(std::string_view s, std::string_view k, std::string_view d,
                           std::span<const std::string_view> offered) {
  return {s, k, SettingKind::kFreeChoice, d, offered};
}
constexpr SettingDef Choice(std::string_view s, std::string_view k, std::string_view d,
                             std::span<const std::string_view> list,
                             ContextDefault c = ContextDefault::kNone) {
  return {s, k, SettingKind::kChoice, d, list, c};
}
constexpr SettingDef Radio(std::string_view s, std::string_view k,
                            std::span<const std::string_view> buttons) {
  return {s, k, SettingKind::kRadio, "", buttons};
}
constexpr SettingDef Bool(std::string_view s, std::string_view k, bool d) {
  return {s, k, SettingKind::kBool, d ? "1" : "0"};
}
constexpr SettingDef Int(std::string_view s, std::string_view k, std::string_view d,
                          ContextDefault c = ContextDefault::kNone) {
  return {s, k, SettingKind::kInt, d, {}, c};
}
constexpr SettingDef Real(std::string_view s, std::string_view k, std::string_view d) {
  return {s, k, SettingKind::kReal, d};
}
constexpr SettingDef Password(std::string_view s, std::string_view k) {
  return {s, k, SettingKind::kPassword, ""};
}
constexpr SettingDef Position(std::string_view s, std::string_view k, Gallery g) {
  return {s, k, SettingKind::kGallery, "0", {}, ContextDefault::kNone, g};
}
constexpr SettingDef Ticks(std::string_view s, std::string_view k, std::string_view d) {
  return {s, k, SettingKind::kTicks, d};
}
constexpr SettingDef ReadOnly(std::string_view s, std::string_view k,
                               std::string_view d) {
  return {s, k, SettingKind::kReadOnly, d};
}
}  // namespace rows

// Every key of conf.ini, section by section in the order the file holds
// them. Saving writes them in this order; loading reads them in this order
// too, with the text files and the FTP password placed as the load requires
// (see LoadPublishSettings).
inline constexpr SettingDef kSettingDefs[] = {
    // clang-format off
    rows::Radio("Publish", "Destination", items::kDestinations),
    rows::Text("Publish", "FileName", ""),
    rows::Text("Publish", "DirName", "", ContextDefault::kBuildDir),
    rows::Position("Publish", "ShowMenu", Gallery::kTabs),
    rows::Position("Publish", "List", Gallery::kLists),
    rows::Position("Publish", "ActionBarIndex", Gallery::kActionBars),
    rows::Text("Publish", "LinkBack", kDefaultLinkBack),
    rows::Bool("Publish", "NextYear", false),
    rows::Bool("Publish", "PrevYear", false),
    rows::Bool("Publish", "Attachments", true),
    rows::Text("Publish", "StyleName", "Default"),
    rows::ReadOnly("Publish", "Months", "0"),
    rows::ReadOnly("Publish", "Years", "1"),
    rows::Int("Publish", "StartMonth", "0"),
    rows::Int("Publish", "StartYear", "0", ContextDefault::kOpenedYear),
    rows::Int("Publish", "EndMonth", "11"),
    rows::Int("Publish", "EndYear", "0", ContextDefault::kOpenedYear),
    rows::Bool("Publish", "StartSunday", true),
    rows::Bool("Publish", "StartMonday", false),
    rows::Text("Publish", "URL", "http://"),

    rows::Text("FTP", "Host", kDefaultFtpHost),
    rows::Free("FTP", "Directory", "", items::kFtpDirectories),
    rows::Text("FTP", "UserID", ""),
    rows::Bool("FTP", "Passive", true),
    rows::Bool("FTP", "EncyptPassword", false),
    rows::Bool("FTP", "MFTP", false),
    rows::Bool("FTP", "CalendarFile", false),
    rows::Password("FTP", "Password"),
    rows::Choice("FTP", "Protocol", "FTP", items::kFtpProtocols),

    rows::Bool("Print", "BreakPage", true),

    rows::Bool("Proxy", "Enabled", false),
    rows::Text("Proxy", "Host", ""),
    rows::Text("Proxy", "User", ""),
    rows::Int("Proxy", "Port", "0"),
    rows::Password("Proxy", "Password"),
    rows::Choice("Proxy", "Type", "None", items::kProxyTypes),

    rows::Text("File", "Path", ""),

    rows::Ticks("Contents", "Calendars", "0"),
    rows::Bool("Contents", "GroupEvents", false),
    rows::Bool("Contents", "CategoryMerge", true),
    rows::Bool("Contents", "ShowHolidayIcons", true),
    rows::Choice("Contents", "Holiday", "US", items::kHolidaySets,
                      ContextDefault::kHolidaySet),
    rows::Text("Contents", "HolidayColor", "#000000"),
    rows::Bool("Contents", "ShowList", true),
    rows::Bool("Contents", "ShowDateUpdated", true),
    rows::Bool("Contents", "ShowEmail", false),
    rows::Bool("Contents", "ShowNavYear", true),
    rows::Bool("Contents", "ShowNavMenu", true),
    rows::Bool("Contents", "ShowActionBar", true),

    rows::Bool("Formatting", "ShowSingleHTMLPage", false),
    rows::Bool("Formatting", "PopUp", false),
    rows::Bool("Formatting", "PopUpDesc", false),
    rows::Bool("Formatting", "PopUpTitle", true),
    rows::Bool("Formatting", "PopUpPhoto", true),
    rows::Int("Formatting", "PopUpPhotoBorder", "2"),
    rows::Int("Formatting", "PopUpAfterLines", "4"),
    rows::Int("Formatting", "PopUpV", "4"),
    rows::Bool("Formatting", "ShowBullets", false),
    rows::Free("Formatting", "TimeSeperator", "none", items::kTimeSeparators),
    rows::Free("Formatting", "EventSeperator", "\xE2\x80\xA2", items::kEventSeparators),
    rows::Text("Formatting", "EventEmail", kDefaultEventEmail),
    rows::Bool("Formatting", "CalendarAutoSize", true),
    rows::Bool("Formatting", "EventLocation", false),
    rows::Text("Formatting", "TimeFormat", "h:mm ampm"),
    rows::Text("Formatting", "DateFormat", "mmmm d"),
    rows::Text("Formatting", "Target", "_blank"),
    rows::Bool("Formatting", "UnderlineLinks", false),
    rows::Bool("Formatting", "TimeOnNewLine", true),
    rows::Bool("Formatting", "EventDateShow", false),
    rows::Bool("Formatting", "DateTimeBelow", true),
    rows::Bool("Formatting", "EventnameBold", true),
    rows::Text("Formatting", "EventPopUpColor", "#FCFFE0"),
    rows::Bool("Formatting", "EventUnderline", false),
    rows::Int("Formatting", "EventFontSzie", "9"),
    rows::Choice("Formatting", "EventFontWeight", "Normal", items::kFontWeights),
    rows::Choice("Formatting", "EventFontFamily", "Arial", items::kFontFamilies),
    rows::Text("Formatting", "EventFontColor", ""),
    rows::Int("Formatting", "DateFontSzie", "9"),
    rows::Choice("Formatting", "DateFontWeight", "Normal", items::kFontWeights),
    rows::Choice("Formatting", "DateFontStyle", "Normal", items::kFontStyles),
    rows::Choice("Formatting", "DateFontFamily", "Arial", items::kFontFamilies),
    rows::Text("Formatting", "DateFontColor", ""),

    rows::Int("Page", "CalendarWidth", "960"),
    rows::Choice("Page", "CalendarWidthUnits", "px", items::kUnits),
    rows::Text("Page", "Logo", ""),
    rows::Bool("Page", "LogoCenter", true),
    rows::Int("Page", "Row_Height", "3"),
    rows::Int("Page", "Col1", "14"),
    rows::Int("Page", "Col2", "14"),
    rows::Int("Page", "Col3", "14"),
    rows::Int("Page", "Col4", "14"),
    rows::Int("Page", "Col5", "14"),
    rows::Int("Page", "Col6", "14"),
    rows::Int("Page", "Col7", "14"),
    rows::Choice("Page", "Col1_Units", "%", items::kUnits),
    rows::Choice("Page", "Col2_Units", "%", items::kUnits),
    rows::Choice("Page", "Col3_Units", "%", items::kUnits),
    rows::Choice("Page", "Col4_Units", "%", items::kUnits),
    rows::Choice("Page", "Col5_Units", "%", items::kUnits),
    rows::Choice("Page", "Col6_Units", "%", items::kUnits),
    rows::Choice("Page", "Col7_Units", "%", items::kUnits),
    rows::Int("Page", "CalendarMarginTop", "5"),
    rows::Choice("Page", "CalendarMarginTopUnits", "px", items::kUnits),
    rows::Choice("Page", "CalendarAlign", "Center", items::kAlignments),
    rows::Text("Page", "PageColor", "#FFFFFF"),
    rows::Bool("Page", "CreateIndex", false),
    rows::Text("Page", "FontColor", "#000000"),
    rows::Bool("Page", "Insert", false),
    rows::Bool("Page", "Embed", false),
    rows::Text("Page", "EmbedLink", kDefaultEmbedLink),
    rows::Text("Page", "EmbedKeyword", "calendar"),
    rows::Text("Page", "Title", ""),
    rows::Text("Page", "TitleSize", "24"),
    rows::Text("Page", "TitleColor", "#000000"),
    rows::Choice("Page", "TitleFontFamily", "Arial", items::kTitleFontFamilies),

    rows::Bool("Calendar", "CustomColor", false),
    rows::Text("Calendar", "ColorGrid", "#FFFFFF"),
    rows::Text("Calendar", "ColorDay", "#FFFFFF"),
    rows::Text("Calendar", "ColorMonthCaption", "#FFFFFF"),

    rows::Bool("List", "CustomColor", false),
    rows::Text("List", "ColorGrid", "#FFFFFF"),
    rows::Text("List", "ColorDay", "#FFFFFF"),
    rows::Text("List", "ColorMonthCaption", "#FFFFFF"),
    rows::Bool("List", "CanCreate", true),
    rows::Bool("List", "NewWindow", false),
    rows::Bool("List", "Box", false),
    rows::Int("List", "Width", "500"),
    rows::Int("List", "Height", "500"),

    rows::Bool("Small", "CanCreate", true),
    rows::Text("Small", "Eventcolor", "#FFD8D8"),
    rows::Text("Small", "Holidaycolor", "#CDEFD9"),
    rows::Int("Small", "Width", "250"),
    rows::Bool("Small", "Legend", true),

    rows::Bool("Year", "CanCreate", true),
    rows::Int("Year", "Year_CalPerRow", "3"),
    rows::Bool("Year", "Legend", true),
    rows::Bool("Year", "AddHolidays", true),

    rows::Bool("Scroll", "CanCreate", true),
    rows::Int("Scroll", "MaxEvents", "50"),
    rows::Bool("Scroll", "SkipNoPhoto", false),
    rows::Text("Scroll", "BackgroundColor", "#FFFFFF"),
    rows::Text("Scroll", "FrameColor", "#FFFFFF"),
    rows::Int("Scroll", "Speed", "65"),

    rows::Bool("IndexPage", "MakeIndexPage", false),

    rows::Bool("RSS", "Share", true),
    rows::Int("RSS", "Days", "10"),
    rows::Text("RSS", "Title", "", ContextDefault::kFavoriteName),
    rows::Bool("RSS", "Links", true),
    rows::Choice("RSS", "TitleFormat", "Event Date - Event Name",
                      items::kRssTitleFormats),
    rows::Bool("RSS", "FutureDate", true),
    rows::Bool("RSS", "Reverse", false),
    rows::Bool("RSS", "HTMLFormat", true),
    rows::Text("RSS", "Description", ""),
    rows::Text("RSS", "URL", "http://"),
    rows::Text("RSS", "FileURL", "http://"),
    rows::Text("RSS", "Path", ""),
    rows::Real("RSS", "GMTOffset", "-5"),
    rows::Text("RSS", "Language", "English (United States): en-us"),

    rows::Bool("ActionBar", "Print", true),
    rows::Bool("ActionBar", "Bottom", false),
    rows::Bool("ActionBar", "Center", true),
    rows::Bool("ActionBar", "LinkCalendar", true),
    rows::Bool("ActionBar", "Captions", true),
    rows::Bool("ActionBar", "Icons", true),
    rows::Bool("ActionBar", "LinkFile", true),
    rows::Bool("ActionBar", "EmbedHelp", true),
    rows::Bool("ActionBar", "Home", true),
    // A burnt orange: the bright #F88017 of old reads at 2.4:1 on the light
    // toolbar buttons and on a white page; this one at 5:1 (WCAG AA).
    rows::Text("ActionBar", "LinkColor", "#AD4F00"),
    rows::Text("ActionBar", "LinkColorHover", "#AD4F00"),
    rows::Text("ActionBar", "LinkColorActive", "#AD4F00"),
    rows::Int("ActionBar", "LinkSize", "14"),

    rows::Int("Menu", "FontSize", "9"),
    // The month tabs set their own caption colours; these show where the
    // menu sits on the page (small calendar, arrow menus).
    rows::Text("Menu", "LinkColor", "#AD4F00"),
    rows::Text("Menu", "LinkColorHover", "#AD4F00"),
    rows::Text("Menu", "LinkColorActive", "#AD4F00"),

    rows::Bool("iCal", "Share", false),
    rows::Text("iCal", "Link", kDefaultICalLink),
    // clang-format on
};

inline constexpr int kSettingCount = static_cast<int>(std::size(kSettingDefs));

// The row of "Section.Key", spelled exactly; nullopt when there is none.
constexpr std::optional<int> SettingIndex(std::string_view name) {
  for (int i = 0; i < kSettingCount; ++i) {
    if (kSettingDefs[i].Named(name)) return i;
  }
  return std::nullopt;
}

// The row of a name typed by a person: section and key without regard to
// case, as conf.ini reads them.
std::optional<int> FindSetting(std::string_view name);

// A key name checked while compiling: it must name a row of kSettingDefs
// whose values are of type T.
template <ValueType T>
class SettingName {
 public:
  // NOLINTNEXTLINE: implicit, so that call sites read settings.Int("A.B").
  consteval SettingName(const char* name) : index_(Check(name)) {}
  constexpr int index() const { return index_; }

 private:
  static consteval int Check(std::string_view name) {
    std::optional<int> index = SettingIndex(name);
    if (!index) throw "no such publish setting";
    if (ValueTypeOf(kSettingDefs[*index].kind) != T) {
      throw "the publish setting is not of this type";
    }
    return *index;
  }
  int index_;
};
using BoolSetting = SettingName<ValueType::kBool>;
using IntSetting = SettingName<ValueType::kInt>;
using RealSetting = SettingName<ValueType::kReal>;
using TextSetting = SettingName<ValueType::kText>;

// The text files of a favorite folder, in the order the load reads them.
enum class TextFile {
  kTitle,
  kHeader,
  kYearHeader,
  kBelowTitle,
  kFooter,
  kCaption,
  kHead,
  kIndexPage,
  kMacros,
  kMonths,
  kFileNames,
  kWeekdays,
  kTranslate,
};
struct TextFileDef {
  TextFile file;
  std::string_view name;
  bool required;  // a load stops when it is missing
};
inline constexpr TextFileDef kTextFiles[] = {
    {TextFile::kTitle, "title.txt", true},
    {TextFile::kHeader, "header.txt", true},
    {TextFile::kYearHeader, "year_header.txt", false},
    {TextFile::kBelowTitle, "below_title.txt", false},
    {TextFile::kFooter, "footer.txt", true},
    {TextFile::kCaption, "caption.txt", false},
    {TextFile::kHead, "head.txt", false},
    {TextFile::kIndexPage, "indexpage.txt", false},
    {TextFile::kMacros, "macros.txt", true},
    {TextFile::kMonths, "months.txt", true},
    {TextFile::kFileNames, "filenames.txt", false},
    {TextFile::kWeekdays, "weekdays.txt", true},
    {TextFile::kTranslate, "translate.txt", true},
};
inline constexpr int kTextFileCount = static_cast<int>(std::size(kTextFiles));
constexpr const TextFileDef& TextFileDefOf(TextFile file) {
  return kTextFiles[static_cast<int>(file)];
}

// What the context-dependent defaults are taken from.
struct SettingsContext {
  std::string build_dir;      // Publish.DirName
  int year = 0;               // Publish.StartYear and Publish.EndYear
  std::string country = "US"; // Application.Country, for Contents.Holiday
  std::string favorite_name;  // RSS.Title
};

// The default text of a key in that context, as conf.ini would hold it.
std::string DefaultText(const SettingDef& def, const SettingsContext& context);

// One favorite's settings: a value for every key and the whole text of every
// text file (as read, line ends included, so saving again changes nothing).
class PublishSettings {
 public:
  // Every key at its default for the context; text files empty.
  explicit PublishSettings(const SettingsContext& context = {});

  bool Bool(BoolSetting name) const { return std::get<bool>(values_[name.index()]); }
  int Int(IntSetting name) const { return std::get<int>(values_[name.index()]); }
  double Real(RealSetting name) const {
    return std::get<double>(values_[name.index()]);
  }
  const std::string& Text(TextSetting name) const {
    return std::get<std::string>(values_[name.index()]);
  }
  void SetBool(BoolSetting name, bool value) { values_[name.index()] = value; }
  void SetInt(IntSetting name, int value) { values_[name.index()] = value; }
  void SetReal(RealSetting name, double value) { values_[name.index()] = value; }
  void SetText(TextSetting name, std::string value) {
    values_[name.index()] = std::move(value);
  }
  // The position of a list control's value among its items; 0 when the
  // value is not one of them (as the list would show it).
  int ChoiceIndex(TextSetting name) const;

  // By row of kSettingDefs, for code that walks the table.
  // The value as conf.ini holds it (passwords in the clear).
  std::string ValueText(int index) const;
  // Sets a value from text as a person types it: whole numbers, 0/1, a
  // decimal number, a list control's item (without regard to case), a
  // comma list of positions; line breaks become blanks and the ends are
  // trimmed, as conf.ini would read it back. Invalid (saying what the key
  // wants) when the text does not fit; read-only keys refuse.
  Status SetValueText(int index, std::string_view text);
  // Applies a text already read from conf.ini by the rules of the kind
  // (non-numbers give the default, list controls fall back to their first
  // item); false when the text was not of the key's type.
  bool ApplyStoredText(int index, std::string_view text, std::string_view default_text);
  void ResetToDefault(int index, const SettingsContext& context);

  const std::string& text_file(TextFile file) const {
    return texts_[static_cast<int>(file)];
  }
  void set_text_file(TextFile file, std::string text) {
    texts_[static_cast<int>(file)] = std::move(text);
  }

  bool operator==(const PublishSettings&) const = default;

  // A password the secret store could not be asked for at load: its empty
  // value means "unknown", and a save leaves the stored one alone.
  bool password_unread(int index) const;
  void set_password_unread(int index, bool unread);

 private:
  using Value = std::variant<bool, int, double, std::string>;
  std::vector<Value> values_;
  std::vector<int> unread_passwords_;
  std::array<std::string, kTextFileCount> texts_;
};

// A window list with tick boxes (categories, years, months).
struct TickList {
  std::vector<std::string> items;
  std::vector<bool> ticked;  // one a item

  void SetItems(std::vector<std::string> names);  // all unticked
  void UntickAll();
  void TickAll();
  // Ticks the position; false (nothing ticked) when it is beyond the list.
  bool Tick(int position);
  bool IsTicked(int position) const;
  std::vector<int> TickedPositions() const;
  int size() const { return static_cast<int>(items.size()); }
};

// What the Format & Publish window keeps besides the record: controls that
// are never saved, the lists the window shows, and the gallery listings.
struct PublishWindowState {
  std::string cboExtension = "html";  // page extension without the "."
  bool chkIframe = false;
  bool chkObject = false;
  bool chkPaste = false;
  bool chkQuickPreview = false;
  bool chkAutoUpdate = true;  // "Save settings to Favorites"
  bool chkPrint1File = true;  // "Print as a single file" starts ticked
  bool chkSelectPrinter = false;
  TickList chkCalendars;  // the categories in the order of the year's table
  TickList chkYears;
  TickList chkMonths;     // January .. December
  // The option beside Contents.CategoryMerge, set to its opposite on load.
  bool Category_WriteIndividual = false;
  // Second fields showing Publish.LinkBack and Page.Title.
  std::string Bar_Home2;
  std::string edCalendarTitle2;
  // Favorite names (subfolders of FavoritesDir).
  std::vector<std::string> AutoList;
  std::vector<std::string> calendar_url;  // the address list; its text is Publish.URL
  // The gallery listings; Publish.ShowMenu, Publish.List and
  // Publish.ActionBarIndex are positions in the last three.
  std::vector<std::string> Style;
  std::vector<std::string> Menus;
  std::vector<std::string> ActionBars;
  std::vector<std::string> Lists;
  std::optional<int> style_index;  // the selected entry of Style

  // "." + cboExtension.
  std::string PageExtension() const { return "." + cboExtension; }
  // The selected style; the first one when none is selected; empty when the
  // library has none.
  std::string SelectedStyle() const;
  // 1-based positions in chkCalendars of the ticked categories, in order.
  std::vector<int> TickedCategoryNumbers() const;
};

// The listing of a gallery held by the window (empty for the others).
const std::vector<std::string>* GalleryListing(const PublishWindowState& window,
                                               Gallery gallery);
// The name of the entry the settings select in a gallery: the style for
// kStyles, the entry at Publish.ShowMenu / List / ActionBarIndex for the
// others; empty when the position is beyond the listing.
std::string SelectedEntry(const PublishSettings& settings,
                          const PublishWindowState& window, Gallery gallery);

// ---- Favorites and page names ----

// The favorite names: the subfolders of FavoritesDir, sorted without regard
// to case.
std::vector<std::string> ListFavorites(const std::string& favorites_dir);
// The page-name list: each favorite name with ".html".
std::vector<std::string> PageNames(const std::vector<std::string>& favorites);
// Leaving the page-name field: ".html" is appended when the name does not
// contain ".htm" (without regard to case). An empty name stays empty.
std::string CompletePageName(std::string_view page_name);
// The favorite of a page name: the name with every occurrence of its
// extension (from the last ".") removed; "Sports.html" gives "Sports".
std::string FavoriteName(std::string_view page_name);

// ---- Pictures ----

enum class FavoritePicture { kLogo, kPage };
// "logo" or "Page".
std::string_view PictureBaseName(FavoritePicture picture);
// The first of base + ".jpg", ".gif", ".png" in the folder; empty when none.
std::string FindFavoritePicture(const std::string& folder, FavoritePicture picture);
// Copies the picked file, keeping its extension (in lower case), as "logo"
// or "Page" into BuildDir and into the favorite folder (made when missing),
// where copies with the other extensions are removed so the lookup finds
// this one. The logo's file name goes into Page.Logo.
Status PickFavoritePicture(const std::string& source, FavoritePicture picture,
                           const std::string& build_dir,
                           const std::string& favorite_folder,
                           PublishSettings* settings);
// "Clear": removes the favorite's copies; the logo also empties Page.Logo.
void ClearFavoritePicture(FavoritePicture picture, const std::string& favorite_folder,
                          PublishSettings* settings);

// ---- Loading and saving ----

// The fixed texts of the load and save failures.
inline constexpr std::string_view kLoadFormError = "Error loading \"Publish Calendar\" Form ";
inline constexpr std::string_view kCreateFolderError = "unable to create directory ";
inline constexpr std::string_view kWriteSettingsError =
    "Invalid Calendar Name. Do not use invalid file name characters. Calendar "
    "will not be synchronized autmatically";

// What loading and saving need of the program around them.
struct PublishEnvironment {
  TDir* dir = nullptr;  // FavoritesDir; FavoriteDir is set by a load
  TLog* log = nullptr;
  UiSeam* ui = nullptr;  // the save failures are shown here
  SettingsContext context;
  // Where FTP.Password and Proxy.Password live, keyed by favorite and host;
  // conf.ini then keeps them empty. Null keeps them in conf.ini, scrambled
  // when FTP.EncyptPassword is on, as older versions did.
  platform::SecretStore* secrets = nullptr;
};

// Reads a favorite folder (trailing "/") into the record and the window, in
// this order: Publish; FTP up to CalendarFile, Print.BreakPage, then the FTP
// password (FTP.EncyptPassword, read before it, decides whether both
// passwords are unscrambled); Proxy, File, Contents, Formatting; title,
// header, year_header, below_title, footer, caption and head texts; Page,
// Calendar, List, Small, Year, Scroll; indexpage.txt; IndexPage; macros,
// months, filenames, weekdays and translate texts; RSS, ActionBar, Menu,
// iCal. Missing keys take their defaults.
//
// NotFound and nothing changed when the folder does not exist. A missing
// required text file stops the load there with kLoadFormError (what was read
// before stays; the log names the file). Positions in Contents.Calendars
// beyond the category list, and gallery positions beyond their listing, are
// skipped and logged: the rest of the load goes on.
Status LoadPublishSettings(const std::string& folder, const PublishEnvironment& env,
                           PublishSettings* settings, PublishWindowState* window);

// Writes the favorite folder: creates it when missing, updates conf.ini in
// place (every key in table order but Publish.Months and Publish.Years;
// Contents.Calendars from the ticked categories; the passwords go to
// env.secrets and conf.ini keeps them empty, or without a store both are
// scrambled when FTP.EncyptPassword is on), writes conf.ini with mode 0600
// and every text file as UTF-8, and lists the favorites again. A password
// the store refuses stays in conf.ini as before and the save fails. Failures show their message through the seam: the
// folder ("unable to create directory " + folder) and conf.ini
// (kWriteSettingsError) stop the save with nothing written.
Status SavePublishSettings(const std::string& folder, const PublishEnvironment& env,
                           PublishSettings* settings, PublishWindowState* window);

// The key a password setting (FTP.Password, Proxy.Password) of the favorite
// is kept under: kind "ftp" or "proxy", the favorite, FTP.Host or Proxy.Host.
platform::SecretKey PasswordKeyOf(int index, const PublishSettings& settings,
                                  const std::string& favorite);

}  // namespace almanix::publish
