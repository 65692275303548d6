#!/usr/bin/python3
"""The iCalendar peer of bench/compare.py: reads a calendar file with
python3-icalendar and expands every event over one year with dateutil's
rrule, as a program built on Python's reference libraries would import it.

Usage: ics_peer.py FILE.ics YEAR      prints the number of occurrences
"""
import datetime
import sys

import icalendar
from dateutil import rrule


def as_datetime(value):
    if isinstance(value, datetime.datetime):
        return value.replace(tzinfo=None)
    return datetime.datetime(value.year, value.month, value.day)


def main(argv):
    if len(argv) != 3:
        print(__doc__, file=sys.stderr)
        return 2
    with open(argv[1], "rb") as f:
        calendar = icalendar.Calendar.from_ical(f.read())
    year = int(argv[2])
    first = datetime.datetime(year, 1, 1)
    last = datetime.datetime(year, 12, 31, 23, 59, 59)
    count = 0
    for event in calendar.walk("VEVENT"):
        start = as_datetime(event.decoded("DTSTART"))
        rule = event.get("RRULE")
        if rule is None:
            count += first <= start <= last
            continue
        text = rule.to_ical().decode()
        # An UNTIL of a date (no time) is the end of that day.
        rules = rrule.rrulestr(text, dtstart=start, ignoretz=True, forceset=True)
        exdates = event.get("EXDATE")
        for group in exdates if isinstance(exdates, list) else [exdates] if exdates else []:
            for day in group.dts:
                rules.exdate(as_datetime(day.dt))
        count += len(rules.between(first, last, inc=True))
    print(count)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
