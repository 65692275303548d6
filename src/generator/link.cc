#include "generator/link.h"

#include <cctype>

#include "app/file_util.h"
#include "app/text.h"
#include "app/ui_seam.h"
#include "generator/page_meta.h"
#include "generator/run_context.h"
#include "settings/publish_settings.h"

namespace almanix::generator {
namespace {

constexpr std::string_view kCalendarPage = "Calendar.html";
constexpr std::string_view kCharsetLine = "<meta charset=\"utf-8\">";
constexpr std::string_view kViewportLine =
    "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">";
// The help pages are laid out 960 px wide, with code boxes 91 columns wide:
// a narrower window fits them to its width instead of scrolling sideways.
constexpr std::string_view kNarrowWindowStyle =
    "<style>@media (max-width: 1000px) { table, textarea, input, iframe, object "
    "{ max-width: 100% !important; box-sizing: border-box; } "
    "table { width: 100% !important; } "
    "td { overflow-wrap: break-word; } textarea, input { width: 100%; } }</style>";
// The help sits on white tables and yellow fields whatever the style's page
// colours are: their text stays dark, and the heading a blue that reads on a
// light page and on a dark one (a dark style's light text would vanish).
constexpr std::string_view kHelpColourStyle =
    "<style>table[bgcolor] { color: #1F2328; } "
    "table[bgcolor] a:link { color: #0550AE; } table[bgcolor] a:visited { color: #6639BA; } "
    "input { color: #000000; } body > center > font:first-child { color: #3366FF; }</style>";
constexpr std::string_view kTextBoxOpen =
    "<center><form><TEXTAREA NAME=string ROWS=5 COLS=91 aria-label=\"Code to copy\">";
constexpr std::string_view kFallbackText =
    "Your browser do not support IFRAMES, you can see the calendar here <a href=";
constexpr std::string_view kObjectClassId = "clsid:25336920-03F9-11CF-8FD0-00AA00686F13";

std::string Quoted(std::string_view text) { return "\"" + std::string(text) + "\""; }

bool StartsNoCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && EqualsIgnoreCase(text.substr(0, prefix.size()), prefix);
}

size_t FindIgnoringCase(std::string_view text, std::string_view needle, size_t from = 0) {
  return ToLower(text).find(ToLower(needle), from);
}

std::string RemoveAllNoCase(std::string_view text, std::string_view needle) {
  std::string out(text);
  for (size_t at = FindIgnoringCase(out, needle); at != std::string::npos;
       at = FindIgnoringCase(out, needle, at)) {
    out.erase(at, needle.size());
  }
  return out;
}

void Append(std::vector<std::string>& lines, std::initializer_list<std::string_view> more) {
  for (std::string_view line : more) lines.emplace_back(line);
}

void Append(std::vector<std::string>& lines, const std::vector<std::string>& more) {
  lines.insert(lines.end(), more.begin(), more.end());
}

// Code shown for copying: its tags escaped inside a text box.
std::vector<std::string> TextBox(const std::vector<std::string>& code) {
  std::vector<std::string> lines = {std::string(kTextBoxOpen)};
  for (const std::string& line : code) lines.push_back(HtmlText(line));
  Append(lines, {"</TEXTAREA></form></center>", "</font></p>"});
  return lines;
}

std::string FallbackLine(std::string_view address) {
  return std::string(kFallbackText) + Quoted(address) + ">Calendar</a>";
}

std::vector<std::string> FrameCode(std::string_view size, std::string_view address,
                                   std::string_view scrolling) {
  return {"<IFRAME  " + std::string(size) + " frameborder=0 SRC=" + Quoted(address) +
              " TITLE=" + Quoted("Calendar") + " SCROLLING=" + std::string(scrolling) + " > ",
          FallbackLine(address), "</IFRAME>"};
}

// A frame as wide as the space it is put in and as tall as the calendar in
// it: the calendar's pages post their height (frameheight.js) and the script
// under the frame takes it, only from that frame and from the calendar's own
// site. Without scripts the frame keeps the fixed height.
std::vector<std::string> FittingFrameCode(std::string_view address, std::string_view height) {
  return {"<iframe src=" + Quoted(address) + " title=" + Quoted("Calendar") +
              " style=\"display:block;width:100%;height:" + std::string(height) +
              "px;border:0\"></iframe>",
          "<script>",
          "(function () {",
          "  var frame = document.currentScript.previousElementSibling;",
          "  var origin = new URL(frame.src, location.href).origin;",
          "  window.addEventListener(\"message\", function (e) {",
          "    if (e.source !== frame.contentWindow) return;",
          "    if (origin !== \"null\" && e.origin !== origin) return;",
          "    var d = e.data || {};",
          "    var h = d.type === \"calendar-height\" ? Number(d.height) : 0;",
          "    if (h > 0 && h < 100000) frame.style.height = Math.ceil(h) + \"px\";",
          "  });",
          "})();",
          "</script>"};
}

// The fitting code, offered first, then the lead-in of the fixed-size one.
std::vector<std::string> FittingCodeBox(std::string_view address, std::string_view height) {
  std::vector<std::string> lines = {
      "<p><b>Code that fits your page:</b> the frame is as wide as the space you put it in and "
      "grows or shrinks with the calendar, on phones too. Copy both parts, the frame and the "
      "script under it.</p>"};
  lines.emplace_back(kTextBoxOpen);
  for (const std::string& line : FittingFrameCode(address, height)) lines.push_back(HtmlText(line));
  lines.emplace_back("</TEXTAREA></form></center>");
  lines.emplace_back("<p><b>Fixed-size code:</b> for pages that cannot hold a script.</p>");
  return lines;
}

struct FrameDimensions {
  std::string height;
  std::string width;
};

// A frame as tall as twice its pixel width; a width in percent gets a fixed
// height.
FrameDimensions FrameDimensionsOf(const publish::PublishSettings& s) {
  const int w = s.Int("Page.CalendarWidth");
  if (s.Text("Page.CalendarWidthUnits") == "%") return {"1400", std::to_string(w) + "%"};
  return {std::to_string(2 * w), std::to_string(w)};
}

// The lower-case size attributes of the small calendar, event list and
// scroller frames.
std::string SmallFrameSize(int height, int width) {
  return " height=" + Quoted(std::to_string(height)) + " width=" + Quoted(std::to_string(width)) +
         " ";
}

std::vector<std::string> PopupCode(const publish::PublishSettings& s) {
  const PopupSize size = PopupWindowSize(s.Int("Page.CalendarWidth"));
  std::string address = CalendarUrl(s);
  if (address.empty()) address = kCalendarPage;
  return {"<!-- STEP ONE: Paste this code into the <head> section of your page -->",
          "<script language=\"JavaScript\">",
          "function popUp(url) {",
          "newwindow=window.open(url,'name','toolbar=0,scrollbars=0,location=0,statusbar=0,"
          "menubar=0,resizable=0,height=" +
              std::to_string(size.height) + ",width=" + std::to_string(size.width) + "');",
          "if (window.focus) {newwindow.focus()}",
          "return false;",
          "}",
          "</script>",
          "<!-- STEP TWO: Use this code to link to the calendar -->",
          "<a href=" + Quoted(address) + " onclick=" + Quoted("return popUp('" + address + "')") +
              " >Link to Popup Calendar</a>"};
}

std::vector<std::string> LinkEntry(const publish::PublishSettings& s, std::string_view file,
                                   std::string_view caption, std::string_view description) {
  const std::string address = PageAddress(s, file);
  const std::string c(caption);
  return {"<tr><td><b> " + c + "  </b></td><td>",
          "<font size=+2 color=Green ><h2>Link to the " + c + " </h2></font>",
          "<a href=" + address + "><font size=2 color=Blue><u>" + address + "</u></font></a><br>",
          "<br> <i> " + std::string(description),
          "<br> <input size=80 type=" + Quoted("text") + " name=" + Quoted("link") +
              " aria-label=" + Quoted("Link code") + " value=" + Quoted("<a href=&quot;" + address + "&quot;>Calendar</a>") + ">",
          "</td></tr>"};
}

std::string Table(int cellspacing) {
  return "<table border=1 bordercolor=#cccccc valing=top cellspacing=" +
         std::to_string(cellspacing) + " cellpadding=\"5\" bgcolor=white width=960>";
}

// The steps under each frame code; `extra` follows the first.
std::vector<std::string> FrameSteps(std::string_view extra) {
  std::vector<std::string> lines = {
      "<ol><li>Check the \"IFrame\" checkbox under Embed on the Format Screen first.</li>"};
  if (!extra.empty()) lines.emplace_back(extra);
  Append(lines,
         {"<li>Publish the Calendar to your web site </li>",
          "<li>Copy and Paste the Code below into your web page </li>",
          "<li>Adjust the height and width properties of the embed code</li>", "</ol> </i>"});
  return lines;
}

Status Keep(Status first, Status next) { return first.ok() ? next : first; }

Status WritePage(const RunContext& run, const std::string& path,
                 const std::vector<std::string>& lines) {
  return run.SaveFile(path, JoinLines(lines));
}

bool IsSchemeChar(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) || c == '+' || c == '-' || c == '.';
}

// Whether a reference already says where it lives: a scheme ("mailto:",
// "https:"), a "//" host or a "#" fragment of the page itself.
bool IsAbsoluteReference(std::string_view value) {
  if (value.starts_with("//") || value.starts_with("#")) return true;
  if (value.empty() || !std::isalpha(static_cast<unsigned char>(value[0]))) return false;
  size_t i = 1;
  while (i < value.size() && IsSchemeChar(value[i])) ++i;
  return i < value.size() && value[i] == ':';
}

}  // namespace

// ---- Sizes and addresses ----

std::string FrameSize(const publish::PublishSettings& s) {
  const FrameDimensions size = FrameDimensionsOf(s);
  return " HEIGHT=" + Quoted(size.height) + " WIDTH=" + Quoted(size.width) + " ";
}

std::string ObjectSize(const publish::PublishSettings& s) {
  return " style=" +
         Quoted("width:" + std::to_string(s.Int("Page.CalendarWidth")) +
                ToLower(s.Text("Page.CalendarWidthUnits")) + ";height:1400px;") +
         " ";
}

PopupSize PopupWindowSize(int w) {
  if (w > 100 && w <= 300) return {400, 500};
  if (w > 300 && w <= 800) return {w + 20, w + 300};
  return {960, 700};
}

std::string CalendarUrl(const publish::PublishSettings& s) {
  std::string url = Trim(s.Text("Publish.URL"));
  if (EqualsIgnoreCase(url, "http://") || EqualsIgnoreCase(url, "https://")) url.clear();
  return url;
}

std::string PageAddress(const publish::PublishSettings& s, std::string_view file) {
  const std::string url = CalendarUrl(s);
  return url.empty() ? std::string(file) : ReplaceAll(url, kCalendarPage, file);
}

std::string FramePageAddress(const publish::PublishSettings& s, std::string_view file) {
  std::string url = CalendarUrl(s);
  if (url.empty()) return std::string(file);
  const size_t at = FindIgnoringCase(url, kCalendarPage);
  if (at != std::string::npos) url.replace(at, kCalendarPage.size(), file);
  return url;
}

std::vector<std::string> ObjectCode(std::string_view page, std::string_view size,
                                    bool space_before_size) {
  const std::string tail = (space_before_size ? " " : "") + std::string(size) + ">";
  const std::string data = " data=" + Quoted(page);
  return {"<div>",
          "<!--[if IE]>",
          "<object classid=" + Quoted(kObjectClassId) + data + tail,
          "<p>non object</p>",
          "</object>",
          "<![endif]-->",
          "",
          "<!--[if !IE]> <-->",
          "<object type=" + Quoted("text/html") + data + tail,
          "<p>non object</p>",
          "</object>",
          "<!--> <![endif]-->",
          "</div>"};
}

// ---- The pages ----

std::vector<std::string> TLink::LinkPageLines() const {
  const publish::PublishSettings& s = run_.s();
  std::vector<std::string> lines;
  // 1. Head.
  Append(lines, {HtmlOpening(run_) + "<head><Title>" + PageTitle(run_, "Linking Examples") +
                     "</title>",
                 kCharsetLine, kViewportLine,
                 "<link rel=\"stylesheet\" type=\"text/css\"  href=\"style.css\" />",
                 "<style>",
                 "h1 {magin : 20px; color:FF0000; } ",
                 "TEXTAREA {",
                 " margin-left:auto; ",
                 " margin-right: auto;",
                 " margin-right: auto;",
                 " color: black; ",
                 " background-color: lightyellow;",
                 " border-width: 1px;",
                 " border-color: #000000;",
                 " border-style: solid;",
                 " } ",
                 " input { ",
                 " background-color: lightyellow; ",
                 " } ",
                 "</style>",
                 kHelpColourStyle,
                 kNarrowWindowStyle,
                 "</head>",
                 "<body>",
                 "<center>",
                 "<font color=0000FF Size=+5> Linking / Embeding Help </Font>"});
  // 2. Steps.
  Append(lines,
         {"<table><tr><td>", "<i><ol><li>Publish the Calendar to your web site </li>",
          "<li>On the publish screen, verify (or correct) the URL of the Calendar.html file. "
          "</li>",
          "<li>Click preview again ... Copy and paste the code below into your web page:</li>",
          "<li>In some cases you may need to adjust the height and width values of the "
          "calendar and/or the  embed code </li>",
          "</ol></i>", "</td><tr></table><br><br><br>", "<center>"});

  // 3. The large calendar: its links and the popup share one table.
  Append(lines, {"<A NAME=Calendar></A>", "<center><H1>The Large Calendar</H1></center>"});
  lines.push_back(Table(10));
  Append(lines, LinkEntry(s, "Calendar.html", "Current Month",
                          "Calendar.html will redirect to the current month using javascript. "
                          "If the current month is not published then Calendar.html will "
                          "redirect to the first month published"));
  Append(lines, LinkEntry(s, "FirstMonth.html", "First Month",
                          "Link to the first published month of the calendar."));
  Append(lines, {"<caption><b>Popup the Calendar:</b><caption>", "<tr><td><b> Popup </b></td><td>",
                 "<font size=+2 color=green>Popup Calendar in a window </font><br>",
                 "<i> This code will pop up the calendar in a new window."});
  Append(lines, TextBox(PopupCode(s)));
  Append(lines, {"<br></td></tr> ", "</table><br><br>"});

  std::string large = CalendarUrl(s);
  if (large.empty()) large = kCalendarPage;
  lines.push_back(Table(10));
  Append(lines, {"<caption><b>Embed the Large Calendar:</b><caption>",
                 // frame.html is written only with the IFrame switch on; without
                 // it the example is the calendar itself.
                 "<tr><td><b> Frame</b><br><a href=" +
                     std::string(run_.window && run_.window->chkIframe ? "frame.html"
                                                                       : "Calendar.html") +
                     ">Try It</a> </td><td>  ",
                 "<font size=+2 color=green>Embed Calendar in a window on your web page "
                 "</font><br>",
                 "<i>This code will show the calendar inside an IFRAME on another page."});
  Append(lines, FrameSteps(""));
  Append(lines, FittingCodeBox(large, FrameDimensionsOf(s).height));
  Append(lines, TextBox(FrameCode(FrameSize(s), large, "No")));
  Append(lines, {"<br></td></tr>", "</table><br>"});

  // The small calendar.
  const int small = s.Int("Small.Width");
  Append(lines, {"<A NAME=SmallCalendar></A>", "<center><H1>The Small Calendar</H1></center>"});
  lines.push_back(Table(0));
  Append(lines, {"<tr><td><b> Frame</b></td><td>  ",
                 "<font size=+2 color=green>Embed The Small Calendar in a window on your web page "
                 "</font><br>",
                 "<i>This code will show the The SmallCalendar inside an IFRAME on another page."});
  Append(lines, FrameSteps("<li>Adjust the width on the format screen, under The "
                           "SmallCalendar, style sheet tab</li>"));
  Append(lines, FittingCodeBox(FramePageAddress(s, "Small.html"), std::to_string(2 * small + 150)));
  Append(lines, TextBox(FrameCode(SmallFrameSize(2 * small + 150, small + 75),
                                  FramePageAddress(s, "Small.html"), "Auto")));
  Append(lines, {"<br> </td></tr>", "</table>"});

  // The event list: its links, then its frame in a table of its own.
  Append(lines, {"<center><H1>The Event List</H1></center>", "<A NAME=EventList></A>"});
  lines.push_back(Table(10));
  Append(lines, LinkEntry(s, "Events.html", "Todays Events",
                          "Link to the event list. Events.html will redirect to upcoming "
                          "events on the event list using javascript"));
  Append(lines,
         LinkEntry(s, "EventList" + std::to_string(s.Int("Publish.StartYear")) + run_.extension,
                   "Events this year", "Link to the event list for this year"));
  lines.emplace_back("</table><br><br>");
  lines.push_back(Table(0));
  Append(lines,
         {"<caption><b>Embed the Event List:</b><caption>", "<tr><td><b> Frame</b></td><td>  ",
          "<font size=+2 color=green>Embed Event List in a window on your web page </font><br>",
          "<i>This code will show the event list inside an IFRAME on another page."});
  Append(lines, FrameSteps("<li>Adjust the width on the format screen, under event list, "
                           "style sheet tab</li>"));
  Append(lines, FittingCodeBox(FramePageAddress(s, "Events.html"),
                               std::to_string(s.Int("List.Height") + 2)));
  Append(lines, TextBox(FrameCode(SmallFrameSize(s.Int("List.Height") + 2, s.Int("List.Width") + 2),
                                  FramePageAddress(s, "Events.html"), "Auto")));
  Append(lines, {"<br></td></tr>", "</table><br>"});

  // The year page.
  Append(lines, {"<center><H1>The Year View</H1></center>", "<A NAME=Year></A>"});
  lines.push_back(Table(10));
  Append(lines, LinkEntry(s, "Year" + run_.extension, "All calendars on one page",
                          "Link to the Year View. Year.html will show all monthly calendars on "
                          "one page"));
  lines.emplace_back("</table><br><br>");

  // The scroller.
  Append(lines, {"<A NAME=EventScroller></A>", "<center><H1>The Event Scroller</H1></center>"});
  lines.push_back(Table(0));
  Append(lines, {"<tr><td><b> Frame</b></td><td>  ",
                 "<font size=+2 color=green>Embed The Event Scroller in a window on your web page "
                 "</font><br>",
                 "<i>This code will show the The EventScroller inside an IFRAME on another page."});
  Append(lines, FrameSteps("<li>At least 5 upcoming events must exist for the scroller to be "
                           "created</li>"));
  Append(lines,
         TextBox(FrameCode(SmallFrameSize(177, 795), FramePageAddress(s, "Scroller.html"), "No")));
  Append(lines, {"<br></td></tr>", "</table>"});

  // 4.
  Append(lines, {"</center>", "</body></html>"});
  return lines;
}

std::vector<std::string> TLink::FramePageLines() const {
  // The sample names the page as the run writes it: on a server that tells
  // case apart, "calendar.html" would not be found.
  std::vector<std::string> lines;
  Append(lines,
         {HtmlOpening(run_), "<head>", kCharsetLine, kViewportLine, kNarrowWindowStyle,
          "<title>" + PageTitle(run_, "Embedding Example") + "</title>", "</head>", "<body bgcolor=white > ", "<center>",
          " <h3> <u>Calendar inside a Frame </u> </h3> ",
          " This shows how you can embed the calendar in a frame on your website: <BR><BR>  ",
          "<p align=left> <font color=#556270 >  <br> ", kTextBoxOpen,
          "&lt;IFRAME  height=\"900\" width=\"100%\" frameborder=0 SRC=\"Calendar.html\" "
          "TITLE=\"Calendar\" SCROLLING=No &gt; "});
  lines.push_back(HtmlText(FallbackLine(kCalendarPage)));
  Append(lines, {"&lt;/IFRAME&gt;", "</TEXTAREA></form></center>", "</font></p>",
                 "<h3> Click the yellow bar on top, and enable activeX controls to display the "
                 "example!</h3>"});
  lines.push_back("<IFRAME Frameborder=1 " + FrameSize(run_.s()) +
                  " frameborder=0 SRC=\"Calendar.html\" title=\"Calendar\" SCROLLING=No> ");
  lines.push_back(FallbackLine(kCalendarPage));
  Append(lines, {"</IFRAME>", "</center>", "</body>", "</html>"});
  return lines;
}

std::vector<std::string> TLink::ObjectPageLines() const {
  const std::string size = ObjectSize(run_.s());
  std::vector<std::string> lines;
  Append(lines, {HtmlOpening(run_), "<head>", kCharsetLine, kViewportLine, kNarrowWindowStyle,
          "<title>" + PageTitle(run_, "Embedding Example") + "</title>", "</head>", "<body bgcolor=white > ", "<center>",
                 " <h3> <u>Embed Calendar inside any page on your web site.  </u> </h3> ",
                 " This shows how you can insert the calendar inside a page on your website: "
                 "<BR><BR>  ",
                 "<h2> Steps : </h2>", "<table><tr><td>",
                 "1. Copy and paste the code below into a page on your website. <br> Make sure "
                 "data=\"Calendar.html\" is the full path to the calendar. <br> (You may need to "
                 "change this to include sub directories. for example /caldir/Calendar.html <br>",
                 "2. Publish the calendar", "</td></tr></table>",
                 "<center><form><TEXTAREA NAME=string ROWS=5 COLS=91> "});
  Append(lines, ObjectCode(kCalendarPage, size, true));
  Append(lines, {"</TEXTAREA>",
                 "<h3> Click the yellow bar on top, and enable activeX controls to display the "
                 "example!</h3>"});
  Append(lines, ObjectCode("FirstMonth.html", size, false));
  Append(lines, {"</body>", "</html>"});
  return lines;
}

Status TLink::WriteLinkPage(const std::string& path) {
  return WritePage(run_, path, LinkPageLines());
}

Status TLink::Generate(const std::string& output) {
  const publish::PublishWindowState& window = *run_.window;
  const std::string folder = WithTrailingSlash(output);
  Status result;
  if (window.chkIframe) {
    result = Keep(result, WritePage(run_, folder + "frame.html", FramePageLines()));
  }
  if (window.chkObject) {
    result = Keep(result, WritePage(run_, folder + "object.html", ObjectPageLines()));
  }
  if (window.chkPaste && run_.s().Bool("Page.Embed")) {
    const std::string name = EmbedLinkFileName(run_.s().Text("Page.EmbedLink"));
    const std::string& first = run_.state.first_page_path;
    if (!name.empty() && !first.empty() && folder + name != first) {
      Result<std::string> page = ReadFileBytes(first);
      result = Keep(result, page.ok() ? run_.SaveFile(folder + name, page.value())
                                      : run_.Record(folder + name, page.status()));
    }
  }
  return result;
}

// ---- "Get Embed Code" ----

std::optional<EmbedCodeWindow> GetEmbedCode(publish::PublishSettings& settings,
                                            const publish::PublishWindowState& window,
                                            std::vector<std::string>& calendar_urls, UiSeam* ui,
                                            const CalendarUrlFill& fill) {
  if (CalendarUrl(settings).empty() && fill) fill(settings, calendar_urls);
  if (!window.chkObject && !window.chkIframe) {
    if (ui) ui->ShowMessage(kNoEmbedMethodMessage);
    return std::nullopt;
  }
  EmbedCodeWindow shown;
  shown.method = window.chkObject ? EmbedMethod::kObject : EmbedMethod::kFrame;
  for (const std::string& url : calendar_urls) {
    shown.addresses.push_back(RemoveAllNoCase(url, kCalendarPage));
  }
  if (shown.addresses.empty()) {
    shown.addresses.push_back(RemoveAllNoCase(CalendarUrl(settings), kCalendarPage));
  }
  return shown;
}

EmbedCodeTexts EmbedCodeFor(const publish::PublishSettings& s, std::string_view folder_address) {
  const std::string a(folder_address);
  const std::string calendar = a + std::string(kCalendarPage);
  EmbedCodeTexts texts;
  texts.links = {{std::string(kCurrentMonthLabel), calendar},
                 {"", a + "FirstMonth.html"},
                 {"", a + "LastMonth.html"}};
  const FrameDimensions size = FrameDimensionsOf(s);
  texts.frame_code = {"<IFRAME HEIGHT=" + Quoted(size.height) + " WIDTH=" + Quoted(size.width) +
                          " TITLE=" + Quoted("Calendar") +
                          " FRAMEBORDER=0 SCROLLING=No SRC=" + Quoted(calendar) + " > ",
                      FallbackLine(calendar), "</IFRAME>"};
  texts.object_code = ObjectCode(calendar, ObjectSize(s), true);
  return texts;
}

// ---- The paste method ----

std::string EmbedLinkFileName(std::string_view address) {
  std::string rest = SlashPath(Trim(address));
  if (const size_t scheme = rest.find("://"); scheme != std::string::npos) {
    rest.erase(0, scheme + 3);
    // Only a host: no file.
    if (rest.find('/') == std::string::npos) return "";
  }
  rest = rest.substr(0, rest.find_first_of("?#"));
  const size_t slash = rest.rfind('/');
  std::string name = slash == std::string::npos ? rest : rest.substr(slash + 1);
  if (name == "." || name == "..") name.clear();
  return name;
}

std::string AbsoluteReferences(std::string_view html, std::string_view address) {
  std::string rest = Trim(address);
  if (StartsNoCase(rest, "file://")) return std::string(html);
  // The page's own scheme is kept: an "https" page pointing at "http"
  // pictures and scripts would have them blocked as mixed content.
  std::string scheme = "http://";
  if (StartsNoCase(rest, "https://")) {
    scheme = "https://";
    rest.erase(0, 8);
  } else if (StartsNoCase(rest, "http://")) {
    rest.erase(0, 7);
  }
  rest = rest.substr(0, rest.find_first_of("?#"));
  const std::string host = rest.substr(0, rest.find('/'));
  // An address without a path is its host's root.
  if (const size_t slash = rest.rfind('/'); slash != std::string::npos) rest.erase(slash);
  const std::string base = scheme + WithTrailingSlash(Trim(rest));
  const std::string root = scheme + Trim(host);

  const std::string lower = ToLower(html);
  std::string out;
  size_t copied = 0;
  size_t at = 0;
  while (true) {
    size_t next = std::string::npos;
    size_t name_size = 0;
    for (std::string_view name : {"src=", "href=", "background="}) {
      const size_t found = lower.find(name, at);
      if (found < next) {
        next = found;
        name_size = name.size();
      }
    }
    if (next == std::string::npos) break;
    size_t value = next + name_size;
    if (value < html.size() && (html[value] == '"' || html[value] == '\'')) ++value;
    at = value;
    const std::string_view ref = html.substr(value);
    if (ref.empty() || std::isspace(static_cast<unsigned char>(ref[0])) || ref[0] == '>' ||
        IsAbsoluteReference(ref)) {
      continue;
    }
    out.append(html, copied, value - copied);
    out += ref[0] == '/' ? root : base;
    copied = value;
  }
  out.append(html, copied, std::string::npos);
  return out;
}

Status PasteEmbedPage(publish::PublishSettings& settings, const std::string& favorite_dir,
                      UiSeam* ui, const PageLoader& load) {
  const std::string link = settings.Text("Page.EmbedLink");
  const std::string copy = WithTrailingSlash(favorite_dir) + std::string(kEmbedPageName);
  if (FileExists(copy)) {
    const Answer answer =
        ui ? ui->Ask("Copy Exists. Replace with this one? " + link, Buttons::kYesNo, Answer::kNo)
           : Answer::kNo;
    if (answer != Answer::kYes) return Status::Cancelled("the copy of the page was kept");
  }

  // The page is loaded before the copy is checked, so the check sees the
  // page just pasted rather than the one it replaces.
  Status result;
  std::optional<std::string> source;
  if (load) source = load(link);
  if (!source) {
    const std::string message = "Page not foud : " + link + ". Can not open";
    if (ui) ui->ShowMessage(message, MessageKind::kError);
    result = Status::NotFound(message);
  } else {
    result = WriteFileAtomically(copy, AbsoluteReferences(*source, link));
  }

  if (FileExists(copy)) {
    const std::string& keyword = settings.Text("Page.EmbedKeyword");
    Result<std::string> text = ReadFileBytes(copy);
    // An empty keyword never places the calendar, so it is reported too.
    if (!text.ok() || keyword.empty() || !ContainsText(keyword, text.value())) {
      if (ui) {
        ui->ShowMessage("The Keyword: " + SingleQuoted(keyword) + " is not present in the page " +
                        std::string(kEmbedPageName) +
                        " Edit the page and insert the keyword first. ");
      }
    }
  } else if (ui) {
    ui->ShowMessage(kNoLocalCopyMessage);
  }
  settings.SetBool("Page.Embed", true);
  return result;
}

}  // namespace almanix::generator
