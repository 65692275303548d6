#include "generator/event_pages.h"

#include <charconv>
#include <cmath>
#include <ctime>
#include <memory>
#include <optional>
#include <unordered_map>

#include "app/file_util.h"
#include "app/text.h"
#include "generator/calendar_data.h"
#include "generator/event_ics_files.h"
#include "generator/ical.h"
#include "generator/page_meta.h"
#include "generator/qrencode_library.h"
#include "generator/rss.h"
#include "generator/run_context.h"

namespace almanix::generator {
namespace {

constexpr long long kSecondsPerDay = 86400;
constexpr int kUpcomingDays = 30;
constexpr std::string_view kQrFile = "subscribe-qr.svg";

// The fraction of a day of a date-time text; nullopt when it is none.
std::optional<double> TimeOfDay(const std::string& value) {
  const std::optional<double> v = ParseDouble(Trim(value));
  if (!v) return std::nullopt;
  return *v - std::floor(*v);
}

// The day's anchor on the month pages, relative to the site.
std::string DayAnchorOf(const RunContext& run, const Occurrence& o) {
  const CivilDate d = DecodeDate(o.day);
  ComingDay day;
  day.date = o.day;
  day.year = d.year;
  day.month = d.month;
  day.day = d.day;
  return DayAnchor(run, o.category, day);
}

// The addresses of the days on the month pages, absolute where the
// calendar's address is known, for one page: each day's is made once per
// category. A page of several categories meets them in turn on every day,
// and making the address (the settings, the month's file name) cost more
// than the rest of a JSON-LD item.
class DayUrls {
 public:
  explicit DayUrls(const RunContext& run) : run_(run), base_(SiteBase(run)) {}

  const std::string& For(const Occurrence& o) { return Day(o).url; }

  // The JSON-LD's url member for the day, its closing brace included:
  // escaped once per day and category too.
  const std::string& JsonMember(const Occurrence& o) {
    Known& day = Day(o);
    if (day.json_member.empty()) day.json_member = ",\"url\":" + JsonString(day.url) + "}";
    return day.json_member;
  }

 private:
  struct Known {
    std::string url, json_member;
  };

  Known& Day(const Occurrence& o) {
    const long long key = (static_cast<long long>(o.day) << 32) |
                          static_cast<unsigned int>(o.category);
    auto [it, added] = days_.try_emplace(key);
    if (added) it->second.url = base_ + DayAnchorOf(run_, o);
    return it->second;
  }

  const RunContext& run_;
  const std::string base_;
  std::unordered_map<long long, Known> days_;
};

std::string EventDescription(const EventRecord& e) { return Trim(e.description); }

// The QR code of the text as an SVG picture of dark squares on white, with
// the four-module quiet zone the standard asks for; empty when the text
// does not fit a code or the system has no libqrencode.
std::string QrSvg(const std::string& text) {
  if (!LoadQrencode().ok()) return "";
  std::unique_ptr<QRcode, decltype(Qrencode().QRcode_free)> code(
      Qrencode().QRcode_encodeString(text.c_str(), 0, QR_ECLEVEL_M, QR_MODE_8, 1),
      Qrencode().QRcode_free);
  if (!code) return "";
  const int w = code->width;
  const int size = w + 8;
  std::string path;
  for (int y = 0; y < w; ++y) {
    for (int x = 0; x < w; ++x) {
      if (code->data[y * w + x] & 1) {
        path += "M" + std::to_string(x + 4) + " " + std::to_string(y + 4) + "h1v1h-1z";
      }
    }
  }
  return "<svg xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"0 0 " + std::to_string(size) + " " +
         std::to_string(size) + "\" shape-rendering=\"crispEdges\">" +
         "<rect width=\"100%\" height=\"100%\" fill=\"#ffffff\"/><path fill=\"#000000\" d=\"" +
         path + "\"/></svg>\n";
}

}  // namespace

Occurrence OccurrenceOf(const EventRecord& e, int category, DayNumber day) {
  Occurrence o;
  o.event = &e;
  o.category = category;
  o.day = day;
  o.all_day = e.allday == "T";
  const bool read = e.index >= 0;
  const double start = read ? e.start_time_of_day : TimeOfDay(e.s_date_time).value_or(0);
  const std::optional<double> end = read ? e.end_time_of_day : TimeOfDay(e.e_date_time);
  o.start = day + start;
  o.end = end ? day + *end + (*end < start ? 1 : 0) : o.start;
  return o;
}

std::vector<Occurrence> OccurrencesBetween(const RunContext& run,
                                           const std::vector<int>& categories, DayNumber first,
                                           DayNumber last) {
  std::vector<Occurrence> out;
  const bool events_shown =
      !run.state.style_editor_open &&
      !(run.state.preview_run && run.window && run.window->chkQuickPreview);
  if (!events_shown) return out;
  DayEvents scratch;
  for (DayNumber day = first; day <= last; ++day) {
    const store::DayKey key = KeyFor(day);
    const int month = DecodeDate(day).month;
    const std::vector<const EventRecord*>& events = run.data->MonthEvents(categories, month);
    const DayEvents& on_day = CandidatesOn(run.data, events, key, &scratch);
    for (size_t k = 0; k < on_day.events.size(); ++k) {
      for (int category : categories) {
        if (!on_day.Names(k, category)) continue;
        out.push_back(OccurrenceOf(*on_day.events[k], category, day));
        break;  // one entry per event and day, in its first ticked category
      }
    }
  }
  return out;
}

namespace {

void AppendTwoDigits(std::string& out, int n) {
  out.push_back(static_cast<char>('0' + n / 10));
  out.push_back(static_cast<char>('0' + n % 10));
}

// A whole number appended in decimal.
void AppendNumber(long long n, std::string* out) {
  char digits[24];
  const std::to_chars_result r = std::to_chars(digits, digits + sizeof digits, n);
  out->append(digits, r.ptr);
}

// ICalUtcStamp's yyyymmddThhmm, without its seconds and zone letter. Made
// here from the day count: the C library's formatting took longer than the
// rest of an entry's data.
void AppendUtcMinute(std::time_t t, AddLinkPage& page, std::string* out);

// IsoLocal's text appended to `out`, without temporaries: the JSON-LD
// writes two per item.
void AppendIsoLocal(std::string& out, DateTimeValue value, bool date_only) {
  const long long seconds = std::llround(value * kSecondsPerDay);
  long long days = seconds / kSecondsPerDay;
  long long rest = seconds % kSecondsPerDay;
  if (rest < 0) {
    rest += kSecondsPerDay;
    --days;
  }
  const CivilDate d = DecodeDate(static_cast<DayNumber>(days));
  // Written into a buffer and appended once: the string's own push_back is
  // a call each, and this runs twice for every JSON-LD item.
  char text[40];
  char* p = std::to_chars(text, text + 16, d.year).ptr;
  auto two = [&p](int n) {
    *p++ = static_cast<char>('0' + n / 10);
    *p++ = static_cast<char>('0' + n % 10);
  };
  *p++ = '-';
  two(d.month);
  *p++ = '-';
  two(d.day);
  if (!date_only) {
    *p++ = 'T';
    two(static_cast<int>(rest / 3600));
    *p++ = ':';
    two(static_cast<int>(rest / 60 % 60));
    *p++ = ':';
    two(static_cast<int>(rest % 60));
  }
  out.append(text, static_cast<size_t>(p - text));
}

void AppendUtcMinute(std::time_t t, AddLinkPage& page, std::string* out) {
  constexpr long long kUnixEpochDay = 25569;  // 1970-01-01 as a day number
  // Years of four digits: 1000-01-01 and 9999-12-31 as day numbers.
  constexpr long long kFirstDay = -328716, kLastDay = 2958465;
  long long days = t / kSecondsPerDay;
  long long rest = t % kSecondsPerDay;
  if (rest < 0) {
    rest += kSecondsPerDay;
    --days;
  }
  days += kUnixEpochDay;
  if (days < kFirstDay || days > kLastDay) {
    const std::string stamp = ICalUtcStamp(t);
    out->append(stamp, 0, stamp.size() - 3);
    return;
  }
  page.AppendCompactDate(static_cast<DayNumber>(days), out);
  out->push_back('T');
  AppendTwoDigits(*out, static_cast<int>(rest / 3600));
  AppendTwoDigits(*out, static_cast<int>(rest / 60 % 60));
}

}  // namespace

std::string IsoLocal(DateTimeValue value, bool date_only) {
  std::string text;
  AppendIsoLocal(text, value, date_only);
  return text;
}

std::string JsonString(const std::string& text) {
  std::string out;
  out.reserve(text.size() + 2);
  out += '"';
  // Runs of characters that need no escape are copied whole.
  size_t plain = 0;
  char control[6] = {'\\', 'u', '0', '0', 0, 0};
  for (size_t i = 0; i < text.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    std::string_view escape;
    switch (c) {
      case '"': escape = "\\\""; break;
      case '\\': escape = "\\\\"; break;
      case '\n': escape = "\\n"; break;
      case '\r': escape = "\\r"; break;
      case '\t': escape = "\\t"; break;
      case '/':
        if (i > 0 && text[i - 1] == '<') escape = "\\/";
        break;
      default:
        if (c < 0x20) {
          static constexpr char kHex[] = "0123456789abcdef";
          control[4] = kHex[c >> 4];
          control[5] = kHex[c & 15];
          escape = std::string_view(control, sizeof control);
        }
    }
    if (escape.empty()) continue;
    out.append(text, plain, i - plain);
    out += escape;
    plain = i + 1;
  }
  out.append(text, plain, std::string::npos);
  out += '"';
  return out;
}

const JsonLdTexts::Texts& JsonLdTexts::For(const EventRecord& e) {
  auto [slot, added] = texts_.Get(e);
  Texts& t = *slot;
  if (added) {
    t.name = ",\"name\":" + JsonString(XmlChars(Trim(e.summary)));
    const std::string location = Trim(e.location);
    if (!location.empty()) {
      const std::string place = JsonString(XmlChars(location));
      t.rest = ",\"location\":{\"@type\":\"Place\",\"name\":" + place + ",\"address\":" +
               place + "}";
    }
    const std::string description = EventDescription(e);
    if (!description.empty()) t.rest += ",\"description\":" + JsonString(XmlChars(description));
  }
  return t;
}

std::string EventJsonLd(const RunContext& run, const std::vector<int>& categories,
                        DayNumber first, DayNumber last) {
  const std::vector<Occurrence> occurrences = OccurrencesBetween(run, categories, first, last);
  if (occurrences.empty()) return "";
  // A repeating event comes back on many days and pages with the same
  // texts: they are escaped once per run (once per page for a page written
  // on its own).
  std::optional<JsonLdTexts> own;
  JsonLdTexts* texts = run.json_ld;
  if (!texts) texts = &own.emplace();
  std::string json = "<script type=\"application/ld+json\">[";
  json.reserve(occurrences.size() * 320);
  bool first_item = true;
  DayUrls urls(run);
  for (const Occurrence& o : occurrences) {
    const JsonLdTexts::Texts& t = texts->For(*o.event);
    if (!first_item) json += ",";
    first_item = false;
    json += "{\"@context\":\"https://schema.org\",\"@type\":\"Event\"";
    json += t.name;
    // Digits, "-", ":" and "T" need no escape.
    json += ",\"startDate\":\"";
    AppendIsoLocal(json, o.start, o.all_day);
    json += "\",\"endDate\":\"";
    AppendIsoLocal(json, o.all_day ? o.day : o.end, o.all_day);
    json += "\"";
    json += t.rest;
    json += urls.JsonMember(o);
  }
  json += "]</script>";
  return json;
}

std::string EventFileName(const EventRecord& e) {
  std::string id;
  for (char c : e.id) {
    if (std::isalnum(static_cast<unsigned char>(c))) id.push_back(c);
  }
  return "events/" + (id.empty() ? std::string("event") : id) + ".ics";
}

std::string LinkedEventFile(const RunContext& run, const EventRecord& e) {
  return run.event_files ? run.event_files->Linked(e) : EventFileName(e);
}

int AddLinkPage::NumberOf(const EventRecord& e, bool* first) {
  auto [number, added] = numbers_.Get(e);
  if (added) *number = count_++;
  *first = added;
  return *number;
}

void AddLinkPage::AppendCompactDate(DayNumber day, std::string* out) {
  if (!date_known_ || day != date_day_) {
    const CivilDate d = DecodeDate(day);
    date_text_.clear();
    AppendNumber(d.year, &date_text_);
    AppendTwoDigits(date_text_, d.month);
    AppendTwoDigits(date_text_, d.day);
    date_known_ = true;
    date_day_ = day;
  }
  out->append(date_text_);
}

void AddLinkPage::MakeLabels(const RunContext& run) {
  if (labels_made_) return;
  const std::string label = run.Phrase("Add to my calendar");
  label_html_ = HtmlText(label);
  label_attribute_ = XmlEntities(label);
  labels_made_ = true;
}

const std::string& AddLinkPage::LabelHtml(const RunContext& run) {
  MakeLabels(run);
  return label_html_;
}

const std::string& AddLinkPage::LabelAttribute(const RunContext& run) {
  MakeLabels(run);
  return label_attribute_;
}

const std::string& AddLinkPage::AriaName(const EventRecord& e) {
  auto [text, added] = aria_.Get(e);
  if (added) *text = XmlEntities(Trim(e.summary));
  return *text;
}

void AppendAttributeText(std::string_view text, std::string* out) {
  out->reserve(out->size() + text.size());
  size_t plain = 0;  // the start of the run of characters that need no escape
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    const unsigned char u = static_cast<unsigned char>(c);
    const char* escaped = nullptr;
    switch (c) {
      case '&': escaped = "&amp;"; break;
      case '"': escaped = "&quot;"; break;
      case '\'': escaped = "&#39;"; break;
      case '<': escaped = "&lt;"; break;
      case '>': escaped = "&gt;"; break;
      default:
        if (u >= 0x20 && u != 0x7F) continue;
    }
    out->append(text, plain, i - plain);
    plain = i + 1;
    if (escaped) {
      out->append(escaped);
    } else {
      out->append("&#");
      AppendNumber(u, out);
      out->push_back(';');
    }
  }
  out->append(text, plain, std::string_view::npos);
}

std::string AttributeText(std::string_view text) {
  std::string out;
  AppendAttributeText(text, &out);
  return out;
}

void AppendAddLinkData(const Occurrence& o, AddLinkPage& page, std::string* out) {
  const EventRecord& e = *o.event;
  bool first = false;
  out->append(" data-e=\"");
  AppendNumber(page.NumberOf(e, &first), out);
  out->append("\" data-t=\"");
  if (o.all_day) {
    page.AppendCompactDate(o.day, out);
  } else {
    // The start in UTC to the minute, and the minutes to the end.
    const std::time_t start = LocalToUtc(o.start);
    AppendUtcMinute(start, page, out);
    const long long minutes = static_cast<long long>(LocalToUtc(o.end) - start) / 60;
    if (minutes >= 0) out->push_back('+');
    AppendNumber(minutes, out);
  }
  out->push_back('"');
  if (first) {
    out->append(" data-n=\"");
    AppendAttributeText(TrimView(e.summary), out);
    out->push_back('"');
    const std::string_view details = TrimView(e.description);
    if (!details.empty()) {
      out->append(" data-d=\"");
      AppendAttributeText(details, out);
      out->push_back('"');
    }
    const std::string_view location = TrimView(e.location);
    if (!location.empty()) {
      out->append(" data-l=\"");
      AppendAttributeText(location, out);
      out->push_back('"');
    }
  }
}

std::string AddLinkData(const Occurrence& o, AddLinkPage& page) {
  std::string data;
  AppendAddLinkData(o, page, &data);
  return data;
}

void AppendAddToCalendarClosing(const RunContext& run, const EventRecord& e, AddLinkPage& page,
                                std::string* out) {
  out->push_back('>');
  out->append(page.LabelHtml(run));
  out->append(": <a href=\"");
  if (run.event_files) {
    out->append(run.event_files->Linked(e));
  } else {
    out->append(EventFileName(e));
  }
  out->append("\" download aria-label=\"");
  out->append(page.AriaName(e));
  out->append(": iCalendar\">iCalendar</a></span>");
}

void AppendAddToCalendarLinks(const RunContext& run, const Occurrence& o, AddLinkPage& page,
                              std::string* out) {
  out->append(kAddToCalendarOpening);
  AppendAddLinkData(o, page, out);
  AppendAddToCalendarClosing(run, *o.event, page, out);
}

std::string AddToCalendarLinks(const RunContext& run, const Occurrence& o, AddLinkPage& page) {
  std::string out;
  AppendAddToCalendarLinks(run, o, page, &out);
  return out;
}

std::string AddToCalendarData(const RunContext& run, const Occurrence& o, AddLinkPage& page) {
  std::string out = "<span class=\"AddToCalendar\" data-label=\"";
  out += page.LabelAttribute(run);
  out += "\" data-ics=\"";
  if (run.event_files) {
    out += run.event_files->Linked(*o.event);
  } else {
    out += EventFileName(*o.event);
  }
  out += "\"";
  AppendAddLinkData(o, page, &out);
  out += "></span>";
  return out;
}

std::string SubscribeBlock(const RunContext& run) {
  if (!run.s().Bool("iCal.Share")) return "";
  const std::string base = SiteBase(run);
  const std::string subscribe = HtmlText(run.Phrase("Subscribe"));
  if (base.empty()) {
    // Without the calendar's address a subscription cannot be offered;
    // the file itself still can.
    return "<div class=\"Subscribe\"><a href=\"ical.ics\">" + subscribe + " (iCalendar)</a></div>";
  }
  const std::string webcal = "webcal://" + base.substr(base.find("://") + 3) + "ical.ics";
  std::string qr;
  const std::string svg = QrSvg(webcal);
  if (!svg.empty() && run.SaveFile(run.build_dir + std::string(kQrFile), svg).ok()) {
    qr = "<br><img src=\"" + std::string(kQrFile) + "\" width=\"132\" height=\"132\" alt=\"" +
         HtmlText(run.Phrase("QR code of the calendar's subscription address")) + "\">";
  }
  return "<div class=\"Subscribe\"><a href=\"" + HtmlText(webcal) + "\">" + subscribe + "</a>" +
         qr + "</div>";
}

Status WriteUpcomingPage(const RunContext& run, const std::string& path) {
  const std::string title = PageTitle(run, run.Phrase("Upcoming events"));
  // Written out as it grows: a busy month ahead runs to megabytes.
  FileSink page(path);
  const auto line = [&page](std::string_view text) {
    page.Append(text);
    page.Append("\r\n");
  };
  for (const std::string& head : {
           std::string("<!DOCTYPE html>"), HtmlOpening(run) + "<head>",
           std::string("<meta charset=\"utf-8\">"),
           std::string("<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">"),
           "<title>" + title + "</title>",
           std::string("<link rel=\"stylesheet\" type=\"text/css\" href=\"style.css\" />"),
           std::string("<script type=\"text/javascript\" src=\"addlinks.js\" defer></script>"),
           std::string("<style>body{max-width:40em;margin:0 auto;padding:0 1em;"
                       "font-family:sans-serif;line-height:1.5}li{margin:.5em 0}"
                       ".AddToCalendar{display:block;font-size:.9em}</style>")}) {
    line(head);
  }
  const DayNumber last = run.today + kUpcomingDays - 1;
  const std::string json = EventJsonLd(run, run.categories, run.today, last);
  if (!json.empty()) line(json);
  line("</head>");
  line("<body>");
  line("<h1>" + title + "</h1>");
  line("<p><a href=\"Calendar.html\">" + HtmlText(run.Phrase("Calendar")) + "</a></p>");
  const std::string subscribe = SubscribeBlock(run);
  if (!subscribe.empty()) line(subscribe);
  const std::vector<Occurrence> occurrences =
      OccurrencesBetween(run, run.categories, run.today, last);
  // Pages written on their own (not in a run) write their files here.
  std::optional<EventIcsFiles> own_files;
  RunContext with_files = run;
  if (!run.event_files) {
    own_files.emplace(run);
    with_files.event_files = &*own_files;
  }
  const std::string& date_pattern = run.s().Text("Formatting.DateFormat");
  const std::string& time_pattern = run.s().Text("Formatting.TimeFormat");
  if (occurrences.empty()) {
    line("<p>" + HtmlText(run.Phrase("No events in the next 30 days.")) + "</p>");
  } else {
    line("<ul>");
    AddLinkPage add_links;
    DayUrls urls(run);
    // Thirty days, and the same few times of day again and again.
    std::unordered_map<DayNumber, std::string> dates;
    std::unordered_map<DateTimeValue, std::string> times;
    for (const Occurrence& o : occurrences) {
      const EventRecord& e = *o.event;
      auto [date, new_date] = dates.try_emplace(o.day);
      if (new_date) date->second = FormatDateTime(date_pattern, o.day);
      std::string when = date->second;
      if (!o.all_day) {
        auto [time, new_time] = times.try_emplace(o.start);
        if (new_time) time->second = ToLower(FormatDateTime(time_pattern, o.start));
        when += " " + time->second;
      }
      std::string item = "<li><time datetime=\"" + IsoLocal(o.start, o.all_day) + "\">" +
                         HtmlText(when) + "</time> <b>" + HtmlText(Trim(e.summary)) + "</b>";
      if (!Trim(e.location).empty()) item += " &ndash; " + HtmlText(Trim(e.location));
      item += " <a href=\"" + HtmlText(urls.For(o)) + "\">" + HtmlText(run.Phrase("Details")) +
              "</a>" + AddToCalendarLinks(with_files, o, add_links) + "</li>";
      line(item);
    }
    line("</ul>");
  }
  if (own_files) own_files->RemoveUnlinked();
  line("</body></html>");
  return run.Record(path, page.Finish());
}

}  // namespace almanix::generator
