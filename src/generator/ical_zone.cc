#include "generator/ical_zone.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <set>
#include <system_error>
#include <tuple>

#include "app/dates.h"
#include "app/text.h"

namespace almanix::generator {
namespace {

constexpr std::string_view kDayCodes[] = {"SU", "MO", "TU", "WE", "TH", "FR", "SA"};

// The name below a zoneinfo folder in a path, or the path itself.
std::string BelowZoneinfo(std::string_view path) {
  const std::size_t at = path.rfind("zoneinfo/");
  std::string name(at == std::string_view::npos ? path : path.substr(at + 9));
  // The same zones without, and with, leap seconds.
  for (std::string_view prefix : {"posix/", "right/"}) {
    if (name.rfind(prefix, 0) == 0) name.erase(0, prefix.size());
  }
  return name;
}

std::string Sanitized(std::string_view name) {
  std::string out;
  for (char c : name) {
    const bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                       c == '/' || c == '_' || c == '+' || c == '-' || c == '.';
    out += plain ? c : '_';
  }
  return out;
}

std::time_t YearStart(int year) {
  return static_cast<std::time_t>(EncodeDate(year, 1, 1) - EncodeDate(1970, 1, 1)) * 86400;
}

// The wall clock of the UTC time t seen at offset seconds east.
std::tm WallClock(std::time_t t, long offset) {
  const std::time_t shifted = t + offset;
  std::tm wall{};
  gmtime_r(&shifted, &wall);
  return wall;
}

std::string WallStamp(const std::tm& t) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%04d%02d%02dT%02d%02d%02d", t.tm_year + 1900, t.tm_mon + 1,
                t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec);
  return buffer;
}

std::string OffsetText(long offset) {
  const long a = offset < 0 ? -offset : offset;
  char buffer[32];
  if (a % 60 == 0) {
    std::snprintf(buffer, sizeof buffer, "%c%02ld%02ld", offset < 0 ? '-' : '+', a / 3600,
                  a / 60 % 60);
  } else {
    std::snprintf(buffer, sizeof buffer, "%c%02ld%02ld%02ld", offset < 0 ? '-' : '+', a / 3600,
                  a / 60 % 60, a % 60);
  }
  return buffer;
}

std::string UtcStamp(std::time_t t) { return WallStamp(WallClock(t, 0)) + "Z"; }

// A change as a yearly rule sees it: the wall clock before it.
struct Onset {
  const ZoneChange* change;
  std::tm wall;
  // The rules the day fits: "BYMONTH=3;BYDAY=2SU", "BYMONTH=3;BYDAY=-1SU",
  // "BYMONTH=3;BYMONTHDAY=11".
  std::set<std::string> rules;
};

Onset OnsetOf(const ZoneChange& c) {
  Onset o{&c, WallClock(c.at, c.before.offset), {}};
  const int year = o.wall.tm_year + 1900, month = o.wall.tm_mon + 1, day = o.wall.tm_mday;
  const std::string by_month = "BYMONTH=" + std::to_string(month) + ";";
  const std::string_view weekday = kDayCodes[o.wall.tm_wday];
  if (day <= 28) {
    o.rules.insert(by_month + "BYDAY=" + std::to_string((day - 1) / 7 + 1) + std::string(weekday));
  }
  if (day + 7 > DaysInMonth(year, month)) o.rules.insert(by_month + "BYDAY=-1" + std::string(weekday));
  o.rules.insert(by_month + "BYMONTHDAY=" + std::to_string(day));
  return o;
}

// Changes of one kind in consecutive years that one rule gives.
struct Run {
  std::vector<Onset> onsets;
  std::set<std::string> rules;  // those every onset fits
};

bool SameKind(const Onset& a, const Onset& b) {
  return a.change->before.offset == b.change->before.offset && a.change->after == b.change->after &&
         a.wall.tm_mon == b.wall.tm_mon && a.wall.tm_hour == b.wall.tm_hour &&
         a.wall.tm_min == b.wall.tm_min && a.wall.tm_sec == b.wall.tm_sec;
}

std::vector<Run> Runs(const std::vector<ZoneChange>& changes) {
  std::vector<Run> runs;
  for (const ZoneChange& c : changes) {
    Onset o = OnsetOf(c);
    bool joined = false;
    for (Run& run : runs) {
      const Onset& last = run.onsets.back();
      if (last.wall.tm_year + 1 != o.wall.tm_year || !SameKind(last, o)) continue;
      std::set<std::string> common;
      std::set_intersection(run.rules.begin(), run.rules.end(), o.rules.begin(), o.rules.end(),
                            std::inserter(common, common.begin()));
      if (common.empty()) continue;
      run.rules = std::move(common);
      run.onsets.push_back(std::move(o));
      joined = true;
      break;
    }
    if (!joined) {
      Run run;
      run.rules = o.rules;
      run.onsets.push_back(std::move(o));
      runs.push_back(std::move(run));
    }
  }
  return runs;
}

// The rule a run is written with: a weekday rule before a fixed day, as
// zones state them.
std::string RuleOf(const Run& run) {
  for (const std::string& r : run.rules) {
    if (r.find("BYDAY=") != std::string::npos && r.find("BYDAY=-") == std::string::npos) return r;
  }
  for (const std::string& r : run.rules) {
    if (r.find("BYDAY=-") != std::string::npos) return r;
  }
  return *run.rules.begin();
}

void Block(std::vector<std::string>& lines, const ZoneState& before, const ZoneState& after,
           const std::tm& wall, const std::string& rrule) {
  const std::string kind = after.dst ? "DAYLIGHT" : "STANDARD";
  lines.push_back("BEGIN:" + kind);
  lines.push_back("DTSTART:" + WallStamp(wall));
  lines.push_back("TZOFFSETFROM:" + OffsetText(before.offset));
  lines.push_back("TZOFFSETTO:" + OffsetText(after.offset));
  if (!after.abbreviation.empty()) lines.push_back("TZNAME:" + Sanitized(after.abbreviation));
  if (!rrule.empty()) lines.push_back("RRULE:" + rrule);
  lines.push_back("END:" + kind);
}

}  // namespace

ZoneSources SystemZoneSources() {
  ZoneSources sources;
  if (const char* tz = std::getenv("TZ")) sources.tz = tz;
  std::error_code error;
  const std::filesystem::path link = std::filesystem::read_symlink("/etc/localtime", error);
  if (!error) sources.localtime_link = link.string();
  std::ifstream file("/etc/timezone");
  std::getline(file, sources.timezone_file);
  return sources;
}

std::string ZoneName(const ZoneSources& sources) {
  std::string name;
  if (sources.tz) {
    name = *sources.tz;
    if (!name.empty() && name[0] == ':') name.erase(0, 1);
    if (!name.empty() && name[0] == '/') name = BelowZoneinfo(name);
  } else if (!sources.localtime_link.empty()) {
    name = BelowZoneinfo(sources.localtime_link);
  } else {
    name = Trim(sources.timezone_file.substr(0, sources.timezone_file.find('\n')));
  }
  name = Sanitized(Trim(name));
  return name.empty() ? "UTC" : name;
}

ZoneState ZoneStateAt(std::time_t t) {
  std::tm local{};
  if (localtime_r(&t, &local) == nullptr) return {};
  return {local.tm_gmtoff, local.tm_isdst > 0, local.tm_zone ? local.tm_zone : ""};
}

std::vector<ZoneChange> ZoneChanges(std::time_t from, std::time_t to) {
  // Zones change at most a few times a year, never twice in a day: a day's
  // steps find every change, a halving search its second.
  constexpr std::time_t kStep = 86400;
  std::vector<ZoneChange> changes;
  ZoneState state = ZoneStateAt(from);
  std::time_t t = from;
  while (t < to) {
    const std::time_t next = std::min(t + kStep, to);
    if (ZoneStateAt(next) == state) {
      t = next;
      continue;
    }
    std::time_t lo = t, hi = next;
    while (hi - lo > 1) {
      const std::time_t mid = lo + (hi - lo) / 2;
      (ZoneStateAt(mid) == state ? lo : hi) = mid;
    }
    ZoneChange change{hi, state, ZoneStateAt(hi)};
    state = change.after;
    t = hi;
    changes.push_back(std::move(change));
  }
  return changes;
}

namespace {

std::vector<std::string> ComputeVTimezoneLines(std::string_view tzid, int from_year,
                                               int to_year);

}  // namespace

std::vector<std::string> VTimezoneLines(std::string_view tzid, int from_year, int to_year) {
  // A run writes one calendar file per event, each with the same zone: the
  // zone's changes are looked for once. The process's zone is part of the
  // key, as a program may set TZ between runs.
  using Key = std::tuple<std::string, std::string, int, int>;
  static std::mutex mutex;
  static std::map<Key, std::vector<std::string>> known;
  const char* tz = std::getenv("TZ");
  Key key{tz ? std::string("=") + tz : std::string(), std::string(tzid), from_year, to_year};
  std::lock_guard<std::mutex> lock(mutex);
  auto it = known.find(key);
  if (it == known.end()) {
    if (known.size() > 64) known.clear();
    it = known.emplace(std::move(key), ComputeVTimezoneLines(tzid, from_year, to_year)).first;
  }
  return it->second;
}

namespace {

std::vector<std::string> ComputeVTimezoneLines(std::string_view tzid, int from_year,
                                               int to_year) {
  from_year = std::clamp(from_year, 1900, 9998);
  to_year = std::clamp(to_year, from_year, 9998);
  const std::time_t from = YearStart(from_year);
  // Year by year, each year's changes kept: the calendar files of one run
  // ask for many spans of the same decades. Zones never change twice in a
  // day, so the years' changes joined are the span's.
  static std::map<std::pair<std::string, int>, std::vector<ZoneChange>> years;
  const char* tz = std::getenv("TZ");
  const std::string zone_key = tz ? std::string("=") + tz : std::string();
  std::vector<ZoneChange> changes;
  for (int year = from_year; year <= to_year; ++year) {
    auto it = years.find({zone_key, year});
    if (it == years.end()) {
      it = years.emplace(std::make_pair(zone_key, year),
                         ZoneChanges(YearStart(year), YearStart(year + 1))).first;
    }
    changes.insert(changes.end(), it->second.begin(), it->second.end());
  }

  std::vector<std::string> lines = {"BEGIN:VTIMEZONE", "TZID:" + std::string(tzid)};
  // The state the years begin in, so that times before the first change
  // have an offset in every reader.
  const ZoneState first = ZoneStateAt(from);
  Block(lines, first, first, WallClock(from, first.offset), "");

  // The last year of each kind's changes: a run that reaches it, in the
  // last years looked at, goes on beyond them.
  std::map<bool, int> last_year;
  for (const ZoneChange& c : changes) {
    last_year[c.after.dst] = WallClock(c.at, c.before.offset).tm_year + 1900;
  }
  for (const Run& run : Runs(changes)) {
    const Onset& head = run.onsets.front();
    const Onset& tail = run.onsets.back();
    std::string rrule;
    if (run.onsets.size() > 1) {
      rrule = "FREQ=YEARLY;" + RuleOf(run);
      const int year = tail.wall.tm_year + 1900;
      if (year != last_year[tail.change->after.dst] || year < to_year - 1) {
        // Any bound before the next year's day does; a day past the last
        // change keeps readers that compare UNTIL with the wall clock.
        rrule += ";UNTIL=" + UtcStamp(tail.change->at + 86400);
      }
    }
    Block(lines, head.change->before, head.change->after, head.wall, rrule);
  }
  lines.push_back("END:VTIMEZONE");
  return lines;
}

}  // namespace

}  // namespace almanix::generator
