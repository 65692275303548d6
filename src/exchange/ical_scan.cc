#include "exchange/ical_scan.h"

#include <cctype>

#include "app/dates.h"
#include "app/text.h"
#include "exchange/foreign_text.h"

namespace almanix::exchange {
namespace {

bool Digits(std::string_view s) {
  if (s.empty()) return false;
  for (char c : s) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

int Number(std::string_view s) {
  int n = 0;
  for (char c : s) n = n * 10 + (c - '0');
  return n;
}

// Property values the way SUMMARY writes them: "\," "\;" "\\" "\n".
std::string Unescape(std::string_view v) {
  std::string out;
  for (size_t i = 0; i < v.size(); ++i) {
    if (v[i] == '\\' && i + 1 < v.size()) {
      ++i;
      out += (v[i] == 'n' || v[i] == 'N') ? ' ' : v[i];
    } else {
      out += v[i];
    }
  }
  return out;
}

std::string Upper(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return out;
}

std::string At(int line) { return "line " + std::to_string(line); }

// One unfolded line: its name, parameters and value.
struct ContentLine {
  std::string text;
  int line = 0;
  size_t begin = 0;  // byte offset of its first physical line
  size_t end = 0;    // after its last physical line
};

class LineReader {
 public:
  explicit LineReader(std::string_view text) : text_(text) {}
  bool Next(ContentLine* out) {
    while (pos_ < text_.size()) {
      out->begin = pos_;
      out->line = line_;
      out->text.assign(Physical());
      // Folded lines go on after a blank or a tab.
      while (pos_ < text_.size() && (text_[pos_] == ' ' || text_[pos_] == '\t')) {
        std::string_view more = Physical();
        out->text.append(more.substr(1));
      }
      out->end = pos_;
      if (!out->text.empty()) return true;
    }
    return false;
  }

 private:
  std::string_view Physical() {
    size_t nl = text_.find('\n', pos_);
    if (nl == std::string_view::npos) nl = text_.size();
    std::string_view l = text_.substr(pos_, nl - pos_);
    if (!l.empty() && l.back() == '\r') l.remove_suffix(1);
    pos_ = nl < text_.size() ? nl + 1 : nl;
    ++line_;
    return l;
  }

  std::string_view text_;
  size_t pos_ = 0;
  int line_ = 1;
};

struct Parts {
  std::string name;                 // upper case
  std::vector<std::string> params;  // "TZID=Europe/Berlin"
  std::string value;
  bool colon = false;
};

Parts Split(const std::string& text) {
  Parts p;
  bool quoted = false;
  size_t start = 0;
  bool in_name = true;
  for (size_t i = 0; i <= text.size(); ++i) {
    const char c = i < text.size() ? text[i] : ':';
    if (c == '"') quoted = !quoted;
    if (quoted && i < text.size()) continue;
    if (c == ';' || c == ':') {
      std::string piece = text.substr(start, i - start);
      if (in_name) {
        p.name = Upper(piece);
        in_name = false;
      } else {
        p.params.push_back(piece);
      }
      start = i + 1;
      if (c == ':') {
        p.colon = i < text.size();
        if (p.colon) p.value = text.substr(i + 1);
        return p;
      }
    }
  }
  return p;
}

// Parameters without a name or a value: libical drops the property or the
// parameter without a word.
bool EmptyParameter(const Parts& p) {
  for (const std::string& param : p.params) {
    const size_t eq = param.find('=');
    if (param.empty() || eq == std::string::npos || eq == 0 || eq + 1 == param.size()) {
      return true;
    }
  }
  return false;
}

bool IsDateProperty(const std::string& name) {
  return name == "DTSTART" || name == "DTEND" || name == "RECURRENCE-ID" || name == "EXDATE" ||
         name == "RDATE" || name == "DUE";
}

}  // namespace

bool ValidIcsDateTime(std::string_view value, std::string* what) {
  // A PERIOD's start is what must be a date; its end may be a duration.
  std::string_view v = value.substr(0, value.find('/'));
  std::string_view date = v.substr(0, v.find('T'));
  if (date.size() != 8 || !Digits(date)) {
    *what = "\"" + PrintableText(v) + "\" is not a date";
    return false;
  }
  const int y = Number(date.substr(0, 4)), m = Number(date.substr(4, 2)),
            d = Number(date.substr(6, 2));
  if (m < 1 || m > 12 || d < 1 || d > DaysInMonth(y, m)) {
    *what = "the date " + std::string(date) + " does not exist";
    return false;
  }
  if (v.size() > 8) {
    std::string_view time = v.substr(9);
    if (!time.empty() && time.back() == 'Z') time.remove_suffix(1);
    if (time.size() != 6 || !Digits(time) || Number(time.substr(0, 2)) > 23 ||
        Number(time.substr(2, 2)) > 59 || Number(time.substr(4, 2)) > 60) {
      *what = "the time in \"" + PrintableText(v) + "\" does not exist";
      return false;
    }
  }
  return true;
}

IcsScan ScanIcs(std::string_view text) {
  IcsScan scan;
  LineReader reader(text);
  ContentLine cl;
  IcsBlock* event = nullptr;
  int nested = 0;           // components open inside the event (VALARM)
  int dtstarts = 0;
  size_t zone_begin = std::string::npos;
  int last_line = 0;
  int open_calendars = 0;
  auto close_unfinished = [&](int line, const std::string& why) {
    if (event == nullptr) return;
    event->fatal.push_back(At(line) + ": " + why);
    event->end = cl.begin;
    event = nullptr;
  };
  while (reader.Next(&cl)) {
    last_line = cl.line;
    const Parts p = Split(cl.text);
    const std::string value = Upper(Trim(p.value));
    if (p.name == "BEGIN" && value == "VCALENDAR") scan.calendar = ++open_calendars > 0;
    if (p.name == "END" && value == "VCALENDAR") --open_calendars;
    if (p.name == "BEGIN" && value == "VEVENT") {
      scan.calendar = true;
      if (event != nullptr && nested == 0) {
        close_unfinished(cl.line, "a new event begins before END:VEVENT; the event was left out");
      }
      if (event == nullptr) {
        scan.events.emplace_back();
        event = &scan.events.back();
        event->begin = cl.begin;
        event->line = cl.line;
        nested = 0;
        dtstarts = 0;
        continue;
      }
    }
    if (p.name == "BEGIN" && value == "VTIMEZONE" && event == nullptr) zone_begin = cl.begin;
    if (p.name == "END" && value == "VTIMEZONE" && zone_begin != std::string::npos) {
      scan.zones.append(text.substr(zone_begin, cl.end - zone_begin));
      if (scan.zones.back() != '\n') scan.zones += "\r\n";
      zone_begin = std::string::npos;
    }
    if (p.name == "END" && value == "VCALENDAR" && event != nullptr) {
      close_unfinished(cl.line, "END:VCALENDAR comes before END:VEVENT; the event was left out");
    }

    std::vector<std::string>* problems = event ? &event->problems : &scan.file_problems;
    if (!p.colon) {
      problems->push_back(At(cl.line) + " has no colon: \"" +
                          PrintableText(cl.text.substr(0, 40)) + "\"");
      continue;
    }
    if (EmptyParameter(p)) {
      problems->push_back(At(cl.line) + ": " + p.name + " has an empty parameter");
    }
    if (event == nullptr) {
      if (p.name == "X-WR-TIMEZONE") scan.calendar_zone = Trim(p.value);
      continue;
    }
    if (p.name == "BEGIN") {
      ++nested;
      continue;
    }
    if (p.name == "END") {
      if (nested > 0) {
        --nested;
        continue;
      }
      if (value == "VEVENT") {
        event->end = cl.end;
        event->complete = true;
        event = nullptr;
      }
      continue;
    }
    if (nested > 0) continue;  // an alarm's own DESCRIPTION and triggers
    if (p.name == "SUMMARY") {
      event->summary = Trim(Unescape(p.value));
    } else if (p.name == "UID") {
      event->uid = Trim(p.value);
    } else if (p.name == "RECURRENCE-ID") {
      event->recurrence_id = true;
    } else if (p.name == "STATUS") {
      event->cancelled = value == "CANCELLED";
    }
    if (p.name == "DTSTART" && ++dtstarts == 2) {
      event->problems.push_back(At(cl.line) + ": DTSTART is repeated; the first one is used");
    }
    if (IsDateProperty(p.name)) {
      std::string_view rest = p.value;
      while (true) {
        const size_t comma = rest.find(',');
        std::string what;
        if (!ValidIcsDateTime(Trim(std::string(rest.substr(0, comma))), &what)) {
          event->fatal.push_back(At(cl.line) + ": " + p.name + ": " + what);
          break;
        }
        if (comma == std::string_view::npos) break;
        rest.remove_prefix(comma + 1);
      }
    }
  }
  if (event != nullptr) {
    event->fatal.push_back(At(last_line) + ": the file ends before END:VEVENT");
    event->end = text.size();
  }
  if (open_calendars > 0) {
    scan.file_problems.push_back(At(last_line) + ": the file ends before END:VCALENDAR");
  }
  return scan;
}

}  // namespace almanix::exchange
