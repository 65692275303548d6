#include "generator/event_list.h"

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <system_error>

#include "app/dates.h"
#include "app/dir.h"
#include "app/encoding.h"
#include "app/file_util.h"
#include "app/log.h"
#include "app/text.h"
#include "app/ui_seam.h"
#include "generator/calendar_data.h"
#include "generator/day_cell.h"
#include "generator/event_pages.h"
#include "generator/generator.h"
#include "generator/page_meta.h"
#include "generator/run_context.h"
#include "store/occurrence.h"

namespace almanix::generator {
namespace fs = std::filesystem;

namespace {

constexpr std::string_view kCrLf = "\r\n";
constexpr std::string_view kCharsetLine = "<meta charset=\"utf-8\">";
constexpr std::string_view kViewportLine =
    "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">";

std::string WithoutFinalLineEnd(std::string_view text) {
  if (!text.empty() && text.back() == '\n') text.remove_suffix(1);
  if (!text.empty() && text.back() == '\r') text.remove_suffix(1);
  return std::string(text);
}

// A page assembled line by line, each line ending in CR LF.
// The page goes out to its file in parts as it grows: a year's list of a
// large calendar runs to a hundred megabytes.
class PageText {
 public:
  explicit PageText(const std::string& path) : sink_(path) {}
  void Add(std::string_view line) {
    sink_.Append(line);
    sink_.Append(kCrLf);
  }
  // Part of a line: the next Add ends it.
  void Put(std::string_view part) { sink_.Append(part); }
  // A template text as lines of its own, without an extra empty line.
  void AddText(std::string_view text) {
    if (!text.empty()) Add(WithoutFinalLineEnd(text));
  }
  Status Finish(const RunContext& run) { return run.Record(sink_.path(), sink_.Finish()); }
  FileSink& sink() { return sink_; }

 private:
  FileSink sink_;
};

// The text with each line break written "<br />", straight into the page.
void PutWithBreaks(std::string_view text, FileSink& page) {
  size_t pos = 0;
  for (size_t nl = text.find('\n'); nl != std::string_view::npos; nl = text.find('\n', pos)) {
    page.Append(text.substr(pos, nl - pos));
    page.Append("<br />");
    pos = nl + 1;
  }
  page.Append(text.substr(pos));
}

bool SameContent(const std::string& a, const std::string& b) {
  if (!FileExists(a) || !FileExists(b)) return false;
  std::error_code ec;
  const std::uintmax_t size = fs::file_size(a, ec);
  if (ec || fs::file_size(b, ec) != size || ec) return false;
  Result<std::string> x = ReadFileBytes(a), y = ReadFileBytes(b);
  return x.ok() && y.ok() && x.value() == y.value();
}

bool IsDayPicture(std::string_view f) {
  return f == "background.gif" || f == "background.jpg" || f == "picture.jpg" || f == "picture.gif";
}

// The name a day's file has in the output folder. The month pages copied it
// under its own name unless that name was taken, then under the dated name;
// which one happened depends on the order they met the files, so the copy
// itself tells: the own name when that file is this one. A day no month page
// wrote (the month pages of a style of type "EventList" are lists, which
// never copied before) gets its copy here by the same naming rule, so its
// link is not dead.
std::string OutputName(const RunContext& run, const std::string& folder, const std::string& f,
                       const std::string& dated, const std::string& out) {
  const bool day_picture = IsDayPicture(f);
  if (!day_picture && SameContent(folder + f, out + f)) return f;
  if (PathExists(out + dated)) return dated;
  const std::string target = day_picture || PathExists(out + f) ? dated : f;
  IgnoreResult(run.CopyFile(folder + f, out + target),
               "counted in the run's result; the link stays");
  return target;
}

// The published months as "year-month" texts in double quotes, joined by
// commas, for the ticked years; and those years.
}  // namespace

Status Telist::WriteEventListPage(const std::string& output, int year,
                                  const std::vector<int>& months, const std::string& menu,
                                  const std::string& output_file, std::string_view) {
  const publish::PublishSettings& s = run_.s();
  const std::string year_text = std::to_string(year);
  // With the switch off the year's list goes, but an "EventList" style's
  // month pages are the whole calendar: without them every link is dead.
  const bool year_list = BaseName(output_file) == "EventList" + year_text + run_.extension;
  if (!s.Bool("List.CanCreate") && year_list) return Status::Ok();
  IgnoreResult(TDir::EnsureDir(output), "a missing folder fails the page's own save");
  entry_texts_.Clear();
  candidates_list_ = nullptr;
  add_links_.NewPage();
  const std::string& target = s.Text("Formatting.Target");
  target_ = target.empty() ? "_parent" : target;
  group_events_ = run_.categories.size() > 1 && s.Bool("Contents.GroupEvents");

  // The year's list says so; an "EventList" style's month page names its month.
  const std::string title_part =
      !year_list && months.size() == 1
          ? run_.language.MonthName(months[0], "Long") + " " + year_text
          : run_.Phrase("Events") + " " + year_text;
  PageText page(output_file);
  page.Add(HtmlOpening(run_) + "<head><title>" + PageTitle(run_, title_part) +
           "</title>");
  page.Add(kCharsetLine);
  page.Add(kViewportLine);
  if (s.Bool("RSS.Share")) {
    page.Add("<link href=\"" + s.Text("RSS.FileURL") +
             "\" rel=\"alternate\" type=\"application/rss+xml\" title=\"" + s.Text("RSS.Title") +
             "\" />");
  }
  if (run_.tab_style.find("tabs") != std::string::npos && s.Bool("Contents.ShowList") &&
      s.Bool("List.CanCreate")) {
    page.Add("<link rel=\"stylesheet\" type=\"text/css\" href=\"tabs.css\" />");
  }
  if (s.Bool("List.Box") && run_.dir) {
    const std::string from = WithTrailingSlash(run_.dir->ThickboxDir);
    for (std::string_view name : {"thickbox.js", "thickbox.css", "jquery.js", "loading.gif"}) {
      IgnoreResult(run_.CopyFile(from + std::string(name),
                                 WithTrailingSlash(output) + std::string(name)),
                   "counted in the run's result; the page goes on without it");
    }
  }
  for (std::string_view sheet : {"eventlist.css", "popup.css", "actionbar.css", "list.css"}) {
    page.Add("<link rel=\"stylesheet\" type=\"text/css\"   href=\"" + std::string(sheet) + "\" />");
  }
  // Lets a page that embeds the list in a frame fit the frame to it.
  page.Add("<script type=\"text/javascript\" src=\"frameheight.js\" defer></script>");
  page.Add("<script type=\"text/javascript\" src=\"addlinks.js\" defer></script>");
  if (!months.empty()) {
    const std::string events =
        EventJsonLd(run_, run_.merged() ? run_.categories : run_.CellCategories(), EncodeDate(year, months.front(), 1),
                    EncodeDate(year, months.back(), DaysInMonth(year, months.back())));
    if (!events.empty()) page.Add(events);
  }
  page.Add("</head>");

  page.Add("<body>");
  page.AddText(run_.texts.header);
  page.Add("<div class=Calendar>");
  const std::string& title = s.Text("Page.Title");
  page.Add("<div class=PageTitle>" +
           (Trim(title).empty() ? run_.Phrase("Upcoming Events") : title) + "</div>");
  if (s.Bool("ActionBar.LinkCalendar")) {
    page.Add("<table class=ActionBar cellspacing=5 cellpadding=2 color=white border=0 align=left>");
    if (s.Bool("List.NewWindow")) {
      page.Add(
          "<tr><td><img src=\"goback.gif\" border=0 alt=\"\">&nbsp;&nbsp;<A href=\"javascript: "
          "self.close ()\">" +
          run_.Phrase("Calendar View") + "</a></td>");
    } else {
      page.Add("<tr><td><img src=\"goback.gif\" border=0 alt=\"\">&nbsp;&nbsp;<a href=\"Calendar.html\">" +
               run_.Phrase("Calendar View") + "</a></td>");
    }
    page.Add("</tr></table><br clear=all> ");
  }
  page.Add(menu);

  std::string pending_anchors;
  for (size_t j = 0; j < months.size(); ++j) {
    const int m = months[j];
    if (run_.ui) {
      run_.ui->Progress(
          static_cast<int>(50 + static_cast<double>(j) / static_cast<double>(months.size()) * 40),
          100);
    }
    const std::vector<const EventRecord*>& events = run_.data->MonthEvents(run_.categories, m);
    const std::vector<DayRecord>& days = run_.data->MonthDays(*run_.db, year, m);
    page.Add("");
    page.Add("<a name=" + std::string(LongMonthName(m)) + "></a>");
    if (j == 0) {
      page.Add("");
      page.Add("<div class=\"ListCanvas\" >");
      page.Add("<center><table class=\"ListTable\" >");
    }
    int row = 0;
    for (const DayRecord& day : days) {
      // Filler rows of the grid are no days: they get no anchor.
      if (Trim(day.i_day).empty()) continue;
      if (!GatherDay(day, year, events)) {
        pending_anchors += "<a name=M" + std::to_string(m) + "D" + day.i_day + "></a>";
        continue;
      }
      if (row == 0) {
        page.Add("</table></center>");
        page.Add("<center><table class=\"ListTable\" >");
        page.Add("<tr> <td colspan=2 class=ListMonth  > " + run_.language.MonthName(m, "Long") +
                 "</td></tr>");
      }
      page.Add("<tr class=\"events\" ><td>");
      page.Put(pending_anchors);
      PutDayRow(page.sink(), day, year, m, row);
      page.Add("</td></tr>");
      pending_anchors.clear();
      ++row;
    }
  }
  // The days after the last one with content keep their anchors at the end
  // of the list, so their links from the month pages still land here.
  if (!months.empty()) page.Add(pending_anchors + "</tr></table></div></center>");

  page.Add("</div>");
  const std::string subscribe = SubscribeBlock(run_);
  if (!subscribe.empty()) page.Add(subscribe);
  page.Add("");
  page.AddText(run_.texts.footer);
  page.Add("</body></html>");
  return page.Finish(run_);
}

bool Telist::GatherDay(const DayRecord& day, int year,
                       const std::vector<const EventRecord*>& events) {
  const publish::PublishSettings& s = run_.s();
  // Asked before the day's files are copied: one of them may bear the
  // icon's name.
  holiday_part_.clear();
  const std::string& holiday = day.Holiday(s.Text("Contents.Holiday"));
  if (!holiday.empty()) {
    holiday_part_ = "<div class=\"holidays\">";
    const std::string icon_file = HolidayIconName(holiday) + ".gif";
    if (s.Bool("Contents.ShowHolidayIcons") && run_.BuildFileExists(icon_file)) {
      holiday_part_.append("<img src=\"").append(icon_file).append("\" border=0 align=left alt=\"");
      holiday_part_.append(HtmlText(holiday)).append("\">");
    }
    // The block's line break is a line end of the page, which are CR LF.
    holiday_part_.append(holiday).append(kCrLf).append("</div>");
  }
  notes_.clear();
  for (int c : run_.categories) {
    const std::string& note = day.Note(c);
    if (!note.empty()) notes_.append(note).push_back('\n');
  }
  events_part_.clear();
  const store::DayKey key = store::DayKey::For(day.dt);
  candidates_list_ = nullptr;
  for (int c : run_.categories) CategoryEntries(c, events, key, day);
  run_.language.ExpandMacrosIn(&events_part_);
  downloads_part_.clear();
  if (s.Bool("Publish.Attachments")) downloads_part_ = Downloads(day, year);
  return !events_part_.empty() || !notes_.empty() || !downloads_part_.empty();
}

void Telist::PutDayRow(FileSink& page, const DayRecord& day, int year, int month,
                       int row_index) {
  const bool even = row_index % 2 == 0;
  const int dow = ParseInt(Trim(day.day_of_week)).value_or(0);
  std::string& r = row_text_;
  r.clear();
  r.append("<a name=M").append(day.i_month).append("D").append(day.i_day).append("></a>");
  r += "<table width=100% class=\"ListTableDay\"  ><tr>";
  r += even ? "<td class=\"ListDate2\" ><font size=-2>" : "<td class=\"ListDate\" ><font size=-2>";
  r += run_.language.MonthName(month, "Long");
  r += "&nbsp;";
  r += std::to_string(year);
  r += even ? "</font><br>" : "</font><br> ";
  r.append("<a href=").append(MonthPageHref(year, month, day)).append(" target=_top >");
  r.append(day.i_day).append("</a><br><font size=-3>");
  r.append(run_.language.WeekdayName(dow, "Long")).append("</font></td>");
  r += even ? "<td class=\"ListEvent2\" >" : "<td class=\"ListEvent\" >";
  if (!notes_.empty()) {
    r += "<br>";
    page.Append(r);
    PutWithBreaks(notes_, page);
    r.clear();
  }
  r += "<br>";
  r += holiday_part_;
  page.Append(r);
  PutWithBreaks(events_part_, page);
  r = "</td>";
  if (!downloads_part_.empty()) {
    r.append("<td  class=\"downloads\"  bgcolor=").append(even ? "white" : "#FFFFFF");
    r.append(" ><center><b>Downloads:</b><br></center><br>").append(downloads_part_);
    r += "</td>";
  }
  r += "</tr></table>";
  page.Append(r);
}

std::string Telist::MonthPageHref(int year, int month, const DayRecord& day) const {
  const std::string year_text = std::to_string(year);
  if (run_.s().Bool("Formatting.ShowSingleHTMLPage")) {
    // All months share the page named after the year's first month; each
    // month has its anchor there.
    const std::vector<int> months = run_.MonthsOf(year);
    const int first = months.empty() ? month : months.front();
    return run_.MonthFileName(first) + year_text + run_.extension + "#" +
           std::string(LongMonthName(month));
  }
  return run_.MonthFileName(month) + year_text + run_.extension + "#M" + day.i_month + "D";
}

void Telist::CategoryEntries(int category, const std::vector<const EventRecord*>& events,
                             const store::DayKey& key, const DayRecord& day) {
  if (run_.ui) run_.ui->ProcessEvents();
  if (Trim(day.i_day).empty()) return;

  if (candidates_list_ != &events || candidates_day_ != key.day) {
    candidates_ = &CandidatesOn(run_.data, events, key, &scratch_);
    candidates_list_ = &events;
    candidates_day_ = key.day;
  }
  // Appended in place: a year's list runs to a million entries, and joining
  // temporaries copied each one several times.
  std::string& entry = events_part_;
  const size_t start = entry.size();
  for (size_t k = 0; k < candidates_->events.size(); ++k) {
    if (!candidates_->Names(k, category)) continue;
    const EventRecord& e = *candidates_->events[k];
    const EntryTexts& texts = EntryTextsOf(e);
    entry.append(texts.text, 0, texts.data);
    AppendAddLinkData(OccurrenceOf(e, category, day.dt), add_links_, &entry);
    entry.append(texts.text, texts.data, std::string::npos);
  }
  if (group_events_ && entry.size() > start) {
    entry.insert(start, "<div class=calendarname >  " + run_.CategoryName(category) + "</div>");
    entry += "\n";
  }
}

const Telist::EntryTexts& Telist::EntryTextsOf(const EventRecord& e) {
  auto [texts, added] = entry_texts_.Get(e);
  if (!added) return *texts;
  std::string& text = texts->text;
  text.append("<b><font size=+1>").append(e.summary).append("</font></b><br>");
  text += MakeListTimeText(e);
  if (!e.location.empty()) text.append("<br><i>").append(e.location).append("</i></div>");
  const bool details = !e.description.empty();
  if (details) text.append("\n<div Style=\"margin-left: 0.5em;\">").append(e.description);
  // The bare prefix the editor puts in the field is no address, in any case.
  if (!e.url.empty() && !EqualsIgnoreCase(e.url, "http://")) {
    std::string name =
        ReplaceAll(ReplaceAll(e.link_description, "http://www.", ""), "Link Name", e.summary);
    if (Trim(name).empty()) name = e.summary;
    text.append("<br><a href=").append(QuotedUrl(e.url)).append(" target=").append(target_);
    text.append(" ><u>").append(name).append("</u></a>");
  }
  text.append("<br>").append(kAddToCalendarOpening);
  texts->data = text.size();
  AppendAddToCalendarClosing(run_, e, add_links_, &text);
  if (details) text += "<hr></div>\n";
  text += "<br>";
  return *texts;
}

std::string Telist::MakeListTimeText(const EventRecord& e) const {
  const publish::PublishSettings& s = run_.s();
  EventTimes times = FormattedTimes(e, s.Text("Formatting.TimeFormat"));
  // An all-day event still tells when it ends.
  if (e.allday == "T") times.start.clear();
  if (e.show_start_time == "F") times.start.clear();
  if (e.show_end_time == "F") times.end.clear();
  std::string text = JoinTimes(times);
  text += "&nbsp;";

  if (e.show_end_time == "T" && !e.e_date_time.empty()) {
    std::optional<double> sv = ParseDouble(e.s_date_time), ev = ParseDouble(e.e_date_time);
    if (sv && ev && DatePart(*sv) != DatePart(*ev)) {
      const std::string& date_pattern = s.Text("Formatting.DateFormat");
      text += "\n" + ToLower(FormatDateTime(date_pattern, DatePart(*sv))) + "-" +
              ToLower(FormatDateTime(date_pattern, DatePart(*ev)));
    }
  }

  std::string r = text;
  if (s.Bool("Formatting.ShowBullets") && e.allday != "T") r = "&bull;&nbsp;" + text;
  const std::string& time_separator = s.Text("Formatting.TimeSeperator");
  if (time_separator != "none" && !Trim(time_separator).empty()) {
    r = time_separator + "&nbsp;" + text;
  }
  return r;
}

std::string Telist::Downloads(const DayRecord& day, int year) {
  std::string r;
  const std::string year_text = std::to_string(year);
  const std::string prefix = year_text + day.i_month + day.i_day;
  for (int c : run_.categories) {
    const std::string folder = WithTrailingSlash(
        run_.dir->DayFolderPath(run_.CategoryName(c), year_text, day.i_month, day.i_day));
    if (!day_folders_.MayExist(folder) || !DirectoryExists(folder)) continue;
    const std::vector<std::string> files = DayFolderFiles(folder);
    for (const std::string& f : files) {
      if (EqualsIgnoreCase(f, "note.txt")) {
        if (auto bytes = ReadFileBytes(folder + f); bytes.ok()) r += DecodeText(bytes.value());
      }
    }
    for (size_t i = 0; i < files.size(); ++i) {
      const std::string& f = files[i];
      const std::string lower = ToLower(f);
      if (lower.find("thumbs") != std::string::npos || lower.find('~') != std::string::npos ||
          lower.find("note.txt") != std::string::npos) {
        continue;
      }
      const std::string target = OutputName(run_, folder, f, prefix + f, run_.build_dir);
      if (f.find("picture") == std::string::npos && f.find("background") == std::string::npos) {
        r += i == 0 ? "<a href=" : ", <br><a href=";
        r += SingleQuoted(target) + "><img border=0 src=clip.gif alt=\"\"><font size=2><u>" + f +
             "</u></font></a>";
      }
    }
  }
  return r + DayPictureHtml(run_, prefix);
}

Status WriteEventListRedirect(const RunContext& run, const std::string& path) {
  std::vector<int> years;
  std::vector<std::string> lines = RedirectPageOpening(run, "", &years);
  lines.push_back("DateRangeItem   =  today.getFullYear() + \"-\" + (today.getMonth() + 1);");
  lines.push_back("DateRange_Valid =  find(pubDateRange,DateRangeItem);");
  lines.push_back("BaseName    = \"EventList\" + today.getFullYear() + \"" + run.extension + "\";");
  if (!years.empty()) {
    // A year outside the published ones has no list: the first one's serves.
    std::string list;
    for (int y : years) list += (list.empty() ? "\"" : ",\"") + std::to_string(y) + "\"";
    lines.push_back("pubYears = new Array(" + list + ");");
    lines.push_back("if (!find(pubYears,today.getFullYear())) { BaseName = \"EventList" +
                    std::to_string(years.front()) + run.extension + "\"; }");
  }
  lines.push_back("TodayAnchor = \"#M\" + (today.getMonth() + 1) +\"D\" + today.getDate();");
  for (std::string_view line :
       {" if (DateRange_Valid) { window.location = BaseName + TodayAnchor  ; }",
        " else { window.location = BaseName; }", " }", "</script>", "</head>",
        "<body onload=\"CurrMonth();return false;\">", "</body>", "</html>"}) {
    lines.emplace_back(line);
  }
  return run.SaveFile(path, JoinLines(lines));
}

}  // namespace almanix::generator
