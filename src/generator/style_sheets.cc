#include "generator/style_sheets.h"

#include <cctype>
#include <cmath>
#include <optional>
#include <string>
#include <vector>

#include "app/dir.h"
#include "app/file_util.h"
#include "app/text.h"

namespace almanix::generator {
namespace {

using publish::PublishSettings;

enum class Sheet { kCalendar, kSmall, kList };

// Positions of Page.CalendarAlign's items.
constexpr int kAlignLeft = 0;
constexpr int kAlignRight = 1;

std::string Num(int value) { return std::to_string(value); }

// WCAG relative luminance of "#RRGGBB"; none for any other form of colour.
std::optional<double> RelativeLuminance(std::string_view colour) {
  if (colour.size() != 7 || colour[0] != '#') return std::nullopt;
  double channel[3];
  for (int i = 0; i < 3; ++i) {
    int value = 0;
    for (char c : colour.substr(1 + 2 * i, 2)) {
      const int digit = std::isdigit(static_cast<unsigned char>(c)) ? c - '0'
                        : (c >= 'a' && c <= 'f')                   ? c - 'a' + 10
                        : (c >= 'A' && c <= 'F')                   ? c - 'A' + 10
                                                                   : -1;
      if (digit < 0) return std::nullopt;
      value = value * 16 + digit;
    }
    const double v = value / 255.0;
    channel[i] = v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
  }
  return 0.2126 * channel[0] + 0.7152 * channel[1] + 0.0722 * channel[2];
}

class SheetBuilder {
 public:
  SheetBuilder(const PublishSettings& settings, Sheet sheet,
               std::string_view page_picture)
      : s_(settings), sheet_(sheet), picture_(page_picture) {}

  std::vector<std::string> Build() {
    Body();
    CalendarBox();
    if (sheet_ == Sheet::kCalendar) Header();
    if (sheet_ == Sheet::kSmall) SmallMenu();
    Canvas();
    if (sheet_ == Sheet::kSmall) YearPage();
    if (sheet_ != Sheet::kList) PopUpCorners();
    PopUpColour();
    Add(".Holidays {\tcolor: " + s_.Text("Contents.HolidayColor") + "; } ");
    CustomColours();
    if (sheet_ == Sheet::kSmall) SmallSizes();
    if (sheet_ == Sheet::kList) ListColours();
    EventLinks();
    if (sheet_ != Sheet::kList) EventTime();
    MenuLinks();
    if (sheet_ != Sheet::kSmall) ToolbarLinks();
    Add(".PageTitle           { text-align: center; margin:10px; font-weight:bold; "
        "font-Family: " +
        s_.Text("Page.TitleFontFamily") + "; font-size: " + s_.Text("Page.TitleSize") +
        "pt; color: " + s_.Text("Page.TitleColor") + ";  }");
    Add(".left {  float: left; } ");
    Add(".right { float: right;} ");
    if (sheet_ == Sheet::kCalendar) {
      PopUpBoxColour();
      DayCellContents();
    }
    if (sheet_ == Sheet::kSmall) MarkedCellText();
    NarrowWindow();
    // Left open on purpose: the end of the file closes it.
    if (sheet_ != Sheet::kList) Add(".header { color: " + s_.Text("Page.PageColor") + ";");
    return std::move(lines_);
  }

 private:
  void Add(std::string line) { lines_.push_back(std::move(line)); }

  int Align() const { return s_.ChoiceIndex("Page.CalendarAlign"); }

  void AlignmentMargins() {
    if (Align() != kAlignRight) Add("margin-right  : auto; ");
    if (Align() != kAlignLeft) Add("margin-left  : auto; ");
  }

  void TextAlignment() {
    switch (Align()) {
      case kAlignLeft:
        Add("text-align:left; ");
        break;
      case kAlignRight:
        Add("text-align:right; ");
        break;
      default:
        Add("text-align:center;");
        break;
    }
  }

  std::string PageWidth() const {
    return "width: " + Num(s_.Int("Page.CalendarWidth")) +
           s_.Text("Page.CalendarWidthUnits") + ";";
  }

  std::string SmallWidth() const { return "width: " + Num(s_.Int("Small.Width")) + "px;"; }

  void Body() {
    Add(" Body { background-color: " + s_.Text("Page.PageColor") + ";");
    if (s_.Bool("Page.Insert")) {
      Add(" border:0;");
      if (sheet_ == Sheet::kCalendar) Add(" overflow:visible;");
    }
    if (sheet_ == Sheet::kSmall) {
      Add(" text-align: left;");
    } else {
      Add(" text-align: " + s_.Text("Page.CalendarAlign") + "; ");
    }
    Add(" color: " + s_.Text("Page.FontColor") + "; ");
    if (!picture_.empty()) Add("background: URL('" + std::string(picture_) + "');");
    Add(" }");
  }

  void CalendarBox() {
    Add(" .Calendar { ");
    if (sheet_ == Sheet::kSmall) {
      Add(SmallWidth());
      Add("display: box;");
      Add("margin-right  : auto; ");
      Add("margin-left  : auto; ");
    } else {
      if (sheet_ == Sheet::kList) {
        Add("width: " + Num(s_.Int("List.Width") - 4) + "px;");
      } else {
        Add(PageWidth());
      }
      AlignmentMargins();
      Add("margin-top: " + Num(s_.Int("Page.CalendarMarginTop")) +
          s_.Text("Page.CalendarMarginTopUnits") + ";");
    }
    Add(" } ");
  }

  void Header() {
    Add(" #header {");
    Add(PageWidth());
    Add(" } ");
  }

  void SmallMenu() {
    Add(" .SmallMenu { ");
    Add(SmallWidth());
    Add("margin-right  : auto; ");
    Add("margin-left  : 1px; ");
    Add("text-align:center;");
    Add(" } ");
  }

  void Canvas() {
    if (sheet_ == Sheet::kSmall) {
      Add(".Canvas { ");
      Add(SmallWidth());
      Add("margin-right  : 15px; ");
      Add("margin-left  : 1px; ");
    } else {
      Add(" .Canvas { width: 97%;  ");
      if (sheet_ == Sheet::kCalendar && s_.Bool("Print.BreakPage")) {
        Add("page-break-after: always; ");
      }
      Add(s_.Bool("Page.Insert") ? "margin-right : 5px; " : "margin-right : 10px; ");
      AlignmentMargins();
    }
    TextAlignment();
    Add("}");
  }

  void YearPage() {
    for (const char* rule : {".Year_Header{ ", ".Year_Footer{ "}) {
      Add(rule);
      Add("margin-left  : auto;");
      Add("margin-right  : auto;");
      Add("}");
    }
    for (const char* line :
         {".Holiday_List { ", "width : 600px;", "margin-left  : auto;",
          "margin-right  : auto;", "}", ".Legend {", "border-width:1px;",
          "border-spacing: 5px", "margin:15px;", "font-size:8pt;", "}", "td.legend {",
          "border-width:1px;", "padding: 2px;", "-webkit-border-radius: 5px;",
          "-moz-border-radius: 5px;", "}", ".Year_Table { ", "margin-left  : auto;",
          "margin-right  : auto;", "border-width:0px;", "border-spacing: 15px; ",
          "padding-left: 15px; ", "border-collapse:seperate;", "vertical-align:center;"}) {
      Add(line);
    }
    Add("width:" + Num(s_.Int("Year.Year_CalPerRow") * s_.Int("Small.Width") + 100) +
        "px;");
    Add("}");
  }

  void PopUpCorners() {
    Add(".bpop  {");
    Add("-webkit-border-radius: 5px;");
    Add("-moz-border-radius: 5px;");
    Add("}");
  }

  void PopUpColour() {
    const std::string& colour = s_.Text("Formatting.EventPopUpColor");
    for (const char* prefix :
         {".itr:hover .bpop {\tbackground-color: ", ".itr:hover .bpopleft {\tbackground-color: ",
          ".itr:hover .bpopupright {\tbackground-color: ",
          ".itr:hover .bpopupleft {\tbackground-color: "}) {
      Add(prefix + colour + "; } ");
    }
  }

  void CustomColours() {
    if (!s_.Bool("Calendar.CustomColor")) return;
    Add((sheet_ == Sheet::kSmall ? ".MonthCaption { color: " : ".MonthCaption {\tcolor: ") +
        s_.Text("Calendar.ColorMonthCaption") + "; } ");
    Add(".Date {\tcolor: " + s_.Text("Calendar.ColorDay") + "; } ");
    Add("table.calendar {\t\tbackground-color: " + s_.Text("Calendar.ColorGrid") + "; } ");
    Add("table.calendar .Events {\t\tbackground-color: " + s_.Text("Calendar.ColorGrid") +
        "; } ");
  }

  void SmallSizes() {
    const int width = s_.Int("Small.Width");
    if (width <= 249) {
      Add(".Date { font-size:13pt; }");
      Add(".MonthCaption { font-size: 15pt; }");
    } else if (width <= 300) {
      Add(".MonthCaption { font-size: 17pt; }");
    } else if (width <= 700) {
      Add(".MonthCaption { font-size: 19pt; }");
    }
  }

  void ListColours() {
    if (!s_.Bool("List.CustomColor")) return;
    for (const char* prefix :
         {".ListEvent {\t\tbackground-color: ", ".ListEvent2 {\t\tbackground-color: ",
          ".ListDate {\t\t  background-color: ", ".ListDate2 {\t\tbackground-color: ",
          ".ListMonth {\t\tbackground-color: ", ".Downloads {\t\tbackground-color: ",
          ".ListCanvas {\t\tbackground-color: ", ".ListTable {\t\tbackground-color: "}) {
      Add(prefix + s_.Text("List.ColorGrid") + "; } ");
    }
    Add(".ListMonth {\t\tcolor: " + s_.Text("List.ColorMonthCaption") + "; } ");
    for (const char* prefix :
         {".ListDate {\tcolor: ", ".ListDate2 {\tcolor: ", ".ListDate a:link {\tcolor: ",
          ".ListDate a:visited {\tcolor: ", ".ListDate a:hover {\tcolor: ",
          ".ListDate a:active {\tcolor: ", ".ListDate2 a:link {\tcolor: ",
          ".ListDate2 a:visited {\tcolor: ", ".ListDate2 a:hover {\tcolor: ",
          ".ListDate2 a:active {\tcolor: "}) {
      Add(prefix + s_.Text("List.ColorDay") + "; } ");
    }
  }

  // An empty colour leaves the style's own: the part is left out rather
  // than written as "color: ;".
  static std::string ColourPart(const std::string& colour) {
    return Trim(colour).empty() ? "" : "; color: " + colour;
  }

  void EventLinks() {
    const std::string rest =
        s_.Text("Formatting.EventFontFamily") +
        "; font-weight:" + s_.Text("Formatting.EventFontWeight") +
        ColourPart(s_.Text("Formatting.EventFontColor")) +
        "; font-size: " + Num(s_.Int("Formatting.EventFontSzie")) +
        "pt; text-decoration: " +
        (s_.Bool("Formatting.EventUnderline") ? "underline" : "none") + ";}";
    for (const char* prefix :
         {"td.events a:link    { font-family:", "td.events a:visited { font-family:",
          "td.events a:hover   { font-family:", "td.events a:active  { font-family:"}) {
      Add(prefix + rest);
    }
    if (sheet_ != Sheet::kList) Add("td.events { font-family:" + rest);
  }

  void EventTime() {
    Add("td.events .dt { font-family:" + s_.Text("Formatting.DateFontFamily") +
        "; font-weight:" + s_.Text("Formatting.DateFontWeight") +
        ColourPart(s_.Text("Formatting.DateFontColor")) +
        "; font-size: " + Num(s_.Int("Formatting.DateFontSzie")) +
        "pt; font-style: " + s_.Text("Formatting.DateFontStyle") + "; }");
  }

  void MenuLinks() {
    const int size = s_.Int("Menu.FontSize") + (sheet_ == Sheet::kSmall ? 4 : 0);
    const std::string tail = "; font-size:" + Num(size) + "pt;}";
    Add(".NavMenu a:link    {  color: " + s_.Text("Menu.LinkColor") + tail);
    Add(".NavMenu a:visited {  color: " + s_.Text("Menu.LinkColor") + tail);
    Add(".NavMenu a:hover   {  color: " + s_.Text("Menu.LinkColorHover") + tail);
    Add(".NavMenu a:active  {  color: " + s_.Text("Menu.LinkColorActive") + tail);
  }

  void ToolbarLinks() {
    const std::string size = Num(s_.Int("ActionBar.LinkSize"));
    auto line = [&](const char* prefix, const std::string& colour) {
      Add(prefix + size + "pt; color: " + colour + "; }");
    };
    line(".ActionBar a:link    { font-size: ", s_.Text("ActionBar.LinkColor"));
    line(".ActionBar a:visited { font-size: ", s_.Text("ActionBar.LinkColor"));
    line(".ActionBar a:hover   { font-size: ", s_.Text("ActionBar.LinkColorHover"));
    line(".ActionBar a:active  { font-size: ", s_.Text("ActionBar.LinkColorActive"));
  }

  // The details box of popup.js lies outside the entry, where the hover
  // rules above do not reach it.
  void PopUpBoxColour() {
    Add("div.itr-float { background-color: " + s_.Text("Formatting.EventPopUpColor") + "; }");
  }

  // A day column is narrower than the picture of the day (160 px) in most
  // windows, and styles keep times on one line with .dt, which would cut a
  // long location off at the cell's edge: both stay inside their day.
  void DayCellContents() {
    Add("table.calendar td.events img { max-width: 100%; height: auto; }");
    Add("table.calendar td.events .dt i { white-space: normal; }");
  }

  // Small and year cells are painted solid in the event and holiday colours;
  // their day numbers take black or white, whichever reads better on them.
  void MarkedCellText() {
    for (const std::string& value : {s_.Text("Small.Eventcolor"), s_.Text("Small.Holidaycolor")}) {
      const std::string colour = Trim(value);
      const std::optional<double> luminance = RelativeLuminance(colour);
      if (!luminance) continue;
      const char* text = (*luminance + 0.05) / 0.05 >= 1.05 / (*luminance + 0.05) ? "#000000"
                                                                                   : "#FFFFFF";
      const std::string cell = "td.events[style*=\"background-color:" + colour + ";\" i]";
      Add(cell + " .Date, " + cell + " a { color: " + text + " !important; }");
    }
  }

  // Below 600 px no page may be wider than the window: widths set in pixels
  // give way, the month grid becomes a list of the days with something,
  // pictures shrink. The layout rules of the list are wrapped in :where()
  // so that a style's own rules for narrow windows win over them.
  void NarrowWindow() {
    Add("@media (max-width: 600px) {");
    Add(" .Calendar, .Canvas, #header, .SmallMenu { width: auto !important; max-width: 100%; "
        "box-sizing: border-box; margin-left: 0; margin-right: 0; }");
    Add(" body { overflow-wrap: break-word; }");
    Add(" img, .Calendar iframe, .Calendar object { max-width: 100%; height: auto; }");
    Add(" table.ActionBar { float: none; max-width: 100%; }");
    Add(" table.ActionBar tbody, table.ActionBar tr { display: flex; flex-wrap: wrap; }");
    Add(" #header ul { display: flex; flex-wrap: wrap; padding-left: 0; }");
    switch (sheet_) {
      case Sheet::kCalendar:
        Add(" table.calendar { width: 100% !important; table-layout: auto; }");
        Add(" table.calendar, table.calendar > tbody, table.calendar > tbody > tr, "
            "table.calendar > caption { display: block; }");
        // The first week's row carries the cells' class, and in pages without
        // a doctype a style's .Events rule reaches it too; as a block its
        // padding and border would box that week in narrower than the rest.
        Add(" table.calendar > tbody > tr.events { padding: 0; border-width: 0; "
            "background: none; }");
        // flow-root: a floated picture of the day stays inside its day.
        // A grid cell's fixed height would let a busy day run over the next.
        Add(" table.calendar td.events { display: flow-root; width: auto !important; "
            "height: auto !important; min-height: 0; overflow: visible; }");
        Add(" table.calendar th.Weekdays, table.calendar td.events[colspan], "
            "table.calendar td.events:not(:has(div.Date)), table.calendar td.events.day-empty "
            "{ display: none; }");
        Add(" :where(table.calendar td.events) { padding: 8px 10px; border-width: 0 0 1px 0; }");
        Add(" :where(table.calendar td.events) > br { display: none; }");
        Add(" :where(table.calendar td.events .Date[data-weekday])::before "
            "{ content: attr(data-weekday) \" \"; }");
        Add(" table.calendar td.events img { max-width: 100%; height: auto; }");
        break;
      case Sheet::kSmall:
        Add(" .Year_Table { width: auto !important; border-spacing: 0; padding-left: 0; }");
        Add(" .Year_Table, .Year_Table > tbody, .Year_Table > tbody > tr { display: block; }");
        Add(" .Year_Table > tbody > tr > td { display: inline-block; vertical-align: top; "
            "max-width: 100%; }");
        Add(" .Holiday_List { width: auto; max-width: 100%; }");
        break;
      case Sheet::kList:
        Add(" .ListCanvas, table.ListTable { width: auto !important; max-width: 100%; }");
        break;
    }
    Add("}");
  }

  const PublishSettings& s_;
  Sheet sheet_;
  std::string_view picture_;
  std::vector<std::string> lines_;
};

Status WriteSheet(std::string_view name, const std::vector<std::string>& lines,
                  const std::string& build_dir) {
  return WriteFileDirect(WithTrailingSlash(build_dir) + std::string(name),
                             JoinLines(lines));
}

}  // namespace

std::vector<std::string> CalendarCssLines(const PublishSettings& settings,
                                          std::string_view page_picture) {
  return SheetBuilder(settings, Sheet::kCalendar, page_picture).Build();
}

std::vector<std::string> SmallCssLines(const PublishSettings& settings,
                                       std::string_view page_picture) {
  return SheetBuilder(settings, Sheet::kSmall, page_picture).Build();
}

std::vector<std::string> ListCssLines(const PublishSettings& settings,
                                      std::string_view page_picture) {
  return SheetBuilder(settings, Sheet::kList, page_picture).Build();
}

std::string PreparePagePicture(const std::string& favorite_dir,
                               const std::string& build_dir) {
  if (favorite_dir.empty()) return {};
  const std::string source =
      publish::FindFavoritePicture(favorite_dir, publish::FavoritePicture::kPage);
  if (source.empty()) return {};
  const std::string name = BaseName(source);
  TDir::CopyIfPresent(source, WithTrailingSlash(build_dir) + name);
  return name;
}

Status WriteCalendarCss(const PublishSettings& settings, const std::string& favorite_dir,
                        const std::string& build_dir) {
  return WriteSheet(kCalendarCssName,
                    CalendarCssLines(settings, PreparePagePicture(favorite_dir, build_dir)),
                    build_dir);
}

Status WriteSmallCss(const PublishSettings& settings, const std::string& favorite_dir,
                     const std::string& build_dir) {
  return WriteSheet(kSmallCssName,
                    SmallCssLines(settings, PreparePagePicture(favorite_dir, build_dir)),
                    build_dir);
}

Status WriteListCss(const PublishSettings& settings, const std::string& favorite_dir,
                    const std::string& build_dir) {
  return WriteSheet(kListCssName,
                    ListCssLines(settings, PreparePagePicture(favorite_dir, build_dir)),
                    build_dir);
}

Status WriteStyleSheets(const PublishSettings& settings, const std::string& favorite_dir,
                        const std::string& build_dir) {
  // The page picture is looked up and copied once for all three sheets.
  const std::string picture = PreparePagePicture(favorite_dir, build_dir);
  Status status = WriteSheet(kCalendarCssName, CalendarCssLines(settings, picture), build_dir);
  if (status.ok()) {
    status = WriteSheet(kSmallCssName, SmallCssLines(settings, picture), build_dir);
  }
  if (status.ok()) status = WriteSheet(kListCssName, ListCssLines(settings, picture), build_dir);
  return status;
}

}  // namespace almanix::generator
