#include "generator/cal.h"

#include <algorithm>

#include "app/dates.h"
#include "app/dir.h"
#include "app/encoding.h"
#include "app/file_util.h"
#include "app/log.h"
#include "app/text.h"
#include "generator/calendar_data.h"
#include "generator/event_pages.h"
#include "generator/menu.h"
#include "generator/page_meta.h"
#include "generator/run_context.h"
#include "store/occurrence.h"

namespace almanix::generator {
namespace {

constexpr std::string_view kCrLf = "\r\n";
constexpr std::string_view kCharsetLine = "<meta charset=\"utf-8\">";
// Phones lay a page without it out 980 px wide and shrink it to a strip.
constexpr std::string_view kViewportLine =
    "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">";

// A template text without its last line end, so that it stands as lines of
// its own (or inside a tag) without adding an empty line.
std::string_view WithoutFinalLineEnd(std::string_view text) {
  if (!text.empty() && text.back() == '\n') text.remove_suffix(1);
  if (!text.empty() && text.back() == '\r') text.remove_suffix(1);
  return text;
}

bool IsDayNumber(std::string_view text) {
  std::optional<int> n = ParseInt(Trim(text));
  return n && *n != 0;
}

std::string ToText(int n) { return std::to_string(n); }

}  // namespace

CaptionParts MonthCaptionParts(const publish::StyleInfo& style, int month,
                               const std::string& build_dir) {
  CaptionParts parts;
  const std::string& photo = style.month_photos[static_cast<size_t>(month - 1)];
  int breaks = ParseInt(Trim(style.caption_height)).value_or(1);
  if (!photo.empty() && !style.photo_tile && FileExists(build_dir + photo)) {
    parts.picture_html = "<img src=\"" + photo + "\" class=photo alt=\"\" />";
  }
  if (!photo.empty() && breaks == 0) breaks = 1;
  for (int i = 0; i < breaks; ++i) parts.picture_html += "<br>";
  if (style.photo_tile) {
    parts.tile_style = "style=\"background-image:url(" + SingleQuoted(photo) + ")\"";
  }
  return parts;
}

TCal::TCal(RunContext& run) : run_(run), cells_(run, legends_) {
  small_on_ = run.s().Bool("Small.CanCreate");
  year_on_ = run.s().Bool("Year.CanCreate");
}

void TCal::Add(unsigned targets, std::string_view line) {
  auto put = [&](std::string& stream) {
    stream.append(line);
    stream.append(kCrLf);
  };
  // A page's head is written whole before its body, so both go to the
  // page's one stream, in that order.
  if (targets & kMonthBody) put(month_page_);
  if (targets & kMonthHead) put(month_page_);
  if (small_on_) {
    if (targets & kSmallBody) put(small_page_);
    if (targets & kSmallHead) put(small_page_);
  }
  if (year_on_) {
    if (targets & kYearBody) put(year_body_);
    if (targets & kYearHead) put(year_head_);
  }
}

void TCal::AddText(unsigned targets, std::string_view text) {
  if (text.empty()) return;
  Add(targets, WithoutFinalLineEnd(text));
}

std::string TCal::WeekdayHeader(int weekday, bool small) const {
  const publish::PublishSettings& s = run_.s();
  static constexpr publish::IntSetting kCols[] = {"Page.Col1", "Page.Col2", "Page.Col3",
                                                  "Page.Col4", "Page.Col5", "Page.Col6",
                                                  "Page.Col7"};
  static constexpr publish::TextSetting kUnits[] = {
      "Page.Col1_Units", "Page.Col2_Units", "Page.Col3_Units", "Page.Col4_Units",
      "Page.Col5_Units", "Page.Col6_Units", "Page.Col7_Units"};
  // The width follows the weekday, not the column it lands in.
  const std::string width = " width=" + ToText(s.Int(kCols[weekday - 1])) +
                            ReplaceAll(s.Text(kUnits[weekday - 1]), "px", "");
  const std::string name =
      run_.language.WeekdayName(weekday, small ? std::string_view(short_form_) : "Long");
  return "<th " + width + " class=\"Weekdays\">" + name + "</th>";
}

void TCal::WriteHead(bool standalone, int year, const std::vector<int>& months) {
  const publish::PublishSettings& s = run_.s();
  if (standalone) Add(kAllHeads, HtmlOpening(run_) + "<head>");
  Add(kAllHeads, kCharsetLine);
  // The shipped head text carries the line already; a favorite's own may not.
  if (ToLower(run_.texts.head).find("name=\"viewport\"") == std::string::npos) {
    Add(kAllHeads, kViewportLine);
  }
  Add(kAllHeads, "<meta name=\"GENERATOR\" content=\"" + run_.brand_short_url + " " +
                     run_.program_version + "\" >");
  // The title names the calendar and what the page shows: the month, or
  // the year for the year page and a page of several months.
  const std::string year_text = ToText(year);
  const std::string month_part =
      months.size() == 1 ? run_.language.MonthName(months[0], "Long") + " " + year_text
                         : year_text;
  Add(kMonthHead | kSmallHead, "<title>" + PageTitle(run_, month_part) + "</title>");
  Add(kYearHead, "<title>" + PageTitle(run_, year_text) + "</title>");
  if (s.Bool("RSS.Share")) {
    Add(kAllHeads, "<link href=\"" + s.Text("RSS.FileURL") +
                       "\" rel=\"alternate\" type=\"application/rss+xml\" title=\"" +
                       s.Text("RSS.Title") + "\" />");
  }
  Add(kMonthHead, "<link rel=\"stylesheet\" type=\"text/css\"  href=\"popup.css\" />");
  // Opens the event details on click, tap and focus, outside the cell.
  Add(kMonthHead, "<script type=\"text/javascript\" src=\"addlinks.js\" defer></script>");
  Add(kMonthHead, "<script type=\"text/javascript\" src=\"popup.js\" defer></script>");
  // Lets a page that embeds the calendar in a frame fit the frame to it.
  Add(kAllHeads, "<script type=\"text/javascript\" src=\"frameheight.js\" defer></script>");
  Add(kAllHeads, "<link rel=\"stylesheet\" type=\"text/css\"  href=\"style.css\" />");
  if (run_.tab_style.find("tabs") != std::string::npos) {
    Add(kMonthHead, "<link rel=\"stylesheet\" type=\"text/css\" href=\"tabs.css\" />");
  }
  Add(kMonthHead, "<link rel=\"stylesheet\" type=\"text/css\"  href=\"actionbar.css\" />");
  Add(kMonthHead, "<link rel=\"stylesheet\" type=\"text/css\"  href=\"calendar.css\" />");
  Add(kMonthHead,
      "<link rel=\"stylesheet\" type=\"text/css\"  media=\"print\" href=\"print.css\" />");
  Add(kSmallHead | kYearHead, "<link rel=\"stylesheet\" type=\"text/css\"  href=\"small.css\" />");
  if (s.Bool("List.Box")) {
    Add(kAllHeads,
        "<link rel=\"stylesheet\" href=\"thickbox.css\" type=\"text/css\" media=\"screen\" />");
    Add(kAllHeads, "<script type=\"text/javascript\" src=\"jquery.js\"></script>");
    Add(kAllHeads, "<script type=\"text/javascript\" src=\"thickbox.js\"></script>");
  }
  // What search engines read of the page's events.
  if (!months.empty()) {
    const std::string events =
        EventJsonLd(run_, run_.merged() ? run_.categories : run_.CellCategories(), EncodeDate(year, months.front(), 1),
                    EncodeDate(year, months.back(), DaysInMonth(year, months.back())));
    if (!events.empty()) Add(kMonthHead, events);
  }
  AddText(kAllHeads, run_.texts.head);
  if (s.Bool("Contents.ShowEmail")) {
    Add(kAllHeads,
        "<Script Language=\"JavaScript\"> function load() { var load = window.open("
        "'email.html','','scrollbars=no,menubar=no,height=300,width=300,resizable=yes,"
        "toolbar=no,location=no,status=no') } </Script> ");
  }
  if (standalone) Add(kAllHeads, "</head>");
}

void TCal::WriteBodyStart(int year, int month, const std::string& small_menu,
                          const std::string& month_menu) {
  const publish::PublishSettings& s = run_.s();
  Add(kMonthBody | kSmallBody, "<body>");
  if (pages_written_ > 0) Add(kYearBody, "</td><td>");
  const int per_row = s.Int("Year.Year_CalPerRow");
  if (per_row > 0 ? pages_written_ % per_row == 0 : pages_written_ == 0) {
    Add(kYearBody, "</tr><tr><td>");
  }
  AddText(kMonthBody, run_.texts.header);
  Add(kSmallBody, "<div class=\"SmallMenu\">" + small_menu + "</div>");
  Add(kAllBodies, "<div class=\"Calendar\">");
  const std::string& logo = s.Text("Page.Logo");
  if (!logo.empty() && run_.BuildFileExists(logo)) {
    if (s.Bool("Page.LogoCenter")) Add(kMonthBody, "<center>");
    Add(kMonthBody, "<img src=\"" + logo + "\" border=0 alt=\"" + HtmlText(CalendarName(run_)) +
                        "\" >");
    if (s.Bool("Page.LogoCenter")) Add(kMonthBody, "</center>");
  }
  if (!Trim(s.Text("Page.Title")).empty()) {
    Add(kMonthBody, "<div class=PageTitle>" + s.Text("Page.Title") + "</div>");
  }
  AddText(kMonthBody, run_.texts.below_title);
  if (!s.Bool("ActionBar.Bottom") && s.Bool("Contents.ShowActionBar")) {
    Add(kMonthBody, Toolbar(run_, year, month));
  }
  Add(kMonthBody, month_menu);
}

void TCal::WriteMonthGrid(int year, int month) {
  const publish::PublishSettings& s = run_.s();
  const std::string english = std::string(LongMonthName(month));
  Add(kAllBodies, "");
  Add(kAllBodies, "<a name=" + english + "></a>");
  Add(kAllBodies, "");
  Add(kAllBodies, "<div class=Canvas >");
  Add(kAllBodies, "<table class=calendar  cellspacing=\"0\" >");

  const CaptionParts caption = MonthCaptionParts(style_, month, run_.build_dir);
  const std::string month_name =
      run_.language.MonthName(month, style_.date_format == "Long" ? "Long" : "Short");
  const std::string caption_template(WithoutFinalLineEnd(run_.texts.caption));
  const std::string caption_text =
      style_.photo_captioned ? "" : caption_template + month_name + " " + ToText(year);
  if (style_.photo_position == "BelowCaption") {
    Add(kMonthBody, "<caption class=monthcaption  " + caption.tile_style + ">" + caption_text +
                        caption.picture_html + "</caption>");
  } else {
    Add(kMonthBody, "<caption class=monthcaption  " + caption.tile_style + "> " +
                        caption.picture_html + caption_text + "</caption>");
  }
  Add(kSmallYearBodies, "<caption class=monthcaption  >" + caption_template + month_name + " " +
                            ToText(year) + "</caption>");

  const int order[2][7] = {{1, 2, 3, 4, 5, 6, 7}, {2, 3, 4, 5, 6, 7, 1}};
  for (int d : order[week_start_ == 2 ? 1 : 0]) Add(kMonthBody, WeekdayHeader(d, false));
  for (int d : order[week_start_ == 2 ? 1 : 0]) Add(kSmallYearBodies, WeekdayHeader(d, true));
  Add(kAllBodies, "<tr class=\"events\">");

  const std::vector<DayRecord>& rows = run_.data->MonthDays(*run_.db, year, month);
  const std::vector<int> query_categories =
      run_.merged() ? run_.categories : run_.CellCategories();
  const std::vector<const EventRecord*>& events =
      run_.data->MonthEvents(query_categories, month);

  const int lead = store::LeadingBlanks(week_start_, EncodeDate(year, month, 1));
  const std::string& no_date = style_.no_date_cell;
  const std::string lead_attr =
      BackgroundStyleAttr(!Trim(no_date).empty() ? no_date : style_.empty_cell);
  for (int i = 0; i < lead; ++i) {
    Add(kAllBodies, "<td valign=\"top\"  class=\"events\" " + lead_attr + " >");
    Add(kMonthBody, "<br /><br /><br />");
    Add(kAllBodies, "</td>");
  }
  int cells = lead;
  for (const DayRecord& row : rows) {
    if (!IsDayNumber(row.i_day)) continue;
    WriteDayCell(year, month, row, events, cells);
    ++cells;
  }
  const int rest = cells % 7 == 0 ? 0 : 7 - cells % 7;
  if (rest > 0) {
    Add(kAllBodies, "<td valign=\"top\"  colspan=" + ToText(rest) + " class=\"events\" " +
                        BackgroundStyleAttr(no_date) + " ></td>");
  }
  Add(kAllBodies, "</tr></table></div>");
  if (s.Bool("Formatting.ShowSingleHTMLPage")) Add(kAllBodies, "<br clear=all />");
}

void TCal::WriteDayCell(int year, int month, const DayRecord& row,
                        const std::vector<const EventRecord*>& events, int cells) {
  const publish::PublishSettings& s = run_.s();
  CellDay day;
  day.row = &row;
  day.year = year;
  day.month = row.i_month;
  day.dow = row.day_of_week;
  day.day = row.i_day;
  day.date = row.dt;
  const std::string& content = cells_.RenderDayCell(run_.CellCategories(), events, day);
  const std::string& cell_color = cells_.cell_color();

  const int dow = ParseInt(Trim(row.day_of_week)).value_or(0);
  const std::string weekday_color =
      dow >= 1 && dow <= 7 ? style_.weekday_colors[static_cast<size_t>(dow - 1)] : "";
  const bool empty = TrimView(content).empty();
  std::string attr;
  if (empty) attr = BackgroundStyleAttr(style_.empty_cell);
  if (!Trim(weekday_color).empty()) attr = BackgroundStyleAttr(weekday_color);
  if (row.enabled != "T" && !Trim(style_.no_date_cell).empty()) {
    attr = BackgroundStyleAttr(style_.no_date_cell);
  }
  if (!cell_color.empty()) attr = BackgroundStyleAttr(cell_color);

  std::string mark;
  std::string tail;  // after the content
  if (!empty) {
    mark = s.Text("Small.Eventcolor") + ";";
    if (cells_.event_count() == 1) tail = "<br /><br />";
  } else {
    for (int i = 0; i < s.Int("Page.Row_Height") + 1; ++i) tail += "<br />";
    mark = weekday_color;
  }
  const std::string& holiday = row.Holiday(s.Text("Contents.Holiday"));
  if (!holiday.empty()) {
    mark = s.Text("Small.Holidaycolor") + ";";
    if (s.Bool("Year.AddHolidays")) {
      UniqueList& list = legends_.year_holiday_list;
      list.Add(run_.language.MonthName(month, "Short") + ". " + row.i_day + " - " + holiday);
      const size_t per_row = static_cast<size_t>(std::max(0, s.Int("Year.Year_CalPerRow")));
      list.Append((list.size() + 1) % (per_row + 1) == 0
                      ? "<br>"
                      : "&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;");
    }
  }
  if (!cell_color.empty()) mark = cell_color;

  if (cells % 7 == 0) Add(kAllBodies, "</tr><tr>");

  const std::string background = ToText(year) + row.i_month + row.i_day + "background";
  std::string bg;
  if (run_.BuildFileExists(background + ".gif")) {
    bg = background + ".gif";
  } else if (run_.BuildFileExists(background + ".jpg")) {
    bg = background + ".jpg";
  }
  if (!bg.empty()) {
    Add(kMonthBody,
        "<td valign=\"top\"  class=\"events\"  background=\"" + bg + "\"" + attr + " >");
  } else {
    Add(kMonthBody, "<td valign=\"top\"  class=\"events\" " + attr + " >");
  }
  Add(kSmallYearBodies, "<td valign=\"top\"  class=\"events\" " + BackgroundStyleAttr(mark) + " >");

  const std::string date_div = "<div class=\"Date\" >" + row.i_day + "<br /></div>";
  if (s.Bool("List.CanCreate")) {
    const std::string anchor =
        "EventList" + ToText(year) + run_.extension + "#M" + row.i_month + "D" + row.i_day;
    const std::string target =
        s.Bool("List.NewWindow") ? " target=\"_blank\"" : " target=\"_top\" ";
    Add(kMonthBody | kYearBody, "<a href=\"" + anchor + ThickboxSuffix(run_, "thickbox") + " " +
                                    target + " >" + date_div + "</a>");
    Add(kSmallBody, "<a href=\"" + anchor + "\" " + " TARGET=\"_top\" " + " >" + date_div + "</a>");
  } else {
    Add(kAllBodies, date_div);
  }
  // The content goes straight into the page: it is most of the page.
  if (!empty) month_page_ += content;
  month_page_ += tail;
  month_page_ += kCrLf;
  Add(kAllBodies, "</td>");
}

Status TCal::WriteMonthPage(const std::string& output, int year, const std::vector<int>& months,
                            const std::string& small_menu, const std::string& month_menu,
                            const std::string& output_file, std::string_view style_name,
                            int month) {
  const publish::PublishSettings& s = run_.s();
  IgnoreResult(TDir::EnsureDir(output), "a missing folder fails the page's own save");

  std::string embed_template;
  bool has_template = false;
  if (!run_.dir->FavoriteDir.empty()) {
    if (auto bytes = ReadFileBytes(run_.dir->FavoriteDir + "embed.html"); bytes.ok()) {
      embed_template = DecodeText(bytes.value());
      has_template = true;
    }
  }

  month_page_.clear();
  cells_.NewPage();
  small_page_.clear();
  year_head_.clear();
  // The style's sheet is read once per run rather than once per page: the
  // run writes its pages from it and never writes the sheet itself.
  const std::string style_path = run_.dir->StylesDir + std::string(style_name) + "/Style.css";
  if (style_path != style_path_) {
    style_ = publish::ReadStyleInfo(style_path);
    style_path_ = style_path;
  }
  const bool standalone = !s.Bool("Page.Embed");
  // A conf.ini that starts the week on neither day gets a Sunday start.
  week_start_ = s.Bool("Publish.StartMonday") ? 2 : 1;
  short_form_ = s.Int("Small.Width") < 250 ? "Tiny" : "Short";

  WriteHead(standalone, year, months);
  month_head_size_ = month_page_.size();
  WriteBodyStart(year, month, small_menu, month_menu);
  for (int m : months) WriteMonthGrid(year, m);

  Add(kAllBodies, "");
  if (s.Bool("ActionBar.Bottom") && s.Bool("Contents.ShowActionBar")) {
    Add(kMonthBody, Toolbar(run_, year, month));
  }
  if (std::string help = MonthLinkHelpLine(run_); !help.empty()) Add(kMonthBody, help);
  AddText(kMonthBody, run_.texts.footer);
  Add(kAllBodies, "</div>");
  if (standalone) Add(kMonthBody, "</body></html>");

  if (year_on_ && pages_written_ == 0) {
    year_body_ = year_head_ + "<body><center><div class=PageTitle>" + s.Text("Page.Title") +
                 "</div><div class=\"Year_Header\" >" +
                 std::string(WithoutFinalLineEnd(run_.texts.year_header)) +
                 "</div><table class=\"Year_Table\" > <tr>" + year_body_;
  }
  ++pages_written_;

  Status status = !standalone && has_template
                      ? run_.SaveFile(output_file, EmbeddedPage(embed_template))
                      : run_.SaveFile(output_file, month_page_);

  if (small_on_) {
    if (std::string help = SmallLinkHelpLine(run_); !help.empty()) Add(kSmallBody, help);
    WriteSmallLegend();
    Status small = run_.SaveFile(
        output + "Small" + run_.MonthFileName(months.front()) + ToText(year) + run_.extension,
        small_page_);
    if (status.ok()) status = small;
  }
  return status;
}

std::string TCal::EmbeddedPage(const std::string& embed_template) const {
  const publish::PublishSettings& s = run_.s();
  const std::string_view head = std::string_view(month_page_).substr(0, month_head_size_);
  const std::string_view body = std::string_view(month_page_).substr(month_head_size_);
  // The month head goes into the person's own page template, before the
  // line that opens its head.
  std::string lines_text;
  size_t head_at = std::string::npos;
  for (const std::string& line : SplitLines(embed_template)) {
    const std::string lower = ToLower(line);
    if (head_at == std::string::npos &&
        (lower.find("<head") != std::string::npos || lower.find("< head") != std::string::npos)) {
      head_at = lines_text.size();
    }
    lines_text += line;
    lines_text += kCrLf;
  }
  // The keyword is looked for in the template's own text: the inserted head
  // always names calendar.css, and the calendar must not land inside it.
  const std::string& keyword = s.Text("Page.EmbedKeyword");
  const size_t at = keyword.empty() ? std::string::npos
                                    : ToLower(lines_text).find(ToLower(keyword));
  if (at == std::string::npos) return month_page_;
  std::string page;
  auto part = [&](size_t from, size_t to) {
    for (size_t i = from; i < to; ++i) {
      if (i == head_at) page += head;
      if (i == at) {
        page += keyword + " ";
        page += body;
        i += keyword.size() - 1;
        continue;
      }
      page += lines_text[i];
    }
  };
  part(0, lines_text.size());
  return page;
}

void TCal::WriteSmallLegend() {
  const publish::PublishSettings& s = run_.s();
  // Written straight into the page: a busy month's legend is most of it.
  if (small_on_) {
    small_page_ += "<div class=\"Holiday_List\" ><div>";
    if (s.Bool("Small.Legend")) {
      small_page_ += "<br><table class=\"Legend\" ><tr>";
      for (const std::string& row : legends_.small_legend_rows.items()) {
        small_page_ += row;
        small_page_ += "</tr><tr>";
      }
      small_page_ += "</tr></table><br>";
    }
    small_page_ += "</div></div>";
    small_page_ += kCrLf;
  }
  legends_.small_legend_rows.Clear();
  Add(kSmallBody, "<div class=\"small_Footer\" >" +
                      std::string(WithoutFinalLineEnd(run_.texts.footer)) + "</div>");
}

Status TCal::FinishYearPage(const std::string& path) {
  if (!year_on_) return Status::Ok();
  const publish::PublishSettings& s = run_.s();
  Add(kYearBody, "</td></tr></table>");
  std::string legend;
  if (s.Bool("Year.Legend")) {
    std::vector<std::string> rows = {
        "<td " + BackgroundStyleAttr(s.Text("Small.Holidaycolor")) +
            " > &nbsp;&nbsp;&nbsp;&nbsp;&nbsp;  </td><td>" + run_.Phrase("Holiday") + "</td>",
        "<td " + BackgroundStyleAttr(s.Text("Small.Eventcolor")) +
            " > &nbsp;&nbsp;&nbsp;&nbsp;&nbsp; </td><td>" + run_.Phrase("Events") + "</td>"};
    const auto& more = legends_.year_legend_rows.items();
    rows.insert(rows.end(), more.begin(), more.end());
    legend = "<br><table class=\"Legend\" ><tr>";
    for (size_t i = 0; i < rows.size(); ++i) {
      legend += rows[i];
      if ((i + 1) % 3 == 0) legend += "</tr><tr>";
    }
    legend += "</tr></table><br>";
  }
  std::string holidays;
  for (const std::string& entry : legends_.year_holiday_list.items()) {
    holidays += entry;
    holidays += kCrLf;
  }
  Add(kYearBody, "<div class=\"Holiday_List\" ><div>" + legend + holidays + "</div></div>");
  Add(kYearBody, "<div class=\"Year_Footer\" >" +
                     std::string(WithoutFinalLineEnd(run_.texts.footer)) + "</div>");
  const std::string subscribe = SubscribeBlock(run_);
  if (!subscribe.empty()) Add(kYearBody, subscribe);
  Add(kYearBody, "</center>");
  Add(kYearBody, "</body>");
  Add(kYearBody, "</html>");
  return run_.SaveFile(path, year_body_);
}

}  // namespace almanix::generator
