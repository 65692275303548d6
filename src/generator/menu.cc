#include "generator/menu.h"

#include <algorithm>
#include <string>
#include <vector>

#include "app/dates.h"
#include "app/text.h"
#include "generator/ical.h"
#include "generator/run_context.h"

namespace almanix::generator {
namespace {

std::string Num(int value) { return std::to_string(value); }

// The event-list link under the arrow, next-month and text-link menus.
std::string EventListLink(const RunContext& run, int year) {
  if (!run.s().Bool("Contents.ShowList") || !run.s().Bool("List.CanCreate")) return "";
  return "<br> <a href=EventList" + Num(year) + run.extension + ">" +
         run.Phrase("Event List") + " </a>";
}

// Position of the month in the list; -1 when it is not published.
int PositionOf(const std::vector<int>& list, int month) {
  auto it = std::find(list.begin(), list.end(), month);
  return it == list.end() ? -1 : static_cast<int>(it - list.begin());
}

class MenuBuilder {
 public:
  MenuBuilder(const RunContext& run, std::string_view prefix, int year,
              std::string_view kind, int month, int next_year, int prev_year)
      : run_(run),
        prefix_(prefix),
        year_(year),
        kind_(kind),
        month_(month),
        next_year_(next_year),
        prev_year_(prev_year),
        list_(run.MonthsOf(year)) {}

  std::string Tabs() const {
    std::string out = "<center><div id=\"header\"><ul>";
    if (prev_year_ != 0) {
      out += "<li><a href=" + MonthPage(12, year_ - 1) + "><<&nbsp;" + Num(year_ - 1) +
             "</a></li>";
    }
    for (int m : list_) {
      out += m == month_ && kind_ == "Month" ? "<li id=\"current\">" : "<li>";
      out += "<a href=" + MonthTarget(m) + ">" + Short(m) + "</a></li>";
    }
    if (run_.s().Bool("Contents.ShowList") && run_.s().Bool("List.CanCreate")) {
      out += kind_ == "Event List" ? "<li id=\"current\">" : "<li>";
      out += "<a href=EventList" + Num(year_) + run_.extension + ">" +
             run_.Phrase("Events") + "</a></li>";
    }
    if (next_year_ != 0) {
      out += "<li><a href=" + MonthPage(1, year_ + 1) + ">" + Num(year_ + 1) +
             "&nbsp;>></a></li>";
    }
    return out + "</ul></div></center>";
  }

  std::string ArrowBar() const {
    std::string out;
    const int i = PositionOf(list_, month_);
    // With one month there is nowhere to go, so no title either.
    if (i >= 0 && list_.size() > 1) {
      std::string back, forward;
      if (i > 0) back = " <a href=" + MonthPage(list_[i - 1], year_) + ">  << </a> ";
      if (i + 1 < static_cast<int>(list_.size())) {
        forward = " <a href=" + MonthPage(list_[i + 1], year_) + ">  >> </a> ";
      }
      out = back + "&nbsp;&nbsp;<font size=+1>" + Long(list_[i]) + "&nbsp;" + Num(year_) +
            "</font>&nbsp;&nbsp" + forward;
    }
    if (prev_year_ != 0 && month_ == 1) {
      out = "<a href=" + MonthPage(12, year_ - 1) + "> << </a>" + out;
    }
    if (next_year_ != 0 && month_ == 12) {
      out += "<a href=" + MonthPage(1, year_ + 1) + "> >> </a>";
    }
    out += EventListLink(run_, year_);
    if (run_.s().Bool("Contents.ShowNavYear")) {
      out = "<a href=\"" + run_.page_name + "\">" + Num(year_) + "</a><br>" + out;
    }
    return "<center>" + out + "</center>";
  }

  std::string NextMonthBar() const {
    std::string out;
    const int i = PositionOf(list_, month_);
    if (i >= 0) {
      std::string back, forward;
      if (i > 0) {
        back = "<a href=" + MonthPage(list_[i - 1], year_) + "> <<  &nbsp" +
               Long(list_[i - 1]) + "&nbsp;&nbsp;&nbsp; &nbsp;&nbsp;&nbsp </a>";
      }
      if (i + 1 < static_cast<int>(list_.size())) {
        forward = "<a href=" + MonthPage(list_[i + 1], year_) +
                  "> &nbsp;&nbsp;&nbsp; &nbsp;&nbsp;&nbsp" + Long(list_[i + 1]) +
                  "&nbsp; >></a>";
      }
      out = back + "<a href=" + MonthPage(list_[i], year_) + ">&nbsp;&nbsp;" +
            ToUpper(Long(list_[i])) + "&nbsp;" + Num(year_) + "&nbsp;&nbsp</a>" + forward;
    }
    static constexpr std::string_view kFrame =
        "&nbsp;&nbsp;&nbsp&nbsp;&nbsp;&nbsp&nbsp;&nbsp;&nbsp&nbsp;&nbsp;&nbsp";
    out = std::string(kFrame) + out + std::string(kFrame);
    if (prev_year_ != 0) {
      out = "<a href=" + MonthPage(12, year_ - 1) + ">" + Num(year_ - 1) + "</a>" + out;
    }
    if (next_year_ != 0) {
      out += "<a href=" + MonthPage(1, year_ + 1) + ">" + Num(year_ + 1) + "</a>";
    }
    return out + EventListLink(run_, year_);
  }

  std::string TextLinks() const {
    std::string out;
    for (int m : list_) out += "<a href=" + MonthTarget(m) + ">" + Short(m) + "</a>   ";
    out = NbspRun(5) + ReplaceAll(Trim(out), "   ", "&nbsp;&nbsp;&nbsp;") + NbspRun(5);
    if (prev_year_ != 0) {
      out = "<a href=" + MonthPage(12, year_ - 1) + "><<&nbsp;" + Num(year_ - 1) +
            "</a>" + out;
    }
    if (next_year_ != 0) {
      out += "<a href=" + MonthPage(1, year_ + 1) + ">" + Num(year_ + 1) + "&nbsp;>></a>";
    }
    out += EventListLink(run_, year_);
    if (run_.s().Bool("Contents.ShowNavYear")) out = "<h3>" + Num(year_) + "</h3>" + out;
    return out;
  }

 private:
  std::string MonthPage(int month, int year) const {
    return prefix_ + run_.MonthFileName(month) + Num(year) + run_.extension;
  }
  // Tabs and text links jump to the month's anchor when all months share
  // one page.
  std::string MonthTarget(int month) const {
    if (run_.s().Bool("Formatting.ShowSingleHTMLPage")) {
      return "#" + run_.MonthFileName(month);
    }
    return MonthPage(month, year_);
  }
  std::string Long(int month) const { return run_.language.MonthName(month, "Long"); }
  std::string Short(int month) const { return run_.language.MonthName(month, "Short"); }

  const RunContext& run_;
  std::string prefix_;
  int year_;
  std::string_view kind_;
  int month_;
  int next_year_;
  int prev_year_;
  std::vector<int> list_;
};

std::string ThickboxWithWidth(const RunContext& run, int width,
                              std::string_view css_class) {
  if (!run.s().Bool("List.Box")) return "\"";
  return "?KeepThis=true&TB_iframe=true&height=" + Num(run.s().Int("List.Height")) +
         "&width=" + Num(width) + "\" class=\"" + std::string(css_class) + "\"";
}

}  // namespace

std::string TMenu::Build(std::string_view style, int year, std::string_view kind,
                         int month, std::string_view /*main_page_path*/, int next_year,
                         int prev_year) {
  if (style == "No Menu" || !run_.s().Bool("Contents.ShowNavMenu")) return "";
  // Cleared every time, so the small menu's prefix never reaches a month menu.
  prefix_.clear();
  if (style == "Small") prefix_ = "Small";
  const MenuBuilder menu(run_, prefix_, year, kind, month, next_year, prev_year);
  std::string result;
  if (style == "Small" || style == "Arrows") {
    result = menu.ArrowBar();
  } else if (style == "Next Month") {
    result = menu.NextMonthBar();
  } else if (style.find("tabs") != std::string_view::npos) {
    result = menu.Tabs();
  } else {
    result = menu.TextLinks();
  }
  return "<div class=NavMenu  >" + result + "</div> <div style=\"clear:both;\"></div>";
}

std::string ThickboxSuffix(const RunContext& run, std::string_view css_class) {
  return ThickboxWithWidth(run, run.s().Int("List.Width") + 10, css_class);
}

std::string YearThickboxSuffix(const RunContext& run, std::string_view css_class) {
  return ThickboxWithWidth(
      run, run.s().Int("Year.Year_CalPerRow") * run.s().Int("Small.Width") + 100,
      css_class);
}

std::string Toolbar(const RunContext& run, int year, int month) {
  const publish::PublishSettings& s = run.s();
  const std::string& home = s.Text("Publish.LinkBack");
  if (home.empty() && !s.Bool("ActionBar.Home") && !s.Bool("ActionBar.Print") &&
      !s.Bool("Contents.ShowDateUpdated") && !s.Bool("List.CanCreate")) {
    return "";
  }
  const bool icons = s.Bool("ActionBar.Icons");
  const bool captions = s.Bool("ActionBar.Captions");
  // With its caption beside it the icon is decoration; alone it says what
  // the button does.
  auto icon = [icons, captions, &run](std::string_view name, std::string_view phrase) {
    const std::string alt = captions ? std::string() : HtmlText(run.Phrase(phrase));
    return icons ? "<img src=\"" + std::string(name) + ".gif\" border=0 alt=\"" + alt + "\"> "
                 : std::string();
  };
  auto cap = [captions, &run](std::string_view phrase) {
    return captions ? "&nbsp;" + run.Phrase(phrase) + "&nbsp;" : std::string();
  };

  std::vector<std::string> lines;
  const bool center = s.Bool("ActionBar.Center");
  if (center) lines.push_back("<center>");
  lines.push_back(
      "<table class=ActionBar cellspacing=5 cellpadding=2 color=white border=0><tr>");
  // A bare "http://" is a scheme typed without an address, not a home page.
  if (!home.empty() && s.Bool("ActionBar.Home") && home != "http://") {
    lines.push_back("<td><a align=right href=\"" + home + "\" target=_top border=0 >" +
                    icon("goback", "Home") + cap("Home") + "</a></td>");
  }
  if (s.Bool("List.CanCreate")) {
    lines.push_back("<td ><a align=right alt=\"" + run.Phrase("List View") + "\" " +
                    (s.Bool("List.NewWindow") ? " target=_blank" : "") +
                    " href=\"EventList" + Num(year) + run.extension +
                    ThickboxSuffix(run, "thickbox") + " border=0 > " + icon("list", "List") +
                    cap("List") + "</a></td>");
  }
  if (s.Bool("Year.CanCreate")) {
    lines.push_back("<td ><a align=right alt=\"" + run.Phrase("Year") +
                    "\" target=_top href=\"Year" + run.extension +
                    YearThickboxSuffix(run, "thickbox") + " border=0 >" + icon("year", "Year") +
                    cap("Year") + "</a></td>");
  }
  lines.push_back(s.Bool("ActionBar.Print")
                      ? "<td><a href=\"javascript:print()\">" + icon("print", "Print") +
                            cap("Print") + "</a></td>"
                      : "");
  // The coming days as a plain list, written by every run.
  std::string share = "<td><a href=\"Upcoming.html\">" +
                      (captions ? cap("Upcoming") : HtmlText(run.Phrase("Upcoming"))) +
                      "</a></td>";
  if (s.Bool("RSS.Share")) {
    share += "<td><a href=\"rss.xml\">" + icon("rss", "RSS") + cap("RSS") + "</a></td>";
  }
  if (s.Bool("iCal.Share")) {
    share += "<td><a href=\"ical.ics\">" + icon("iCal", "iCal") + cap("iCal") + "</a></td>";
    // Where the calendar's address is known, the same file to subscribe to.
    const std::string subscribe = SubscribeAddress(s);
    if (!subscribe.empty()) {
      share += "<td><a href=" + QuotedUrl(subscribe) + ">&nbsp;" + run.Phrase("Subscribe") +
               "&nbsp;</a></td>";
    }
  }
  lines.push_back(share);
  if (s.Bool("Contents.ShowEmail")) {
    // Without an at sign the setting names a feedback page, not an address
    // for the form behind load().
    const std::string& email = s.Text("Formatting.EventEmail");
    const std::string target =
        email.find('@') == std::string::npos ? email : "javascript:load()";
    lines.push_back("<td> <a align=right  href=\"" + target + "\" border=0 >" +
                    icon("email", "Email") + cap("Email") + "</a></td>");
  }
  lines.push_back("<td>" + CategoryChooser(run, year, month) + "</td>");
  lines.push_back("</tr></table>");
  if (s.Bool("Contents.ShowDateUpdated")) {
    lines.push_back("<div><i class=DontPrint >" + run.Phrase("updated") + " " +
                    FormatDateTime("mmm d, yyyy", run.today) + "</i></div>");
  }
  if (s.Bool("FTP.CalendarFile") && s.Bool("ActionBar.LinkFile")) {
    lines.push_back("<div><i class=DontPrint ><a href=\"calendar.cal\" > " +
                    run.Phrase("Download") + "</a></i></div>");
  }
  if (center) lines.push_back("</center>");

  std::string out;
  for (size_t i = 0; i < lines.size(); ++i) {
    if (i > 0) out += "\r\n";
    out += lines[i];
  }
  return out;
}

std::string CategoryChooser(const RunContext& run, int year, int month) {
  if (run.merged() || run.categories.size() <= 1) return "";
  std::string out =
      "<form name=\"Pager\" style=\"margin:0;\">"
      " <select accesskey=\"S\" name=\"PageSelect\" "
      "onchange=\"self.location.href=document.Pager.PageSelect.options[document.Pager."
      "PageSelect.options.selectedIndex].value;\"> ";
  // Each category's pages carry its ticked position in front of the month.
  const std::string page = run.MonthFileWord(month) + Num(year) + run.extension;
  for (size_t k = 0; k < run.categories.size(); ++k) {
    const bool current = static_cast<int>(k) == run.state.current_index;
    out += std::string(current ? "<option selected value=\"" : "<option  value=\"") +
           Num(static_cast<int>(k)) + page + "\">" + run.CategoryName(run.categories[k]) +
           " </option>";
  }
  return out + "</select></form>";
}

std::string MonthLinkHelpLine(const RunContext& run) {
  if (!run.state.full_preview || !run.s().Bool("ActionBar.EmbedHelp")) return "";
  int width = run.s().Int("Page.CalendarWidth");
  if (width < 100 || width > 500) width = 400;
  std::string extra;
  if (run.s().Bool("Small.CanCreate")) {
    extra += "<td><a href=Small.html target=\"_blank\" >Preview Small Calendar</a></td>";
  }
  if (run.s().Bool("Scroll.CanCreate")) {
    extra +=
        "<td><a href=Scroller.html target=\"_blank\">Preview Event Scroller</a></td>  ";
  }
  return "<center><table width=" + Num(width) +
         " border=0 class=DontPrint ><tr><td> <a href=Link.html target=\"_blank\" >" +
         run.Phrase("Linking Help") + "</td>" + extra + "</tr></table></center>";
}

std::string SmallLinkHelpLine(const RunContext& run) {
  if (!run.state.full_preview) return "";
  return "<div class=DontPrint > <a href=Link.html#SmallCalendar target=\"_blank\" >" +
         run.Phrase("Linking Help") + "</div>";
}

}  // namespace almanix::generator
