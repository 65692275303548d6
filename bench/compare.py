#!/usr/bin/env python3
"""Ours against the tools people would use instead, side by side in one run.

    bench/compare.py [--pairs 3] [--only csv,ics,generate,grid,calfile] [--remind]

Makes the workload (../shared/bench/gen_workload.py) when it is missing, then
for each line runs ours and the peer in turn, A B A B: one warm-up pair, then
--pairs timed pairs. Every run is a whole process (start-up included) timed
from outside; the set-up of a run (a fresh copy of a prepared root, an empty
output folder) is not timed. Prints per line the medians of wall time, CPU
time (user + system) and peak resident size, and the ratio ours / peer of the
wall and CPU medians. On a machine shared with other work the CPU ratio is
the steadier one.

Lines without a peer (case d of generate_bench, the desktop's grid) print the
goal instead of a ratio. Case c is followed by a floor: bench/site_floor
writes the files of the site our run made, and copies them as --out does,
with no page made; no run can cost less than that here. A peer that is not
installed is skipped with a message (Debian: pcal, remind, zip, unzip,
sqlite3, python3-icalendar).

Settings: ALMANIX_BUILD_DIR (default build-bench, else build: needs
almanix-cli, generate_bench, grid_bench, zip_bench, site_floor), ALMANIX_WORKLOAD
(default /tmp/almanix-workload), TMPDIR (where the scratch roots live).
"""
import argparse
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
TOP = os.path.dirname(HERE)
SYSTEM_PYTHON = "/usr/bin/python3"  # Debian's, with python3-icalendar
CSV_MAP = ("EventName=1,StartDate=2,StartTime=3,EndDate=4,EndTime=5,"
           "EventDescription=7,EventLocation=8")


def build_dir():
    given = os.environ.get("ALMANIX_BUILD_DIR")
    if given:
        return given
    for name in ("build-bench", "build"):
        if os.path.exists(os.path.join(TOP, name, "bin", "almanix-cli")):
            return os.path.join(TOP, name)
    sys.exit("compare.py: no almanix-cli; build it: cmake --build build --target "
             "almanix-cli generate_bench grid_bench zip_bench site_floor")


class Run:
    """One whole process: wall seconds, CPU seconds, peak MiB."""

    def __init__(self, argv, stdout=None, cwd=None):
        out = open(stdout, "wb") if stdout else subprocess.DEVNULL
        start = time.monotonic()
        proc = subprocess.Popen(argv, stdout=out, stderr=subprocess.PIPE, cwd=cwd)
        err = proc.stderr.read()
        _, status, usage = os.wait4(proc.pid, 0)
        self.wall = time.monotonic() - start
        if stdout:
            out.close()
        self.cpu = usage.ru_utime + usage.ru_stime
        self.mib = usage.ru_maxrss / 1024.0
        code = os.waitstatus_to_exitcode(status)
        if code != 0:
            sys.exit("compare.py: %s failed (%d): %s" %
                     (" ".join(argv), code, err.decode(errors="replace")[-2000:]))


def shell(argv):
    """A whole process whose argv is a shell pipeline (for remind | rem2html)."""
    return ["/bin/sh", "-c", argv]


class Side:
    def __init__(self, name, prepare, argv, stdout=None):
        self.name, self.prepare, self.argv, self.stdout = name, prepare, argv, stdout
        self.runs = []

    def run(self, keep):
        if self.prepare:
            self.prepare()
        r = Run(self.argv() if callable(self.argv) else self.argv, self.stdout)
        if keep:
            self.runs.append(r)

    def median(self, field):
        return statistics.median(getattr(r, field) for r in self.runs)


def compare(title, ours, peer, pairs, goal):
    """A B A B after a warm-up pair; prints one line."""
    sides = [s for s in (ours, peer) if s]
    for s in sides:
        s.run(False)
    for _ in range(pairs):
        for s in sides:
            s.run(True)
    line = "%-34s ours %7.3f s %7.3f cpu %6.1f MiB" % (
        title, ours.median("wall"), ours.median("cpu"), ours.median("mib"))
    if peer:
        wall_ratio = ours.median("wall") / max(peer.median("wall"), 1e-6)
        cpu_ratio = ours.median("cpu") / max(peer.median("cpu"), 1e-6)
        line += " | %-14s %7.3f s %7.3f cpu %6.1f MiB | ratio %5.2f wall %5.2f cpu" % (
            peer.name, peer.median("wall"), peer.median("cpu"), peer.median("mib"),
            wall_ratio, cpu_ratio)
    print(line + ("  (goal %s)" % goal if goal else ""), flush=True)
    return peer


def have(*programs):
    missing = [p for p in programs if not shutil.which(p)]
    if missing:
        print("  skipped: %s not installed (apt-get install %s)" %
              (", ".join(missing), " ".join(missing)), flush=True)
    return not missing


def fresh(template, root):
    def prepare():
        shutil.rmtree(root, ignore_errors=True)
        shutil.copytree(template, root, symlinks=True)
    return prepare


def emptied(folder):
    def prepare():
        shutil.rmtree(folder, ignore_errors=True)
    return prepare


def workload(path, n):
    folder = os.path.join(path, "n%d" % n)
    if not os.path.exists(os.path.join(folder, "events.json")):
        maker = os.path.join(TOP, "..", "shared", "bench", "gen_workload.py")
        if not os.path.exists(maker):
            sys.exit("compare.py: no %s and no gen_workload.py to make it" % folder)
        subprocess.run([sys.executable, maker, "--n", str(n), "--out", folder],
                       check=True, stdout=subprocess.DEVNULL)
    return folder


def csv_lines(b, scratch, load, pairs):
    cli = os.path.join(b, "bin", "almanix-cli")
    csv = os.path.join(load(100000), "events.csv")
    empty = os.path.join(scratch, "csv-empty")
    Run([cli, "--root", empty, "init"])
    imported = os.path.join(scratch, "csv-imported")
    shutil.copytree(empty, imported, symlinks=True)
    common = ["import-csv", csv, "--category", "1", "--map", CSV_MAP,
              "--time-format", "am/pm", "--start-line", "2"]
    Run([cli, "--root", imported] + common + ["--duplicates", "allow"])
    root = os.path.join(scratch, "csv-root")
    db = os.path.join(scratch, "peer.db")
    if not have("sqlite3"):
        return

    def sqlite_side():
        return Side("sqlite3 .import", lambda: os.path.exists(db) and os.remove(db),
                    ["sqlite3", db, "-cmd", ".mode csv", "BEGIN", ".import %s events" % csv,
                     "COMMIT"])
    for policy, template, goal in (("allow", empty, "<= 8x, < 100 MiB"),
                                   ("replace", empty, "<= 8x, < 100 MiB"),
                                   ("skip", imported, "re-import <= 2x")):
        ours = Side("ours", fresh(template, root),
                    [cli, "--root", root] + common + ["--duplicates", policy])
        compare("CSV 100,000 rows, %s" % policy, ours, sqlite_side(), pairs, goal)


def ics_line(b, scratch, load, pairs):
    cli = os.path.join(b, "bin", "almanix-cli")
    ics = os.path.join(load(20000), "events.ics")
    empty = os.path.join(scratch, "ics-empty")
    Run([cli, "--root", empty, "init"])
    root = os.path.join(scratch, "ics-root")
    ours = Side("ours", fresh(empty, root),
                [cli, "--root", root, "import-ics", ics, "--category", "1"])
    peer = None
    if subprocess.run([SYSTEM_PYTHON, "-c", "import icalendar, dateutil"],
                      stderr=subprocess.DEVNULL).returncode == 0:
        peer = Side("python3 ical", None,
                    [SYSTEM_PYTHON, os.path.join(HERE, "ics_peer.py"), ics, "2025"])
    else:
        print("  skipped the peer: python3-icalendar or python3-dateutil not installed")
    compare("iCalendar 20,000 events", ours, peer, pairs, "<= 0.25x, < 150 MiB")


def generate_lines(b, scratch, load, pairs, with_remind):
    cli = os.path.join(b, "bin", "almanix-cli")
    bench = os.path.join(b, "bin", "generate_bench")
    out = os.path.join(scratch, "site")
    page = os.path.join(scratch, "peer.html")
    for case, n, goal in (("b", 2000, "<= 0.15 s"), ("c", 20000, "<= 0.33x pcal"),
                          ("d", 20000, "<= 5 s, 200 MiB")):
        folder = load(n)
        root = os.path.join(scratch, "generate-" + case)
        subprocess.run([bench, "prepare", case, "--root", root, "--workload",
                        os.path.dirname(folder)], check=True, stdout=subprocess.DEVNULL)
        first_year = "2025"
        ours = Side("ours", emptied(out), [cli, "--root", root, "--year", first_year,
                                           "generate", "Bench", "--out", out])
        title = {"b": "site 2025, N=2,000, 3 merged", "c": "site 2025, N=20,000, 3 merged",
                 "d": "site 2025-29 x 30 cats, N=20,000"}[case]
        peer = None
        if case != "d" and have("pcal"):
            peer = Side("pcal -H", None,
                        ["pcal", "-H", "-f", os.path.join(folder, "events.pcal"), "1", "2025",
                         "12"], stdout=page)
        peer = compare(title, ours, peer, pairs, goal)
        if case == "c":
            floor_line(b, out, os.path.join(scratch, "floor"), peer)
        if case == "c" and with_remind and have("remind", "rem2html"):
            rem = Side("remind|rem2html", None,
                       shell("remind -pp12 %s 2025-01-01 | rem2html > %s" %
                             (os.path.join(folder, "events.rem"), page)))
            compare("  the same against remind", Side("ours", emptied(out), ours.argv),
                    rem, 1, None)


def floor_line(b, site, scratch, peer):
    """What the kernel alone takes to write and copy the site our last run
    left: no run can cost less here, whatever it makes its pages with."""
    bench = os.path.join(b, "bin", "site_floor")
    if not os.path.exists(bench):
        print("  floor: no %s (cmake --build ... --target site_floor)" % bench)
        return
    found = subprocess.run([bench, site, scratch, "5"], check=True, capture_output=True,
                           text=True).stdout.strip()
    line = "  floor, the same files written and copied, no page made: " + found
    if peer:
        cpu = float(found.rsplit("both ", 1)[1].split()[0])
        line += " = %.2fx %s cpu" % (cpu / max(peer.median("cpu"), 1e-6), peer.name)
    print(line, flush=True)


def grid_line(b, load):
    bench = os.path.join(b, "bin", "grid_bench")
    if not os.path.exists(bench):
        print("grid: no %s (cmake --build ... --target grid_bench)" % bench)
        return
    subprocess.run([bench, "--benchmark_min_time=0.5",
                    "--benchmark_format=console"], check=True)
    print("  (goals: a month of 20,000 events <= 20 ms, a 7-day view <= 10 ms)")


def calfile_lines(b, scratch, pairs):
    cli = os.path.join(b, "bin", "almanix-cli")
    if not have("zip", "unzip"):
        return
    # A copy: opening a calendar file leaves its lock file beside it.
    sample = os.path.join(scratch, "club.cal")
    shutil.copyfile(os.path.join(TOP, "resources", "samples", "club.cal"), sample)
    root = os.path.join(scratch, "cal-root")
    Run([cli, "--root", root, "init"])
    tree = os.path.join(scratch, "cal-tree")
    saved = os.path.join(scratch, "saved.cal")
    zipped = os.path.join(scratch, "peer.zip")
    # Each side unpacks into a folder that is not there yet: unzip into an
    # emptied tree, ours into the calendar's working folder, which an open
    # before it left behind (reopening clears that copy first).
    working = emptied(os.path.join(root, "Temp", "club"))
    ours = Side("ours", working, [cli, "--root", root, "open", sample])
    peer = Side("unzip", emptied(tree), ["unzip", "-q", "-o", sample, "-d", tree])
    compare("open the sample .cal", ours, peer, pairs, "<= 1x")

    # Saving a calendar file from the command line opens it first, so the
    # peer unpacks and packs the same tree.
    def unsaved():
        working()
        if os.path.exists(saved):
            os.remove(saved)

    def clean():
        shutil.rmtree(tree, ignore_errors=True)
        if os.path.exists(zipped):
            os.remove(zipped)
    ours = Side("ours", unsaved, [cli, "--root", root, "--calendar", sample, "save", saved])
    peer = Side("unzip+zip -9", clean,
                ["/bin/sh", "-c", "unzip -q -o %s -d %s && cd %s && zip -q -9 -r %s ." %
                 (sample, tree, tree, zipped)])
    compare("open + save the sample .cal", ours, peer, pairs, "<= 1x")
    bench = os.path.join(b, "bin", "zip_bench")
    if os.path.exists(bench):
        print("50 MB calendar file (zip_bench, in-process, median of 3):", flush=True)
        subprocess.run([bench, "50"], check=True)
        print("  (goal: ratio <= 1)")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--pairs", type=int, default=3)
    parser.add_argument("--only", default="csv,ics,generate,grid,calfile")
    parser.add_argument("--remind", action="store_true",
                        help="also the whole site against remind | rem2html (slow)")
    args = parser.parse_args()
    os.environ.update(TZ="UTC", LANG="C.UTF-8")
    b = build_dir()
    path = os.environ.get("ALMANIX_WORKLOAD", "/tmp/almanix-workload")

    def load(n):
        return workload(path, n)
    scratch = tempfile.mkdtemp(prefix="almanix-compare.")
    try:
        only = args.only.split(",")
        if "csv" in only:
            csv_lines(b, scratch, load, args.pairs)
        if "ics" in only:
            ics_line(b, scratch, load, args.pairs)
        if "generate" in only:
            generate_lines(b, scratch, load, args.pairs, args.remind)
        if "grid" in only:
            grid_line(b, load)
        if "calfile" in only:
            calfile_lines(b, scratch, args.pairs)
    finally:
        shutil.rmtree(scratch, ignore_errors=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
