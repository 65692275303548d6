#!/usr/bin/python3
"""Lists every occurrence of an iCalendar file, expanded by an implementation
that is not ours (python3-icalendar, dateutil and recurring-ical-events from
Debian), so our import and export can be compared with it.

Usage: ical_expand.py FILE.ics ZONE FROM TO
  ZONE   an IANA zone name (UTC, America/New_York, ...) the times are shown in
  FROM   first day (YYYY-MM-DD), TO the day after the last one

Prints one line per occurrence, sorted:
  YYYY-MM-DD                   SUMMARY   (a date: an all-day occurrence)
  YYYY-MM-DD HH:MM-HH:MM       SUMMARY   (start and end in ZONE)
Cancelled occurrences are left out. Exits 1 when the file cannot be read.
"""
import datetime
import sys

import icalendar
import recurring_ical_events
from dateutil import tz


def main(argv):
    if len(argv) != 5:
        print(__doc__, file=sys.stderr)
        return 2
    path, zone_name, first, after = argv[1:]
    zone = tz.gettz(zone_name)
    if zone is None:
        print(f"unknown zone {zone_name}", file=sys.stderr)
        return 2
    try:
        with open(path, "rb") as f:
            calendar = icalendar.Calendar.from_ical(f.read())
    except Exception as error:  # the parser's own errors have no common base
        print(f"{path}: {error}", file=sys.stderr)
        return 1
    start = datetime.date.fromisoformat(first)
    end = datetime.date.fromisoformat(after)
    lines = []
    for event in recurring_ical_events.of(calendar).between(start, end):
        if str(event.get("STATUS", "")).upper() == "CANCELLED":
            continue
        summary = str(event.get("SUMMARY", ""))
        begin = event["DTSTART"].dt
        finish = event["DTEND"].dt if "DTEND" in event else begin
        if not isinstance(begin, datetime.datetime):
            lines.append(f"{begin.isoformat()}  {summary}")
            continue
        if begin.tzinfo is None:  # floating time: the reader's own clock
            begin = begin.replace(tzinfo=zone)
        if isinstance(finish, datetime.datetime) and finish.tzinfo is None:
            finish = finish.replace(tzinfo=zone)
        begin = begin.astimezone(zone)
        if isinstance(finish, datetime.datetime):
            finish = finish.astimezone(zone)
            until = finish.strftime("%H:%M")
        else:
            until = "24:00"
        lines.append(f"{begin:%Y-%m-%d %H:%M}-{until}  {summary}")
    print("\n".join(sorted(lines)))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
