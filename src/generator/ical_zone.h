#pragma once

#include <ctime>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The process's time zone as an iCalendar file states it: a name for TZID
// and a VTIMEZONE drawn from the rules the C library applies to this
// process (the rules every local time of ours comes from), so a reader in
// any zone places our local times where we do, before and after each
// change of daylight saving.
namespace almanix::generator {

// Where the zone's name comes from.
struct ZoneSources {
  std::optional<std::string> tz;  // $TZ, when set
  std::string localtime_link;     // where /etc/localtime links to; empty if no link
  std::string timezone_file;      // the text of /etc/timezone
};

// The sources of this process.
ZoneSources SystemZoneSources();

// The TZID: the zone $TZ names (a leading ":" dropped, a path made relative
// to its zoneinfo folder) or its POSIX rule as written; without $TZ, the
// zone /etc/localtime links to, else the first line of /etc/timezone;
// "UTC" for an empty $TZ or when nothing names the zone. Characters other
// than letters, digits and "/_+-." become "_", so the name needs no quoting
// as a parameter ("EST5EDT,M3.2.0,M11.1.0" gives "EST5EDT_M3.2.0_M11.1.0").
std::string ZoneName(const ZoneSources& sources);

// One change of the zone's offset, abbreviation or daylight flag.
struct ZoneState {
  long offset = 0;  // seconds east of UTC
  bool dst = false;
  std::string abbreviation;
  bool operator==(const ZoneState&) const = default;
};
struct ZoneChange {
  std::time_t at = 0;  // the first second of the new state
  ZoneState before, after;
};

// The state of the process's zone at t, and its changes in [from, to).
ZoneState ZoneStateAt(std::time_t t);
std::vector<ZoneChange> ZoneChanges(std::time_t from, std::time_t to);

// The VTIMEZONE of the process's zone named tzid, holding every change from
// 1 January of from_year to the end of to_year: the state on that first
// day, then one STANDARD or DAYLIGHT block per run of yearly changes that
// follow one rule (the n-th or last weekday, or a fixed day, of a month at
// one local time); a run that lasts to to_year goes on with no end.
std::vector<std::string> VTimezoneLines(std::string_view tzid, int from_year, int to_year);

}  // namespace almanix::generator
