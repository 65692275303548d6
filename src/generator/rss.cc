#include "generator/rss.h"

#include <cmath>
#include <ctime>
#include <filesystem>
#include <system_error>

#include "app/config.h"
#include "app/dir.h"
#include "app/encoding.h"
#include "app/file_util.h"
#include "app/log.h"
#include "app/text.h"
#include "app/ui_seam.h"
#include "generator/calendar_data.h"
#include "generator/page_meta.h"
#include "generator/run_context.h"

namespace almanix::generator {
namespace {

constexpr std::string_view kCrLf = "\r\n";
constexpr std::string_view kDateInDescription = "Event Name + Date in Description";
constexpr long long kSecondsPerDay = 86400;
constexpr std::string_view kNoFeedLinks =
    "The feed's items have no links: a feed needs absolute addresses, and the web address of "
    "the calendar is not known. Enter it as the calendar's web address in the publish "
    "settings.";

long long FloorDiv(long long a, long long b) {
  long long q = a / b;
  if ((a % b != 0) && ((a < 0) != (b < 0))) --q;
  return q;
}

// Every line break as CR LF, so a multi-line text keeps the file's line ends.
std::string CrLfBreaks(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\r') {
      out += kCrLf;
      if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else if (c == '\n') {
      out += kCrLf;
    } else {
      out.push_back(c);
    }
  }
  return out;
}

std::string JoinFeed(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) {
    text += CrLfBreaks(line);
    text += kCrLf;
  }
  return text;
}

// XmlText on clean characters: titles, names and addresses.
std::string Xml(std::string_view text) { return XmlText(XmlChars(text)); }

// A CDATA section ends at the first "]]>", so one inside the text is split
// over two sections.
std::string CdataSafe(std::string_view text) { return ReplaceAll(text, "]]>", "]]]]><![CDATA[>"); }

bool HasOwnUrl(const EventRecord& e) {
  const std::string url = Trim(e.url);
  return !url.empty() && ToLower(url) != "http://";
}

// The event's time text: start and end in the time pattern, each with the
// time zone, then a blank.
std::string EventTimeText(const RunContext& run, const EventRecord& e) {
  const std::string& pattern = run.s().Text("Formatting.TimeFormat");
  auto part = [&](const std::string& value) -> std::string {
    const std::optional<double> v = ParseDouble(Trim(value));
    if (!v) return "";
    std::string text = ToLower(FormatDateTime(pattern, *v));
    if (!e.time_zone.empty()) text += " " + e.time_zone;
    return text;
  };
  std::string start = part(e.s_date_time);
  std::string end = part(e.e_date_time);
  if (e.allday == "T" || e.show_start_time == "F") start.clear();
  if (e.show_end_time == "F") end.clear();
  std::string text;
  if (!start.empty() && !end.empty()) {
    text = start + "-" + end;
  } else if (!end.empty()) {
    text = end;
  } else {
    text = start;
  }
  return text + " ";
}

}  // namespace

std::string XmlChars(std::string_view text) {
  const std::string decoded = DecodeText(text);
  std::string out;
  out.reserve(decoded.size());
  for (size_t i = 0; i < decoded.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(decoded[i]);
    if (c < 0x20 && c != '\t' && c != '\n' && c != '\r') continue;
    // U+FFFE and U+FFFF are EF BF BE and EF BF BF.
    if (c == 0xEF && i + 2 < decoded.size() && static_cast<unsigned char>(decoded[i + 1]) == 0xBF &&
        (static_cast<unsigned char>(decoded[i + 2]) & 0xFE) == 0xBE) {
      i += 2;
      continue;
    }
    out.push_back(decoded[i]);
  }
  return out;
}

void WalkComingDays(const RunContext& run, const std::function<bool(const ComingDay&)>& visit) {
  const int start_year = run.s().Int("Publish.StartYear");
  const int current_year = DecodeDate(run.today).year;
  for (int year = start_year; year <= start_year + 1; ++year) {
    if (!IsValidDate(year, 1, 1) || !run.data->HasYear(*run.db, year)) continue;
    DayNumber date = EncodeDate(year, 1, 1);
    if (year == start_year && year == current_year) date = run.today;
    const DayNumber last = EncodeDate(year, 12, 31);
    int month_loaded = 0;
    std::vector<const DayRecord*> rows;  // by day of the month
    for (; date <= last; ++date) {
      const CivilDate civil = DecodeDate(date);
      if (civil.month != month_loaded) {
        // Holidays and notes are read from the row of the day's date, so a
        // row missing from the table loses only those.
        month_loaded = civil.month;
        rows.assign(32, nullptr);
        for (const DayRecord& row : run.data->MonthDays(*run.db, year, civil.month)) {
          const std::optional<int> d = ParseInt(row.i_day);
          if (d && *d >= 1 && *d <= 31 && !rows[*d]) rows[*d] = &row;
        }
      }
      ComingDay day;
      day.date = date;
      day.year = year;
      day.month = civil.month;
      day.day = civil.day;
      day.row = rows[civil.day];
      if (!visit(day)) return;
    }
  }
}

std::string MonthFileFor(const RunContext& run, int category, int month) {
  const std::string word = run.MonthFileWord(month);
  if (run.merged() || run.categories.size() <= 1) return word;
  // The pass that wrote the category's pages; the first pass for none.
  int index = 0;
  for (size_t i = 0; i < run.categories.size(); ++i) {
    if (run.categories[i] == category) index = static_cast<int>(i);
  }
  return std::to_string(index) + word;
}

std::string DayAnchor(const RunContext& run, int category, const ComingDay& day) {
  return MonthFileFor(run, category, day.month) + std::to_string(day.year) + run.extension + "#M" +
         std::to_string(day.month) + "D" + std::to_string(day.day);
}

std::string Rfc822Date(DateTimeValue local, double gmt_offset, DateTimeValue local_now,
                       bool future_dates) {
  // Whole seconds first: a time code of 10:00 is a hair before it.
  long long seconds = std::llround(local * kSecondsPerDay);
  const long long now = std::llround(local_now * kSecondsPerDay);
  if (seconds > now && !future_dates) seconds = now;
  seconds -= std::llround(gmt_offset * 3600.0);
  const long long days = FloorDiv(seconds, kSecondsPerDay);
  const long long rest = seconds - days * kSecondsPerDay;
  const DayNumber day = static_cast<DayNumber>(days);
  const CivilDate date = DecodeDate(day);
  return std::string(ShortDayName(DayOfWeek(day))) + ", " + std::to_string(date.day) + " " +
         std::string(ShortMonthName(date.month)) + " " + std::to_string(date.year) + " " +
         TwoDigits(static_cast<int>(rest / 3600)) + ":" +
         TwoDigits(static_cast<int>(rest / 60 % 60)) + ":" +
         TwoDigits(static_cast<int>(rest % 60)) + " GMT";
}

Status TRss::Generate(const std::string& output, const std::string& feed_path) {
  const publish::PublishSettings& s = run_.s();
  item_number_ = 0;
  base_ = ReplaceAll(Trim(s.Text("RSS.FileURL")), "rss.xml", "");
  if (!now_set_) now_ = FromTimeT(run_.now);
  html_ = s.Bool("RSS.HTMLFormat");
  links_known_ = IsAbsoluteAddress(base_);
  // "http://" + a page name is no address; the guids keep the page's name.
  if (!links_known_) base_.clear();
  CopyAssets(output);
  const FeedChannel channel = ChannelOf(run_);
  if (!links_known_ && s.Bool("RSS.Links")) {
    // Said once per run in the log; as a window only when the run goes to
    // the web server, where readers follow the links (a print or a
    // wallpaper of a calendar would otherwise ask for an address it never
    // needs).
    LogTo(run_.log, false, std::string(kNoFeedLinks));
    if (run_.ui && !run_.state.preview_run && s.Text("Publish.Destination") == "Webserver") {
      run_.ui->ShowMessage(kNoFeedLinks);
    }
  }

  const std::string& language = s.Text("RSS.Language");
  const size_t colon = language.find(':');
  std::string code = Trim(colon == std::string::npos ? language : language.substr(colon + 1));
  if (code.empty()) code = "en-US";
  const std::string file_url = Xml(s.Text("RSS.FileURL"));
  const std::string product = LoadBrand(run_.dir->BrandDir + "brand.ini").APP_NAME;

  // The header's values are escaped: an "&" in a title would otherwise
  // leave a file no feed reader takes.
  std::vector<std::string> lines = {
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>",
      "<rss version=\"2.0\" xmlns:atom=\"http://www.w3.org/2005/Atom\">",
      "<channel>",
      "<title>" + Xml(channel.title) + "</title>",
      "<link>" + Xml(channel.link) + "</link>",
      "<description>" + Xml(channel.description) + "</description>",
      "<language>" + Xml(code) + "</language>",
      "<pubDate>" + PubDate(now_) + "</pubDate>",
      "<docs>" + file_url + "</docs>",
      "<atom:link href=\"" + file_url + "\" rel=\"self\" type=\"application/rss+xml\" />",
      "<generator>" + Xml(product) + "</generator>"};
  // Later days go right after the atom:link line in reverse order.
  const size_t insert_at = lines.size() - 1;

  const int days = s.Int("RSS.Days");
  int counter = 0;
  WalkComingDays(run_, [&](const ComingDay& day) {
    if (counter > days) return false;
    ++counter;
    std::vector<std::string> block = DayBlock(day);
    if (s.Bool("RSS.Reverse")) {
      lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(insert_at), block.begin(),
                   block.end());
    } else {
      lines.insert(lines.end(), block.begin(), block.end());
    }
    return true;
  });
  lines.push_back("</channel>");
  lines.push_back("</rss>");
  return run_.SaveFile(feed_path, JoinFeed(lines));
}

void TRss::CopyAssets(const std::string& output) const {
  auto copy = [&](const std::string& folder, std::string_view name) {
    IgnoreResult(run_.CopyNoCase(folder, name, WithTrailingSlash(output) + std::string(name)),
                 "counted in the run's result; the feed goes on without it");
  };
  if (!run_.action_bar_style.empty()) {
    copy(WithTrailingSlash(run_.dir->ActionBarDir) + run_.action_bar_style + "/", "rss.gif");
  }
  copy(run_.dir->ConfigDir, "popup.html");
  copy(run_.dir->ConfigDir, "fullscreen.html");
  // Working folders made before it was mended keep a fullscreen.html that
  // opens index.html, which no run writes; Calendar.html is always there.
  const std::string fullscreen = WithTrailingSlash(output) + "fullscreen.html";
  if (Result<std::string> page = ReadFileBytes(fullscreen); page.ok()) {
    std::string text = ReplaceAll(page.value(), "\"index.html\"", "\"Calendar.html\"");
    text = ReplaceAll(text, "<title>Calendar</title>",
                      "<title>" + PageTitle(run_, "Full screen") + "</title>");
    if (text != page.value()) {
      IgnoreResult(run_.SaveFile(fullscreen, text),
                   "counted in the run's result; the feed goes on without it");
    }
  }
}

std::vector<std::string> TRss::DayBlock(const ComingDay& day) {
  const publish::PublishSettings& s = run_.s();
  const std::string date_text = FormatDateTime(s.Text("Formatting.DateFormat"), day.date);
  const DateTimeValue midnight = day.date;
  std::vector<std::string> holiday_items, note_items, event_items;

  if (day.row) {
    const std::string& holiday = day.row->Holiday(s.Text("Contents.Holiday"));
    if (!holiday.empty()) {
      const std::string link = DayLink(0, day);
      holiday_items = {"<item>",
                       "<title>" + Title(holiday, date_text) + "</title>",
                       Description(date_text, "", ""),
                       DayLinkLine(link),
                       Guid(link),
                       "<pubDate>" + PubDate(midnight) + "</pubDate>",
                       "<category>Holiday</category>",
                       "</item>"};
    }
  }

  const bool events_shown =
      !run_.state.style_editor_open &&
      !(run_.state.preview_run && run_.window && run_.window->chkQuickPreview);
  const store::DayKey key = KeyFor(day.date);
  // The month's query holds every event of its days, in start-time order.
  static const std::vector<const EventRecord*> kNone;
  const std::vector<const EventRecord*>& month_events =
      events_shown ? run_.data->MonthEvents(run_.categories, day.month) : kNone;
  for (int category : run_.categories) {
    for (const EventRecord* e : month_events) {
      if (!events_shown || !e->OccursOn(key, category)) continue;
      std::vector<std::string> item = EventItem(*e, category, day);
      event_items.insert(event_items.end(), item.begin(), item.end());
    }
    const std::string note = day.row ? day.row->Note(category) : std::string();
    if (!note.empty()) {
      const std::string link = DayLink(category, day);
      const std::vector<std::string> item = {
          "<item>",
          "<title>" + Xml(date_text) + "</title>",
          Description(date_text, "", BodyText(run_.language.ExpandMacros(note))),
          DayLinkLine(link),
          Guid(link),
          "<pubDate>" + PubDate(midnight) + "</pubDate>",
          "<category>" + Xml(run_.CategoryName(category)) + "</category>",
          "</item>"};
      note_items.insert(note_items.end(), item.begin(), item.end());
    }
  }

  std::vector<std::string> block = std::move(holiday_items);
  block.insert(block.end(), note_items.begin(), note_items.end());
  block.insert(block.end(), event_items.begin(), event_items.end());
  // A link line left out (no address known) is no line.
  std::erase(block, std::string());
  return block;
}

std::vector<std::string> TRss::EventItem(const EventRecord& e, int category, const ComingDay& day) {
  const publish::PublishSettings& s = run_.s();
  const std::string date_text = FormatDateTime(s.Text("Formatting.DateFormat"), day.date);
  const std::string time_text = EventTimeText(run_, e);

  std::string body;
  const std::string description = Trim(e.description);
  if (!description.empty()) body += BodyText(description) + std::string(kCrLf);
  if (!e.location.empty()) {
    const std::string location = run_.Phrase("Location") + ": ";
    // In CDATA the location is HTML; outside it every XML character counts.
    body += html_ ? XmlChars(location + HtmlText(e.location)) : BodyText(location + e.location);
    body += kCrLf;
  }

  const std::string day_link = DayLink(category, day);
  std::vector<std::string> item = {
      "<item>", "<title>" + Title(e.summary, date_text + " " + time_text) + "</title>",
      Description(date_text, time_text, body)};
  if (s.Bool("RSS.Links") && HasOwnUrl(e)) {
    item.push_back("<link>" + UrlText(XmlChars(Trim(e.url))) + "</link>");
  } else if (s.Bool("RSS.Links") && links_known_) {
    item.push_back("<link>" + day_link + "</link>");
  }
  item.push_back(Guid(day_link));
  item.push_back("<category>" + Xml(run_.CategoryName(category)) + "</category>");
  const double time_code = ParseDouble(Trim(e.s_time)).value_or(0);
  item.push_back("<pubDate>" + PubDate(day.date + time_code / 1e6) + "</pubDate>");
  item.push_back("</item>");
  return item;
}

std::string TRss::DayLink(int category, const ComingDay& day) const {
  // An address: blanks become %20 and "&" an entity, as XML needs.
  return UrlText(XmlChars(base_ + DayAnchor(run_, category, day)));
}

std::string TRss::Title(const std::string& name, const std::string& date) const {
  const std::string n = Trim(name);
  const std::string d = Trim(date);
  const std::string& format = run_.s().Text("RSS.TitleFormat");
  std::string title;
  if (d.empty()) {
    title = n;
  } else if (n.empty()) {
    title = d;
  } else if (format == "Event Name Only" || format == kDateInDescription) {
    title = n;
  } else if (format == "Event Name - Event Date") {
    title = n + " - " + d;
  } else if (format == "Event Name Event Date") {
    title = n + " " + d;
  } else if (format == "Event Date Event Name") {
    title = d + " " + n;
  } else if (format == "Event Name (Event Date)") {
    title = n + " (" + d + ")";
  } else {
    // "Event Date - Event Name", the default, also for an unknown value.
    title = d + " - " + n;
  }
  return Xml(title);
}

std::string TRss::Description(const std::string& date_text, const std::string& time_text,
                              const std::string& body) const {
  std::string prefix;
  if (run_.s().Text("RSS.TitleFormat") == kDateInDescription) {
    prefix = date_text + " " + time_text + " ";
  }
  if (html_) {
    return "<description><![CDATA[ " + CdataSafe(XmlChars(prefix) + "<br />" + body) +
           " ]]></description>";
  }
  return "<description>" + BodyText(prefix) + body + "</description>";
}

std::string TRss::BodyText(std::string_view text) const {
  return html_ ? XmlChars(text) : XmlEntities(XmlChars(text));
}

std::string TRss::PubDate(DateTimeValue local) const {
  const publish::PublishSettings& s = run_.s();
  const double offset =
      GmtOffsetChosen(s) ? s.Real("RSS.GMTOffset") : SystemGmtOffset(local);
  return Rfc822Date(local, offset, now_, s.Bool("RSS.FutureDate"));
}

std::string TRss::DayLinkLine(const std::string& day_link) const {
  if (!run_.s().Bool("RSS.Links")) return "<link></link>";
  if (!links_known_) return "";
  return "<link>" + day_link + "</link>";
}

std::string TRss::Guid(const std::string& day_link) {
  const std::string number = std::to_string(++item_number_);
  // Without the calendar's address the day link is no address a reader can
  // open, so the guid says it is only a name.
  if (!links_known_) return "<guid isPermaLink=\"false\">" + day_link + "?" + number + "</guid>";
  return "<guid>" + day_link + "?" + number + "</guid>";
}

bool GmtOffsetChosen(const publish::PublishSettings& s) {
  static const double kDefault = [] {
    const auto index = publish::SettingIndex("RSS.GMTOffset");
    return ParseDouble(publish::kSettingDefs[*index].default_text).value_or(0);
  }();
  // conf.ini keeps every key, so the shipped default is stored like a
  // chosen value; only another value is the person's choice.
  return s.Real("RSS.GMTOffset") != kDefault;
}

double SystemGmtOffset(DateTimeValue local) {
  const long long seconds = std::llround(local * kSecondsPerDay);
  const long long days = FloorDiv(seconds, kSecondsPerDay);
  const long long rest = seconds - days * kSecondsPerDay;
  const CivilDate date = DecodeDate(static_cast<DayNumber>(days));
  std::tm tm{};
  tm.tm_year = date.year - 1900;
  tm.tm_mon = date.month - 1;
  tm.tm_mday = date.day;
  tm.tm_hour = static_cast<int>(rest / 3600);
  tm.tm_min = static_cast<int>(rest / 60 % 60);
  tm.tm_sec = static_cast<int>(rest % 60);
  tm.tm_isdst = -1;  // the zone's rules for that date decide
  const std::time_t utc = std::mktime(&tm);
  if (utc == static_cast<std::time_t>(-1)) return 0;
  // The local clock reading taken as if it were UTC, less the real moment.
  const long long as_utc = (days - EncodeDate(1970, 1, 1)) * kSecondsPerDay + rest;
  return static_cast<double>(as_utc - static_cast<long long>(utc)) / 3600.0;
}

FeedChannel ChannelOf(const RunContext& run) {
  const publish::PublishSettings& s = run.s();
  FeedChannel channel;
  channel.title = Trim(s.Text("RSS.Title"));
  if (channel.title.empty()) channel.title = CalendarName(run);
  channel.description = Trim(s.Text("RSS.Description"));
  // As the auto fill of the publish settings would fill it.
  if (channel.description.empty()) channel.description = channel.title + " RSS feed.";
  channel.link = Trim(s.Text("RSS.URL"));
  if (!IsAbsoluteAddress(channel.link)) {
    const std::string home = run.window ? Trim(run.window->Bar_Home2) : std::string();
    const std::string site = SiteBase(run);
    if (!site.empty()) {
      channel.link = site + run.page_name;
    } else if (IsAbsoluteAddress(home)) {
      channel.link = home;
    } else {
      // No address is known; the main page's name at least names the page.
      channel.link = run.page_name.empty() ? "Calendar.html" : run.page_name;
    }
  }
  return channel;
}

}  // namespace almanix::generator
