#!/usr/bin/env python3
"""Writes the seed files of the fuzz targets into tests/data/fuzz/<target>/.

One table below: each row names a target, a file and the bytes of a broken
(or, for a start, sound) file of that kind. The output is committed; run
this again after changing the table, `--check` tells whether the committed
files are what the table makes. Standard library only.
"""

import io
import os
import struct
import sys
import warnings
import zipfile
import zlib

TOP = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
OUT = os.path.join(TOP, "tests", "data", "fuzz")
STAMP = (2010, 3, 5, 12, 0, 0)


def utf16(text, big=False):
    return (b"\xfe\xff" + text.encode("utf-16-be")) if big else \
        (b"\xff\xfe" + text.encode("utf-16-le"))


# ---- CSV: name, start date, start time, end date, end time, description,
# location, URL, URL name (the columns the fuzz target maps) ----

CSV_GOOD = ("Team call,1/6/2026,9:30 am,1/6/2026,10:00 am,Weekly sync,Room 4,"
            "http://example.org/call,Agenda\r\n"
            "Lunch,1/7/2026,12:00 pm,,,,,,\r\n")


def csv_lines(*lines):
    return ("\r\n".join(lines) + "\r\n").encode()


# ---- iCalendar ----

def ics(*body, end=True):
    lines = ["BEGIN:VCALENDAR", "VERSION:2.0", "PRODID:-//Fuzz//Seeds//EN"]
    lines += list(body)
    if end:
        lines.append("END:VCALENDAR")
    return ("\r\n".join(lines) + "\r\n").encode()


def vevent(*props, end=True):
    out = ["BEGIN:VEVENT", "UID:seed@example.org", "SUMMARY:Seed"] + list(props)
    if end:
        out.append("END:VEVENT")
    return out


# ---- ZIP archives (calendar files) ----

def zip_of(entries):
    """entries: (name, data, options) with options: mode, method."""
    buf = io.BytesIO()
    with zipfile.ZipFile(buf, "w") as z:
        for name, data, opts in entries:
            info = zipfile.ZipInfo(name, STAMP)
            info.compress_type = opts.get("method", zipfile.ZIP_DEFLATED)
            if "mode" in opts:
                info.create_system = 3
                info.external_attr = opts["mode"] << 16
            z.writestr(info, data)
    return buf.getvalue()


def patched(data, old, new):
    """The same archive with a name changed in place (same length), for
    bytes zipfile refuses to write, such as a NUL."""
    assert len(old) == len(new)
    return data.replace(old, new)


GOOD_CAL = [
    ("db/", b"", {}),
    ("config/application.ini", b"[Settings]\r\nCalendarName=Seed\r\n", {}),
    ("attachments/Work/2010-3-05/note.txt", b"attached", {}),
    ("favorites/Club/conf.ini", b"[Publish]\r\nStyleName=Default\r\n", {}),
    ("include/logo.png", b"\x89PNG\r\n\x1a\n", {}),
]


def raw_zip(local_name, data, central):
    """One deflated local entry and a central directory of `central`
    entries (name, claimed size) all pointing at it: overlapping files."""
    packed = zlib.compressobj(9, zlib.DEFLATED, -15)
    comp = packed.compress(data) + packed.flush()
    crc = zlib.crc32(data)
    local = struct.pack("<IHHHHHIIIHH", 0x04034b50, 20, 0, 8, 0, 0x21, crc,
                        len(comp), len(data), len(local_name), 0)
    out = local + local_name + comp
    directory = b""
    for name, size in central:
        directory += struct.pack("<IHHHHHHIIIHHHHHII", 0x02014b50, 20, 20, 0,
                                 8, 0, 0x21, crc, len(comp), size, len(name),
                                 0, 0, 0, 0, 0, 0) + name
    end = struct.pack("<IHHHHIIH", 0x06054b50, 0, 0, len(central),
                      len(central), len(directory), len(out), 0)
    return out + directory + end


def zip64_of(entries):
    """The same archive with ZIP64 fields in each local header (zipfile's
    force_zip64) and a ZIP64 end record and locator before the end record,
    whose own fields then say "see there"."""
    buf = io.BytesIO()
    with zipfile.ZipFile(buf, "w") as z:
        for name, data, _ in entries:
            info = zipfile.ZipInfo(name, STAMP)
            info.compress_type = zipfile.ZIP_DEFLATED
            with z.open(info, "w", force_zip64=True) as f:
                f.write(data)
    data = buf.getvalue()
    end = data.rindex(b"PK\x05\x06")
    if data[end - 20:end - 16] == b"PK\x06\x07":
        return data
    count, size, at = struct.unpack("<HII", data[end + 10:end + 20])
    record = struct.pack("<IQHHIIQQQQ", 0x06064b50, 44, 0x031E, 45, 0, 0,
                         count, count, size, at)
    locator = struct.pack("<IIQI", 0x07064b50, 0, end, 1)
    tail = struct.pack("<IHHHHIIH", 0x06054b50, 0, 0, 0xFFFF, 0xFFFF,
                       0xFFFFFFFF, 0xFFFFFFFF, 0)
    return data[:end] + record + locator + tail


class _Unseekable(io.RawIOBase):
    """A stream zipfile cannot go back in, so it writes data descriptors."""

    def __init__(self):
        super().__init__()
        self.buf = io.BytesIO()

    def writable(self):
        return True

    def seekable(self):
        return False

    def write(self, data):
        return self.buf.write(data)


def streamed_of(entries, comment=b""):
    out = _Unseekable()
    with zipfile.ZipFile(out, "w") as z:
        for name, data, _ in entries:
            info = zipfile.ZipInfo(name, STAMP)
            info.compress_type = zipfile.ZIP_DEFLATED
            with z.open(info, "w") as f:
                f.write(data)
        z.comment = comment
    return out.buf.getvalue()


def symlink_cal():
    return zip_of([
        ("db/", b"", {}),
        ("db/link", b"/etc", {"mode": 0o120777}),
        ("db/link/passwd", b"written through a link", {}),
        ("include/fifo", b"", {"mode": 0o010644}),
    ])


MEGA = 1 << 20
# A name stored twice is one of the cases, not a mistake here.
warnings.filterwarnings("ignore", "Duplicate name")

TABLE = [
    # CSV reader
    ("csv_reader_fuzz", "good.csv", CSV_GOOD.encode()),
    ("csv_reader_fuzz", "bad_dates.csv", csv_lines(
        "Feb 30,2/30/2021,,,,,,,", "Month 13,13/45/2020,,,,,,,",
        "Zero,0/0/0,,,,,,,", "Old,12/25/99,10:00 am,,,,,,",
        "Year one,1/1/0001,,,,,,,", "Huge,99999999/1/1,,,,,,,",
        "Negative,-1/2/3,,,,,,,", "Overflow,1/1/2147483648,,,,,,,",
        "ISO,2026-01-31,19:00,2026-02-31,,,,,", "Dots,31.12.2025,,,,,,,",
        "Words,May/x/2025,,,,,,,", "End first,1/9/2026,,1/1/2026,,,,,")),
    ("csv_reader_fuzz", "bad_times.csv", csv_lines(
        "A,1/6/2026,25:61,,,,,,", "B,1/6/2026,12:15 am,1/6/2026,99:99pm,,,,",
        "C,1/6/2026,:::,,,,,,", "D,1/6/2026,noon,,,,,,",
        "E,1/6/2026,7.30.45.9,,,,,,", "F,1/6/2026,-5:-5,,,,,,")),
    ("csv_reader_fuzz", "unclosed_quote.csv", csv_lines(
        "\"Team call,1/6/2026,9:30 am,,,,,,", "Lunch,1/7/2026,12:00 pm,,,,,,",
        "Dinner,1/8/2026,7:00 pm,,,,,,")),
    ("csv_reader_fuzz", "quoted_breaks.csv", csv_lines(
        "\"Two\r\nlines\",1/6/2026,,,,\"note,\r\nwith \"\"quotes\"\"\",,,",
        "\"\",1/7/2026,,,,,,,", "\"a\"b\"c,1/8/2026,,,,,,,")),
    ("csv_reader_fuzz", "nul_bytes.csv",
     b"Team\x00call,1/6/2026,9:30 am,,,,,,\r\n\x00\x00\x00\r\nX,1/\x007/2026,,,,,,,\r\n"),
    ("csv_reader_fuzz", "invalid_utf8.csv",
     b"Caf\xe9,1/6/2026,,,,\xc3\x28 \xa0\xa1 \xf0\x28\x8c\xbc,,,\r\n"
     b"\xed\xa0\x80surrogate,1/7/2026,,,,,,,\r\n"),
    ("csv_reader_fuzz", "utf16le.csv", utf16(CSV_GOOD)),
    ("csv_reader_fuzz", "utf16be.csv", utf16(CSV_GOOD, big=True)),
    ("csv_reader_fuzz", "bom_lone_cr.csv",
     b"\xef\xbb\xbfA,1/6/2026,,,,,,,\rB,1/7/2026,,,,,,,\r\rC,1/8/2026,,,,,,,"),
    ("csv_reader_fuzz", "control_chars.csv", csv_lines(
        "\x1b[31mred\x1b[0m,2/30/2021,,,,,,,", "bell\x07,1/6/2026,,,,\x08\x7f,,,")),
    ("csv_reader_fuzz", "commas_only.csv", b",,,,,,,,,,,,,,,,,,,,\r\n,\r\n\r\n"),
    ("csv_reader_fuzz", "long_field.csv",
     ("Long," + "1/6/2026," * 3 + "x" * 4000 + "\r\n").encode()),
    ("csv_reader_fuzz", "duplicates.csv", csv_lines(
        "Same,1/6/2026,9:30 am,,,,,,", "Same,1/6/2026,9:30 am,,,,,,",
        "Same,1/6/2026,9:30 am,,,,,,")),

    # iCalendar reader
    ("ical_reader_fuzz", "good.ics", ics(*vevent(
        "DTSTART:20260106T093000Z", "DTEND:20260106T100000Z",
        "DESCRIPTION:Line one\\nline two\\, with comma",
        "LOCATION:Room 4", "URL:http://example.org/"))),
    ("ical_reader_fuzz", "missing_end_vevent.ics",
     ics(*vevent("DTSTART;VALUE=DATE:20260106", end=False))),
    ("ical_reader_fuzz", "missing_end_vcalendar.ics",
     ics(*vevent("DTSTART:20260106T093000"), end=False)),
    ("ical_reader_fuzz", "bad_dates.ics", ics(
        *vevent("DTSTART:20210230T250000"),
        *vevent("DTSTART:99999999T999999Z"),
        *vevent("DTSTART;VALUE=DATE:00000000"),
        *vevent("DTSTART:18991230T000000", "DTEND:18001230T000000"),
        *vevent("DTSTART:20260106T093000Z", "DTEND:20250106T093000Z"),
        *vevent("DTSTART:junk"), *vevent("DTEND:20260106"))),
    # One rule a file. Left out: a rule without any date
    # (BYMONTHDAY=-1;BYSETPOS=2), which libical searches up to the year 2582
    # for, a second in a plain build and twenty under the sanitizers: every
    # mutation of it would starve the fuzzer.
    ("ical_reader_fuzz", "rule_secondly.ics", ics(*vevent(
        "DTSTART:20260106T093000", "RRULE:FREQ=SECONDLY;COUNT=50"))),
    ("ical_reader_fuzz", "rule_interval_zero.ics", ics(*vevent(
        "DTSTART:20260106", "RRULE:FREQ=DAILY;INTERVAL=0"))),
    ("ical_reader_fuzz", "rule_bad_ordinals.ics", ics(*vevent(
        "DTSTART:20260106", "RRULE:FREQ=MONTHLY;BYDAY=99MO,-99FR"))),
    ("ical_reader_fuzz", "rule_until_before_start.ics", ics(*vevent(
        "DTSTART:20260106", "RRULE:FREQ=WEEKLY;UNTIL=19000101"))),
    ("ical_reader_fuzz", "rule_month_13.ics", ics(*vevent(
        "DTSTART:20260106", "RRULE:FREQ=YEARLY;BYMONTH=13;BYMONTHDAY=32"))),
    ("ical_reader_fuzz", "rule_exdate_rdate.ics", ics(*vevent(
        "DTSTART:20260106", "RRULE:FREQ=WEEKLY;BYDAY=MO,TU;COUNT=3",
        "EXDATE:20260113,junk", "RDATE:20270101,99999999"))),
    ("ical_reader_fuzz", "rule_twice.ics", ics(*vevent(
        "DTSTART:20260106", "RRULE:FREQ=YEARLY", "RRULE:FREQ=WEEKLY;COUNT=20"))),
    ("ical_reader_fuzz", "rule_junk.ics", ics(*vevent(
        "DTSTART:20260106", "RRULE:;;;=;FREQ"))),
    ("ical_reader_fuzz", "time_zones.ics", ics(
        "BEGIN:VTIMEZONE", "TZID:Nowhere/Odd", "BEGIN:STANDARD",
        "DTSTART:16010101T030000", "TZOFFSETFROM:+9999", "TZOFFSETTO:-9999",
        "RRULE:FREQ=YEARLY;BYMONTH=10;BYDAY=-1SU", "END:STANDARD",
        "END:VTIMEZONE",
        *vevent("DTSTART;TZID=Nowhere/Odd:20260106T093000"),
        *vevent("DTSTART;TZID=Missing/Zone:20260106T093000",
                "RRULE:FREQ=DAILY;COUNT=5"),
        *vevent("DTSTART;TZID=Europe/Berlin:20260329T023000"))),
    ("ical_reader_fuzz", "folded_and_nested.ics", ics(
        "BEGIN:VCALENDAR", *vevent("DTSTART:20260106", "SUMMARY:Inner"),
        "END:VCALENDAR",
        *vevent("DTSTART:20260107", "DESCRIPTION:folded", " across", "\tlines",
                " ", "X-EMPTY:", "X-NO-COLON", ":no name", "SUMMARY;LANGUAGE=\"en:", "ATTACH;ENCODING=BASE64:@@@"))),
    ("ical_reader_fuzz", "bare_vevent.ics",
     ("\r\n".join(vevent("DTSTART:20260106")) + "\r\n").encode()),
    ("ical_reader_fuzz", "nul_bytes.ics",
     ics(*vevent("DTSTART:20260106")).replace(b"Seed", b"Se\x00ed")
     .replace(b"VERSION:2.0", b"VERSION:\x002.0")),
    ("ical_reader_fuzz", "invalid_utf8.ics",
     ics(*vevent("DTSTART:20260106")).replace(b"Seed", b"Caf\xe9 \xc3\x28 \xed\xa0\x80")),
    ("ical_reader_fuzz", "utf16le.ics", utf16(ics(*vevent("DTSTART:20260106")).decode())),
    ("ical_reader_fuzz", "utf16be.ics",
     utf16(ics(*vevent("DTSTART:20260106")).decode(), big=True)),
    ("ical_reader_fuzz", "long_line.ics", ics(*vevent(
        "DTSTART:20260106", "DESCRIPTION:" + "x" * 20000))),
    ("ical_reader_fuzz", "unsafe_texts.ics", ics(*vevent(
        "DTSTART:20260106", "SUMMARY:<script>alert(1)</script> & more",
        "URL:javascript:alert(1)", "LOCATION:\"quoted\" <b>"))),

    # Calendar file opener
    ("calendar_file_fuzz", "good.cal", zip_of(GOOD_CAL)),
    ("calendar_file_fuzz", "dotdot.cal", zip_of([
        ("../escaped.txt", b"out", {}), ("db/../../up.txt", b"up", {}),
        ("config/./../../x", b"x", {}), ("db/ok.txt", b"ok", {})])),
    ("calendar_file_fuzz", "absolute.cal", zip_of([
        ("/tmp/almanix-absolute.txt", b"abs", {}), ("C:/windows.txt", b"c", {}),
        ("db\\..\\..\\back.txt", b"b", {}), ("db/ok.txt", b"ok", {})])),
    ("calendar_file_fuzz", "links.cal", symlink_cal()),
    ("calendar_file_fuzz", "nul_name.cal", patched(
        zip_of([("db/aXb.txt", b"nul", {}), ("db/ok.txt", b"ok", {})]),
        b"db/aXb.txt", b"db/a\x00b.txt")),
    ("calendar_file_fuzz", "bomb_same_name.cal", raw_zip(
        b"db/big.bin", bytes(4 * MEGA), [(b"db/big.bin", 4 * MEGA)] * 20)),
    ("calendar_file_fuzz", "bomb_overlap.cal", raw_zip(
        b"db/big.bin", bytes(4 * MEGA),
        [(("db/big%02d.bin" % i).encode(), 4 * MEGA) for i in range(20)])),
    ("calendar_file_fuzz", "lying_size.cal", raw_zip(
        b"db/small.bin", bytes(MEGA), [(b"db/small.bin", 1)])),
    ("calendar_file_fuzz", "truncated.cal", zip_of(GOOD_CAL)[:300]),
    ("calendar_file_fuzz", "not_a_zip.cal", b"BEGIN:VCALENDAR\r\nEND:VCALENDAR\r\n"),
    ("calendar_file_fuzz", "empty_archive.cal", zip_of([])),
    ("calendar_file_fuzz", "duplicate_names.cal", zip_of([
        ("db/Events.db", b"first", {}), ("db/Events.db", b"second", {}),
        ("DB/events.DB", b"third", {})])),
    ("calendar_file_fuzz", "damaged_tables.cal", zip_of([
        ("db/Events.db", b"SQLite format 3\x00" + bytes(84) + b"garbage" * 20, {}),
        ("db/Year2026.db", b"not a table file", {})])),
    ("calendar_file_fuzz", "odd_methods.cal", zip_of([
        ("db/stored.txt", b"stored", {"method": zipfile.ZIP_STORED}),
        ("db/bzip2.txt", b"b" * 100, {"method": zipfile.ZIP_BZIP2}),
        ("db/lzma.txt", b"l" * 100, {"method": zipfile.ZIP_LZMA})])),
    ("calendar_file_fuzz", "bad_crc.cal", patched(
        zip_of([("db/crc.txt", b"the data of the entry", {"method": zipfile.ZIP_STORED})]),
        b"the data of the entry", b"THE data of the entry")),
    ("calendar_file_fuzz", "folder_over_file.cal", zip_of([
        ("db", b"a file named db", {}), ("db/inside.txt", b"x", {}),
        ("config/", b"", {}), ("config", b"file after folder", {})])),
    ("calendar_file_fuzz", "zip64_records.cal", zip64_of(GOOD_CAL)),
    ("calendar_file_fuzz", "data_descriptors.cal", streamed_of(
        GOOD_CAL, comment=b"a comment with PK\x05\x06 inside")),

    # INI reader (the files in tests/data/ini are seeds too)
    ("ini_reader_fuzz", "nul_bytes.ini",
     b"[Sec\x00tion]\r\nKey=va\x00lue\r\n\x00=\x00\r\n"),
    ("ini_reader_fuzz", "utf16le.ini", utf16("[Publish]\r\nTitle=Caf\u00e9\r\n")),
    ("ini_reader_fuzz", "utf16be.ini", utf16("[Publish]\r\nTitle=Caf\u00e9\r\n", big=True)),
    ("ini_reader_fuzz", "odd_lines.ini",
     b"before=section\r\n[\r\n[ ]\r\n[unclosed\r\n]\r\n=no key\r\n; comment=1\r\n"
     b"# hash=2\r\n[a]\r\nk=1\rk2=2\n\n\r\r[A]\r\nK=dup\r\n[a]\r\nk=3\r\n  spaced  =  v  \r\n"),
    ("ini_reader_fuzz", "long_line.ini", b"[s]\r\nk=" + b"v" * 8000 + b"\r\n"),
    ("ini_reader_fuzz", "no_final_break.ini", b"[s]\r\nk=1\r\nlast=\xe9"),
    # Found by the fuzzer: two marks, and the second one used to survive a
    # save as part of the first line.
    ("ini_reader_fuzz", "double-byte-order-mark.ini",
     b"\xef\xbb\xbf\xef\xbb\xbf8\x00u\r\n8\x00u\r\n"),
]


def main():
    check = "--check" in sys.argv[1:]
    wanted = {}
    for target, name, data in TABLE:
        wanted[os.path.join(target, name)] = data
    bad = []
    for rel, data in sorted(wanted.items()):
        path = os.path.join(OUT, rel)
        if check:
            try:
                with open(path, "rb") as f:
                    if f.read() != data:
                        bad.append(rel + " differs")
            except OSError:
                bad.append(rel + " is missing")
            continue
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(data)
    for target in sorted({t for t, _, _ in TABLE}):
        folder = os.path.join(OUT, target)
        for name in sorted(os.listdir(folder)) if os.path.isdir(folder) else []:
            if os.path.join(target, name) not in wanted:
                if check:
                    bad.append(os.path.join(target, name) + " is not in the table")
                else:
                    os.remove(os.path.join(folder, name))
    if bad:
        print("tests/data/fuzz differs from tools/make_fuzz_corpus.py; rerun it:",
              file=sys.stderr)
        for line in bad:
            print("  " + line, file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
