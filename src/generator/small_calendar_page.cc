#include "generator/small_calendar_page.h"

#include "app/text.h"
#include "generator/page_meta.h"
#include "generator/run_context.h"
#include "settings/publish_settings.h"

namespace almanix::generator {

std::vector<SmallMonthPage> SmallMonthPages(const RunContext& run) {
  std::vector<SmallMonthPage> pages;
  if (!run.window || !run.s().Bool("Small.CanCreate")) return pages;
  const bool single = run.s().Bool("Formatting.ShowSingleHTMLPage");
  for (int position : run.window->chkYears.TickedPositions()) {
    const int year = ParseInt(run.window->chkYears.items[position]).value_or(0);
    if (year <= 0) continue;
    const std::vector<int> months = run.MonthsOf(year);
    for (int month : months) {
      const int page_month = single ? months.front() : month;
      pages.push_back({year, month,
                       "Small" + run.MonthFileName(page_month) + std::to_string(year) +
                           run.extension});
    }
  }
  return pages;
}

std::string SmallPageFor(const std::vector<SmallMonthPage>& pages, DayNumber day) {
  if (pages.empty()) return "";
  const CivilDate d = DecodeDate(day);
  const int wanted = d.year * 100 + d.month;
  std::string file = pages.front().file;
  for (const SmallMonthPage& p : pages) {
    if (p.year * 100 + p.month <= wanted) file = p.file;
  }
  return file;
}

Status WriteSmallCalendarPage(const RunContext& run, const std::string& path) {
  const std::vector<SmallMonthPage> pages = SmallMonthPages(run);
  std::string fallback = SmallPageFor(pages, run.today);
  if (fallback.empty()) fallback = "Calendar.html";
  std::string list;
  for (const SmallMonthPage& p : pages) {
    if (!list.empty()) list += ",";
    list += "[" + std::to_string(p.year * 100 + p.month) + ",\"" + p.file + "\"]";
  }
  const std::vector<std::string> lines = {
      HtmlOpening(run),
      "<head>",
      "<meta charset=\"utf-8\">",
      "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">",
      "<title>" + PageTitle(run, run.Phrase("Small Calendar")) + "</title>",
      "<noscript><meta http-equiv=\"refresh\" content=\"0; url=" + fallback + "\"></noscript>",
      "<script>",
      "function SmallMonth() {",
      "  var months = [" + list + "];",
      "  var today = new Date();",
      "  var now = today.getFullYear() * 100 + today.getMonth() + 1;",
      "  var page = months.length ? months[0][1] : \"" + fallback + "\";",
      "  for (var i = 0; i < months.length; i++) {",
      "    if (months[i][0] <= now) page = months[i][1];",
      "  }",
      "  window.location.replace(page);",
      "}",
      "</script>",
      "</head>",
      "<body onload=\"SmallMonth()\">",
      "<a href=\"" + fallback + "\">" + HtmlText(run.Phrase("Small Calendar")) + "</a>",
      "</body>",
      "</html>"};
  return run.SaveFile(path, JoinLines(lines));
}

}  // namespace almanix::generator
