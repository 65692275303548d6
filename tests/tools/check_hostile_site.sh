#!/usr/bin/env bash
# A calendar fed a hostile CSV file and a hostile iCalendar file, and an
# owner's link with blanks and quotes, is generated with almanix-cli; its pages
# are opened in headless Chromium: no script of the files may run, no event
# handler of theirs may be in the DOM, and rss.xml and ical.ics hold no
# control characters.
set -euo pipefail
cli=$1
top=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
year=$(date +%Y)
run() { "$cli" --root "$work/root" --year "$year" "$@"; }

# Dated from today on, so that the feed lists them too.
python3 - "$work" <<'EOF'
import datetime, sys
work = sys.argv[1]
day = datetime.date.today()
def d(n):
    t = day + datetime.timedelta(days=n % 8)
    return "%d/%d/%d" % (t.month, t.day, t.year)
x = "x" * 60
# Date, name, time, description, location, URL, URL name.
rows = [
    ("<script>alert(1)</script>", "<img src=x onerror=alert(101)>", "", "", ""),
    ("<img src=x onerror=alert(2)>", "<svg onload=alert(102)>", "Hall<b>", "", ""),
    ("<svg onload=alert(3)>", "<iframe src=javascript:alert(103)></iframe>", "", "", ""),
    ("<iframe src=javascript:alert(4)></iframe>", "", "<script>alert(104)</script>", "", ""),
    ("<a href=javascript:alert(5)>click</a>", "<a href=javascript:alert(105)>x</a>", "", "", ""),
    ("<body onload=alert(6)>", "</div></span></a><img src=x onerror=alert(106)>", "", "", ""),
    ("x' onmouseover='alert(7)' y='", "x\" onmouseover=\"alert(107)", "", "", ""),
    ("</script><script>alert(8)</script>", "';alert(108);//", "", "", ""),
    ("<<script>alert(9)//<</script>", "<math><mtext></p><img src=x onerror=alert(109)>", "", "", ""),
    (x + "<img src=x onerror=alert(10)//", "\x1b[31mred\x01\x0b\x0c<b>", "\x7f\x1bloc", "", ""),
    ("Link 11", "", "", "javascript:alert('http://11')", "<img src=x onerror=alert(111)>"),
    ("Link 12", "", "", "http://x.org/ onmouseover=alert(12) style=display:block", "link"),
    ("Link 13", "", "", "http://x.org/\"onmouseover=\"alert(13)", "<b onmouseover=alert(113)>x</b>"),
    ("&#60;script&#62;alert(14)&#60;/script&#62;", "&lt;img src=x onerror=alert(114)&gt;", "",
     "javascript&colon;alert(14)", ""),
]
with open(work + "/hostile.csv", "w", encoding="utf-8", newline="") as f:
    for i, (name, desc, loc, url, urlname) in enumerate(rows):
        f.write(",".join([d(i), name, "7:00 pm" if i % 2 else "", desc, loc, url, urlname]) + "\r\n")
t = day.strftime("%Y%m%d")
ics = [
    "BEGIN:VCALENDAR", "VERSION:2.0", "PRODID:-//hostile//EN",
    "BEGIN:VEVENT", "UID:h1", "DTSTAMP:20250101T000000Z", "DTSTART:%sT090000" % t,
    "SUMMARY:<img src=x onerror=alert(21)>\x01", "DESCRIPTION:<script>alert(22)</script>\\n\x1b[2J",
    "LOCATION:<svg onload=alert(23)>", "URL:javascript:alert(24)", "END:VEVENT",
    "BEGIN:VEVENT", "UID:h2", "DTSTAMP:20250101T000000Z", "DTSTART:%sT100000" % t,
    "SUMMARY:Link 25", "URL:http://x.org/ onmouseover=alert(25)", "END:VEVENT",
    "END:VCALENDAR",
]
with open(work + "/hostile.ics", "w", encoding="utf-8", newline="") as f:
    f.write("\r\n".join(ics) + "\r\n")
EOF

run init >/dev/null 2>&1
# A line of a hostile file may fail (exit 1); anything worse stops the check.
status=0
run import-csv "$work/hostile.csv" --category 1 --duplicates allow \
  --map StartDate=1,EventName=2,StartTime=3,EventDescription=4,EventLocation=5,URL=6,URLName=7 \
  >/dev/null 2>"$work/import.log" || status=$?
if [ "$status" -gt 1 ]; then cat "$work/import.log"; exit 1; fi
run import-ics "$work/hostile.ics" --category 1 >/dev/null
# The owner may type any address; it still cannot end its attribute.
run event add --category 1 --summary "Owner link" --start "$(date +%Y-%m-%d) 11:00" \
  --url 'http://example.org/a b" onmouseover="alert(31)' >/dev/null
run favorite create Hostile --categories 1 --set Formatting.PopUp=1 \
  --set Formatting.PopUpDesc=1 --set Formatting.PopUpAfterLines=2 \
  --set Formatting.EventLocation=1 --set Formatting.UnderlineLinks=1 \
  --set iCal.Share=1 --set RSS.Share=1 >/dev/null
run generate Hostile --out "$work/site" >/dev/null
python3 "$top/tools/check_hostile_pages.py" "$work/site"
