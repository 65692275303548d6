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

void UniqueList::Put(std::string_view text) {
  if (size_ < texts_.size()) {
    texts_[size_].assign(text);  // keeps the text's earlier storage
  } else {
    texts_.emplace_back(text);
  }
  ++size_;
}

void UniqueList::Grow() {
  const size_t capacity = std::max<size_t>(64, table_.size() * 2);
  table_.assign(capacity, 0);
  const size_t mask = capacity - 1;
  for (size_t i = 0; i < size_; ++i) {
    if (hashes_.size() <= i || hashes_[i] == 0) continue;
    size_t slot = hashes_[i] & mask;
    while (table_[slot] != 0) slot = (slot + 1) & mask;
    table_[slot] = static_cast<uint32_t>(i + 1);
  }
}

bool UniqueList::Add(std::string_view text) {
  if ((in_table_ + 1) * 2 > table_.size()) Grow();
  // 0 marks a text put without the check.
  const size_t hash = std::hash<std::string_view>()(text) | 1;
  const size_t mask = table_.size() - 1;
  size_t slot = hash & mask;
  for (; table_[slot] != 0; slot = (slot + 1) & mask) {
    const size_t at = table_[slot] - 1;
    if (hashes_[at] == hash && texts_[at] == text) return false;
  }
  table_[slot] = static_cast<uint32_t>(size_ + 1);
  if (hashes_.size() <= size_) hashes_.resize(size_ + 1);
  hashes_[size_] = hash;
  ++in_table_;
  Put(text);
  return true;
}

void UniqueList::Append(std::string_view text) {
  if (hashes_.size() <= size_) hashes_.resize(size_ + 1);
  hashes_[size_] = 0;
  Put(text);
}

void UniqueList::Clear() {
  if (in_table_ > 0) std::fill(table_.begin(), table_.end(), 0);
  in_table_ = 0;
  size_ = 0;
}

std::string HolidayIconName(std::string_view holiday) {
  std::string name;
  for (char ch : holiday) {
    if (ch != ' ' && ch != '\'') name.push_back(ch);
  }
  return name;
}

DayCellRenderer::DayCellRenderer(const RunContext& run, Legends& legends)
    : run_(run), legends_(legends) {
  NewPage();
}

void DayCellRenderer::NewPage() {
  add_links_.NewPage();
  const publish::PublishSettings& s = run_.s();
  EntrySettings& set = set_;
  const std::string& separator = s.Text("Formatting.EventSeperator");
  set.separator = separator != "none" && !separator.empty() ? separator + "&nbsp;" : "";
  set.small_legend = s.Bool("Small.CanCreate") && s.Bool("Small.Legend");
  set.year_legend = s.Bool("Year.CanCreate") && s.Bool("Year.Legend");
  set.date_time_below = s.Bool("Formatting.DateTimeBelow");
  set.time_on_new_line = s.Bool("Formatting.TimeOnNewLine");
  set.new_window = s.Bool("List.NewWindow");
  set.list_box = s.Bool("List.Box");
  set.list_can_create = s.Bool("List.CanCreate");
  set.thickbox = set.list_box ? ThickboxSuffix(run_, "itr thickbox") : "";
  const std::string& target = s.Text("Formatting.Target");
  set.url_target = target.empty() ? "" : " target=" + target + " ";
  set.bold = s.Bool("Formatting.EventnameBold");
  set.underline_links = s.Bool("Formatting.UnderlineLinks");
  set.location = s.Bool("Formatting.EventLocation");
  set.popups = s.Bool("Formatting.PopUpDesc");
  set.group_events = s.Bool("Contents.GroupEvents");
}

const std::string& DayCellRenderer::RenderDayCell(const std::vector<int>& categories,
                                                  const std::vector<const EventRecord*>& events,
                                                  const CellDay& day) {
  out_.clear();
  if (day.day.empty()) return out_;
  const publish::PublishSettings& s = run_.s();

  std::string& cell = cell_;
  cell.clear();
  const std::string& holiday = day.row->Holiday(s.Text("Contents.Holiday"));
  if (!holiday.empty()) {
    cell += "<div class=\"holidays\">";
    const std::string icon_file = HolidayIconName(holiday) + ".gif";
    if (s.Bool("Contents.ShowHolidayIcons") && run_.BuildFileExists(icon_file)) {
      // The icon says the holiday for those who cannot see it.
      cell += "<img src=\"" + icon_file + "\" border=0 align=left alt=\"" + HtmlText(holiday) +
              "\">";
    }
    cell += holiday;
    cell += "\n</div><br clear=all>";
  }

  for (int c : categories) {
    const std::string& note = day.row->Note(c);
    if (!note.empty()) {
      cell += note;
      cell += '\n';
    }
  }

  events_.clear();
  categories_in_cell_ = categories.size();
  candidates_list_ = nullptr;
  const store::DayKey key = store::DayKey::For(day.date);
  for (int c : categories) {
    if (run_.ui) run_.ui->ProcessEvents();
    AppendCategoryEvents(c, events, key, day, events_);
  }
  if (!events_.empty()) cell += run_.language.ExpandMacros(events_);

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
        out_ = head + "<br><a class=\"itr\" href=EventList" + std::to_string(day.year) +
               run_.extension + "#M" + day.month + "D" + day.day + " " + target +
               " >...<span class=\"bpop\">" + rest + "</span></a>";
        return out_;
      }
    }
  }
  // NewlinesToBreaks, into the kept buffer.
  ReplaceAllInto(cell, "\n", "<br />", &out_);
  return out_;
}

DayCellRenderer::EntryParts& DayCellRenderer::PartsOf(const EventRecord& e) {
  EntryParts* parts = nullptr;
  if (e.index >= 0) {
    const size_t i = static_cast<size_t>(e.index);
    if (i >= parts_.size()) {
      // Room for every event of the run at once.
      const size_t all = run_.data ? run_.data->events().size() : 0;
      parts_.resize(std::max({i + 1, all, parts_.size() * 2}));
    }
    parts = &parts_[i];
  } else {
    parts = &loose_parts_[&e];
  }
  if (parts->made) return *parts;
  parts->made = true;
  parts->style = StyleNumber(EventInlineStyle(e));
  parts->cell_style = StyleNumber(BackgroundStyleAttr(e.cell_color));
  parts->new_window = set_.new_window || e.link_new_window == "T";
  parts->has_url = !e.url.empty() && e.url != "http://";
  parts->coloured = !e.cell_color.empty();
  parts->has_icon = !e.icon_name.empty();

  const std::string t = CellTimeText(e);
  const bool timed = !(e.allday == "T" || Trim(e.summary).empty());
  const bool below = timed && set_.date_time_below;
  const bool before = timed && !below && set_.time_on_new_line;
  if (before) parts->time = t;
  std::string& body = parts->body;
  if (timed && !below && !before) body += t;
  AppendName(e, *parts, body);
  if (set_.location && !e.location.empty()) {
    body += "<br><span class=dt ><i>";
    body += e.location;
    body += "</i></span>";
  }
  if (below && !t.empty()) {
    body += "<br clear=all>";
    body += t;
  }
  std::string& legend = parts->legend;
  if (timed) legend += t;
  legend += "&nbsp;";
  AppendName(e, *parts, legend);
  legend += "</a></td>";
  return *parts;
}

uint32_t DayCellRenderer::StyleNumber(std::string text) {
  if (text.empty()) return 0;
  auto [it, added] = style_numbers_.try_emplace(text, static_cast<uint32_t>(styles_.size()));
  if (added) styles_.push_back(std::move(text));
  return it->second;
}

void DayCellRenderer::AppendName(const EventRecord& e, const EntryParts& parts,
                                 std::string& out) const {
  const bool underline = parts.has_url && set_.underline_links;
  if (underline) out += "<u>";
  if (run_.smallest_size) {
    out += "..";  // the smallest size has no room for names
  } else if (set_.bold) {
    out += "<b>";
    out += e.summary;
    out += "</b>";
  } else {
    out += e.summary;
  }
  if (underline) out += "</u>";
}

void DayCellRenderer::MakeLink(const EventRecord& e, const EntryParts& parts, int category,
                               const CellDay& day, std::string_view list_anchor) {
  std::string& a = link_;
  a.clear();
  if (parts.has_url) {
    std::string url = e.url;
    auto join = [&url](const std::string& part) {
      url += (Contains(url, "?") ? "&" : "?") + part;
    };
    if (e.append_date == "T") {
      join("Date=" + std::to_string(day.year) + PadTwo(day.month) + PadTwo(day.day));
    }
    if (e.append_category == "T") {
      // Each value is encoded on its own: an "&" in a name would otherwise
      // start a parameter of its own on the receiving page.
      join("Category=" + QueryValue(run_.CategoryName(category)) +
           "&Event=" + QueryValue(e.summary));
    }
    const std::string& target = e.link_new_window == "T" ? " target=_blank" : set_.url_target;
    a += "<a class=\"itr\" ";
    a += styles_[parts.style];
    a += " href=";
    a += QuotedUrl(url);
    a += target;
    a += '>';
  } else if (!set_.list_can_create) {
    a += "<a class=\"itr\" ";
    a += styles_[parts.style];
    a += " href=\"#\" >";
  } else if (set_.list_box) {
    a += "<a ";
    a += styles_[parts.style];
    a += " href=\"";
    a += list_anchor;
    a += set_.thickbox;
    a += ' ';
    if (parts.new_window) a += " target=_blank";
    a += '>';
  } else {
    a += "<a class=\"itr\" ";
    a += styles_[parts.style];
    a += " href=";
    a += list_anchor;
    a += ' ';
    if (parts.new_window) a += " target=_blank";
    a += '>';
  }
}

const std::string& DayCellRenderer::ShortMonthName(int month) {
  if (month < 0 || month > 12) {
    odd_month_name_ = run_.language.MonthName(month, "Short");
    return odd_month_name_;
  }
  const size_t i = static_cast<size_t>(month);
  if (!month_named_[i]) {
    month_names_[i] = run_.language.MonthName(month, "Short");
    month_named_[i] = true;
  }
  return month_names_[i];
}

void DayCellRenderer::AppendCategoryEvents(int category,
                                           const std::vector<const EventRecord*>& events,
                                           const store::DayKey& key, const CellDay& day,
                                           std::string& out) {
  if (Trim(day.day).empty() || run_.state.style_editor_open) return;
  if (run_.state.preview_run && run_.window && run_.window->chkQuickPreview) return;
  const EntrySettings& set = set_;

  const int day_number = NumberOr(day.day, 1);
  const int dow = NumberOr(day.dow, 0);
  const std::string list_anchor =
      "EventList" + std::to_string(day.year) + run_.extension + "#M" + day.month + "D" + day.day;
  cell_color_.clear();
  event_count_ = 0;

  if (candidates_list_ != &events || candidates_day_ != key.day) {
    candidates_ = &CandidatesOn(run_.data, events, key, &scratch_);
    candidates_list_ = &events;
    candidates_day_ = key.day;
  }
  const std::string& month_name = ShortMonthName(NumberOr(day.month, 0));
  const size_t start = out.size();
  for (size_t k = 0; k < candidates_->events.size(); ++k) {
    if (!candidates_->Names(k, category)) continue;
    const EventRecord& e = *candidates_->events[k];
    EntryParts& parts = PartsOf(e);
    ++event_count_;

    if (parts.coloured) {
      cell_color_ = e.cell_color;
      if (set.year_legend && !parts.year_row_added) {
        // The row hangs on the event alone: once in, it is in for the run.
        legends_.year_legend_rows.Add("<td " + BackgroundStyleAttr(e.cell_color) +
                                      " > &nbsp;&nbsp;&nbsp;&nbsp;&nbsp;  </td><td>" + e.summary +
                                      "</td>");
        parts.year_row_added = true;
      }
    }

    const bool icon = parts.has_icon && run_.BuildFileExists(e.icon_name);
    MakeLink(e, parts, category, day, list_anchor);

    if (set.small_legend) {
      std::string& row = row_;
      row.clear();
      row += "<td ";
      row += styles_[parts.cell_style];
      row += " ><span class=\"Date\">&diams;</span></td><td>";
      row += link_;
      row += month_name;
      row += ' ';
      row += day.day;
      row += ", ";
      row += parts.legend;
      legends_.small_legend_rows.Add(row);
    }

    if (icon) {
      out += "<img border=0  align=left src=\"";
      out += e.icon_name;
      out += "\" alt=\"\">";
    }
    out += parts.time;
    out += link_;
    if (!icon) out += set.separator;
    out += parts.body;
    // With pop-ups on, every event has one: it offers "Add to my calendar"
    // even where there is nothing else to tell.
    const bool popup =
        set.popups &&
        AppendPopUp(e, day_number, dow,
                    AddToCalendarData(run_, OccurrenceOf(e, category, day.date), add_links_),
                    out);
    if (!popup) out += "</a>";
    if (icon) out += "<br clear=all>";
    if (!popup) out += '\n';
  }

  if (categories_in_cell_ > 1 && out.size() > start && set.group_events) {
    out.insert(start, "<center><u>" + run_.CategoryName(category) + "</u></center>");
    out += '\n';
  }
}

bool DayCellRenderer::AppendPopUp(const EventRecord& e, int day_number, int dow,
                                  const std::string& add_to_calendar, std::string& out) {
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
  if (body->none) return false;
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

  if (day_number > 25) {
    out += dow == 7 ? "<span class=\"bpopupleft\"  " : "<span class=\"bpopupright\" ";
  } else {
    out += dow == 7 ? "<span class=\"bpopleft\" " : "<span class=\"bpop\" ";
  }
  out += "style=\"left:-";
  out += std::to_string(left);
  out += "em; width:";
  out += std::to_string(w);
  out += "em; top:";
  out += std::to_string(top);
  out += ".5em; \">";
  out += body->html;
  out += add_to_calendar;
  out += "</span></a>\n";
  return true;
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
