#include "generator/scroller.h"

#include <ctime>
#include <filesystem>
#include <system_error>

#include "app/dir.h"
#include "app/encoding.h"
#include "app/file_util.h"
#include "app/text.h"
#include "generator/calendar_data.h"
#include "generator/page_meta.h"
#include "generator/rss.h"
#include "generator/run_context.h"

namespace almanix::generator {
namespace {

// Days since 30 December 1899 to Julian day numbers.
constexpr int kJulianDayOffset = 2415019;

// A JavaScript string literal. The texts have their quotes removed or
// escaped already; a backslash or a line break would still end the string
// or start an escape.
std::string JsString(std::string_view text) {
  std::string out = "\"";
  for (const char c : text) {
    if (c == '\\' || c == '"') {
      out.push_back('\\');
      out.push_back(c);
    } else if (c == '\r' || c == '\n') {
      out.push_back(' ');
    } else {
      out.push_back(c);
    }
  }
  return out + "\"";
}

std::string ValuePart(const std::string& photo, const std::string& text, const std::string& link,
                      int julian_day) {
  return "= [" + JsString(photo) + "," + JsString(text) + "," + JsString(link) + "," +
         JsString("_top") + "," + JsString(std::to_string(julian_day)) + "];";
}

bool HasOwnUrl(const EventRecord& e) {
  const std::string url = Trim(e.url);
  return !url.empty() && ToLower(url) != "http://";
}

// Whether the event goes on the scroller under the photo rule.
bool Shown(const EventRecord& e, bool flagged_only, bool skip_no_photo) {
  if (flagged_only && e.scroll_show != "T") return false;
  return !skip_no_photo || !Trim(e.scroll_photo).empty();
}

}  // namespace

Status TScroller::Generate(const std::string& output, const std::string& script_path) {
  const publish::PublishSettings& s = run_.s();
  const std::string assets = WithTrailingSlash(run_.dir->ScrollerDir);
  for (std::string_view name :
       {"lbtn.gif", "rbtn.gif", "Scroller.html", "scroller.js", "blank.jpg"}) {
    IgnoreResult(run_.CopyNoCase(assets, name, WithTrailingSlash(output) + std::string(name)),
                 "counted in the run's result; the scroller goes on without it");
  }
  // The page is copied as installed, without a language: it gets the
  // calendar's, as every page the run writes does.
  const std::string page = WithTrailingSlash(output) + "Scroller.html";
  if (auto bytes = ReadFileBytes(page); bytes.ok()) {
    std::string text = bytes.value();
    if (const size_t at = text.find("<html>"); at != std::string::npos) {
      text.replace(at, 6, HtmlOpening(run_));
      IgnoreResult(run_.SaveFile(page, text), "counted in the run's result");
    }
  }
  std::string script;
  if (const std::string found = FindNoCase(assets, "scroller.js"); !found.empty()) {
    if (auto bytes = ReadFileBytes(found); bytes.ok()) script = DecodeText(bytes.value());
  }
  if (!now_set_) now_ = FromTimeT(run_.now);

  lines_ = {"var item = new Array();"};
  count_ = 0;
  const bool events_shown =
      !run_.state.style_editor_open &&
      !(run_.state.preview_run && run_.window && run_.window->chkQuickPreview);
  // Scroll.MaxEvents counts the events on the scroller, as its name says;
  // the walk goes on through the two years until it has that many.
  const int max_events = s.Int("Scroll.MaxEvents");
  if (events_shown && max_events > 0) {
    const bool skip_no_photo = s.Bool("Scroll.SkipNoPhoto");
    AddComingEvents(/*flagged_only=*/true, skip_no_photo, max_events);
    // A club that flagged nothing still gets its real coming events: sample
    // items on a published site would announce events that do not exist.
    if (count_ == 0) AddComingEvents(/*flagged_only=*/false, skip_no_photo, max_events);
  }
  // The samples are only for the previews, which show no events; a
  // published scroller with fewer events than the strip holds shows them
  // once, standing still, rather than repeated.
  if (!events_shown) AddSamples();

  for (std::string& line : SplitLines(script)) lines_.push_back(std::move(line));
  lines_.push_back("var speed=" + std::to_string(130 - s.Int("Scroll.Speed")) + ";");
  return run_.SaveFile(script_path, JoinLines(lines_));
}

void TScroller::AddComingEvents(bool flagged_only, bool skip_no_photo, int max_events) {
  int month_loaded = 0;
  std::vector<const EventRecord*> candidates;
  WalkComingDays(run_, [&](const ComingDay& day) {
    if (day.month != month_loaded) {
      // Only the events the scroller can show are tested day by day.
      month_loaded = day.month;
      candidates.clear();
      for (const EventRecord* e : run_.data->MonthEvents(run_.categories, day.month)) {
        if (Shown(*e, flagged_only, skip_no_photo)) candidates.push_back(e);
      }
    }
    if (candidates.empty()) return true;
    const store::DayKey key = KeyFor(day.date);
    for (int category : run_.categories) {
      for (const EventRecord* e : candidates) {
        if (!e->OccursOn(key, category)) continue;
        AddItem(EventValue(*e, category, day));
        if (count_ >= max_events) return false;
      }
    }
    return true;
  });
}

void TScroller::AddItem(const std::string& value) {
  lines_.push_back("item[" + std::to_string(count_) + "]" + value);
  ++count_;
}

std::string TScroller::EventValue(const EventRecord& e, int category, const ComingDay& day) const {
  const publish::PublishSettings& s = run_.s();
  std::string time;
  if (e.allday != "T") {
    if (const std::optional<double> v = ParseDouble(Trim(e.s_date_time))) {
      time = ToLower(FormatDateTime(s.Text("Formatting.TimeFormat"), *v));
    }
    if (!e.time_zone.empty()) time += " " + e.time_zone;
    time = Trim(time + " ");
  }
  std::string text = ToUpper(e.summary) + "<br />" + run_.language.MonthName(day.month, "Short") +
                     ". " + std::to_string(day.day);
  if (!time.empty()) text += " - " + time;
  const std::string photo = Trim(e.scroll_photo).empty() ? "blank.jpg" : e.scroll_photo;
  const std::string link = HasOwnUrl(e) ? Trim(e.url) : DayAnchor(run_, category, day);
  return ValuePart(photo, ListText(text), UrlText(link), day.date + kJulianDayOffset);
}

void TScroller::AddSamples() {
  const double time_of_day = TimePart(now_);
  for (int k = 0; k < kMinItems; ++k) {
    const DayNumber date = run_.today + k;
    const CivilDate civil = DecodeDate(date);
    const std::string text = "EXAMPLE EVENT<br />" + run_.language.MonthName(civil.month, "Short") +
                             ". " + std::to_string(civil.day) + " - " +
                             FormatDateTime("h:mmam/pm", date + time_of_day);
    const std::string link =
        MonthFileFor(run_, 0, civil.month) + std::to_string(civil.year) + run_.extension;
    // The day's own number, as for events: the script compares it with
    // today's, and a rounded afternoon time would name the next day.
    AddItem(ValuePart("blank.jpg", text, UrlText(link), date + kJulianDayOffset));
  }
}

Status TScroller::WriteStyleSheet() {
  const publish::PublishSettings& s = run_.s();
  const std::string& b = s.Text("Scroll.BackgroundColor");
  const std::string& f = s.Text("Scroll.FrameColor");
  const std::vector<std::string> lines = {
      "body{background:" + b +
          ";color:#fff;overflow:visible;border:0;font:14px Arial,Helvetica,sans-serif;margin:0;"
          "padding:0}",
      "img{border:0;margin:0;padding:0}", "ul,ol,li{margin-top:0}",
      "div.eventitem{background:" + f +
          "; border:2px solid "
          "#2f4151;color:#091925;display:block;float:left;font-size:11px;font-weight:bold;"
          "height:125px;margin:9px 3px;padding:0;position:relative;text-align:center;width:"
          "130px}",
      "div.eventitem p{margin:0 auto;padding:0 0 5px 7px;text-align:center}",
      "img.imgarr{cursor:pointer}",
      "#container{height:133px;margin:0 "
      "auto;overflow:hidden;padding:5px 0 0 0;position:relative;width:700px}",
      "#container #div0 img,#container #div1 img,#container #div2 "
      "img{border:0;display:block;margin:0;padding:0}",
      "#div0{float:left;height:133px;left:-700px;margin:0;padding:0;position:absolute;text-"
      "align:right;top:0px;width:700px}",
      "#div1{float:left;height:133px;margin:0;padding:0;position:absolute;top:0px}",
      "#div2{float:left;height:133px;margin:0;padding:0;position:absolute;top:0px;width:700px}",
      // The frame keeps its place and size; its background picture named a
      // file at the site's root that no calendar folder holds, and the
      // colours above already draw the scroller.
      "#eventscoller{height:163px;left:0px;position:absolute;top:0px;width:781px}",
      "div.eventitem a:link,div.eventitem a:visited{color:#091925;text-decoration:none}"};
  return run_.SaveFile(run_.build_dir + "scroller.css", JoinLines(lines));
}

}  // namespace almanix::generator
