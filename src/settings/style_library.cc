#include "settings/style_library.h"

#include <stdlib.h>

#include <filesystem>
#include <tuple>
#include <utility>

#include "app/dir.h"
#include "app/encoding.h"
#include "app/file_util.h"
#include "app/ini_file.h"
#include "app/text.h"
#include "app/ui_seam.h"
#include "store/zip_archive.h"

namespace almanix::publish {
namespace {

namespace fs = std::filesystem;

constexpr std::array<const char*, 12> kMonthKeys = {
    "January", "February", "March",     "April",   "May",      "June",
    "July",    "August",   "September", "October", "November", "December"};
constexpr std::array<const char*, 7> kWeekdayKeys = {
    "Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};

struct BackgroundKey {
  std::string_view key;
  std::string StyleInfo::*field;
};
constexpr std::array<BackgroundKey, 8> kBackgroundKeys = {{
    {"bgPage", &StyleInfo::bg_page},
    {"bgCanvas", &StyleInfo::bg_canvas},
    {"bgTable", &StyleInfo::bg_table},
    {"bgCaption", &StyleInfo::bg_caption},
    {"bgWeekday", &StyleInfo::bg_weekday},
    {"bgDate", &StyleInfo::bg_date},
    {"bgEvent", &StyleInfo::bg_event},
    {"bgHoliday", &StyleInfo::bg_holiday},
}};

constexpr std::string_view kSheetName = "Style.css";
// A template holds one style's pictures and sheet; anything near this size
// is not a style.
constexpr std::uint64_t kMaxTemplateBytes = 512ull << 20;

// An INI value inside the sheet's comment: one line, and never the comment's
// end, which would spill the rest of the INI part into the CSS.
std::string IniValue(std::string_view value) {
  std::string clean = ReplaceAll(ReplaceAll(value, "\r", " "), "\n", " ");
  return Trim(ReplaceAll(clean, "*/", "* /"));
}

// ---- Style.css writer ----

class SheetWriter {
 public:
  void Line(std::string_view text) {
    out_.append(text);
    out_.append("\r\n");
  }
  void Key(std::string_view key, std::string_view value) {
    Line(std::string(key) + "=" + IniValue(value));
  }

  void Picture(std::string_view file) {
    if (file.empty()) return;
    Line("background: URL('" + ReplaceAll(file, "'", "''") + "');");
  }
  void Color(std::string_view color) {
    Line("background-color: " + std::string(color) + ";");
  }
  void Transparency(bool transparent) {
    if (transparent) Line("background: transparent;");
  }
  void Border(const CssBorder& b) {
    Line("border-color: " + b.color + "; border-width: " +
         std::to_string(b.width_pt) + "pt; border-style: " + b.style + ";");
  }
  void Font(const CssFont& f) {
    Line("font-family: " + f.family + "; font-size: " + std::to_string(f.size_pt) +
         "pt; font-weight: " + f.weight + "; font-style: " + f.style +
         "; color: " + f.color + "; text-decoration: " + f.decoration + ";");
  }
  void Margin(std::string_view margin) {
    Line("margin: " + std::string(margin) + ";");
  }
  // Every rule is closed, so a browser reads the next selector as one.
  void EndRule(bool blank_line = true) {
    Line("}");
    if (blank_line) Line("");
  }

  std::string Take() { return std::move(out_); }

 private:
  std::string out_;
};

void WriteIniPart(SheetWriter& w, const StyleInfo& info) {
  w.Line("[Backgrounds]");
  for (const BackgroundKey& bg : kBackgroundKeys) {
    if (!(info.*bg.field).empty()) w.Key(bg.key, info.*bg.field);
  }
  w.Key("CaptionHeight", info.caption_height);

  w.Line("[Photos]");
  w.Key("Width", info.photo_width);
  w.Key("Height", info.photo_height);
  if (info.photo_tile) w.Line("Tile=1");
  if (info.photo_captioned) w.Line("Captioned=1");
  for (size_t m = 0; m < kMonthKeys.size(); ++m) {
    if (!info.month_photos[m].empty()) w.Key(kMonthKeys[m], info.month_photos[m]);
  }
  w.Line(info.photo_position == "BelowCaption" ? "Position=BelowCaption"
                                                : "Position=AboveCaption");

  w.Line("[Special]");
  if (!info.no_date_cell.empty()) w.Key("NoDateCell", info.no_date_cell);
  if (!info.empty_cell.empty()) w.Key("EmptyCell", info.empty_cell);
  // Saturday first, then Sunday .. Friday, as the editor has always written.
  for (int d : {6, 0, 1, 2, 3, 4, 5}) {
    if (!info.weekday_colors[d].empty()) w.Key(kWeekdayKeys[d], info.weekday_colors[d]);
  }
  w.Line(info.date_format == "Long" ? "DateFormat=Long" : "DateFormat=Short");
  for (const auto& [key, value] :
       {std::pair{"MenuStyle", &info.menu_style},
        std::pair{"ActionBarStyle", &info.action_bar_style},
        std::pair{"ListStyle", &info.list_style},
        std::pair{"CalendarWidth", &info.calendar_width},
        std::pair{"CalendarWidthUnits", &info.calendar_width_units},
        std::pair{"MenuFontSize", &info.menu_font_size}}) {
    if (!value->empty()) w.Key(key, *value);
  }
  if (info.calendar_type != "Calendar") w.Key("CalendarType", info.calendar_type);
}

void WriteCssPart(SheetWriter& w, const StyleInfo& info, const StyleCss& css) {
  w.Line("Body {");
  w.Picture(info.bg_page);
  w.Color(css.page_color);
  w.Line("text-align:" + css.page_align + ";");
  w.EndRule();

  const CssBlock& p = css.photo;
  w.Line(".Photo {");
  w.Border(p.border);
  w.Line("width: " + std::to_string(p.width_px) + "px;");
  w.Line("height: " + std::to_string(p.height_px) + "px;");
  w.Line("align: " + p.align + ";");
  w.EndRule();

  const CssBlock& c = css.canvas;
  w.Line(".Canvas {");
  w.Picture(info.bg_canvas);
  w.Line("width: " + c.width + ";");
  w.Border(c.border);
  w.Line("text-align:" + c.align + ";");
  w.Color(c.background_color);
  w.Transparency(c.transparent);
  w.Margin(c.margin);
  w.EndRule();

  const CssBlock& t = css.table;
  w.Line("table.calendar {");
  w.Picture(info.bg_table);
  w.Line("width: " + t.width + ";");
  w.Border(t.border);
  w.Line("text-align:" + t.align + ";");
  w.Line("border-collapse: collapse;");
  w.Color(t.background_color);
  w.Transparency(t.transparent);
  w.Margin(t.margin);
  w.EndRule();

  const CssBlock& m = css.caption;
  w.Line(".MonthCaption {");
  w.Picture(info.bg_caption);
  if (m.vertical) {
    w.Line("writing-mode: tb-rl;");
    w.Line("filter: flipv fliph;");
  }
  w.Font(m.font);
  w.Border(m.border);
  w.Line("text-align: " + m.align + ";");
  w.Color(m.background_color);
  w.Transparency(m.transparent);
  w.Line("padding: 5px;");
  w.Margin(m.margin);
  w.EndRule();

  for (const auto& [selector, block, picture] :
       {std::tuple{".Weekdays {", &css.weekdays, &info.bg_weekday},
        std::tuple{".Date {", &css.date, &info.bg_date},
        std::tuple{".Holidays {", &css.holidays, &info.bg_holiday}}) {
    w.Line(selector);
    w.Picture(*picture);
    w.Font(block->font);
    w.Border(block->border);
    w.Line("text-align: " + block->align + ";");
    w.Color(block->background_color);
    w.Transparency(block->transparent);
    w.EndRule();
  }

  const CssBlock& e = css.events;
  w.Line(".Events {");
  w.Picture(info.bg_event);
  w.Font(e.font);
  w.Border(e.border);
  w.Line("text-align: " + e.align + ";");
  w.Line("padding: " + std::to_string(e.padding_px) + "px;");
  w.Color(e.background_color);
  w.Transparency(e.transparent);
  w.EndRule();

  w.Line("A:Link {");
  w.Font(css.link);
  w.EndRule(false);
  for (const auto& [selector, font] : {std::pair{"A:Visited {", &css.visited},
                                       std::pair{"A:Active {", &css.active},
                                       std::pair{"A:Hover {", &css.hover}}) {
    w.Line(selector);
    w.Font(*font);
    w.EndRule();
  }
}

// ---- Small helpers ----

std::string StyleFolderPath(const TDir& dir, std::string_view name) {
  return WithTrailingSlash(dir.StylesDir) + std::string(name) + "/";
}

bool IsHexDigit(char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// Every "#RRGGBB" of a line, in order.
std::vector<std::string> HexColorsIn(std::string_view line) {
  std::vector<std::string> colors;
  for (size_t i = 0; i + 7 <= line.size(); ++i) {
    if (line[i] != '#') continue;
    bool six = true;
    for (size_t k = 1; k <= 6; ++k) six = six && IsHexDigit(line[i + k]);
    bool longer = i + 7 < line.size() && IsHexDigit(line[i + 7]);
    if (six && !longer) {
      colors.emplace_back(line.substr(i, 7));
      i += 6;
    }
  }
  return colors;
}

// The file of that name in the folder, found without regard to case.
std::string FindPicture(const std::string& folder, const std::string& name) {
  std::string found = FindNoCase(WithTrailingSlash(folder), name);
  return !found.empty() && FileExists(found) ? found : std::string();
}

bool CopyOver(const std::string& source, const std::string& target) {
  std::error_code ec;
  fs::copy_file(source, target, fs::copy_options::overwrite_existing, ec);
  return !ec;
}

}  // namespace

// ---- StyleInfo ----

std::vector<BackgroundPicture> BackgroundPictures(const StyleInfo& info) {
  std::vector<BackgroundPicture> pictures;
  for (const BackgroundKey& bg : kBackgroundKeys) {
    if (!(info.*bg.field).empty()) pictures.push_back({bg.key, info.*bg.field});
  }
  return pictures;
}

StyleInfo StyleInfoFromText(std::string_view bytes) {
  IniFile ini;
  ini.LoadFromText(bytes);
  StyleInfo info;
  for (const BackgroundKey& bg : kBackgroundKeys) {
    info.*bg.field = ini.ReadString("Backgrounds", bg.key, "");
  }
  info.caption_height = ini.ReadString("Backgrounds", "CaptionHeight", "1");
  info.photo_width = ini.ReadString("Photos", "Width", "");
  info.photo_height = ini.ReadString("Photos", "Height", "");
  info.photo_tile = ini.ReadBool("Photos", "Tile", false);
  info.photo_captioned = ini.ReadBool("Photos", "Captioned", false);
  for (size_t m = 0; m < kMonthKeys.size(); ++m) {
    info.month_photos[m] = ini.ReadString("Photos", kMonthKeys[m], "");
  }
  info.photo_position = ini.ReadString("Photos", "Position", "");
  info.no_date_cell = ini.ReadString("Special", "NoDateCell", "");
  info.empty_cell = ini.ReadString("Special", "EmptyCell", "");
  for (size_t d = 0; d < kWeekdayKeys.size(); ++d) {
    info.weekday_colors[d] = ini.ReadString("Special", kWeekdayKeys[d], "");
  }
  info.date_format = ini.ReadString("Special", "DateFormat", "");
  info.menu_style = ini.ReadString("Special", "MenuStyle", "");
  info.action_bar_style = ini.ReadString("Special", "ActionBarStyle", "");
  info.list_style = ini.ReadString("Special", "ListStyle", "");
  info.calendar_width = ini.ReadString("Special", "CalendarWidth", "");
  info.calendar_width_units = ini.ReadString("Special", "CalendarWidthUnits", "");
  info.menu_font_size = ini.ReadString("Special", "MenuFontSize", "");
  info.calendar_type = ini.ReadString("Special", "CalendarType", "Calendar");
  return info;
}

StyleInfo ReadStyleInfo(const std::string& sheet_path) {
  Result<std::string> bytes = ReadFileBytes(sheet_path);
  if (!bytes.ok()) return StyleInfo{};
  return StyleInfoFromText(bytes.value());
}

std::string StyleSheetText(const StyleInfo& info, const StyleCss& css) {
  SheetWriter w;
  w.Line("<style type=\"text/css\">");
  w.Line("/*");
  WriteIniPart(w, info);
  w.Line("*/");
  WriteCssPart(w, info, css);
  w.Line("</style>");
  return w.Take();
}

Status WriteStyleSheet(const std::string& path, const StyleInfo& info,
                       const StyleCss& css) {
  return WriteFileAtomically(path, StyleSheetText(info, css));
}

// ---- Coupling ----

StyleCoupling CouplingOf(std::string_view style_name, const StyleInfo& info) {
  StyleCoupling coupling;
  const std::string width = Trim(info.calendar_width);
  if (width.empty() || width == "0") return coupling;
  coupling.coupled = true;
  coupling.menu_style = info.menu_style;
  coupling.action_bar_style = info.action_bar_style;
  coupling.list_style = info.list_style;
  if (!info.menu_font_size.empty()) coupling.menu_font_size = info.menu_font_size;
  coupling.calendar_width = width;
  if (!info.calendar_width_units.empty()) {
    coupling.calendar_width_units = info.calendar_width_units;
  }
  coupling.list_style_name = std::string(style_name);
  return coupling;
}

Status WriteCoupling(const std::string& sheet_path, const CouplingValues& values) {
  Result<std::string> bytes = ReadFileBytes(sheet_path);
  if (!bytes.ok()) return bytes.status();
  std::vector<std::string> lines = SplitLines(DecodeText(bytes.value()));

  auto trimmed = [&](size_t i) { return Trim(lines[i]); };
  auto is_section = [&](size_t i) {
    std::string t = trimmed(i);
    return t.size() >= 2 && t.front() == '[' && t.back() == ']';
  };
  // The section runs to the next section line or the comment's end.
  size_t start = lines.size();
  for (size_t i = 0; i < lines.size(); ++i) {
    if (is_section(i) && EqualsIgnoreCase(Trim(trimmed(i).substr(1, trimmed(i).size() - 2)),
                                          "Special")) {
      start = i;
      break;
    }
  }
  if (start == lines.size()) {
    size_t close = lines.size();
    for (size_t i = 0; i < lines.size(); ++i) {
      if (trimmed(i) == "*/") {
        close = i;
        break;
      }
    }
    lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(close), "[Special]");
    start = close;
  }
  size_t end = start + 1;
  while (end < lines.size() && !is_section(end) && trimmed(end) != "*/") ++end;

  for (const auto& [key, value] :
       {std::pair{"MenuStyle", &values.menu_style},
        std::pair{"ActionBarStyle", &values.action_bar_style},
        std::pair{"ListStyle", &values.list_style},
        std::pair{"CalendarWidth", &values.calendar_width},
        std::pair{"CalendarWidthUnits", &values.calendar_width_units},
        std::pair{"MenuFontSize", &values.menu_font_size}}) {
    bool done = false;
    for (size_t i = start + 1; i < end && !done; ++i) {
      size_t eq = lines[i].find('=');
      if (eq == std::string::npos) continue;
      std::string existing = Trim(std::string_view(lines[i]).substr(0, eq));
      if (EqualsIgnoreCase(existing, key)) {
        lines[i] = existing + "=" + IniValue(*value);
        done = true;
      }
    }
    if (done) continue;
    size_t at = end;
    while (at > start + 1 && trimmed(at - 1).empty()) --at;
    lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(at),
                 std::string(key) + "=" + IniValue(*value));
    ++end;
  }
  return WriteFileAtomically(sheet_path, JoinLines(lines));
}

// ---- Pictures ----

std::vector<std::string> CopyStylePictures(const TDir& dir,
                                           std::string_view style_name,
                                           const std::string& output_folder) {
  std::vector<std::string> copied;
  if (!IsPlainName(style_name)) return copied;
  const std::string style = StyleFolderPath(dir, style_name);
  const StyleInfo info = ReadStyleInfo(style + std::string(kSheetName));
  const std::string out = WithTrailingSlash(output_folder);

  auto copy_first = [&](const std::string& name,
                        std::initializer_list<const std::string*> folders) {
    // A name with a path in it would read or write outside the folders.
    if (!IsPlainName(name)) return;
    for (const std::string* folder : folders) {
      std::string source = FindPicture(*folder, name);
      if (source.empty()) continue;
      if (CopyOver(source, out + name)) copied.push_back(name);
      return;
    }
  };
  for (const BackgroundPicture& bg : BackgroundPictures(info)) {
    copy_first(bg.file, {&style, &dir.BackgroundsDir});
  }
  for (const std::string& photo : info.month_photos) {
    if (photo.empty()) continue;
    copy_first(photo, {&style, &dir.PhotosDir, &dir.PhotosAirshowDir,
                       &dir.PhotosNatureDir, &dir.PhotosOceanDir,
                       &dir.PhotosScenicDir});
  }
  return copied;
}

// ---- Event styles ----

namespace {

// Reads or writes every Formatting key; `read` false writes.
void EventKeys(IniFile& ini, EventFormatting& f, bool read) {
  constexpr std::string_view kSection = "Formatting";
  auto text = [&](std::string_view key, std::string& value) {
    if (read) {
      value = ini.ReadString(kSection, key, value);
    } else {
      ini.WriteString(kSection, key, value);
    }
  };
  auto flag = [&](std::string_view key, bool& value) {
    if (read) {
      value = ini.ReadBool(kSection, key, value);
    } else {
      ini.WriteBool(kSection, key, value);
    }
  };
  auto number = [&](std::string_view key, int& value) {
    if (read) {
      value = ini.ReadInteger(kSection, key, value);
    } else {
      ini.WriteInteger(kSection, key, value);
    }
  };
  flag("EventLocation", f.event_location);
  text("EventEmail", f.event_email);
  text("EventSeperator", f.event_seperator);
  text("TimeSeperator", f.time_seperator);
  text("DateFormat", f.date_format);
  text("TimeFormat", f.time_format);
  text("Target", f.target);
  flag("UnderlineLinks", f.underline_links);
  flag("TimeOnNewLine", f.time_on_new_line);
  flag("EventDateShow", f.event_date_show);
  flag("DateTimeBelow", f.date_time_below);
  flag("EventnameBold", f.eventname_bold);
  text("EventFontColor", f.event_font_color);
  number("EventFontSzie", f.event_font_size);
  flag("EventUnderline", f.event_underline);
  text("EventFontWeight", f.event_font_weight);
  text("EventFontFamily", f.event_font_family);
  text("EventPopUpColor", f.event_popup_color);
  text("DateFontColor", f.date_font_color);
  number("DateFontSzie", f.date_font_size);
  text("DateFontWeight", f.date_font_weight);
  text("DateFontFamily", f.date_font_family);
  text("DateFontStyle", f.date_font_style);
}

}  // namespace

Status ReadEventStyle(const std::string& path, EventFormatting* formatting) {
  IniFile ini(path);
  Status s = ini.Load();
  if (!s.ok()) return s;
  EventKeys(ini, *formatting, true);
  return Status::Ok();
}

Status WriteEventStyle(const std::string& path, const EventFormatting& formatting) {
  Status s = TDir::EnsureDir(ParentPath(path));
  if (!s.ok()) return s;
  IniFile ini(path);
  IgnoreResult(ini.Load(), "keys of our own that others added stay; a new file starts empty");
  EventFormatting copy = formatting;
  EventKeys(ini, copy, false);
  return ini.Save();
}

bool LoadEventStyle(const TDir& dir, UiSeam& ui, std::string_view name,
                    EventFormatting* formatting) {
  std::string path = EntrySheetPath(dir, Gallery::kEventStyles, name);
  if (!IsPlainName(name) || !FileExists(path) ||
      !ReadEventStyle(path, formatting).ok()) {
    ui.ShowMessage(std::string(name) + "does not exit", MessageKind::kWarning);
    return false;
  }
  return true;
}

Status SaveEventStyle(const TDir& dir, std::string_view name,
                      const EventFormatting& formatting) {
  if (!IsPlainName(name)) {
    return Status::Invalid("\"" + std::string(name) +
                           "\" cannot be used as an event style name.");
  }
  return WriteEventStyle(EntrySheetPath(dir, Gallery::kEventStyles, name),
                         formatting);
}

// ---- Event-list styles ----

std::string EventListSheetWithColors(std::string_view source_sheet,
                                     const ListColors& colors) {
  std::vector<std::string> lines = SplitLines(source_sheet);
  if (colors.custom_color) {
    const std::string tab2 = "\t\t";
    const std::string grid = "background-color: " + colors.grid + "; } ";
    for (const char* selector :
         {".ListEvent {", ".ListEvent2 {"}) {
      lines.push_back(selector + tab2 + grid);
    }
    lines.push_back(".ListDate {" + tab2 + "  " + grid);
    for (const char* selector : {".ListDate2 {", ".ListMonth {", ".Downloads {",
                                 ".ListCanvas {", ".ListTable {"}) {
      lines.push_back(selector + tab2 + grid);
    }
    lines.push_back(".ListMonth {" + tab2 + "color: " + colors.month_caption + "; } ");
    for (const char* selector :
         {".ListDate {", ".ListDate2 {", ".ListDate a:link {", ".ListDate a:visited {",
          ".ListDate a:hover {", ".ListDate a:active {", ".ListDate2 a:link {",
          ".ListDate2 a:visited {", ".ListDate2 a:hover {", ".ListDate2 a:active {"}) {
      lines.push_back(std::string(selector) + "\tcolor: " + colors.day + "; } ");
    }
  }
  return JoinLines(lines);
}

Status SaveNewEventListStyle(const TDir& dir, std::string_view selected_style,
                             std::string_view new_name, const ListColors& colors) {
  if (!IsPlainName(new_name)) {
    return Status::Invalid("\"" + std::string(new_name) +
                           "\" cannot be used as an event list style name.");
  }
  const std::string target = EntryFolder(dir, Gallery::kLists, new_name);
  if (DirectoryExists(target)) {
    return Status::Busy("The event list style " + std::string(new_name) +
                        " exists already.");
  }
  if (!IsPlainName(selected_style)) {
    return Status::NotFound("Select a event list style first");
  }
  Result<std::string> source =
      ReadFileBytes(EntrySheetPath(dir, Gallery::kLists, selected_style));
  if (!source.ok()) return source.status();
  Status s = TDir::EnsureDir(target);
  if (!s.ok()) return s;
  return WriteFileAtomically(
      target + std::string(SheetFileName(Gallery::kLists)),
      EventListSheetWithColors(DecodeText(source.value()), colors));
}

std::string PlatformColorHex(std::string_view color) {
  std::string c = Trim(color);
  if (c.size() != 7 || c[0] != '#') return "00FFFFFF";
  for (size_t i = 1; i < 7; ++i) {
    if (!IsHexDigit(c[i])) return "00FFFFFF";
  }
  return "00" + ToUpper(c.substr(5, 2) + c.substr(3, 2) + c.substr(1, 2));
}

ImportedColors ImportColorsFromStyle(std::string_view style_sheet_bytes) {
  const std::string text = DecodeText(style_sheet_bytes);
  IniFile ini;
  ini.LoadFromText(text);
  auto special = [&](std::string_view key) {
    std::string v = ini.ReadString("Special", key, "#FFFFFF");
    return v.empty() ? std::string("#FFFFFF") : v;
  };
  ImportedColors colors;
  colors.grid = special("Sunday");
  colors.day = special("NoDateCell");
  colors.month_caption = special("EmptyCell");
  std::vector<std::string> values = {colors.grid, colors.day, colors.month_caption,
                                     special("Saturday")};
  for (const std::string& line : SplitLines(text)) {
    if (!ContainsText("color", line)) continue;
    for (std::string& c : HexColorsIn(line)) values.push_back(std::move(c));
  }
  // The colour picker keeps sixteen custom colours, ColorA to ColorP.
  for (size_t i = 0; i < values.size() && i < 16; ++i) {
    colors.custom_colors.push_back(std::string("Color") + static_cast<char>('A' + i) +
                                   "=" + PlatformColorHex(values[i]));
  }
  return colors;
}

ColumnWidths DefaultColumnWidths() {
  ColumnWidths widths;
  widths.widths.fill(14);
  widths.units.fill("%");
  return widths;
}

// ---- Edit and open commands ----

std::string SheetToEdit(const TDir& dir, UiSeam& ui, Gallery gallery,
                        std::string_view selected) {
  const std::string path =
      IsPlainName(selected) ? EntrySheetPath(dir, gallery, selected) : std::string();
  const bool present = !path.empty() && FileExists(path);
  std::string_view none, missing;
  switch (gallery) {
    case Gallery::kStyles:
      none = missing = "Select Style Sheet First";
      break;
    case Gallery::kTabs:
      none = "Select a tab style first";
      missing = "This Tab style does not have a style sheet";
      break;
    case Gallery::kLists:
      none = "Select a event list style first";
      missing = "This Event List style does not have a style sheet";
      break;
    case Gallery::kActionBars:
      none = missing = "This ActionBar does not have a style sheet";
      break;
    default:
      return {};
  }
  if (selected.empty()) {
    ui.ShowMessage(none);
    return {};
  }
  if (!present) {
    ui.ShowMessage(missing);
    return {};
  }
  return path;
}

Status OpenEntryFolder(const TDir& dir, UiSeam& ui, Gallery gallery,
                       std::string_view selected) {
  if (selected.empty() || !IsPlainName(selected)) {
    std::string_view message = gallery == Gallery::kStyles ? "Select Style Sheet First"
                               : gallery == Gallery::kLists ? "Select Event List First"
                                                            : "";
    if (!message.empty()) ui.ShowMessage(message);
    return Status::Invalid(std::string(message));
  }
  return dir.ShellOpen(EntryFolder(dir, gallery, selected));
}

// ---- Names ----

bool IsPlainName(std::string_view name) {
  if (Trim(name).empty() || name == "." || name == "..") return false;
  for (char c : name) {
    if (c == '/' || c == '\\' || static_cast<unsigned char>(c) < 0x20) return false;
  }
  return true;
}

std::string ProposeStyleName(const TDir& dir, std::string_view favorite_name) {
  std::string name =
      favorite_name.empty() ? "new style" : std::string(favorite_name) + " style";
  if (DirectoryExists(StyleFolderPath(dir, name))) {
    name = TDir::NextFreeName(dir.StylesDir, name);
  }
  return name;
}

// ---- StyleLibrary ----

StyleLibrary::StyleLibrary(const TDir& dir, UiSeam& ui) : dir_(dir), ui_(ui) {
  Reload();
}

void StyleLibrary::Reload() {
  const std::string keep = selected_name();
  names_ = ListGallery(dir_, Gallery::kStyles);
  selected_ = keep.empty() ? std::nullopt : FindEntry(names_, keep);
}

std::string StyleLibrary::selected_name() const {
  if (!selected_ || *selected_ < 0 || *selected_ >= static_cast<int>(names_.size())) {
    return {};
  }
  return names_[*selected_];
}

bool StyleLibrary::Select(std::string_view name) {
  std::optional<int> found = FindEntry(names_, name);
  if (!found) return false;
  selected_ = found;
  return true;
}

Status StyleLibrary::Refuse(std::string message, Status::Code code) {
  ui_.ShowMessage(message, MessageKind::kWarning);
  switch (code) {
    case Status::Code::kNotFound:
      return Status::NotFound(std::move(message));
    case Status::Code::kIoError:
      return Status::IoError(std::move(message));
    case Status::Code::kCancelled:
      return Status::Cancelled(std::move(message));
    case Status::Code::kBusy:
      return Status::Busy(std::move(message));
    default:
      return Status::Invalid(std::move(message));
  }
}

std::string StyleLibrary::StyleFolder(std::string_view name) {
  if (IsPlainName(name)) {
    std::string folder = StyleFolderPath(dir_, name);
    if (DirectoryExists(folder)) return folder;
  }
  if (names_.empty()) {
    ui_.ShowMessage("No Styles where found in the " + dir_.StylesDir +
                        " directory. You need to reinstall the application if "
                        "the problem persits. ",
                    MessageKind::kError);
    close_requested_ = true;
    return {};
  }
  std::string fallback = selected_name();
  if (fallback.empty()) fallback = names_.front();
  std::string folder = StyleFolderPath(dir_, fallback);
  if (!DirectoryExists(folder)) {
    ui_.ShowMessage("Style not Found " + folder, MessageKind::kWarning);
  }
  return folder;
}

std::string StyleLibrary::StyleSheetPath(std::string_view name) {
  std::string folder = StyleFolder(name.empty() ? selected_name() : name);
  if (folder.empty()) return {};
  std::string path = folder + std::string(kSheetName);
  if (!FileExists(path)) {
    ui_.ShowMessage("Style  " + path + " Not Found", MessageKind::kWarning);
  }
  return path;
}

std::string StyleLibrary::SelectedStyle() {
  std::string name = selected_name();
  if (!name.empty() || names_.empty()) return name;
  ui_.ShowMessage("No Calendar Style Selected. Selecting First");
  selected_ = 0;
  name = names_.front();
  if (on_apply_) on_apply_(name);
  return name;
}

Result<std::string> StyleLibrary::AddStyle(std::string_view favorite_name,
                                           const Editor& editor) {
  std::string name = ProposeStyleName(dir_, favorite_name);
  if (name.empty()) {
    return Refuse("There is no free name for a new style in " + dir_.StylesDir);
  }
  std::string folder = StyleFolderPath(dir_, name);
  Draft draft{name, StyleInfo{}, StyleCss{}};
  Status s = TDir::EnsureDir(folder);
  if (s.ok()) s = WriteStyleSheet(folder + std::string(kSheetName), draft.info, draft.css);
  if (!s.ok()) return Refuse(s.message(), s.code());

  std::optional<Draft> edited = editor ? editor(draft) : std::optional<Draft>(draft);
  if (!edited) {
    dir_.Zapdir1(folder);
    return Status::Cancelled("");
  }
  if (edited->name != name) {
    std::string renamed = StyleFolderPath(dir_, edited->name);
    std::error_code ec;
    if (IsPlainName(edited->name) && !PathExists(renamed)) {
      fs::rename(WithoutTrailingSlash(folder), WithoutTrailingSlash(renamed), ec);
    }
    if (!IsPlainName(edited->name) || ec || folder == renamed) {
      ui_.ShowMessage("The style keeps the name " + name, MessageKind::kWarning);
    } else {
      name = edited->name;
      folder = renamed;
    }
  }
  if (ui_.Ask("Save changes?", Buttons::kYesNo, Answer::kYes) != Answer::kYes) {
    dir_.Zapdir1(folder);
    return Status::Cancelled("");
  }
  s = WriteStyleSheet(folder + std::string(kSheetName), edited->info, edited->css);
  if (!s.ok()) return Refuse(s.message(), s.code());
  if (DirectoryExists(folder)) {
    Reload();
    Select(name);
  }
  return name;
}

Status StyleLibrary::RenameSelected() {
  const std::string current = selected_name();
  if (current.empty()) return Refuse("Select a style sheet first");
  std::optional<std::string> answer = ui_.AskText("Rename Style", "Enter New Name", current);
  if (!answer || *answer == current) return Status::Cancelled("");
  const std::string wanted = Trim(*answer);
  if (!IsPlainName(wanted)) {
    return Refuse("\"" + *answer + "\" cannot be used as a style name.");
  }
  std::optional<int> other = FindEntry(names_, wanted);
  const std::string target = StyleFolderPath(dir_, wanted);
  // A change of letter case only is the same style under a new spelling.
  if ((other && other != selected_) ||
      (!EqualsIgnoreCase(wanted, current) && PathExists(WithoutTrailingSlash(target)))) {
    return Refuse("A style named \"" + wanted + "\" exists already.");
  }
  std::error_code ec;
  fs::rename(WithoutTrailingSlash(StyleFolderPath(dir_, current)),
             WithoutTrailingSlash(target), ec);
  if (ec) {
    return Refuse("The style " + current + " could not be renamed: " + ec.message(),
                  Status::Code::kIoError);
  }
  names_[*selected_] = wanted;
  return Status::Ok();
}

Status StyleLibrary::DeleteSelected() {
  const std::string name = selected_name();
  if (name.empty()) return Refuse("Select a style sheet first");
  if (names_.size() == 1) {
    return Refuse("You need at least one style sheet. Will not Delete.");
  }
  if (ui_.Ask("Are you sure you want to delete style sheet \"" + name + "\"",
              Buttons::kOkCancel, Answer::kCancel) != Answer::kOk) {
    return Status::Cancelled("");
  }
  const std::string folder = StyleFolderPath(dir_, name);
  if (DirectoryExists(folder) && !dir_.Zapdir1(folder)) {
    return Refuse("The style " + name + " could not be deleted.", Status::Code::kIoError);
  }
  names_.erase(names_.begin() + *selected_);
  selected_.reset();
  return Status::Ok();
}

Status StyleLibrary::ExportStyle(std::string_view name, const std::string& target) const {
  const std::string folder = StyleFolderPath(dir_, name);
  if (!IsPlainName(name) || !DirectoryExists(folder)) {
    return Status::NotFound("Style not Found " + folder);
  }
  return store::WriteArchive(target, {{WithoutTrailingSlash(folder), ""}});
}

Status StyleLibrary::ExportSelected() {
  const std::string name = selected_name();
  if (name.empty()) return Refuse("Select a style sheet first");
  std::optional<std::string> target =
      ui_.PickPath(PickKind::kSaveFile, "Save the style as a template file", name + ".tem");
  if (!target || target->empty()) {
    return Refuse("Template not saved", Status::Code::kCancelled);
  }
  Status s = ExportStyle(name, *target);
  if (!s.ok()) return Refuse(s.message(), s.code());
  return s;
}

Result<std::string> StyleLibrary::ImportFromPick() {
  std::optional<std::string> path = ui_.PickPath(
      PickKind::kOpenFile, "Select a template file to import", dir_.InstallDir);
  if (!path || path->empty()) return Status::Cancelled("");
  return ImportTemplate(*path);
}

Result<std::string> StyleLibrary::ImportTemplate(const std::string& path) {
  std::string name = ReplaceAll(BaseName(path), ".tem", "");
  // A style listed under another letter case is the same style.
  if (std::optional<int> listed = FindEntry(names_, name)) name = names_[*listed];
  if (!IsPlainName(name)) {
    return Refuse("\"" + name + "\" cannot be used as a style name.");
  }
  // Unpacked beside the library first, so that a template with entries
  // that climb out of their folder leaves the library untouched.
  std::string pattern = WithTrailingSlash(dir_.TempDir) + "style-import-XXXXXX";
  TDir::EnsureDirQuiet(dir_.TempDir);
  if (::mkdtemp(pattern.data()) == nullptr) {
    return Refuse("The template " + path + " could not be unpacked.",
                  Status::Code::kIoError);
  }
  const std::string staging = pattern;
  auto cleanup = [&] {
    std::error_code ec;
    fs::remove_all(staging, ec);
  };
  store::ExtractOptions options;
  options.max_unpacked_bytes = kMaxTemplateBytes;
  Result<store::ExtractReport> report = store::ExtractArchive(path, staging, options);
  if (!report.ok()) {
    cleanup();
    return Refuse(report.status().message(), report.status().code());
  }
  if (!report.value().refused.empty()) {
    cleanup();
    return Refuse("The template " + path +
                  " holds files that would land outside its style folder (" +
                  report.value().refused.front() + "); it was not imported.");
  }
  if (report.value().size_limit_reached) {
    cleanup();
    return Refuse("The template " + path + " is too large to be a style; it was not imported.");
  }
  const std::string target = StyleFolderPath(dir_, name);
  std::error_code ec;
  fs::create_directories(target, ec);
  if (!ec) {
    fs::copy(staging, WithoutTrailingSlash(target),
             fs::copy_options::recursive | fs::copy_options::overwrite_existing, ec);
  }
  cleanup();
  if (ec) {
    return Refuse("The template " + path + " could not be imported: " + ec.message(),
                  Status::Code::kIoError);
  }
  Reload();
  Select(name);
  return name;
}

Status StyleLibrary::CoupleSelected(const CouplingValues& values, bool ask) {
  const std::string name = selected_name();
  if (name.empty()) return Status::Invalid("");
  if (ask &&
      ui_.Ask("This will couple this calendar style with the currently selected "
              "styles of the\nMonth Tabs, ActonBar, and EventList",
              Buttons::kOkCancel, Answer::kCancel) != Answer::kOk) {
    return Status::Cancelled("");
  }
  return WriteCoupling(StyleFolderPath(dir_, name) + std::string(kSheetName), values);
}

}  // namespace almanix::publish
