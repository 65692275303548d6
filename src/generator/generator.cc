#include "generator/generator.h"

#include <atomic>
#include <chrono>
#include <filesystem>
#include <random>
#include <system_error>

#include "app/dates.h"
#include "app/dir.h"
#include "app/encoding.h"
#include "app/file_util.h"
#include "app/log.h"
#include "app/run_result.h"
#include "app/text.h"
#include "app/ui_seam.h"
#include "generator/build_folder.h"
#include "generator/cal.h"
#include "generator/calendar_data.h"
#include "generator/event_ics_files.h"
#include "generator/event_list.h"
#include "generator/event_pages.h"
#include "generator/ical.h"
#include "generator/link.h"
#include "generator/menu.h"
#include "generator/rss.h"
#include "generator/scroller.h"
#include "generator/small_calendar_page.h"
#include "generator/style_sheets.h"
#include "settings/publish_editor.h"
#include "settings/style_library.h"

namespace almanix::generator {
namespace fs = std::filesystem;

namespace {

constexpr std::string_view kCrLf = "\r\n";
// Why a step's Status is not acted on where it is made: the run counts every
// file in its result, and the sequence goes on.
constexpr char kCounted[] = "counted in the run's result";
std::atomic<bool> g_running{false};

// Clears the process-wide run flag when the run ends, however it ends.
class RunGuard {
 public:
  RunGuard() : owned_(!g_running.exchange(true)) {}
  ~RunGuard() {
    if (owned_) g_running = false;
  }
  bool owned() const { return owned_; }

 private:
  bool owned_;
};

std::string Join(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) {
    text += line;
    text += kCrLf;
  }
  return text;
}

void Progress(const RunContext& run, int value) {
  if (run.ui) run.ui->Progress(value, 100);
}

// The person's Cancel, asked between files: the run stops where it is and
// says so. What it wrote stays in the build folder, which nothing publishes
// from a run that did not end well.
bool StopIfCancelled(const RunContext& run) {
  if (run.result && run.result->stop().code() == Status::Code::kCancelled) return true;
  if (!run.ui || !run.ui->Cancelled()) return false;
  if (run.result) run.result->Stop(Status::Cancelled(std::string(kRunCancelledMessage)));
  return true;
}

void CopySupportFiles(const RunContext& run) {
  const TDir& dir = *run.dir;
  const publish::PublishSettings& s = run.s();
  const std::string& out = run.build_dir;
  for (std::string_view name : {"link.gif", "clip.gif"}) {
    IgnoreResult(run.CopyNoCase(dir.ConfigDir, name, out + std::string(name)), kCounted);
  }
  const std::string bar = WithTrailingSlash(dir.ActionBarDir) + run.action_bar_style + "/";
  if (!run.action_bar_style.empty()) {
    // rss.gif is named by the feed button, so it travels with the others.
    for (std::string_view name :
         {"goback.gif", "list.gif", "year.gif", "print.gif", "email.gif", "link.gif", "rss.gif"}) {
      IgnoreResult(run.CopyNoCase(bar, name, out + std::string(name)), kCounted);
    }
  }
  IgnoreResult(run.CopyNoCase(dir.ConfigDir, "Calendar.gif", out + "Calendar.gif"), kCounted);
  const std::string& logo = s.Text("Page.Logo");
  // The logo is never copied over a file of that name.
  if (!logo.empty() && BaseName(logo) == logo && !dir.FavoriteDir.empty() &&
      !PathExists(out + logo)) {
    IgnoreResult(run.CopyFile(dir.FavoriteDir + logo, out + logo), kCounted);
  }
  if (s.Bool("Contents.ShowHolidayIcons")) {
    const std::string& set = s.Text("Contents.Holiday");
    std::string folder = WithTrailingSlash(dir.HolidaysDir);
    if (set == "Canada") {
      folder += "Canada/";
    } else if (set == "Other") {
      folder += "Other/";
    } else if (set != "None") {
      folder += "US/";
    }
    IgnoreResult(run.CopyFolderFiles(folder, out), kCounted);
  }
  IgnoreResult(run.CopyFolderFiles(dir.IncludeDir, out), kCounted);
  IgnoreResult(run.CopyNoCase(dir.ConfigDir, "print.css", out + "print.css"), kCounted);
  if (!run.action_bar_style.empty()) {
    IgnoreResult(run.CopyNoCase(bar, "actionbar.css", out + "actionbar.css"), kCounted);
  }
  IgnoreResult(run.CopyNoCase(dir.ConfigDir, "popup.css", out + "popup.css"), kCounted);
  // The pop-ups' script is the program's own, never edited per calendar.
  IgnoreResult(run.CopyNoCase(dir.InstallDir + "Config/", "popup.js", out + "popup.js"), kCounted);
  IgnoreResult(run.CopyNoCase(dir.InstallDir + "Config/", "addlinks.js", out + "addlinks.js"),
               kCounted);
  // Tells a page that holds the calendar in a frame how tall it is.
  IgnoreResult(run.CopyNoCase(dir.InstallDir + "Config/", "frameheight.js", out + "frameheight.js"),
               kCounted);
  if (run.tab_style.find("tabs") != std::string::npos) {
    IgnoreResult(
        run.CopyFolderFiles(WithTrailingSlash(dir.TabsDir) + run.tab_style + "/", out),
        kCounted);
  }
  // The overlay's script and sheet, named by every page head while the
  // event list opens in a box.
  if (s.Bool("List.Box")) IgnoreResult(run.CopyFolderFiles(dir.ThickboxDir, out), kCounted);
}

Status WriteEmailPage(const RunContext& run) {
  std::vector<std::string> lines = {
      "<meta charset=\"utf-8\">",
      "<html><body><center>",
      "<form action=\"mailto:" + run.s().Text("Formatting.EventEmail") +
          "\" method=\"POST\" enctype=\"multipart/form-data\"  name=\"EmailForm\">",
      run.Phrase("Your Name") + "<br>",
      "<input type=\"text\" size=\"20\" name=\"VisitorName\" aria-label=\"" +
          HtmlText(run.Phrase("Your Name")) + "\"><br><br>",
      run.Phrase("Suggest an Event") + ":<br>",
      "<textarea name=\"VisitorComment\" rows=\"4\" cols=\"20\" aria-label=\"" +
          HtmlText(run.Phrase("Suggest an Event")) + "\">",
      "</textarea><br><br>",
      "<input type=\"submit\" value=\"" + run.Phrase("Submit") + "\">",
      "</form>",
      "</center></body></html>"};
  return run.SaveFile(run.build_dir + "email.html", Join(lines));
}

Status WriteIndexMenuFiles(const RunContext& run, const std::string& style_sheet) {
  Status copied = run.CopyNoCase(run.dir->ConfigDir, "index.html", run.build_dir + "calendars.html");
  std::string sheet;
  if (auto bytes = ReadFileBytes(style_sheet); bytes.ok()) sheet = DecodeText(bytes.value());
  std::string title = run.texts.title;
  while (!title.empty() && (title.back() == '\n' || title.back() == '\r')) title.pop_back();
  std::vector<std::string> lines = {"<html><head><title>" + title + "</title>",
                                    "<meta charset=\"utf-8\">"};
  lines.push_back(sheet);
  lines.push_back("</head>");
  lines.push_back(
      "<body alink=\"#ffff00\" bgcolor=\"#ffffff\" link=\"#0000ff\" text=\"#000000\" "
      "vlink=\"#ff0000\">");
  lines.push_back("<div>");
  lines.push_back("<center>");
  publish::WordList index;
  index.LoadFromText(run.s().text_file(publish::TextFile::kIndexPage));
  for (const publish::WordRow& row : index.rows()) {
    if (Trim(row.key).empty()) continue;
    lines.push_back("<a href=" + SingleQuoted(row.value) +
                    "style=\"{text-decoration:underline;}\"  target=bottom >" + row.key +
                    "</a>&nbsp;");
  }
  lines.push_back("</div></center>");
  lines.push_back("</body>");
  Status written = run.SaveFile(run.build_dir + "topmenu.html", Join(lines));
  return copied.ok() ? written : copied;
}

// FirstMonth.html and LastMonth.html (and index.html) from the pages of the
// range's ends, as the last category pass named them.
void CopyFirstAndLastMonth(const RunContext& run) {
  const publish::PublishSettings& s = run.s();
  const std::string first = run.build_dir +
                            run.MonthFileName(s.Int("Publish.StartMonth") + 1) +
                            std::to_string(s.Int("Publish.StartYear")) + run.extension;
  if (FileExists(first)) {
    IgnoreResult(run.CopyFile(first, run.build_dir + "FirstMonth.html"), kCounted);
    if (s.Bool("Page.CreateIndex")) {
      IgnoreResult(run.CopyFile(first, run.build_dir + "index.html"), kCounted);
    }
  }
  const std::string last = run.build_dir + run.MonthFileName(s.Int("Publish.EndMonth") + 1) +
                           std::to_string(s.Int("Publish.EndYear")) + run.extension;
  if (FileExists(last)) {
    IgnoreResult(run.CopyFile(last, run.build_dir + "LastMonth.html"), kCounted);
  }
}

publish::LanguageTexts LanguageOf(const publish::PublishSettings& s) {
  publish::LanguageTexts language;
  auto load = [&](publish::TextFile file, publish::WordList& list) {
    const std::string& text = s.text_file(file);
    if (!text.empty()) list.LoadFromText(text);
  };
  load(publish::TextFile::kMacros, language.mutable_macros());
  load(publish::TextFile::kMonths, language.mutable_months());
  load(publish::TextFile::kFileNames, language.mutable_file_names());
  load(publish::TextFile::kWeekdays, language.mutable_weekdays());
  load(publish::TextFile::kTranslate, language.mutable_phrases());
  return language;
}

publish::StyleTexts StyleTextsOf(const publish::PublishSettings& s) {
  using publish::TextFile;
  publish::StyleTexts t;
  t.title = s.text_file(TextFile::kTitle);
  t.header = s.text_file(TextFile::kHeader);
  t.year_header = s.text_file(TextFile::kYearHeader);
  t.below_title = s.text_file(TextFile::kBelowTitle);
  t.footer = s.text_file(TextFile::kFooter);
  t.caption = s.text_file(TextFile::kCaption);
  t.head = s.text_file(TextFile::kHead);
  return t;
}

std::string ElapsedLabel(std::chrono::steady_clock::duration elapsed) {
  const double days = std::chrono::duration<double>(elapsed).count() / 86400.0;
  return "Time:" + FormatDateTime("nn:ss:z", days);
}

// The pages of one category (or of all merged categories), year by year.
class CategoryPass {
 public:
  CategoryPass(RunContext& run, publish::PublishWindowState& window, TCal& cal, Telist& lists)
      : run_(run), window_(window), cal_(cal), lists_(lists) {}

  void Run(const std::string& output, const std::string& main_page_path) {
    const publish::PublishSettings& s = run_.s();
    run_.state.first_page_path.clear();
    std::vector<int> years;
    for (int y = s.Int("Publish.StartYear"); y <= s.Int("Publish.EndYear"); ++y) {
      if (run_.data->HasYear(*run_.db, y)) years.push_back(y);
    }
    std::vector<std::string> year_items;
    for (int y : years) year_items.push_back(std::to_string(y));
    window_.chkYears.SetItems(year_items);
    window_.chkYears.TickAll();

    for (size_t k = 0; k < years.size(); ++k) {
      if (StopIfCancelled(run_)) return;
      const int y = years[k];
      const int next = k + 1 < years.size() ? y + 1 : 0;
      const int prev = k > 0 ? y - 1 : 0;
      const std::vector<int> months = run_.MonthsOf(y);
      window_.chkMonths.UntickAll();
      for (int m : months) window_.chkMonths.Tick(m - 1);
      Progress(run_, 1);

      const std::string sheet = run_.dir->StylesDir + run_.style_name + "/Style.css";
      if (!FileExists(sheet)) {
        const std::string message = "Style  " + sheet + " Not Found";
        if (run_.ui) run_.ui->ShowMessage(message);
        // The pass's pages are missing: the calendar is not whole.
        if (run_.result) run_.result->Step(sheet, Status::NotFound(message));
        return;
      }
      const std::string type = publish::ReadStyleInfo(sheet).calendar_type;
      for (const std::string& copied :
           publish::CopyStylePictures(*run_.dir, run_.style_name, output)) {
        // Copied without the run's records.
        if (run_.build_folder) run_.build_folder->Forget(WithTrailingSlash(output) + copied);
      }
      IgnoreResult(run_.CopyNoCase(WithTrailingSlash(run_.dir->ListsDir) + run_.list_style + "/",
                                   "eventlist.css", output + "eventlist.css"),
                   kCounted);

      const size_t group = s.Bool("Formatting.ShowSingleHTMLPage") ? months.size() : 1;
      Progress(run_, 5);
      std::vector<int> page_months;
      TMenu menu(run_);
      for (size_t i = 0; i < months.size(); ++i) {
        const int m = months[i];
        page_months.push_back(m);
        const std::string month_menu =
            menu.Build(run_.tab_style, y, "Month", m, main_page_path, next, prev);
        const std::string small_menu =
            s.Bool("Small.CanCreate")
                ? menu.Build("Small", y, "Month", m, main_page_path, next, prev)
                : "";
        if ((i + 1) % group != 0) continue;
        if (StopIfCancelled(run_)) return;
        const std::string page_file =
            output + run_.MonthFileName(page_months.front()) + std::to_string(y) + run_.extension;
        if (run_.state.first_page_path.empty()) run_.state.first_page_path = page_file;
        Progress(run_, static_cast<int>(static_cast<double>(i) / months.size() * 50));
        if (type == "EventList") {
          IgnoreResult(lists_.WriteEventListPage(output, y, page_months, month_menu, page_file,
                                                 run_.style_name),
                       kCounted);
        } else {
          IgnoreResult(cal_.WriteMonthPage(output, y, page_months, small_menu, month_menu,
                                           page_file, run_.style_name, m),
                       kCounted);
        }
        if (s.Bool("IndexPage.MakeIndexPage")) {
          IgnoreResult(WriteIndexMenuFiles(run_, sheet), kCounted);
        }
        if (i + 1 == group) IgnoreResult(run_.CopyFile(page_file, main_page_path), kCounted);
        page_months.clear();
      }
      Progress(run_, 70);
      std::string list_menu;
      if (s.Bool("Contents.ShowList") && s.Bool("List.CanCreate")) {
        list_menu = menu.Build(run_.tab_style, y, "Event List", static_cast<int>(months.size()),
                               main_page_path, next, prev) +
                    "<br>";
      }
      // Every category pass writes the same year's list over the last one
      // (it always shows every ticked category), so only the last pass's
      // list stays: the earlier passes leave it to that one.
      const bool last_pass = run_.merged() ||
                             run_.state.current_index + 1 >= static_cast<int>(run_.categories.size());
      if (last_pass) {
        IgnoreResult(
            lists_.WriteEventListPage(output, y, months, list_menu,
                                      output + "EventList" + std::to_string(y) + run_.extension,
                                      run_.style_name),
            kCounted);
      }

      Progress(run_, 100);
      if (run_.ui) run_.ui->Progress(0, 0);
    }
  }

 private:
  RunContext& run_;
  publish::PublishWindowState& window_;
  TCal& cal_;
  Telist& lists_;
};

}  // namespace

std::vector<std::string> RedirectPageOpening(const RunContext& run, std::string_view prefix,
                                             std::vector<int>* years) {
  const std::string p(prefix);
  std::vector<std::string> lines = {"<html>",
                                    "<head>",
                                    "<meta charset=\"utf-8\">",
                                    "<meta name=\"viewport\" content=\"width=device-width, "
                                    "initial-scale=1\">",
                                    "<script>",
                                    "function find(a, val){",
                                    "var b = false; ",
                                    "for(i=0;i<a.length;i++){",
                                    "var tmp = a[i];",
                                    "if(tmp==val) { b = true;}",
                                    "}",
                                    "return b;",
                                    "};",
                                    "function CurrMonth() {",
                                    "today = new Date();",
                                    "m = new"};
  std::string names = "Array(\"";
  for (int m = 1; m <= 12; ++m) {
    names += p + run.MonthFileName(m) + (m < 12 ? "\",\"" : "\");");
  }
  lines.push_back(names);
  std::string range;
  if (run.window) {
    const publish::PublishWindowState& window = *run.window;
    for (int position : window.chkYears.TickedPositions()) {
      const int y = ParseInt(window.chkYears.items[position]).value_or(0);
      if (years) years->push_back(y);
      for (int m : run.MonthsOf(y)) {
        if (!range.empty()) range += ",";
        range += "\"" + std::to_string(y) + "-" + std::to_string(m) + "\"";
      }
    }
  }
  lines.push_back("pubDateRange = new Array(" + range + ");");
  return lines;
}

Status WriteRedirectPage(const RunContext& run, const std::string& path, std::string_view prefix) {
  const publish::PublishSettings& s = run.s();
  std::vector<std::string> lines = RedirectPageOpening(run, prefix);
  lines.push_back("DateRangeItem   =  today.getFullYear() + \"-\" + (today.getMonth() + 1)");
  lines.push_back("DateRange_Valid =  find(pubDateRange,DateRangeItem);");
  if (s.Bool("Formatting.ShowSingleHTMLPage")) {
    std::vector<int> ticked = run.window->chkMonths.TickedPositions();
    const int first = ticked.empty() ? 1 : ticked.front() + 1;
    lines.push_back(" window.location.replace('" + run.MonthFileName(first) +
                    std::to_string(s.Int("Publish.EndYear")) + run.extension + "'); ");
  } else {
    lines.push_back(
        " if (DateRange_Valid) { window.location.replace( m[today.getMonth()] + "
        "today.getFullYear() + \"" +
        run.extension + "\"); }");
    lines.push_back(" else { window.location.replace('FirstMonth.html'); }");
  }
  for (std::string_view line : {"}", "</script>", "</head>",
                                "<body onload=\"CurrMonth();return false;\">", "</body>",
                                "</html>"}) {
    lines.emplace_back(line);
  }
  return run.SaveFile(path, Join(lines));
}

Generator::Generator(publish::PublishEditor& editor, GeneratorEnv env)
    : editor_(editor), env_(std::move(env)) {}

bool Generator::Running() { return g_running; }

std::string Generator::MainPagePath() const {
  return editor_.environment().dir->BuildDir + editor_.Favorite() +
         editor_.window.PageExtension();
}

RunResult Generator::GenerateCalendar(const std::string& output,
                                      const std::string& main_page_path,
                                      std::string_view style_name) {
  RunGuard guard;
  UiSeam* ui = editor_.environment().ui;
  RunResult result;
  if (!guard.owned()) {
    if (ui) ui->ShowMessage(kRunActiveMessage, MessageKind::kWarning);
    result.Stop(Status::Invalid(std::string(kRunActiveMessage)));
    return result;
  }
  Run(output, main_page_path, style_name, &result);
  if (!result.ok()) {
    LogTo(editor_.environment().log, true, "Generate.Failed " + result.Summary());
  }
  return result;
}

void Generator::Run(const std::string& output, const std::string& main_page_path,
                    std::string_view style_name, RunResult* result) {
  publish::PublishSettings& settings = editor_.settings;
  publish::PublishWindowState& window = editor_.window;
  const publish::PublishEnvironment& env = editor_.environment();
  TDir& dir = *env.dir;
  if (!env_.db) {
    result->Stop(Status::Invalid("no tables to generate from"));
    return;
  }
  const auto started = std::chrono::steady_clock::now();

  publish::ApplyEmbedSwitches(window, &settings);

  RunContext run;
  run.dir = &dir;
  run.settings = &settings;
  run.window = &window;
  run.language = LanguageOf(settings);
  run.texts = StyleTextsOf(settings);
  run.ui = env.ui;
  run.log = env.log;
  run.db = env_.db;
  run.result = result;
  run.build_dir = WithTrailingSlash(output);
  run.extension = window.PageExtension();
  run.page_name = BaseName(main_page_path);
  run.style_name = style_name.empty() ? window.SelectedStyle() : Trim(style_name);
  run.tab_style = publish::SelectedEntry(settings, window, publish::Gallery::kTabs);
  run.action_bar_style = publish::SelectedEntry(settings, window, publish::Gallery::kActionBars);
  run.list_style = publish::SelectedEntry(settings, window, publish::Gallery::kLists);
  run.brand_short_url = env_.brand_short_url;
  run.program_version = env_.program_version;
  run.smallest_size = editor_.size_position() == 0;
  run.now = env_.now;
  run.today = DatePart(FromTimeT(env_.now));
  run.state = state_;
  run.categories = window.TickedCategoryNumbers();
  if (run.categories.empty()) {
    if (run.ui) {
      run.ui->ShowMessage("No calendar categories selected, auto selecting the first one");
    }
    window.chkCalendars.Tick(0);
    run.categories = {1};
  }

  CalendarData data;
  if (Status s = data.LoadEvents(*env_.db); !s.ok()) {
    result->Stop(s);
    return;
  }
  run.data = &data;

  // Without its folder no file of the run can be written: the run ends.
  if (Status s = TDir::EnsureDir(run.build_dir); !s.ok()) {
    LogTo(run.log, true, "could not save " + run.build_dir);
    result->Stop(s);
    return;
  }
  // Preparation: a failed step leaves its file out and the run goes on.
  if (WithTrailingSlash(output) == WithTrailingSlash(dir.BuildDir)) {
    TDir::DeleteFolderFiles(run.build_dir);
  }
  BuildFolder build_folder(run.build_dir);
  run.build_folder = &build_folder;
  CopySupportFiles(run);
  // Every event a page shows gets its own calendar file, written when the
  // first page links it.
  EventIcsFiles event_files(run);
  run.event_files = &event_files;
  JsonLdTexts json_ld;
  run.json_ld = &json_ld;
  if (settings.Bool("Contents.ShowEmail")) IgnoreResult(WriteEmailPage(run), kCounted);
  const std::string sheet = dir.StylesDir + run.style_name + "/Style.css";
  IgnoreResult(run.CopyFile(sheet, run.build_dir + "style.css"), kCounted);

  TCal cal(run);
  Telist lists(run);
  TLink link(run);
  run.state.current_category.clear();
  run.state.current_index = -1;
  for (size_t i = 0; i < run.categories.size(); ++i) {
    if (run.merged() && i > 0) break;
    run.state.current_category = std::to_string(run.categories[i]);
    run.state.current_index = static_cast<int>(i);
    const auto pass_started = std::chrono::steady_clock::now();
    CategoryPass(run, window, cal, lists).Run(run.build_dir, main_page_path);
    time_label_ = ElapsedLabel(std::chrono::steady_clock::now() - pass_started);
    if (StopIfCancelled(run)) break;
    if (i == 0) {
      IgnoreResult(WriteRedirectPage(run, run.build_dir + "Calendar.html", ""), kCounted);
      IgnoreResult(WriteRedirectPage(run, run.build_dir + "CurrentMonth" + ".html", ""),
                   kCounted);
      IgnoreResult(WriteSmallCalendarPage(run, run.build_dir + "Small.html"), kCounted);
      IgnoreResult(link.WriteLinkPage(run.build_dir + "Link.html"), kCounted);
    }
  }

  if (StopIfCancelled(run)) {
    if (run.ui) run.ui->Progress(0, 0);
    state_ = run.state;
    LogTo(run.log, false, "Generate.Cancelled " + run.build_dir);
    return;
  }
  // One iCalendar file for every ticked year and category, written once
  // after the passes.
  if (settings.Bool("iCal.Share")) {
    IgnoreResult(WriteRunICal(run, run.build_dir, run.build_dir + "ical.ics"), kCounted);
  }
  IgnoreResult(WriteEventListRedirect(run, run.build_dir + "Events.html"), kCounted);
  IgnoreResult(WriteUpcomingPage(run, run.build_dir + "Upcoming.html"), kCounted);
  if (settings.Bool("RSS.Share")) {
    IgnoreResult(TRss(run).Generate(run.build_dir, run.build_dir + "rss.xml"), kCounted);
  }
  TScroller scroller(run);
  IgnoreResult(scroller.Generate(run.build_dir, run.build_dir + "scroller.js"), kCounted);
  IgnoreResult(scroller.WriteStyleSheet(), kCounted);
  IgnoreResult(link.Generate(run.build_dir), kCounted);

  IgnoreResult(run.Record(run.build_dir + std::string(kCalendarCssName),
                          WriteCalendarCss(settings, dir.FavoriteDir, run.build_dir)),
               kCounted);
  CopyFirstAndLastMonth(run);
  if (settings.Bool("Year.CanCreate")) {
    IgnoreResult(cal.FinishYearPage(run.build_dir + "Year" + run.extension), kCounted);
  }
  if (settings.Bool("Year.CanCreate") || settings.Bool("Small.CanCreate")) {
    IgnoreResult(run.Record(run.build_dir + std::string(kSmallCssName),
                            WriteSmallCss(settings, dir.FavoriteDir, run.build_dir)),
                 kCounted);
  }
  IgnoreResult(run.Record(run.build_dir + std::string(kListCssName),
                          WriteListCss(settings, dir.FavoriteDir, run.build_dir)),
               kCounted);

  event_files.RemoveUnlinked();

  state_ = run.state;
  LogTo(run.log, false,
        "Generate.Done " + run.build_dir + " " +
            std::to_string(std::chrono::duration_cast<std::chrono::milliseconds>(
                               std::chrono::steady_clock::now() - started)
                               .count()) +
            " ms");
}

Status Generator::PreviewRun(bool show) {
  publish::PublishWindowState& window = editor_.window;
  UiSeam* ui = editor_.environment().ui;
  publish::TickList& categories = window.chkCalendars;
  for (int i = 0; i < categories.size(); ++i) {
    if (Trim(categories.items[i]).empty()) categories.ticked[i] = false;
  }
  if (categories.TickedPositions().empty()) {
    if (ui) ui->ShowMessage(kNoCategoriesMessage, MessageKind::kError);
    categories.Tick(0);
  }
  editor_.AutoSizeTabFont();
  state_.preview_run = true;
  if (!window.style_index && !window.Style.empty()) window.style_index = 0;
  const std::string build_dir = editor_.environment().dir->BuildDir;
  const std::string main_page = MainPagePath();
  const Status status = GenerateCalendar(build_dir, main_page, "").ToStatus();

  if (status.ok()) {
    // Fresh picture names, so the preview browsers never show a cached one.
    static std::mt19937 random(std::random_device{}());
    auto refresh = [&](const std::string& sheet_name,
                       std::initializer_list<std::string_view> names, std::string_view ext) {
      const std::string sheet_path = WithTrailingSlash(build_dir) + sheet_name;
      std::string sheet;
      if (auto bytes = ReadFileBytes(sheet_path); bytes.ok()) sheet = bytes.value();
      const std::string r = std::to_string(random() % 100);
      for (std::string_view name : names) {
        const std::string old_name = std::string(name) + std::string(ext);
        const std::string new_name = std::string(name) + r + std::string(ext);
        if (!FileExists(WithTrailingSlash(build_dir) + old_name)) continue;
        std::error_code ec;
        fs::copy_file(WithTrailingSlash(build_dir) + old_name,
                      WithTrailingSlash(build_dir) + new_name,
                      fs::copy_options::overwrite_existing, ec);
        sheet = ReplaceAll(sheet, old_name, new_name);
      }
      IgnoreResult(WriteFileDirect(sheet_path, sheet),
                   "a preview keeps the picture names it has when a sheet cannot change");
    };
    refresh("style.css", {"Canvas", "Caption", "Weekday", "Event", "Date", "Page", "Table"},
            ".jpg");
    refresh("tabs.css", {"left", "right", "left_on", "right_on"}, ".gif");
    if (show && env_.show_page) env_.show_page(main_page);
  }
  state_.preview_run = false;
  return status;
}

Status Generator::Preview() {
  editor_.AutoSizeTabFont();
  editor_.window.chkQuickPreview = false;
  state_.full_preview = true;
  Status status = PreviewRun(false);
  state_.full_preview = false;
  if (status.ok() && env_.show_page && !state_.first_page_path.empty()) {
    env_.show_page(state_.first_page_path);
  }
  if (DirectoryExists(editor_.FavoriteFolder()) && editor_.window.chkAutoUpdate) {
    IgnoreResult(editor_.Save(), "the save shows its own message");
  }
  return status;
}

}  // namespace almanix::generator
