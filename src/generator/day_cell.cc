#include "generator/day_cell.h"

#include <algorithm>
#include <filesystem>
#include <system_error>
#include <utility>

#include "app/dir.h"
#include "app/encoding.h"
#include "app/file_util.h"
#include "app/text.h"
#include "app/ui_seam.h"
#include "generator/calendar_data.h"
#include "generator/event_pages.h"
#include "generator/menu.h"
#include "generator/run_context.h"
#include "store/occurrence.h"

namespace almanix::generator {
namespace fs = std::filesystem;

namespace {

// The font families an event's own style can name, by its Custom number.
constexpr std::string_view kFontFamilies[] = {
    "",           "Arial",       "Helvetica",     "Times New Roman", "Times Courier New",
    "Courier",    "Palatino",    "Garamond",      "Bookman",         "Avant Garde",
    "Verdana",    "Georgia",     "Comic Sans MS", "Trebuchet MS",    "Arial Black",
    "Impact"};

bool Contains(std::string_view text, std::string_view part) {
  return text.find(part) != std::string_view::npos;
}

std::string NewlinesToBreaks(std::string_view text) { return ReplaceAll(text, "\n", "<br />"); }

int NumberOr(std::string_view text, int fallback) {
  return ParseInt(Trim(text)).value_or(fallback);
}

}  // namespace

std::vector<std::string> DayFolderFiles(const std::string& folder) {
  std::vector<std::string> names;
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    if (it->is_regular_file(ec)) names.push_back(it->path().filename().string());
  }
  std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
    return ToLower(a) < ToLower(b);
  });
  return names;
}

std::string DayPictureHtml(const RunContext& run, const std::string& prefix) {
  const std::string picture = prefix + "picture";
  std::string p;
  if (run.BuildFileExists(picture + ".gif")) {
    p = picture + ".gif";
  } else if (run.BuildFileExists(picture + ".jpg")) {
    p = picture + ".jpg";
  }
  return p.empty() ? "" : "<img src=\"" + p + "\" border=0 align=left alt=\"\">";
}

EventTimes FormattedTimes(const EventRecord& e, const std::string& pattern) {
  auto format = [&](const std::string& value) -> std::string {
    if (value.empty()) return "";
    std::optional<double> v = ParseDouble(value);
    return v ? ToLower(FormatDateTime(pattern, *v)) : "";
  };
  EventTimes t{format(e.s_date_time), format(e.e_date_time)};
  if (!e.time_zone.empty()) {
    t.start += "&nbsp;" + e.time_zone;
    t.end += "&nbsp;" + e.time_zone;
  }
  return t;
}

std::string JoinTimes(const EventTimes& t) {
  if (!t.start.empty() && !t.end.empty()) return t.start + "-" + t.end;
  return t.end.empty() ? t.start : t.end;
}

bool UniqueList::Add(std::string text) {
  if (seen_.count(text)) return false;
  items_.push_back(std::move(text));
  seen_.insert(items_.back());
  return true;
}

void UniqueList::Clear() {
  items_.clear();
  seen_.clear();
}

std::string HolidayIconName(std::string_view holiday) {
  std::string name;
  for (char ch : holiday) {
    if (ch != ' ' && ch != '\'') name.push_back(ch);
  }
  return name;
}

std::string DayCellRenderer::FitName(const std::string& name) const {
  return run_.smallest_size ? ".." : name;
}

std::string DayCellRenderer::RenderDayCell(const std::vector<int>& categories,
                                           const std::vector<const EventRecord*>& events,
                                           const CellDay& day) {
  if (day.day.empty()) return "";
  const publish::PublishSettings& s = run_.s();

  std::string holiday_part;
  const std::string& holiday = day.row->Holiday(s.Text("Contents.Holiday"));
  if (!holiday.empty()) {
    std::string icon;
    const std::string icon_file = HolidayIconName(holiday) + ".gif";
    if (s.Bool("Contents.ShowHolidayIcons") && run_.BuildFileExists(icon_file)) {
      // The icon says the holiday for those who cannot see it.
      icon = "<img src=\"" + icon_file + "\" border=0 align=left alt=\"" + HtmlText(holiday) + "\">";
    }
    holiday_part = "<div class=\"holidays\">" + icon + holiday + "\n" + "</div><br clear=all>";
  }

  std::string notes_part;
  for (int c : categories) {
    const std::string& note = day.row->Note(c);
    if (!note.empty()) notes_part += note + "\n";
  }

  std::string events_part;
  categories_in_cell_ = categories.size();
  candidates_list_ = nullptr;
  const store::DayKey key = store::DayKey::For(day.date);
  for (int c : categories) {
    if (run_.ui) run_.ui->ProcessEvents();
    events_part += RenderCategoryEvents(c, events, key, day);
  }
  events_part = run_.language.ExpandMacros(events_part);

  std::string cell = holiday_part + notes_part + events_part;
  if (s.Bool("Publish.Attachments")) cell += DayAttachmentsHtml(categories, day);

  if (s.Bool("Formatting.PopUp")) {
    const int n = std::clamp(s.Int("Formatting.PopUpAfterLines"), 1, 55);
    // The cell's last character never counts: an entry ends in a line feed.
    size_t cut = std::string::npos;
    int seen = 0;
    for (size_t i = 0; i + 1 < cell.size(); ++i) {
      if (cell[i] == '\n' && ++seen == n) {
        cut = i + 1;
        break;
      }
    }
    if (cut != std::string::npos) {
      const std::string head = NewlinesToBreaks(Trim(cell.substr(0, cut)));
      const std::string rest = NewlinesToBreaks(Trim(TagText(cell.substr(cut))));
      if (!rest.empty()) {
        const std::string target = s.Bool("List.NewWindow") ? " target=_blank" : "";
        return head + "<br><a class=\"itr\" href=EventList" + std::to_string(day.year) +
               run_.extension + "#M" + day.month + "D" + day.day + " " + target +
               " >...<span class=\"bpop\">" + rest + "</span></a>";
      }
    }
  }
  return NewlinesToBreaks(cell);
}

std::string DayCellRenderer::RenderCategoryEvents(int category,
                                                  const std::vector<const EventRecord*>& events,
                                                  const store::DayKey& key, const CellDay& day) {
  if (Trim(day.day).empty() || run_.state.style_editor_open) return "";
  if (run_.state.preview_run && run_.window && run_.window->chkQuickPreview) return "";
  const publish::PublishSettings& s = run_.s();

  const int day_number = NumberOr(day.day, 1);
  const int dow = NumberOr(day.dow, 0);
  const std::string year = std::to_string(day.year);
  const std::string list_anchor =
      "EventList" + year + run_.extension + "#M" + day.month + "D" + day.day;
  cell_color_.clear();
  event_count_ = 0;

  const std::string& separator_setting = s.Text("Formatting.EventSeperator");
  const bool small_legend = s.Bool("Small.CanCreate") && s.Bool("Small.Legend");
  const bool year_legend = s.Bool("Year.CanCreate") && s.Bool("Year.Legend");

  if (candidates_list_ != &events || candidates_day_ != key.day) {
    candidates_ = &CandidatesOn(run_.data, events, key, &scratch_);
    candidates_list_ = &events;
    candidates_day_ = key.day;
  }
  std::string result;
  for (size_t k = 0; k < candidates_->events.size(); ++k) {
    if (!candidates_->Names(k, category)) continue;
    const EventRecord& e = *candidates_->events[k];
    std::string name = e.summary;
    ++event_count_;

    if (!e.cell_color.empty()) {
      cell_color_ = e.cell_color;
      if (year_legend) {
        legends_.year_legend_rows.Add("<td " + BackgroundStyleAttr(e.cell_color) +
                                      " > &nbsp;&nbsp;&nbsp;&nbsp;&nbsp;  </td><td>" + name +
                                      "</td>");
      }
    }

    std::string sep;
    if (separator_setting != "none" && !separator_setting.empty()) {
      sep = separator_setting + "&nbsp;";
    }
    std::string icon, icon_break;
    if (!e.icon_name.empty() && run_.BuildFileExists(e.icon_name)) {
      icon = "<img border=0  align=left src=\"" + e.icon_name + "\" alt=\"\">";
      icon_break = "<br clear=all>";
      sep.clear();
    }

    const std::string& t = CachedTimeText(e);
    std::string time_before, time_inline, time_below;
    std::string legend_time = t;
    if (e.allday == "T" || Trim(name).empty()) {
      legend_time.clear();
    } else if (s.Bool("Formatting.DateTimeBelow")) {
      if (!t.empty()) time_below = "<br clear=all>" + t;
    } else if (s.Bool("Formatting.TimeOnNewLine")) {
      time_before = t;
    } else {
      time_inline = t;
    }

    const bool new_window = e.link_new_window == "T";
    const std::string tgt = s.Bool("List.NewWindow") || new_window ? " target=_blank" : "";
    const std::string style = EventInlineStyle(e);
    std::string a = "<a class=\"itr\" " + style + " href=" + list_anchor + " " + tgt + ">";
    if (s.Bool("List.Box")) {
      a = "<a " + style + " href=\"" + list_anchor + ThickboxSuffix(run_, "itr thickbox") + " " +
          tgt + ">";
    }
    if (!s.Bool("List.CanCreate")) a = "<a class=\"itr\" " + style + " href=\"#\" >";

    const bool has_url = !e.url.empty() && e.url != "http://";
    if (has_url) {
      std::string url = e.url;
      auto join = [&url](const std::string& part) {
        url += (Contains(url, "?") ? "&" : "?") + part;
      };
      if (e.append_date == "T") {
        join("Date=" + year + PadTwo(day.month) + PadTwo(day.day));
      }
      if (e.append_category == "T") {
        join("Category=" + run_.CategoryName(category) + "&Event=" + UrlText(name));
      }
      std::string target;
      if (new_window) {
        target = " target=_blank";
      } else if (!s.Text("Formatting.Target").empty()) {
        target = " target=" + s.Text("Formatting.Target") + " ";
      }
      a = "<a class=\"itr\" " + style + " href=" + QuotedUrl(url) + target + ">";
    }

    if (s.Bool("Formatting.EventnameBold")) name = "<b>" + name + "</b>";
    name = FitName(name);
    if (has_url && s.Bool("Formatting.UnderlineLinks")) name = "<u>" + name + "</u>";

    std::string loc;
    if (s.Bool("Formatting.EventLocation") && !e.location.empty()) {
      loc = "<br><span class=dt ><i>" + e.location + "</i></span>";
    }

    if (small_legend) {
      legends_.small_legend_rows.Add("<td " + BackgroundStyleAttr(e.cell_color) +
                                     " ><span class=\"Date\">&diams;" + "</span></td><td>" + a +
                                     run_.language.MonthName(NumberOr(day.month, 0), "Short") +
                                     " " + day.day + ", " + legend_time + "&nbsp;" + name +
                                     "</a></td>");
    }

    const std::string body = icon + time_before + a + sep + time_inline + name + loc + time_below;
    // With pop-ups on, every event has one: it offers "Add to my calendar"
    // even where there is nothing else to tell.
    std::string popup;
    if (s.Bool("Formatting.PopUpDesc")) {
      popup = PopUp(e, day_number, dow, AddToCalendarData(run_, OccurrenceOf(e, category, day.date), add_links_));
    }
    if (!popup.empty()) {
      result += body + popup + icon_break;
    } else {
      result += body + "</a>" + icon_break + "\n";
    }
  }

  if (categories_in_cell_ > 1 && !result.empty() && s.Bool("Contents.GroupEvents")) {
    result = "<center><u>" + run_.CategoryName(category) + "</u></center>" + result + "\n";
  }
  return result;
}

std::string DayCellRenderer::PopUp(const EventRecord& e, int day_number, int dow,
                                   const std::string& add_to_calendar) {
  const publish::PublishSettings& s = run_.s();
  // The details hang on the event and the run's settings only, and a
  // repeating event shows them on every one of its days.
  PopUpBody fresh;
  const PopUpBody* body = &fresh;
  if (add_to_calendar.empty()) {
    fresh = MakePopUpBody(e, false);
  } else {
    auto [known, added] = popups_.Get(e);
    if (added) *known = MakePopUpBody(e, true);
    body = known;
  }
  if (body->none) return "";
  const int w = body->w;
  const int h = body->h;

  int left = 0;
  if (s.Bool("Publish.StartMonday")) {
    if (dow == 1) {
      left = w;
    } else if (dow >= 3 && dow <= 7) {
      left = static_cast<int>((dow - 1) / 7.0 * w);
    }
  } else if (dow >= 2 && dow <= 7) {
    left = static_cast<int>((dow - 1) / 7.0 * w);
  }
  const int v = s.Int("Formatting.PopUpV");
  int top = day_number <= 18 ? v : -(h + v);
  top = std::max(top, -35);

  const std::string pop_style = "style=\"left:-" + std::to_string(left) + "em; width:" +
                                std::to_string(w) + "em; top:" + std::to_string(top) +
                                ".5em; \"";
  std::string span;
  if (day_number > 25) {
    span = dow == 7 ? "<span class=\"bpopupleft\"  " : "<span class=\"bpopupright\" ";
  } else {
    span = dow == 7 ? "<span class=\"bpopleft\" " : "<span class=\"bpop\" ";
  }
  return span + pop_style + ">" + body->html + add_to_calendar + "</span></a>" + "\n";
}

DayCellRenderer::PopUpBody DayCellRenderer::MakePopUpBody(const EventRecord& e,
                                                         bool with_add_line) const {
  const publish::PublishSettings& s = run_.s();
  std::string d = Trim(e.description);
  if (!d.empty()) d += "<br>";
  if (!e.location.empty()) {
    d += "<b>" + run_.Phrase("Location") + ":</b> &nbsp;" + e.location;
  }
  // The photo goes into the pop-up only with the pop-up photo setting on, as
  // the setting's name promises.
  const bool photo = !e.scroll_photo.empty() && s.Bool("Formatting.PopUpPhoto");
  if ((!d.empty() && s.Bool("Formatting.PopUpTitle")) || photo) {
    d = "<center><font size=+1>" + e.summary + "</font></center>" + d;
  } else if (d.empty() && with_add_line) {
    d = "<center><font size=+1>" + e.summary + "</font></center>";
  }
  const int len = static_cast<int>(Utf8Length(d));
  PopUpBody body;
  body.w = std::min(len / 4, 35);
  // Nothing to pop up (or too little to size): the plain entry is written.
  if (body.w <= 0) {
    body.none = true;
    return body;
  }
  body.h = static_cast<int>(len / static_cast<double>(body.w) / 1.3);
  if (photo) {
    d = "<br><center><img border=" + std::to_string(s.Int("Formatting.PopUpPhotoBorder")) +
        " src=\"" + e.scroll_photo + "\" alt=\"\"></center><br clear=all>" + d;
    body.h += 7;
    body.w += 1;
  }
  // The box's own line ends are written as breaks here: the cell counts its
  // line feeds as entries when it cuts a long day short, and one inside a
  // box would cut the box in two, losing its end and its links.
  body.html = NewlinesToBreaks(d);
  return body;
}

const std::string& DayCellRenderer::CachedTimeText(const EventRecord& e) {
  auto [text, added] = time_texts_.Get(e);
  if (added) *text = CellTimeText(e);
  return *text;
}

std::string DayCellRenderer::CellTimeText(const EventRecord& e) const {
  const publish::PublishSettings& s = run_.s();
  EventTimes times = FormattedTimes(e, s.Text("Formatting.TimeFormat"));
  if (e.allday == "T") times = {};
  if (e.show_start_time == "F") times.start.clear();
  if (e.show_end_time == "F") times.end.clear();
  std::string text = JoinTimes(times);

  if (s.Bool("Formatting.EventDateShow") && e.show_end_time == "T" && !e.e_date_time.empty()) {
    std::optional<double> sv = ParseDouble(e.s_date_time), ev = ParseDouble(e.e_date_time);
    if (sv && ev && DatePart(*sv) != DatePart(*ev)) {
      const std::string& date_pattern = s.Text("Formatting.DateFormat");
      text += "\n" + ToLower(FormatDateTime(date_pattern, DatePart(*sv))) + "-" +
              ToLower(FormatDateTime(date_pattern, DatePart(*ev)));
    }
  }

  if (!text.empty()) {
    if (s.Bool("Formatting.TimeOnNewLine")) {
      text += e.allday == "T" ? "&nbsp;" : "\n";
    } else {
      text += "&nbsp;";
    }
  }

  std::string r = text;
  const bool timed = e.allday != "T";
  if (s.Bool("Formatting.ShowBullets") && timed) r = "&bull;&nbsp;" + text;
  const std::string& time_separator = s.Text("Formatting.TimeSeperator");
  if (time_separator != "none" && !Trim(time_separator).empty() && timed) {
    r = time_separator + "&nbsp;" + text;
  }
  return text.empty() ? r : "<span class=\"dt\" >" + r + "</span>";
}

std::string DayCellRenderer::EventInlineStyle(const EventRecord& e) {
  const int k = ParseInt(e.custom).value_or(-1);
  if (e.custom != "T" && k <= 0) return "";
  std::string out = "style=\"display: block; ";
  if (!e.status.empty()) out += "  background-color:" + e.status + "; ";
  if (k > 0 && k < static_cast<int>(std::size(kFontFamilies))) {
    out += " font-family:" + std::string(kFontFamilies[k]) + "; ";
  }
  if (!e.font_color.empty()) out += " color:" + e.font_color + "; ";
  if (!e.font_size.empty()) out += " Font-Size:" + e.font_size + "pt; ";
  out += e.underline == "T" ? "text-decoration: underline; " : "text-decoration: none; ";
  if (e.center == "T") out += "text-align: center; margin-left:auto; margin-right:auto; ";
  return out + "\"";
}

std::string DayCellRenderer::DayAttachmentsHtml(const std::vector<int>& categories,
                                                const CellDay& day) {
  std::string r;
  const std::string year = std::to_string(day.year);
  const std::string prefix = year + day.month + day.day;
  for (int c : categories) {
    const std::string folder =
        WithTrailingSlash(run_.dir->DayFolderPath(run_.CategoryName(c), year, day.month, day.day));
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
      if (Contains(lower, "thumbs") || Contains(lower, "~") || Contains(lower, "note.txt")) {
        continue;
      }
      std::string target = prefix + f;
      const bool day_picture = f == "background.gif" || f == "background.jpg" ||
                               f == "picture.jpg" || f == "picture.gif";
      if (!day_picture && !PathExists(run_.build_dir + f)) target = f;
      if (!PathExists(run_.build_dir + target)) {
        IgnoreResult(run_.CopyFile(folder + f, run_.build_dir + target),
                     "counted in the run's result; the link stays");
      }
      if (!Contains(f, "picture") && !Contains(f, "background")) {
        r += i == 0 ? "<a href=" : ", <br><a href=";
        r += SingleQuoted(target) + "><img border=0 src=clip.gif alt=\"\"><font size=2><u>" + f +
             "</u></font></a>";
      }
    }
  }
  return r + DayPictureHtml(run_, prefix);
}

}  // namespace almanix::generator
