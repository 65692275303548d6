#!/usr/bin/python3
"""Our iCalendar export, read back by an expander that is not ours
(tools/ical_expand.py: python3-icalendar, dateutil, recurring-ical-events),
gives the days and times our own occurrence rule gives (almanix-cli event
list), whatever zone the file was written in and whatever zone it is read in.

Usage: check_ical_export.py ALMANIX_CLI SOURCE_DIR

One calendar of the cases below is exported with TZ set to each writer zone
and expanded in each reader zone; every case must give its expected count of
occurrences, each at the same instant on both sides. Prints the table of
counts and exits 1 on any difference.
"""
import collections
import datetime
import html
import os
import subprocess
import sys
import tempfile
import zoneinfo

FIRST = datetime.date(2026, 1, 1)
LAST = datetime.date(2027, 12, 31)
# Occurrences are compared on the days inside these, in the reader's zone, so
# a zone's shift cannot carry one across the window's edge on one side only.
INNER = (datetime.date(2026, 1, 2), datetime.date(2027, 12, 30))

LONG = ("Über die Straße zum Café, dann 東京 und zurück; " * 6).strip()

# name, expected count 2026-01-02..2027-12-30, duration in minutes (None:
# all-day), event add options.
CASES = [
    ("Weekly standup 09:00", 104, 30,
     ["--start", "2026-01-05 09:00", "--end", "2026-01-05 09:30", "--repeat", "weekly",
      "--weekdays", "2"]),
    ("Every 2 weeks Tue Thu", 104, 90,
     ["--start", "2026-01-06 18:30", "--end", "2026-01-06 20:00", "--repeat", "weekly",
      "--every", "2", "--weekdays", "3,5"]),
    ("Every 3 weeks Mon across year ends", 20, 60,
     ["--start", "2026-11-02 07:00", "--end", "2026-11-02 08:00", "--repeat", "weekly",
      "--every", "3", "--weekdays", "2"]),
    ("Monthly 1st and 15th in Q1", 11, 45,
     ["--start", "2026-01-15 07:15", "--end", "2026-01-15 08:00", "--repeat", "monthly",
      "--monthdays", "1,15", "--months", "1,2,3", "--until", "2027-12-01"]),
    ("Second Tuesday evening", 24, 120,
     ["--start", "2026-01-13 19:00", "--end", "2026-01-13 21:00", "--repeat", "weekly",
      "--pattern", "week-of-month", "--every", "2", "--weekdays", "3"]),
    ("Fifth Friday", 8, 60,
     ["--start", "2026-01-30 12:00", "--end", "2026-01-30 13:00", "--repeat", "weekly",
      "--pattern", "week-of-month", "--every", "5", "--weekdays", "6"]),
    ("Second grid row Sun Thu", 47, 30,
     ["--start", "2026-01-08 16:00", "--end", "2026-01-08 16:30", "--repeat", "weekly",
      "--pattern", "week-of-month-absolute", "--every", "2", "--weekdays", "1,5"]),
    ("Every 3 days across the spring change", 19, 60,
     ["--start", "2026-03-01 08:00", "--end", "2026-03-01 09:00", "--repeat", "daily",
      "--every", "3", "--until", "2026-04-30", "--skip", "2026-03-07,2026-03-13"]),
    ("Late night across the autumn change", 17, 60,
     ["--start", "2026-10-20 23:00", "--end", "2026-10-21 00:00", "--repeat", "daily",
      "--until", "2026-11-05"]),
    ("Sunday 01:30", 104, 30,
     ["--start", "2026-01-04 01:30", "--end", "2026-01-04 02:00", "--repeat", "weekly",
      "--weekdays", "1"]),
    ("Birthday", 2, None,
     ["--start", "2026-02-14", "--allday", "--repeat", "yearly"]),
    ("Summer camp", 3, None,
     ["--start", "2026-07-07", "--end", "2026-07-09", "--allday"]),
    ("Tom &amp; Jerry, live", 1, 120,
     ["--start", "2026-06-20 20:00", "--end", "2026-06-20 22:00",
      "--location", "Hall &amp; Garden, 2nd floor"]),
    ("Café über Straße – 東京", 1, 90,
     ["--start", "2026-03-29 01:00", "--end", "2026-03-29 02:30", "--description", LONG]),
]
NOTES = [("2026-03-05", "Bring cake, plates; cups"), ("2026-11-01", "Clocks &amp; watches")]

# Writer zones: TZ as given, and the zone our side reads its wall times in.
WRITERS = [("UTC", "UTC"), ("America/New_York", "America/New_York"),
           ("Europe/Berlin", "Europe/Berlin"), ("Asia/Tokyo", "Asia/Tokyo"),
           # A rule no zone file names: readers must take the file's VTIMEZONE.
           ("CET-1CEST,M3.5.0,M10.5.0/3", "Europe/Berlin")]
READERS = ["UTC", "America/New_York", "Europe/Berlin", "Asia/Tokyo"]


def run(cli, root, args, tz="UTC"):
    env = dict(os.environ, TZ=tz)
    done = subprocess.run([cli, "--root", root] + args, env=env, capture_output=True,
                          text=True)
    if done.returncode != 0:
        sys.exit(f"almanix-cli {' '.join(args)} failed: {done.stderr}")
    return done.stdout


def our_occurrences(cli, root):
    """(date, HH:MM or None, summary) from our own occurrence rule."""
    out = run(cli, root, ["event", "list", "--category", "1", "--from", FIRST.isoformat(),
                          "--to", LAST.isoformat()])
    found = []
    for line in out.splitlines():
        day, time, _, summary = line.split("\t", 3)
        found.append((datetime.date.fromisoformat(day), None if time == "--:--" else time,
                      html.unescape(summary)))
    for day, text in NOTES:
        found.append((datetime.date.fromisoformat(day), None, html.unescape(text)))
    return found


def expected_lines(ours, durations, writer_zone, reader_zone):
    """Our occurrences as the expander prints them in the reader's zone: for
    each, the lines it may print (a wall time the clocks pass twice may be
    read as either instant)."""
    wanted = []
    for day, time, summary in ours:
        if time is None:
            if INNER[0] <= day <= INNER[1]:
                wanted.append({f"{day.isoformat()}  {summary}"})
            continue
        hour, minute = map(int, time.split(":"))
        texts = set()
        for fold in (0, 1):
            start = datetime.datetime(day.year, day.month, day.day, hour, minute,
                                      tzinfo=writer_zone, fold=fold)
            # Lengths are real time: an end the clocks skip lands after the gap.
            start = start.astimezone(datetime.timezone.utc)
            end = start + datetime.timedelta(minutes=durations[summary])
            start, end = start.astimezone(reader_zone), end.astimezone(reader_zone)
            if INNER[0] <= start.date() <= INNER[1]:
                texts.add(f"{start:%Y-%m-%d %H:%M}-{end:%H:%M}  {summary}")
        if texts:
            wanted.append(texts)
    return wanted


def compare(wanted, got):
    """The wanted occurrences the expander did not give, and the lines it gave
    beyond them."""
    left = collections.Counter(got)
    missing = []
    for texts in wanted:
        found = next((t for t in sorted(texts) if left[t] > 0), None)
        if found is None:
            missing.append(" or ".join(sorted(texts)))
        else:
            left[found] -= 1
    return missing, sorted(left.elements())


def expanded_lines(source, path, reader):
    done = subprocess.run(["/usr/bin/python3", os.path.join(source, "tools", "ical_expand.py"),
                           path, reader, FIRST.isoformat(),
                           (LAST + datetime.timedelta(days=1)).isoformat()],
                          capture_output=True, text=True)
    if done.returncode != 0:
        sys.exit(f"ical_expand.py {path} {reader} failed: {done.stderr}")
    lines = []
    for line in done.stdout.splitlines():
        if line and INNER[0] <= datetime.date.fromisoformat(line[:10]) <= INNER[1]:
            lines.append(line)
    return sorted(lines)


def summary_of(line):
    return line.split("  ", 1)[1]


def main(argv):
    if len(argv) != 3:
        print(__doc__, file=sys.stderr)
        return 2
    cli, source = argv[1], argv[2]
    durations = {html.unescape(name): minutes for name, _, minutes, _ in CASES}
    failures = 0
    with tempfile.TemporaryDirectory() as work:
        root = os.path.join(work, "root")
        for name, _, _, options in CASES:
            run(cli, root, ["event", "add", "--category", "1", "--summary", name] + options)
        for day, text in NOTES:
            run(cli, root, ["note", "set", "--category", "1", "--date", day, text])
        ours = our_occurrences(cli, root)

        # Our own side first: every case has the count the table names.
        counted = collections.Counter(
            s for d, _, s in ours if INNER[0] <= d <= INNER[1])
        for name, count, _, _ in CASES:
            if counted[html.unescape(name)] != count:
                print(f"our rule gives {name!r} {counted[html.unescape(name)]} times, "
                      f"the table says {count}")
                failures += 1

        # Per case: the expander's count for each writer read in its own zone,
        # and the differences over every writer and reader.
        counts = collections.defaultdict(dict)
        differences = collections.Counter()
        for number, (tz, zone_name) in enumerate(WRITERS):
            path = os.path.join(work, f"export-{number}.ics")
            run(cli, root, ["--year", "2026", "export-ics", "--category", "1", "-o", path], tz)
            for reader in READERS:
                wanted = expected_lines(ours, durations, zoneinfo.ZoneInfo(zone_name),
                                        zoneinfo.ZoneInfo(reader))
                got = expanded_lines(source, path, reader)
                if reader == zone_name:
                    by_case = collections.Counter(summary_of(l) for l in got)
                    for name, _, _, _ in CASES:
                        counts[name][tz] = by_case[html.unescape(name)]
                missing, extra = compare(wanted, got)
                for line in missing:
                    print(f"written in {tz}, read in {reader}: missing {line}")
                    differences[summary_of(line.split(" or ")[0])] += 1
                for line in extra:
                    print(f"written in {tz}, read in {reader}: unexpected {line}")
                    differences[summary_of(line)] += 1
                failures += len(missing) + len(extra)

        print(f"{'case':38} {'ours':>4}  " + " ".join(f"{z[:8]:>8}" for z, _ in WRITERS) +
              "  differences")
        for name, count, _, _ in CASES:
            plain = html.unescape(name)
            print(f"{plain[:38]:38} {count:4}  " +
                  " ".join(f"{counts[name].get(z, 0):8}" for z, _ in WRITERS) +
                  f"  {differences[plain]}")
        print(f"(each writer zone read in its own zone; differences over "
              f"{len(WRITERS)} writers x {len(READERS)} readers)")
    if failures:
        print(f"{failures} differences")
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
