#!/usr/bin/env python3
"""The benchmark's report, from the results file of the harness (bench/harness.py).

The results file (see "The results file" below) holds the run's description, its cases and one row
per timed command and round. From it this writes the table (docs/benchmarks.md) of the folder and
big cases, the plot of time per file against folder size (with gnuplot, when it is installed) and
the summary between the README's markers; for a run of other cases (zip, tree, ...) the summary of
each command and the cases' targets (docs/bench-packages.md). Standard library only.

    bench/report.py --results RESULTS.tsv --out docs/benchmarks.md --plot PNG --readme README.md
    bench/report.py --results docs/bench-packages.tsv --out docs/bench-packages.md

makes the report again from a kept results file (the harness calls it at the end of its run).

    bench/report.py summary --results RESULTS.tsv [--ratio 'CASE:OP/OP+OP<=1.1'] [--rss 'CASE:OP<64']

prints the medians and spreads of every command of a results file, and the ratios (taken within
each round) and peak memory against the cases' targets and those given; it also reads the files of
the earlier scripts, which hold the rows only.
"""

import argparse
import datetime
import json
import os
import re
import shutil
import subprocess
import sys
import tempfile
from dataclasses import dataclass, fields as dataclass_fields
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent

# ---- Statistics -------------------------------------------------------------------------------


def median(values):
    """The middle value; the mean of the two middle ones for an even count."""
    ordered = sorted(values)
    if not ordered:
        raise ValueError("median of no values")
    middle = len(ordered) // 2
    if len(ordered) % 2:
        return ordered[middle]
    return (ordered[middle - 1] + ordered[middle]) / 2


def spread_percent(low, high, middle):
    """The range of the values in per cent of their median."""
    return (high - low) * 100 / middle


@dataclass(frozen=True)
class Measurement:
    """One timed command: a row of the results file."""

    case: str
    op: str
    round_label: str  # "w1", "w2", ... for the warm-up rounds, "1", "2", ... for the measured ones
    wall: float  # seconds
    user: float  # seconds
    system: float  # seconds
    peak_rss_kib: int
    status: int
    other_cores: float  # the CPU time the rest of the machine used meanwhile, in cores

    @property
    def measured(self):
        return not self.round_label.startswith("w")

    @property
    def cpu(self):
        return self.user + self.system


RESULT_COLUMNS = ["case", "op", "round", "wall_s", "user_s", "system_s", "peak_rss_kib", "status", "other_cores"]


def parse_measurements(lines):
    """The measurements of the results file's lines; a line starting with # is a heading."""
    measurements = []
    for number, line in enumerate(lines, 1):
        line = line.rstrip("\n")
        if not line or line.startswith("#"):
            continue
        fields = line.split("\t")
        if len(fields) != len(RESULT_COLUMNS):
            raise ValueError(f"results line {number}: {len(fields)} fields instead of {len(RESULT_COLUMNS)}")
        case, op, round_label, wall, user, system, rss, status, other = fields
        measurements.append(
            Measurement(case, op, round_label, float(wall), float(user), float(system), int(rss), int(status),
                        float(other)))
    return measurements


@dataclass(frozen=True)
class CommandStats:
    """One command of one case over the measured rounds."""

    runs: int
    median: float
    low: float
    high: float
    rss_median: float  # KiB
    rss_max: int  # KiB
    other_median: float
    cpu_median: float

    @property
    def spread(self):
        return spread_percent(self.low, self.high, self.median)


def command_stats(measurements):
    """{(case, op): CommandStats} over the measured rounds."""
    groups = {}
    for m in measurements:
        if m.measured:
            groups.setdefault((m.case, m.op), []).append(m)
    stats = {}
    for key, group in groups.items():
        walls = [m.wall for m in group]
        stats[key] = CommandStats(
            runs=len(group),
            median=median(walls),
            low=min(walls),
            high=max(walls),
            rss_median=median([m.peak_rss_kib for m in group]),
            rss_max=max(m.peak_rss_kib for m in group),
            other_median=median([m.other_cores for m in group]),
            cpu_median=median([m.cpu for m in group]),
        )
    return stats


def _quotient(numerator, *denominator):
    """numerator / sum(denominator), or None when a term is missing or the sum is not positive."""
    if numerator is None or any(d is None for d in denominator):
        return None
    total = sum(denominator)
    return numerator / total if total > 0 else None


# The ratios computed within each round, in the order of the table: name, label, and the ratio
# from the round's wall times and processor times ({op: seconds}); None when a command is missing.
RATIOS = [
    ("disk/(P+W)", "conversion on disk / (P + W on disk)",
     lambda t, u: _quotient(t.get("conv-disk"), t.get("parse"), t.get("copy-disk"))),
    ("shm/P", "conversion on tmpfs / P", lambda t, u: _quotient(t.get("conv-shm"), t.get("parse"))),
    ("shm/(P+W)", "conversion on tmpfs / (P + W on tmpfs)",
     lambda t, u: _quotient(t.get("conv-shm"), t.get("parse"), t.get("copy-shm"))),
    ("disk/P", "conversion on disk / P", lambda t, u: _quotient(t.get("conv-disk"), t.get("parse"))),
    ("disk/R", "conversion on disk / R", lambda t, u: _quotient(t.get("conv-disk"), t.get("read"))),
    ("window/cli", "window / command line (both on disk)",
     lambda t, u: _quotient(t.get("window-disk"), t.get("conv-disk"))),
    ("disk/(X+W)", "conversion on disk / (`xmllint --noout` + W on disk)",
     lambda t, u: _quotient(t.get("conv-disk"), t.get("xmllint"), t.get("copy-disk"))),
    ("shm/X", "conversion on tmpfs / `xmllint --noout`", lambda t, u: _quotient(t.get("conv-shm"), t.get("xmllint"))),
    ("disk/X", "conversion on disk / `xmllint --noout`", lambda t, u: _quotient(t.get("conv-disk"), t.get("xmllint"))),
    # The same in processor time (user + system), which other processes disturb far less.
    ("cpu disk/(P+W)", "processor time: conversion on disk / (P + W on disk)",
     lambda t, u: _quotient(u.get("conv-disk"), u.get("parse"), u.get("copy-disk"))),
    ("cpu shm/P", "processor time: conversion on tmpfs / P", lambda t, u: _quotient(u.get("conv-shm"), u.get("parse"))),
]


@dataclass(frozen=True)
class RatioStats:
    runs: int
    median: float
    low: float
    high: float


def round_ratios(measurements):
    """{(case, ratio name): [value of each measured round that has the ratio's commands]}.

    A ratio is taken within one round, whose commands ran under the same conditions."""
    rounds = {}
    for m in measurements:
        if m.measured:
            walls, cpus = rounds.setdefault((m.case, m.round_label), ({}, {}))
            walls[m.op] = m.wall
            cpus[m.op] = m.cpu
    values = {}
    for (case, _), (walls, cpus) in rounds.items():
        for name, _, ratio in RATIOS:
            value = ratio(walls, cpus)
            if value is not None:
                values.setdefault((case, name), []).append(value)
    return values


def ratio_stats(measurements):
    """{(case, ratio name): RatioStats} over the measured rounds."""
    return {
        key: RatioStats(len(v), median(v), min(v), max(v))
        for key, v in round_ratios(measurements).items()
    }


def other_load(measurements):
    """(median, max) of the other processes' load over the measured commands; (0, 0) without any."""
    values = [m.other_cores for m in measurements if m.measured]
    return (median(values), max(values)) if values else (0.0, 0.0)


# ---- Cases ------------------------------------------------------------------------------------


@dataclass(frozen=True)
class Case:
    """A case as the harness (bench/harness.py) ran it, with the sizes of its input files."""

    name: str
    kind: str  # "folder", "big", "zip", "tree", ...
    files: int = 0
    forms: int = 0
    failing: int = 0
    total_bytes: int = 0
    smallest: int = 0
    median_bytes: float = 0
    largest: int = 0
    read_tool: str = ""  # how R read the files: "cat", "xargs cat", ...
    xmllint_rejects: str = ""  # the files xmllint --noout reported as broken, "" when not run
    xmllint_note: str = ""  # why xmllint --noout was not run, "" when it was
    table: bool = False  # a case of the big table (folder and big); the others are summarised
    title: str = ""  # the heading of the summary of such cases
    describe: tuple = ()  # what the case ran, a line each, for the summary
    targets: tuple = ()  # "CASE:OP/OP+OP<=LIMIT" and "CASE:OP<MIB", for the summary

    @property
    def is_folder(self):
        return self.kind == "folder"


def form_of(name):
    """The form of a generated notification's name, NNNNNN_FORM.xml: its second field."""
    fields = name.split("_")
    return fields[1] if len(fields) > 1 else name


# ---- The results file -------------------------------------------------------------------------
#
# One file per run of the harness, the one format that this report reads:
#
#   #tenvor-bench-results 2
#   #run<TAB>{JSON: the command line, options, scratch folders, load, machine and build}
#   #case<TAB>{JSON: one case, its inputs' sizes and what it ran}      (one line per case)
#   #case<TAB>op<TAB>round<TAB>wall_s<TAB>...                          (the columns' heading)
#   folder-1000<TAB>conv-disk<TAB>w1<TAB>0.112873<TAB>...              (one row per command and round)
#
# Files of the earlier scripts hold the rows only (the same columns): their statistics and
# summaries can be made (`summary`), not the table.

RESULTS_MAGIC = "#tenvor-bench-results 2"


def write_results(path, run, cases, rows):
    """Writes the results file: the run's description, the cases' and the rows (tab-separated)."""
    lines = [RESULTS_MAGIC, "#run\t" + json.dumps(run, ensure_ascii=False, sort_keys=True)]
    lines += ["#case\t" + json.dumps(c, ensure_ascii=False, sort_keys=True) for c in cases]
    lines += ["#" + "\t".join(RESULT_COLUMNS)] + list(rows)
    Path(path).write_text("\n".join(lines) + "\n", encoding="utf-8")


@dataclass
class Results:
    run: dict  # empty for a file of the earlier scripts
    cases: list  # of Case
    measurements: list  # of Measurement


def read_results(path):
    """The run, the cases and the measurements of a results file."""
    with open(path, encoding="utf-8") as file:
        lines = file.readlines()
    run, cases = {}, []
    known = {f.name for f in dataclass_fields(Case)}
    for number, line in enumerate(lines, 1):
        head, _, rest = line.rstrip("\n").partition("\t")
        if head not in ("#run", "#case") or not rest.startswith("{"):
            continue
        try:
            value = json.loads(rest)
        except json.JSONDecodeError as error:
            raise ValueError(f"{path}, line {number}: {error}") from None
        if head == "#run":
            run = value
        else:
            described = {k: tuple(v) if isinstance(v, list) else v for k, v in value.items() if k in known}
            cases.append(Case(**described))
    return Results(run, cases, parse_measurements(lines))


# ---- The machine and the build ----------------------------------------------------------------


def _first_match(path, pattern):
    try:
        with open(path, encoding="utf-8", errors="replace") as file:
            for line in file:
                match = re.match(pattern, line)
                if match:
                    return match.group(1)
    except OSError:
        pass
    return ""


def _command_output(*command):
    try:
        return subprocess.run(command, capture_output=True, text=True, check=False).stdout
    except OSError:
        return ""


@dataclass(frozen=True)
class Machine:
    cpu_model: str
    cores: int
    memory: str
    system: str
    libxml_version: str
    compiler: str
    build_type: str
    commit: str


def libxml_version_of(xmllint_output):
    """"2.9.14" from xmllint --version's "using libxml version 20914"."""
    match = re.search(r"using libxml version (\d+)", xmllint_output)
    if not match:
        return ""
    number = int(match.group(1))
    return f"{number // 10000}.{number // 100 % 100}.{number % 100}"


def describe_machine(build_dir):
    cpu_model = _first_match("/proc/cpuinfo", r"model name\s*:\s*(.*)") or os.uname().machine
    mem_kib = _first_match("/proc/meminfo", r"MemTotal:\s*(\d+)")
    memory = f"{int(mem_kib) / 1048576:.1f} GiB" if mem_kib else "unknown"
    uname = os.uname()
    distribution = _first_match("/etc/os-release", r'PRETTY_NAME="(.*)"')
    system = f"{uname.sysname} {uname.release}, {distribution}"
    xmllint = subprocess.run(["xmllint", "--version"], capture_output=True, text=True, check=False)
    cache = Path(build_dir) / "CMakeCache.txt"
    compiler_path = _first_match(cache, r"CMAKE_CXX_COMPILER:[A-Z]*=(.*)")
    compiler = "unknown"
    if compiler_path:
        compiler = (_command_output(compiler_path, "--version").splitlines() or ["unknown"])[0]
    build_type = _first_match(cache, r"CMAKE_BUILD_TYPE:[A-Z]*=(.*)")
    commit = _command_output("git", "-C", str(ROOT), "rev-parse", "--short", "HEAD").strip() or "unknown"
    if commit != "unknown":
        unchanged = subprocess.run(["git", "-C", str(ROOT), "diff", "--quiet", "HEAD", "--", "src", "tools"],
                                   capture_output=True, check=False).returncode == 0
        if not unchanged:
            commit += " with uncommitted changes in src/ or tools/"
    return Machine(cpu_model, len(os.sched_getaffinity(0)), memory, system,
                   libxml_version_of(xmllint.stdout + xmllint.stderr), compiler, build_type, commit)


# ---- The table --------------------------------------------------------------------------------

# The commands of a case, in the order of its table.
OPS = ["conv-disk", "conv-shm", "window-disk", "parse", "xmllint", "copy-disk", "copy-shm", "read", "readloop"]


def op_label(op, case):
    return {
        "conv-disk": "conversion, output on disk: `tenvor-cli convert`",
        "conv-shm": "conversion, output on tmpfs: `tenvor-cli convert`",
        "window-disk": "conversion in the window (offscreen), output on disk",
        "parse": "P, parse floor: libxml2 parse of every file in one process (`tenvor-bench-parse`)",
        "xmllint": "`xmllint --noout`, every file in one process"
                   + (f" (rejects {case.xmllint_rejects} files)" if case.xmllint_rejects else ""),
        "copy-disk": "W, write floor, disk: `cp -r` into a fresh folder",
        "copy-shm": "W, write floor, tmpfs: `cp -r` into a fresh folder",
        "read": f"R, read floor: {case.read_tool} to /dev/null",
        "readloop": "R′, every file read in one process into one buffer (`tenvor-bench-parse --read`)",
    }[op]


def fmt(value, pattern):
    return "–" if value is None else format(value, pattern)


def mib(kib):
    return None if kib is None else kib / 1024


def mark(value, limit):
    if value is None:
        return "not measured"
    return "met" if value <= limit else "**not met**"


@dataclass
class Run:
    """What the harness ran and where: its options and the scratch folders."""

    command_line: str
    sizes: list
    default_sizes: list
    big_persons: int
    default_big_persons: int
    reps: int
    warmup: int
    window_sizes: list
    window_skipped: str  # why the window was left out, "" when it was measured
    load_start: str
    load_end: str
    max_load: float
    marked_preliminary: bool
    note: str
    data_dir: str
    data_fs: str
    data_device: str
    shm_dir: str
    shm_fs: str
    gen_args: str
    sjis_percent: str
    fail_percent: str
    min_bytes: str
    max_bytes: str


def preliminary_reasons(run, other_median, other_max):
    """Why the figures are not for publication; empty when they are."""
    reasons = []
    if run.marked_preliminary:
        reasons.append("marked preliminary when run")
    load = [float(v) for v in run.load_start.split()[:2]]
    if any(v >= run.max_load for v in load):
        reasons.append(f"the machine was busy: load averages {run.load_start} at the start (1, 5, 15 minutes; "
                       f"quiet means below {run.max_load:g})")
    if other_median >= 0.25:
        reasons.append(f"other processes kept on average {other_median:.2f} cores busy during the measurements "
                       f"(at most {other_max:.2f})")
    if run.sizes != run.default_sizes:
        reasons.append(f"reduced run: folder sizes {' '.join(map(str, run.sizes))} instead of "
                       f"{' '.join(map(str, run.default_sizes))}")
    if run.big_persons != run.default_big_persons:
        reasons.append(f"reduced run: the large notification has {run.big_persons} person records instead of "
                       f"{run.default_big_persons}")
    if run.reps < 5:
        reasons.append(f"only {run.reps} measured rounds (at least 5 for published figures)")
    return reasons


def targets_table(run, cases, stats, ratios):
    """The lines of the targets' table: what the benchmark is held against."""
    by_name = {c.name: c for c in cases}

    def ratio(case, name):
        r = ratios.get((case, name))
        return None if r is None else r.median

    def stat(case, op):
        return stats.get((case, op))

    def ms_per_file(case, op, files):
        s = stat(case, op)
        return None if s is None else s.median * 1000 / files

    lines = ["| Target | Limit | Measured | |", "|---|---:|---:|---|"]
    smallest = run.sizes[0] if run.sizes else None
    largest = run.sizes[-1] if run.sizes else None
    t10 = "folder-10000"
    if ratio(t10, "disk/(P+W)") is None and largest is not None:
        t10 = f"folder-{largest}"
    v = ratio(t10, "disk/(P+W)")
    lines.append(f"| {t10}, output on disk: conversion / (P + W) | 1.30 (aim 1.0) | {fmt(v, '.2f')} | {mark(v, 1.30)} |")
    v = ratio(t10, "shm/P")
    lines.append(f"| {t10}, output on tmpfs: conversion / P | 2.00 (aim 1.5) | {fmt(v, '.2f')} | {mark(v, 2.00)} |")
    if smallest is not None and smallest != largest:
        for op, where in (("conv-disk", "disk"), ("conv-shm", "tmpfs")):
            a = ms_per_file(f"folder-{smallest}", op, smallest)
            b = ms_per_file(f"folder-{largest}", op, largest)
            v = None if a is None or b is None or a <= 0 else b / a
            lines.append(f"| Linear cost ({where}): time per file at {largest} / at {smallest} | 1.25 | "
                         f"{fmt(v, '.2f')} ({fmt(b, '.4f')} / {fmt(a, '.4f')} ms) | {mark(v, 1.25)} |")
    if largest is not None:
        high = stat(f"folder-{largest}", "conv-disk")
        high_mib = None if high is None else mib(high.rss_max)
        lines.append(f"| Peak RSS, folder-{largest} (conversion on disk) | 48 MiB | {fmt(high_mib, '.1f')} MiB | "
                     f"{mark(high_mib, 48)} |")
        if smallest != largest:
            low = stat(f"folder-{smallest}", "conv-disk")
            growth = None
            if low is not None and high is not None:
                growth = (high.rss_max - low.rss_max) * 1024 / (largest - smallest)
            lines.append(f"| Peak RSS independent of the folder's size: folder-{smallest} → folder-{largest} | flat | "
                         f"{fmt(None if low is None else mib(low.rss_max), '.1f')} → {fmt(high_mib, '.1f')} MiB "
                         f"({fmt(growth, '+.0f')} bytes per file) | |")
    if run.big_persons > 0:
        c = f"big-{run.big_persons}"
        v = ratio(c, "disk/X")
        lines.append(f"| {c}: conversion / `xmllint --noout` | 2.00 | {fmt(v, '.2f')} | {mark(v, 2.00)} |")
        v = ratio(c, "disk/P")
        lines.append(f"| {c}: conversion / P | 2.00 | {fmt(v, '.2f')} | {mark(v, 2.00)} |")
        s = stat(c, "conv-disk")
        size = by_name[c].total_bytes if c in by_name else None
        v = None if s is None or not size else s.rss_max * 1024 / size
        lines.append(f"| {c}: peak RSS / file size | 6.0 | {fmt(v, '.2f')} "
                     f"({fmt(None if s is None else mib(s.rss_max), '.1f')} MiB for "
                     f"{fmt(None if size is None else size / 1048576, '.1f')} MiB) | {mark(v, 6.0)} |")
    window_case = ""
    if 10000 in run.window_sizes:
        window_case = "folder-10000"
    elif run.window_sizes:
        window_case = f"folder-{run.window_sizes[-1]}"
    if run.window_skipped:
        lines.append(f"| Window / command line | 1.20 | skipped: {run.window_skipped} | |")
    elif window_case:
        v = ratio(window_case, "window/cli")
        lines.append(f"| {window_case}: window / command line | 1.20 | {fmt(v, '.2f')} | {mark(v, 1.20)} |")
    return lines


def results_section(run, case, stats, ratios):
    lines = ["", f"### {case.name}", "",
             "| Command | Median s | Min–max s | Spread | ms per file | CPU s | Peak RSS MiB | Other load |",
             "|---|---:|---:|---:|---:|---:|---:|---:|"]
    for op in OPS:
        s = stats.get((case.name, op))
        if s is None:
            continue
        lines.append(f"| {op_label(op, case)} | {s.median:.3f} | {s.low:.3f}–{s.high:.3f} | {s.spread:.0f}% | "
                     f"{s.median * 1000 / case.files:.4f} | {s.cpu_median:.2f} | {mib(s.rss_max):.1f} | "
                     f"{s.other_median:.2f} |")
    if case.is_folder and run.window_skipped:
        lines.append(f"| conversion in the window | skipped: {run.window_skipped} | | | | | | |")
    elif case.is_folder and (case.name, "window-disk") not in stats:
        window_sizes = " ".join(map(str, run.window_sizes))
        lines.append(f"| conversion in the window | not run for this size (--window-sizes \"{window_sizes}\") "
                     "| | | | | | |")
    if case.xmllint_note:
        lines.append(f"| `xmllint --noout` | {case.xmllint_note} | | | | | | |")
    lines += ["", "Ratios, computed within each round (median, and min–max over the rounds):", "",
              "| Ratio | Median | Min–max |", "|---|---:|---:|"]
    for name, label, _ in RATIOS:
        r = ratios.get((case.name, name))
        if r is not None:
            lines.append(f"| {label} | {r.median:.2f} | {r.low:.2f}–{r.high:.2f} |")
    return lines


METHOD = """\
## Method

- The conversion: `TENVOR_HOME=<scratch> tenvor-cli convert --output <fresh empty folder> <input>`
  (Shift_JIS output, the default). Exit status 1 only says that files failed on purpose. Every run is
  checked: the number of CSV files, and the same CSV files, error rows and log entries (without their time
  stamps) as the first run of the case, on disk, on tmpfs and in the window alike.
- P, the parse floor: every file parsed in one process with the libxml2 the converter uses, as
  `xmllint --noout` does it (`xmlReadFile` with xmllint's default options, then `xmlFreeDoc`;
  bench/parse_floor.cpp), except that a document declared as Shift_JIS is read in the Windows code page
  CP932, as the converter reads it. Plain `xmllint --noout` (every file on one command line, run in the
  input folder) is measured too, but it is no floor for such files: it stops at their first character
  outside plain Shift_JIS (such as 髙), so it parses only the beginning of most Shift_JIS files, and it
  reports those files as broken (the count in its row).
- W: `cp -r` of the input folder into a fresh folder on the output's file system; one file is created
  per input, as the conversion does. R: `cat` of every file to /dev/null. coreutils' cat maps a
  128 KiB buffer for each file and unmaps it after, which costs more than the parse on some machines;
  R′ reads every file into one reused buffer instead (`tenvor-bench-parse --read`).
- The window: bench/window_run.cpp opens the real window on Qt's offscreen platform, chooses folder mode,
  takes the input and output folders through the browse buttons, presses "CSV出力" and answers the
  completion message; its time is that of the whole process, start-up included, like the command line's.
- Before each timed command the output file system is flushed (`sync -f`), so that no write-back of an
  earlier command falls into the next. Outputs on tmpfs are deleted after each command; outputs on the disk
  are set aside (renamed) and deleted only when the script ends. On an ext4 file system without a journal
  (as `{data_dir}` here: {data_fs}) an inode freed less than a minute ago (five while its table
  block is not yet written back) is not reused, and every file created meanwhile scans past all such
  inodes: deleting the previous 10,000 outputs before each command made file creation cost up to ten
  times as much, by chance more for one command of a round than for the next.
- CPU s: user + system time of the command (median), from `/usr/bin/time`; it is disturbed far less by
  other processes than the wall time. Peak RSS: the maximum resident set size of `/usr/bin/time`.
  "Other load": the CPU time the rest of the machine used while the command ran, in cores (from
  /proc/stat, less the command's own)."""


def benchmark_table(run, machine, cases, measurements, now, plot_line):
    """The whole of docs/benchmarks.md; plot_line is the picture's line or the note that replaces it
    (None: no plot asked for)."""
    stats = command_stats(measurements)
    ratios = ratio_stats(measurements)
    other_median, other_max = other_load(measurements)
    reasons = preliminary_reasons(run, other_median, other_max)
    lines = ["# Benchmarks", ""]
    if reasons:
        lines.append("> **PRELIMINARY figures, not for publication.**")
        lines += [f"> - {r}" for r in reasons]
        lines += ["> Repeat with `bench/run.sh --wait-quiet 3600` on a quiet machine.", ""]
    lines.append(f"Produced by `{run.command_line}` on {now:%Y-%m-%d %H:%M} UTC, commit {machine.commit}.")
    if run.note:
        lines += ["", run.note, ""]
    lines += [
        f"Every time is a wall-clock time of the whole process, the median of {run.reps} measured rounds after "
        f"{run.warmup} warm-up",
        "round(s); the commands of a case alternate within each round (A B A B …), so that the conversion and its",
        "floors meet the same conditions. The files are in the page cache throughout (they are read once before).",
        "",
        "## Machine",
        "",
        "| | |",
        "|---|---|",
        f"| Processor | {machine.cpu_model}, {machine.cores} cores |",
        f"| Memory | {machine.memory} |",
        f"| System | {machine.system} |",
        f"| Disk (inputs, \"same disk\" outputs) | `{run.data_dir}`: {run.data_fs} on {run.data_device} |",
        f"| tmpfs outputs | `{run.shm_dir}`: {run.shm_fs} |",
        f"| libxml2 | {machine.libxml_version} (xmllint and the converter) |",
        f"| Compiler, build | {machine.compiler}, {machine.build_type or 'unknown'} |",
        f"| Load averages (1, 5, 15 min) | {run.load_start} at the start, {run.load_end} at the end |",
        f"| Other processes during the measurements | {other_median:.2f} cores busy on average (median of the "
        f"commands), at most {other_max:.2f} |",
        "",
        "## Data",
        "",
        f"Folders: `tenvor-gen folder {run.gen_args}` (all 33 forms mixed, {run.sjis_percent}% in Shift_JIS), of",
        f"which the first files of {run.min_bytes} to {run.max_bytes} bytes are kept in last-write order (forms "
        "with many fields",
        f"exceed that with several person records); {run.fail_percent}% of the files fail on purpose, written by",
        "`tenvor-gen one --fault` (missing field, truncated, unsupported form, extra element, comment in a record)",
        "in place of files left out. The large notification: `tenvor-gen one --form N2018003 --persons N` (UTF-8).",
        "",
        "| Case | Files | Forms | Failing on purpose | Total MiB | Smallest KiB | Median KiB | Largest KiB |",
        "|---|---:|---:|---:|---:|---:|---:|---:|",
    ]
    for c in cases:
        lines.append(f"| {c.name} | {c.files} | {c.forms} | {c.failing} | {c.total_bytes / 1048576:.1f} | "
                     f"{c.smallest / 1024:.1f} | {c.median_bytes / 1024:.1f} | {c.largest / 1024:.1f} |")
    lines += ["", "## Results"]
    for c in cases:
        lines += results_section(run, c, stats, ratios)
    lines += ["", "## Targets", ""]
    lines += targets_table(run, cases, stats, ratios)
    lines += ["", "Ratios are medians of the ratios within each round. Peak RSS is the largest of the rounds."]
    if plot_line is not None:
        lines += ["", "## Time per file", "", plot_line]
    lines += ["", METHOD.format(data_dir=run.data_dir, data_fs=run.data_fs)]
    return "\n".join(lines) + "\n"


# ---- The plot ---------------------------------------------------------------------------------

# The plot's series: title, line style, and the milliseconds per file of a folder case (None
# when the case lacks the command).
PLOT_SERIES = [
    ("conversion, output on disk", "lw 2 pt 7", ["conv-disk"]),
    ("conversion, output on tmpfs", "lw 2 pt 5", ["conv-shm"]),
    ("window, output on disk", "lw 2 pt 9", ["window-disk"]),
    ("P + W (disk)", "dt 2 pt 6", ["parse", "copy-disk"]),
    ("P: libxml2 parse", "dt 2 pt 4", ["parse"]),
    ("W: cp -r (disk)", "dt 3 pt 8", ["copy-disk"]),
    ("W: cp -r (tmpfs)", "dt 3 pt 10", ["copy-shm"]),
    ("R: cat", "dt 4 pt 12", ["read"]),
    ("xmllint --noout (stops early on Shift_JIS files)", "dt 4 pt 2", ["xmllint"]),
    ("R': read loop", "dt 4 pt 14", ["readloop"]),
]


def plot_points(sizes, stats):
    """{series title: [(files, ms per file)]} of the folder cases; series without a point are left out."""
    points = {}
    for title, _, ops in PLOT_SERIES:
        for n in sizes:
            found = [stats.get((f"folder-{n}", op)) for op in ops]
            if all(s is not None for s in found):
                points.setdefault(title, []).append((n, sum(s.median for s in found) * 1000 / n))
    return points


def gnuplot_script(sizes, points, title, data_files, png):
    def quoted(text):
        return '"' + text.replace("\\", "\\\\").replace('"', '\\"') + '"'

    # Each series keeps its colour (the line type of its place in the list) whether or not the
    # others were measured.
    plots = ", \\\n     ".join(
        f"{quoted(str(data_files[t]))} using 1:2 title {quoted(t)} with linespoints lt {i} {style}"
        for i, (t, style, _) in enumerate(PLOT_SERIES, 1) if t in points)
    tics = ", ".join(f'"{n}" {n}' for n in sizes)
    title_line = quoted(title).replace("\n", "\\n")  # a line break within the title
    return f"""set terminal pngcairo size 900,680 font "sans,10" noenhanced
set output {quoted(str(png))}
set title {title_line}
set datafile separator "\\t"
set key below vertical maxrows 5
set logscale x
set xrange [{sizes[0] / 1.6:g}:{sizes[-1] * 1.6:g}]
set xlabel "files in the folder"
set ylabel "milliseconds per file (median)"
set yrange [0:*]
set grid
set xtics ({tics})
plot {plots}
"""


def make_plot(png, sizes, stats, cores, reps, preliminary):
    """Draws the plot; returns None when it was drawn, otherwise why not."""
    if not sizes:
        return "no folder was measured"
    gnuplot = shutil.which("gnuplot")
    if gnuplot is None:
        return "gnuplot is not installed (Debian package gnuplot-nox)"
    points = plot_points(sizes, stats)
    if not points:
        return "no command was measured on a folder"
    title = f"Tenvor: time per file against folder size ({cores} cores, median of {reps} rounds)"
    if preliminary:
        title += "\nPRELIMINARY: busy machine or reduced run, see docs/benchmarks.md"
    png.parent.mkdir(parents=True, exist_ok=True)
    with tempfile.TemporaryDirectory(prefix="tenvor-plot.") as scratch:
        data_files = {}
        for i, (t, series) in enumerate(points.items()):
            data_files[t] = Path(scratch) / f"series{i}.tsv"
            data_files[t].write_text("".join(f"{n}\t{v:.5f}\n" for n, v in series), encoding="utf-8")
        drawn = Path(scratch) / "plot.png"
        run = subprocess.run([gnuplot], input=gnuplot_script(sizes, points, title, data_files, drawn), text=True,
                             capture_output=True, check=False)
        if run.returncode != 0 or not drawn.is_file() or drawn.stat().st_size == 0:
            return f"gnuplot failed: {run.stderr.strip() or 'no picture'}"
        shutil.move(str(drawn), png)
    return None


# ---- The README's summary ---------------------------------------------------------------------

START_MARKER = "<!-- bench-summary:start -->"
END_MARKER = "<!-- bench-summary:end -->"


def readme_summary(run, machine, now, preliminary, targets):
    lines = []
    if preliminary:
        lines += ["**Preliminary figures** (busy machine or reduced run; see docs/benchmarks.md).", ""]
    lines += [f"From `{run.command_line}`, {now:%Y-%m-%d}, on {machine.cpu_model} with {machine.cores} cores:", ""]
    return lines + targets


def replace_summary(text, summary_lines):
    """The README's text with the lines between its markers replaced; None without both markers."""
    lines = text.split("\n")
    starts = [i for i, line in enumerate(lines) if START_MARKER in line]
    if not starts:
        return None
    ends = [i for i, line in enumerate(lines) if END_MARKER in line and i > starts[0]]
    if not ends:
        return None
    return "\n".join(lines[:starts[0] + 1] + summary_lines + lines[ends[0]:])


def write_atomically(path, text):
    path.parent.mkdir(parents=True, exist_ok=True)
    temporary = path.with_name(path.name + ".tmp")
    temporary.write_text(text, encoding="utf-8")
    temporary.replace(path)


# ---- The summary of the other cases (zip, tree, ...) -----------------------------------------


@dataclass(frozen=True)
class RatioTarget:
    """A ratio taken within each round of one case: op / (op + op ...), held against a limit."""

    case: str
    numerator: str
    denominator: tuple
    limit: float

    @property
    def label(self):
        below = " + ".join(self.denominator)
        return f"{self.case}: {self.numerator} / {f'({below})' if len(self.denominator) > 1 else below}"


def parse_ratio_target(text):
    """'CASE:OP/OP+OP<=LIMIT' as a RatioTarget."""
    found = re.fullmatch(r"([^:]+):([\w-]+)/([\w+-]+)<=([0-9.]+)", text.replace(" ", ""))
    if not found:
        raise argparse.ArgumentTypeError(f"not CASE:OP/OP+OP<=LIMIT: {text}")
    case, numerator, denominator, limit = found.groups()
    return RatioTarget(case, numerator, tuple(denominator.split("+")), float(limit))


def target_ratios(measurements, target, time=lambda m: m.wall):
    """The target's ratio in each measured round that has all its commands (wall time by default)."""
    rounds = {}
    for m in measurements:
        if m.measured and m.case == target.case:
            rounds.setdefault(m.round_label, {})[m.op] = time(m)
    values = (_quotient(walls.get(target.numerator), *(walls.get(op) for op in target.denominator))
              for walls in rounds.values())
    return [v for v in values if v is not None]


def summary_lines(measurements, ratio_targets, rss_targets):
    """Every command's median and spread, then the ratios and peak memory against their targets."""
    stats = command_stats(measurements)
    lines = ["| Case | Command | Runs | Median s | Min–max s | Spread | CPU median s | Peak RSS MiB | Other cores |",
             "|---|---|---:|---:|---:|---:|---:|---:|---:|"]
    for (case, op), s in stats.items():
        lines.append(f"| {case} | {op} | {s.runs} | {s.median:.3f} | {s.low:.3f}–{s.high:.3f} | {s.spread:.0f}% | "
                     f"{s.cpu_median:.3f} | {mib(s.rss_max):.1f} | {s.other_median:.2f} |")
    lines += ["", "| Target | Median | Min–max | Limit | |", "|---|---:|---:|---:|---|"]
    for target in ratio_targets:
        # Processor time (user + system) as well: other processes disturb it far less.
        for kind, values in (("wall", target_ratios(measurements, target)),
                             ("processor", target_ratios(measurements, target, lambda m: m.cpu))):
            middle = median(values) if values else None
            span = f"{min(values):.3f}–{max(values):.3f}" if values else "–"
            lines.append(f"| {target.label}, {kind} time per round | {fmt(middle, '.3f')} | {span} | "
                         f"≤ {target.limit:g} | {mark(middle, target.limit)} |")
    for case, op, limit_mib in rss_targets:
        peaks = [m.peak_rss_kib for m in measurements if m.measured and m.case == case and m.op == op]
        largest = mib(max(peaks)) if peaks else None
        span = f"{mib(min(peaks)):.1f}–{largest:.1f}" if peaks else "–"
        met = "not measured" if largest is None else "met" if largest < limit_mib else "**not met**"
        lines.append(f"| {case}: {op}, peak RSS in MiB (largest run) | {fmt(largest, '.1f')} | {span} | "
                     f"< {limit_mib:g} | {met} |")
    return lines


def parse_rss_target(text):
    """'CASE:OP<MIB' as (case, op, MiB)."""
    found = re.fullmatch(r"([^:]+):([\w-]+)<([0-9.]+)", text.replace(" ", ""))
    if not found:
        raise argparse.ArgumentTypeError(f"not CASE:OP<MIB: {text}")
    return found.group(1), found.group(2), float(found.group(3))


def parse_target(text):
    """A target of a case's description: a RatioTarget or (case, op, MiB)."""
    return parse_ratio_target(text) if "/" in text else parse_rss_target(text)


def case_summary(results, cases, extra_ratios=(), extra_rss=()):
    """The summary of cases outside the big table: what each ran, the commands' statistics and the
    cases' targets."""
    names = {c.name for c in cases}
    targets = [parse_target(t) for c in cases for t in c.targets] + list(extra_ratios) + list(extra_rss)
    lines = []
    for c in cases:
        lines.append(f"- {c.name}: {c.describe[0]}" if c.describe else f"- {c.name}")
        lines += [f"  - {c.describe[1]}"] + [f"    {line}" for line in c.describe[2:]] if len(c.describe) > 1 else []
    measurements = [m for m in results.measurements if m.case in names] if names else results.measurements
    return lines + ([""] if lines else []) + summary_lines(measurements, [t for t in targets if isinstance(t, RatioTarget)],
                                        [t for t in targets if not isinstance(t, RatioTarget)])


def summary_document(results, cases):
    """The whole report of a run without cases of the big table (docs/bench-packages.md)."""
    run, machine = results.run, results.run.get("machine", {})
    titles = list(dict.fromkeys(c.title for c in cases if c.title)) or ["Benchmarks"]
    lines = [f"# {'; '.join(titles)}", "",
             f"`{run['command_line']}` on {run['date']} UTC, commit {machine.get('commit', 'unknown')},",
             f"{machine.get('cores', '?')} cores, {machine.get('system', '')}, output {run['shm_dir']} "
             f"({run['shm_fs']}), inputs {run['data_dir']} ({run['data_fs']}).",
             f"Load averages (1, 5, 15 minutes): {run['load_start']} at the start, {run['load_end']} at the end. "
             f"{run['reps']} measured rounds after {run['warmup']} warm-up.", ""]
    if run.get("note"):
        lines += [run["note"], ""]
    return "\n".join(lines + case_summary(results, cases)) + "\n"


def summary_main(argv):
    parser = argparse.ArgumentParser(prog="report.py summary",
                                     description="Medians, spreads and targets of a results file.")
    parser.add_argument("--results", required=True, type=Path, help="the results file (TSV)")
    parser.add_argument("--ratio", type=parse_ratio_target, action="append", default=[],
                        help="CASE:OP/OP+OP<=LIMIT, a ratio taken within each round (besides the cases' own)")
    parser.add_argument("--rss", type=parse_rss_target, action="append", default=[], help="CASE:OP<MIB")
    args = parser.parse_args(argv)
    results = read_results(args.results)
    print("\n".join(case_summary(results, results.cases, args.ratio, args.rss)))
    return 0


def run_of(meta):
    """The Run of a results file's description."""
    known = {f.name for f in dataclass_fields(Run)}
    return Run(**{k: v for k, v in meta.items() if k in known})


def main(argv=None):
    argv = sys.argv[1:] if argv is None else argv
    if argv[:1] == ["summary"]:
        return summary_main(argv[1:])
    parser = argparse.ArgumentParser(description="The benchmark's report from the harness's results file: the "
                                     "table (folder and big cases) or the summary (the other cases).")
    parser.add_argument("--results", required=True, type=Path, help="the results file of bench/harness.py")
    parser.add_argument("--out", type=Path, help="the report (Markdown); standard output when left out")
    parser.add_argument("--plot", type=Path, help="the plot (PNG) of a table; none when left out")
    parser.add_argument("--readme", type=Path, help="README whose summary between the markers is replaced")
    args = parser.parse_args(argv)

    results = read_results(args.results)
    if not results.run:
        parser.error(f"{args.results} holds rows only (an earlier script's): use `report.py summary`")
    table_cases = [c for c in results.cases if c.table]
    other_cases = [c for c in results.cases if not c.table]
    if not table_cases:
        document = summary_document(results, other_cases)
        if args.out:
            write_atomically(args.out, document)
            say(f"Wrote {args.out}")
        print(document, end="")
        return 0

    run = run_of(results.run)
    machine = Machine(**results.run["machine"])
    now = datetime.datetime.strptime(results.run["date"], "%Y-%m-%d %H:%M")
    measurements = results.measurements
    stats = command_stats(measurements)
    reasons = preliminary_reasons(run, *other_load(measurements))
    out = args.out or Path("/dev/stdout")

    plot_line = None
    if args.plot:
        why_not = make_plot(args.plot, run.sizes, stats, machine.cores, run.reps, bool(reasons))
        if why_not is None:
            plot_line = f"![Time per file against folder size]({os.path.relpath(args.plot, out.parent)})"
            say(f"Wrote {args.plot}")
        else:
            plot_line = f"No plot: {why_not}."
            say(f"warning: no plot: {why_not}")

    table = benchmark_table(run, machine, table_cases, measurements, now, plot_line)
    if other_cases:
        table += "\n## Other cases\n\n" + "\n".join(case_summary(results, other_cases)) + "\n"
    if args.out:
        write_atomically(args.out, table)
        say(f"Wrote {args.out}")
    else:
        print(table, end="")

    if args.readme:
        update_readme(args.readme, run, machine, now, bool(reasons), table_cases, stats, measurements)
    return 0


def update_readme(readme, run, machine, now, preliminary, cases, stats, measurements):
    if not readme.is_file():
        say(f"warning: {readme} does not exist: no summary written")
        return
    targets = targets_table(run, cases, stats, ratio_stats(measurements))
    text = replace_summary(readme.read_text(encoding="utf-8"), readme_summary(run, machine, now, preliminary,
                                                                              targets))
    if text is None:
        say(f"warning: {readme} lacks the lines {START_MARKER} and {END_MARKER}: its summary is left as it was")
        return
    write_atomically(readme, text)
    say(f"Updated the summary in {readme}")


def say(text):
    print(f"[{datetime.datetime.now():%H:%M:%S}] {text}", file=sys.stderr)


if __name__ == "__main__":
    sys.exit(main())
