#!/usr/bin/env python3
"""The benchmark harness: builds the tools, generates the inputs with tenvor-gen, times the
conversion beside its baselines in alternating rounds after a warm-up, checks that every run wrote
what it should, keeps one row per timed command and round in one results file, and has
bench/report.py make the table, the plot and the summaries from it. Standard library only.

    bench/run.sh                            folders of 1,000, 10,000 and 50,000 files and one
                                            notification of 100,000 person records, 5 rounds
                                            (docs/benchmarks.md, the plot, README's summary)
    bench/run.sh zip tree --build-dir build-release --build-type Release \\
        --results docs/bench-packages.tsv --out docs/bench-packages.md
                                            a ZIP of 10,000 notifications and a tree of 1,000
                                            folders of 10 (docs/bench-packages.md)
    bench/run.sh folder --sizes 100 --reps 1 --warmup 0 --no-build ...   a quick look
    bench/run.sh --help                     every option

The cases are declared once, in KINDS below: each kind makes its inputs and names its commands
(the conversion and its baselines), each command what it runs, where its output goes and how its
run is checked. A new case is a Kind there: the sizes it runs, a Bench.make_... method that makes
its inputs (the attributes its commands name) and describes them for the report, its Commands and
its targets; bench/report.py summarises any case that is not of the big table. Benchmarks are not tests: nothing here fails because of a time, only when a tool
is missing, a command fails, or a run wrote other files than it should.
"""

import argparse
import hashlib
import os
import re
import shlex
import shutil
import signal
import subprocess
import sys
import tempfile
import time
from dataclasses import dataclass, field
from pathlib import Path
from types import SimpleNamespace

sys.path.insert(0, str(Path(__file__).resolve().parent))
import report  # noqa: E402  (found through the path above)

ROOT = Path(__file__).resolve().parent.parent
DEVNULL = "/dev/null"
TIME = "/usr/bin/time"  # GNU time (Debian package time)

# ---- The cases, declared as data ----------------------------------------------------------------


@dataclass(frozen=True)
class Command:
    """One timed command of a case. argv(tools, inputs, out) gives its arguments, out being its fresh
    output folder (None without one)."""

    op: str  # its name in the results
    argv: object
    cwd: str = "work"  # the inputs' attribute naming the folder it runs in
    output: str = ""  # "disk" or "shm": it gets a fresh output folder there; "": none
    makes_output: bool = False  # the command creates the output folder itself (cp -r)
    statuses: tuple = ()  # the exit statuses it may end with; (): any
    csv: bool = False  # it must write the case's expected number of CSV files
    same: str = ""  # "named": the same CSV files by name and content, and the same log, as the
    #                 case's first such run; "contents": the same CSV contents wherever they lie
    rows: bool = False  # its standard output (the error rows) must be the same in every run
    needs: str = ""  # a tool it needs ("window", "walker"); left out when that is missing
    only_if: str = ""  # an attribute of the inputs that must be true for it to run


@dataclass(frozen=True)
class Kind:
    """A kind of case: how its inputs are made (make(bench, size) -> inputs), its commands in the
    order of the rounds, its targets for the summary, and whether it belongs to the big table."""

    name: str
    make: object
    sizes: object  # (options) -> the sizes to run, one case each, named KIND-SIZE
    commands: tuple
    targets: tuple = ()  # "CASE:OP/OP+OP<=LIMIT" and "CASE:OP<MIB", CASE written as {case}
    table: bool = False
    title: str = ""


def _cli_convert(*flags, source="src_path"):
    return lambda t, i, out: [t.cli, "convert", *flags, "--output", out, str(getattr(i, source))]


def _read(t, i, out):
    return ["cat", *i.names] if i.one_line else ["xargs", "-a", str(i.names_file), "-d", "\n", "cat"]


# The commands of a folder or of the large notification, in the order of their rounds.
FLOOR_COMMANDS = {
    "parse": Command("parse", lambda t, i, out: [t.parse, str(i.names_file)], cwd="src_dir"),
    "conv-disk": Command("conv-disk", _cli_convert(), output="disk", statuses=(0, 1), csv=True, same="named",
                         rows=True),
    "copy-disk": Command("copy-disk", lambda t, i, out: ["cp", "-r", str(i.src_path), out], output="disk",
                         makes_output=True, statuses=(0,)),
    "read": Command("read", _read, cwd="src_dir"),
    "conv-shm": Command("conv-shm", _cli_convert(), output="shm", statuses=(0, 1), csv=True, same="named",
                        rows=True),
    "copy-shm": Command("copy-shm", lambda t, i, out: ["cp", "-r", str(i.src_path), out], output="shm",
                        makes_output=True, statuses=(0,)),
    "readloop": Command("readloop", lambda t, i, out: [t.parse, "--read", str(i.names_file)], cwd="src_dir"),
    "xmllint": Command("xmllint", lambda t, i, out: ["xmllint", "--noout", *i.names], cwd="src_dir",
                       only_if="one_line"),
    "window-disk": Command("window-disk", lambda t, i, out: [t.window, str(i.src_path), out], output="disk",
                           statuses=(0, 1), csv=True, same="named", needs="window", only_if="window_size"),
}


def _floor(*ops):
    return tuple(FLOOR_COMMANDS[op] for op in ops)


def make_folder_case(bench, n):
    return bench.make_folder(n)


def make_big_case(bench, persons):
    return bench.make_big(persons)


def make_zip_case(bench, count):
    return bench.make_zip(count)


def make_tree_case(bench, count):
    return bench.make_tree(count)


def make_workbook_case(bench, count):
    return bench.make_workbook(count)


KINDS = {
    "folder": Kind("folder", make_folder_case, lambda a: a.sizes,
                   _floor("parse", "conv-disk", "copy-disk", "read", "conv-shm", "copy-shm", "readloop", "xmllint",
                          "window-disk"), table=True),
    "big": Kind("big", make_big_case, lambda a: [a.big_persons] if a.big_persons > 0 else [],
                _floor("parse", "conv-disk", "copy-disk", "read", "conv-shm", "xmllint", "readloop"), table=True),
    # A deflated ZIP against every member inflated to nowhere plus xmllint over the members
    # extracted on tmpfs; W (copy) beside it for comparison, not part of the baseline.
    "zip": Kind("zip", make_zip_case, lambda a: [a.count], (
        Command("conv", lambda t, i, out: [t.cli, "convert", "-o", out, str(i.package)], output="shm", statuses=(0,),
                csv=True, same="contents"),
        Command("unzip", lambda t, i, out: ["unzip", "-p", str(i.package)], output="shm"),
        Command("xmllint", lambda t, i, out: ["xmllint", "--noout", *i.names], cwd="members", output="shm",
                statuses=(0,)),
        Command("copy", lambda t, i, out: ["cp", "-r", str(i.csv_source), out + "/copy"], output="shm"),
        Command("walk", lambda t, i, out: [t.walker, str(i.package)], output="shm", statuses=(0,), needs="walker"),
    ), targets=("{case}:conv/unzip+xmllint<=1.1", "{case}:conv/unzip+xmllint+copy<=1.1", "{case}:conv<64"),
        title="Packages and subfolders, output on tmpfs"),
    # The same files converted with -r from a tree of folders and without it from one folder.
    "tree": Kind("tree", make_tree_case, lambda a: [a.count], (
        Command("flat", lambda t, i, out: [t.cli, "convert", "-o", out, str(i.flat)], output="shm", statuses=(0, 1),
                csv=True, same="contents"),
        Command("tree", lambda t, i, out: [t.cli, "convert", "-r", "-o", out, str(i.tree)], output="shm",
                statuses=(0, 1), csv=True, same="contents"),
    ), targets=("{case}:tree/flat<=1.1",), title="Packages and subfolders, output on tmpfs"),
    # The same folder converted with and without the workbook of everything converted.
    "workbook": Kind("workbook", make_workbook_case, lambda a: a.workbook_files, (
        Command("plain", lambda t, i, out: [t.cli, "convert", "-o", out, str(i.folder)], output="shm",
                statuses=(0,), csv=True, same="contents"),
        Command("book", lambda t, i, out: [t.cli, "convert", "--workbook", out + "/list.xlsx", "-o", out,
                                           str(i.folder)], output="shm", statuses=(0,), csv=True, same="contents"),
    ), targets=("{case}:book/plain<=1.3", "{case}:book<128"), title="The workbook, output on tmpfs"),
}

# ---- Small helpers ----------------------------------------------------------------------------


class BenchError(Exception):
    pass


def say(text):
    print(f"[{time.strftime('%H:%M:%S')}] {text}", file=sys.stderr, flush=True)


def loadavg():
    return " ".join(Path("/proc/loadavg").read_text().split()[:3])


def cpu_busy_seconds():
    """Busy CPU time of the whole machine (user, nice, system, irq, softirq, steal), in seconds."""
    fields = Path("/proc/stat").read_text().split("\n", 1)[0].split()
    ticks = sum(int(fields[i]) for i in (1, 2, 3, 6, 7, 8))
    return ticks / os.sysconf("SC_CLK_TCK")


def file_system(path):
    found = subprocess.run(["df", "-PT", str(path)], capture_output=True, text=True, check=False).stdout.splitlines()
    fields = found[1].split() if len(found) > 1 else ["unknown", "unknown"]
    return fields[0], fields[1]  # device, type


def fits_one_command_line(names):
    need = sum(len(n) + 1 + 8 for n in names)
    env_bytes = sum(len(k) + len(v) + 2 for k, v in os.environ.items())
    return need + env_bytes + 65536 < os.sysconf("SC_ARG_MAX")


def sorted_names(folder, suffix=".xml"):
    return sorted(e.name for e in os.scandir(folder) if e.is_file() and e.name.endswith(suffix))


def csv_files(folder):
    return sorted(p for p in Path(folder).rglob("*.csv") if p.is_file())


def log_file_name(cli, given=""):
    """The log's name as the build of tenvor-cli writes it: from the TenvorVersion.h that the build
    generated beside the program (BUILD/src/generated/TenvorVersion.h)."""
    if given:
        return given
    header = Path(cli).resolve().parent / "generated" / "TenvorVersion.h"
    try:
        found = re.search(r'kLogFileName\s*=\s*"([^"]+)"', header.read_text(encoding="utf-8"))
    except OSError:
        found = None
    if not found:
        raise BenchError(f"no log name in {header} (the build's version header); name the log with --log-name")
    return found.group(1)


# ---- Timing one command -----------------------------------------------------------------------


@dataclass
class Timing:
    wall: float
    user: float
    system: float
    peak_rss_kib: int
    status: int
    other_cores: float
    stdout: Path
    stderr: Path


def run_timed(argv, cwd, stdout, stderr, env, time_file):
    """Runs the command under /usr/bin/time and returns its wall time (this clock), the user and
    system time and peak resident set of it and its children (/usr/bin/time), its exit status, and
    the cores that other processes kept busy meanwhile. /usr/bin/time stands between, so that the
    peak is the command's own: a child forked from this process would start with its memory."""
    timed = [TIME, "-f", "%e %U %S %M %x", "-o", str(time_file), *argv]
    with open(stdout, "wb") as out, open(stderr, "wb") as err:
        before = cpu_busy_seconds()
        start = time.perf_counter()
        try:
            subprocess.run(timed, cwd=cwd, stdout=out, stderr=err, stdin=subprocess.DEVNULL, env=env, check=False)
        except OSError as error:
            raise BenchError(f"cannot run {argv[0]}: {error}") from None
        wall = time.perf_counter() - start
        after = cpu_busy_seconds()
    lines = Path(time_file).read_text().splitlines()
    try:
        _, user, system, rss, status = lines[-1].split()
        user, system, rss, status = float(user), float(system), int(rss), int(status)
    except (IndexError, ValueError):
        raise BenchError(f"{argv[0]}: no measurement from {TIME}: {' '.join(lines)}") from None
    other = max(0.0, (after - before - user - system) / wall) if wall > 0 else 0.0
    return Timing(wall, user, system, rss, status, other, Path(stdout), Path(stderr))


# ---- The harness ------------------------------------------------------------------------------


@dataclass
class CaseRun:
    name: str
    kind: Kind
    inputs: SimpleNamespace
    commands: list
    described: dict = field(default_factory=dict)


class Bench:
    def __init__(self, args, tools, log_name):
        self.args = args
        self.tools = tools
        self.log_name = log_name
        self.data_dir = Path(args.data).resolve()
        self.shm_dir = Path(args.shm).resolve()
        self.data_dir.mkdir(parents=True, exist_ok=True)
        self.shm_dir.mkdir(parents=True, exist_ok=True)
        self.work = Path(tempfile.mkdtemp(prefix="run.", dir=self.data_dir))
        self.shm_work = Path(tempfile.mkdtemp(prefix="run.", dir=self.shm_dir))
        self.home = self.work / "home"
        self.env = dict(os.environ, TENVOR_HOME=str(self.home), QT_QPA_PLATFORM="offscreen", LC_ALL="C")
        # Outputs on the disk are not deleted between commands but set aside (a rename) and deleted
        # at the end. ext4 without a journal keeps an inode freed in the last minute (five while its
        # table block is not written back) from reuse: every file created after a deletion of ten
        # thousand files scans past them, so the command after it would pay by chance.
        self.set_aside_dir = self.work / "set-aside"
        self.set_aside_dir.mkdir()
        self.set_aside_count = 0
        self.rows = []
        self.digests = {}
        self.gen_args = ["--seed", str(args.seed), "--min-persons", str(args.min_persons), "--max-persons",
                         str(args.max_persons), "--fail-percent", "0", "--sjis-percent", str(args.sjis_percent),
                         "--min-bytes", str(args.min_bytes), "--max-bytes", str(args.max_bytes)]
        self.gen_digest = hashlib.sha1(Path(tools.gen).read_bytes()).hexdigest()[:16]

    def cleanup(self):
        shutil.rmtree(self.work, ignore_errors=True)
        shutil.rmtree(self.shm_work, ignore_errors=True)
        if not self.args.keep_data:
            for path in list(self.data_dir.glob("in-*")) + list(self.data_dir.glob("big-*")):
                shutil.rmtree(path, ignore_errors=True) if path.is_dir() else path.unlink(missing_ok=True)
        for folder in (self.shm_dir, self.data_dir):
            try:
                folder.rmdir()
            except OSError:
                pass

    def set_aside(self, *paths):
        for path in paths:
            if os.path.lexists(path):
                self.set_aside_count += 1
                os.rename(path, self.set_aside_dir / str(self.set_aside_count))

    def gen(self, *arguments, capture=None):
        with open(capture or self.work / "gen.out", "w") as out:
            done = subprocess.run([self.tools.gen, *arguments], stdout=out, stderr=subprocess.STDOUT, check=False)
        if done.returncode != 0:
            sys.stderr.write(Path(capture or self.work / "gen.out").read_text(errors="replace"))
            raise BenchError(f"tenvor-gen {arguments[0]} failed")

    # ---- Inputs ----

    def _inputs(self, **values):
        return SimpleNamespace(**{"work": self.work, "one_line": True, "window_size": False, **values})

    def make_folder(self, n):
        """N convertible notifications of all 33 forms, padded to --min-bytes..--max-bytes, and
        --fail-percent failing ones. Forms with many fields exceed the range with several person
        records and Shift_JIS files shrink below it, so the generator writes more than needed and the
        first files within the range are kept, in last-write order; the failing files are written
        with `tenvor-gen one --fault` into numbers left out, spread evenly, with their number's time."""
        a = self.args
        folder = self.data_dir / f"in-{n}"
        stamp_file = self.data_dir / f"in-{n}.stamp"
        stamp = f"{self.gen_digest} {' '.join(self.gen_args)} failing {a.fail_percent}% v3 --count {n}"
        stamp_lines = stamp_file.read_text().splitlines() if stamp_file.is_file() else []
        if stamp_lines[:1] == [stamp] and folder.is_dir():
            say(f"Reusing {folder}")
        else:
            say(f"Generating {n} notifications into {folder}")
            pool = self.data_dir / f"in-{n}.pool"
            self.set_aside(folder, pool)
            stamp_file.unlink(missing_ok=True)
            folder.mkdir()
            fail_count = (n * a.fail_percent + 50) // 100
            keep = n - fail_count
            pool_count = keep * 5 // 4 + 100
            for attempt in range(4):
                self.set_aside(pool)
                pool.mkdir()
                self.gen("folder", "--out", str(pool), "--count", str(pool_count), *self.gen_args)
                kept, left = [], []
                for name in sorted_names(pool):
                    if len(kept) >= keep:
                        break
                    size = (pool / name).stat().st_size
                    (kept if a.min_bytes <= size <= a.max_bytes else left).append(name)
                if len(kept) >= keep and len(left) >= fail_count:
                    break
                if attempt == 3:
                    raise BenchError(f"tenvor-gen gave too few files between {a.min_bytes} and {a.max_bytes} bytes")
                pool_count *= 2
            for name in kept:
                os.rename(pool / name, folder / name)
            faults = ("missing-field", "truncated", "unsupported-form", "extra-element", "comment")
            first_mtime = 1767225600  # the generator's first last-write time; file j has j - 1 more
            for k in range(fail_count):
                name = left[int((k + 0.5) * len(left) / fail_count)]
                number = int(name.split("_", 1)[0], 10)
                form = name.split("_", 1)[1].removesuffix(".xml")
                size = a.min_bytes + number * 7919 % (a.max_bytes - a.min_bytes + 1)
                self.gen("one", "--form", form, "--out", str(folder / name), "--seed", str(a.seed + number),
                         "--fault", faults[k % len(faults)], "--persons", "1",
                         "--encoding", "sjis" if k % 4 == 3 else "utf8", "--bytes", str(size))
                os.utime(folder / name, (first_mtime + number - 1, first_mtime + number - 1))
            self.set_aside(pool)
            stamp_file.write_text(f"{stamp}\n{fail_count}\n")
        failing = int(stamp_file.read_text().splitlines()[1])
        names = sorted_names(folder)
        if len(names) != n:
            raise BenchError(f"{folder} holds {len(names)} notifications instead of {n}")
        names_file = self.work / f"in-{n}.names"
        names_file.write_text("".join(f"{x}\n" for x in names))
        one_line = fits_one_command_line(names)
        inputs = self._inputs(src_dir=folder, src_path=folder, names_file=names_file, names=names,
                              expected_csv=n - failing, one_line=one_line, window_size=n in a.window_sizes)
        described = self.sizes_of(folder, names, failing, forms=len({report.form_of(x) for x in names}))
        described["read_tool"] = "cat, all files in one process" if one_line else "xargs cat"
        described["xmllint_note"] = "" if one_line else \
            f"not run: the {n} names do not fit on one command line (ARG_MAX)"
        return inputs, described

    def make_big(self, persons):
        folder = self.data_dir / f"big-{persons}"
        big = folder / f"N2018003-{persons}.xml"
        stamp_file = self.data_dir / f"big-{persons}.stamp"
        stamp = f"{self.gen_digest} one --form N2018003 --persons {persons} --seed {self.args.seed}"
        if stamp_file.is_file() and stamp_file.read_text().strip() == stamp and big.is_file():
            say(f"Reusing {big}")
        else:
            say(f"Generating one N2018003 notification with {persons} person records")
            self.set_aside(folder)
            stamp_file.unlink(missing_ok=True)
            folder.mkdir()
            self.gen("one", "--form", "N2018003", "--persons", str(persons), "--seed", str(self.args.seed), "--out",
                     str(big))
            stamp_file.write_text(stamp + "\n")
        names_file = self.work / "big.names"
        names_file.write_text(big.name + "\n")
        inputs = self._inputs(src_dir=folder, src_path=big, names_file=names_file, names=[big.name], expected_csv=1)
        described = self.sizes_of(folder, [big.name], 0, forms=1)
        described.update(read_tool="cat", xmllint_note="")
        return inputs, described

    def make_zip(self, count):
        seed = self.args.seed
        package = self.work / "many.zip"
        say(f"Generating a ZIP of {count} notifications")
        self.gen("package", "--shape", "many", "--count", str(count), "--seed", str(seed), "--out", str(package))
        members = self.shm_work / "members"
        members.mkdir()
        subprocess.run(["unzip", "-q", "-d", str(members), str(package)], check=True)
        names = sorted_names(members)
        if len(names) != count:
            raise BenchError(f"the ZIP does not extract to {count} XML files")
        if not fits_one_command_line(names):
            raise BenchError("the member names do not fit on one command line (ARG_MAX)")
        totals = subprocess.run(["unzip", "-Zt", str(package)], capture_output=True, text=True,
                                check=False).stdout.strip()
        totals = re.sub(r".*files, ", "", totals)
        # The CSV files that copy writes again: one conversion before the rounds, not timed.
        csv_source = self.shm_work / "csv"
        csv_source.mkdir()
        first = subprocess.run([self.tools.cli, "convert", "-o", str(csv_source), str(package)], cwd=self.work,
                               env=dict(self.env, TENVOR_HOME=str(self.work / "home-first")),
                               stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, check=False)
        if first.returncode != 0 or len(csv_files(csv_source)) != count:
            sys.stderr.write(first.stderr.decode(errors="replace"))
            raise BenchError(f"the ZIP's conversion did not write {count} CSV files")
        describe = [
            f"`tenvor-gen package --shape many --count {count} --seed {seed}` ({package.stat().st_size} bytes, "
            f"{totals})",
            "conv: `tenvor-cli convert -o OUT many.zip`; unzip: `unzip -p many.zip > /dev/null`;",
            f"xmllint: `xmllint --noout` over the {count} members extracted on tmpfs, in one process;",
            f"copy (W, for comparison, not part of the baseline): `cp -r` of the {count} CSV files into a fresh "
            "folder on tmpfs",
        ]
        if self.tools.walker:
            describe.append("walk: `tenvor-bench-package many.zip` (listed, every member read into memory)")
        inputs = self._inputs(package=package, members=members, names=names, csv_source=csv_source,
                              expected_csv=count)
        return inputs, {"files": count, "describe": describe}

    def make_tree(self, count):
        a = self.args
        folders = a.folders
        if folders < 10 or folders % 10 or count % folders:
            raise BenchError("--folders must be a multiple of 10 that divides --count")
        flat, tree = self.work / "flat", self.work / "tree"
        say(f"Generating a folder of {count} notifications and its tree of {folders} folders")
        flat.mkdir()
        gen_out = self.work / "gen-tree.out"
        self.gen("folder", "--out", str(flat), "--count", str(count), "--seed", str(a.seed), "--fail-percent",
                 str(a.fail_percent), capture=gen_out)
        generated = gen_out.read_text().strip().splitlines()[-1]
        failing = re.search(r"(\d+) failing on purpose", generated)
        names = sorted_names(flat)
        if len(names) != count or not failing:
            raise BenchError(f"tenvor-gen folder wrote other than {count} files")
        per_folder, per_group = count // folders, folders // 10
        # Two deep (10 folders of FOLDERS/10), so that -r descends more than one level; hard links:
        # the same files, with their last-write times, in the page cache once.
        for index, name in enumerate(names):
            leaf = index // per_folder
            target = tree / f"g{leaf // per_group:02d}" / f"d{leaf % per_group:04d}"
            target.mkdir(parents=True, exist_ok=True)
            os.link(flat / name, target / name)
        expected = count - int(failing.group(1))
        describe = [
            f"`tenvor-gen folder --count {count} --seed {a.seed} --fail-percent {a.fail_percent}` ({generated}, "
            f"{expected} CSV files)",
            f"flat: `tenvor-cli convert -o OUT FOLDER` (all {count} files in one folder);",
            f"tree: `tenvor-cli convert -r -o OUT TREE` (the same files in {folders} folders of {per_folder}, two "
            "deep)",
        ]
        return self._inputs(flat=flat, tree=tree, expected_csv=expected), {"files": count, "describe": describe}

    def make_workbook(self, count):
        a = self.args
        folder = self.work / f"workbook-{count}"
        folder.mkdir()
        say(f"Generating {count} notifications of 1 to 19 person records")
        gen_out = self.work / f"gen-workbook-{count}.out"
        self.gen("folder", "--out", str(folder), "--count", str(count), "--seed", str(a.seed), "--min-persons", "1",
                 "--max-persons", "19", "--fail-percent", "0", capture=gen_out)
        generated = gen_out.read_text().strip().splitlines()[-1]
        if len(sorted_names(folder)) != count:
            raise BenchError(f"tenvor-gen folder wrote other than {count} files")
        describe = [
            f"`tenvor-gen folder --count {count} --seed {a.seed} --min-persons 1 --max-persons 19` ({generated}, "
            f"about {count * 10} person records)",
            "plain: `tenvor-cli convert -o OUT FOLDER`;",
            "book: `tenvor-cli convert --workbook OUT/list.xlsx -o OUT FOLDER` (the same and the workbook)",
        ]
        return self._inputs(folder=folder, expected_csv=count), {"files": count, "describe": describe}

    @staticmethod
    def sizes_of(folder, names, failing, forms):
        sizes = [(folder / n).stat().st_size for n in names]
        return {"files": len(sizes), "forms": forms, "failing": failing, "total_bytes": sum(sizes),
                "smallest": min(sizes), "median_bytes": report.median(sizes), "largest": max(sizes)}

    # ---- Running ----

    def prepare(self, kind, size):
        inputs, described = kind.make(self, size)
        name = f"{kind.name}-{size}"
        commands = [c for c in kind.commands
                    if (not c.needs or getattr(self.tools, c.needs)) and (not c.only_if or getattr(inputs, c.only_if))]
        described.update(name=name, kind=kind.name, targets=[t.format(case=name) for t in kind.targets],
                         title=kind.title, table=kind.table, xmllint_rejects="")
        return CaseRun(name, kind, inputs, commands, described)

    def run_case(self, case):
        """The warm-up rounds, then the measured ones; each round starts one command further along
        the list, so that no command always follows the same one."""
        a = self.args
        count = len(case.commands)
        for r in range(1, a.warmup + a.reps + 1):
            label = f"w{r}" if r <= a.warmup else str(r - a.warmup)
            say(f"  {case.name} round {label}/{a.reps}: load {loadavg()}")
            for i in range(count):
                self.run_command(case, case.commands[(i + r) % count], label)

    def output_folder(self, command):
        return (self.work if command.output == "disk" else self.shm_work) / f"out-{command.op}"

    def clear(self, path):
        if self.shm_work in path.parents:
            shutil.rmtree(path, ignore_errors=True)
        else:
            self.set_aside(path)

    def run_command(self, case, command, label):
        shutil.rmtree(self.home, ignore_errors=True)
        out = None
        if command.output:
            out = self.output_folder(command)
            self.clear(out)
            if not command.makes_output:
                out.mkdir()
            if not self.args.no_sync:
                subprocess.run(["sync", "-f", str(out if out.exists() else out.parent)], check=False)
        stdout = self.work / "rows.txt" if command.rows or command.same else Path(DEVNULL)
        argv = [str(x) for x in command.argv(self.tools, case.inputs, None if out is None else str(out))]
        cwd = getattr(case.inputs, command.cwd)
        t = run_timed(argv, cwd, stdout, self.work / "stderr", self.env, self.work / "time.out")
        self.rows.append("\t".join([case.name, command.op, label, f"{t.wall:.6f}", f"{t.user:.2f}", f"{t.system:.2f}",
                                    str(t.peak_rss_kib), str(t.status), f"{t.other_cores:.3f}"]))
        self.check(case, command, t, out)
        if command.op == "xmllint" and case.described["xmllint_rejects"] == "" and case.kind.table:
            text = t.stderr.read_text(errors="replace")
            case.described["xmllint_rejects"] = str(len(set(re.findall(r"^([^:\n]*\.xml):[0-9]*: ", text, re.M))))
        if out is not None:
            self.clear(out)

    def check(self, case, command, t, out):
        where = f"{command.op} on {case.name}"
        if command.statuses and t.status not in command.statuses:
            sys.stderr.write("".join(t.stderr.read_text(errors="replace").splitlines(True)[:20]))
            raise BenchError(f"{where} ended with status {t.status}")
        if command.csv:
            found = len(csv_files(out)) if out.is_dir() else 0
            if found != case.inputs.expected_csv:
                raise BenchError(f"{where} wrote {found} CSV files instead of {case.inputs.expected_csv}")
        if command.same == "named" and case.described.get("failing") and not (self.home / self.log_name).is_file():
            raise BenchError(f"{where} wrote no log {self.log_name} for the files failing on purpose")
        if command.same:
            self.same_as_first(f"{case.name}/{command.same}", self.digest(out, command.same == "named"),
                               f"{where} wrote other files or log entries than the first run")
        if command.rows:
            self.same_as_first(f"{case.name}/rows", hashlib.sha1(t.stdout.read_bytes()).hexdigest(),
                               f"{where} listed other errors, or in another order, than the first run")

    def same_as_first(self, key, digest, message):
        if self.digests.setdefault(key, digest) != digest:
            raise BenchError(message)

    def digest(self, out, named):
        """Every CSV file by name (when named) and content, and the log without its time stamps."""
        whole = hashlib.sha1()
        entries = []
        for path in csv_files(out):
            content = hashlib.sha1(path.read_bytes()).hexdigest()
            entries.append(f"{path.relative_to(out)} {content}" if named else content)
        for entry in sorted(entries):
            whole.update(entry.encode() + b"\n")
        log = self.home / self.log_name
        if named and log.is_file():
            for line in log.read_bytes().splitlines(True):
                whole.update(re.sub(rb"^.*(" + "エラー種別".encode() + rb")", rb"\1", line))
        return whole.hexdigest()


# ---- Tools, options and the run ---------------------------------------------------------------


def newest_existing(*paths):
    found = None
    for path in paths:
        if path.is_file() and os.access(path, os.X_OK) and (found is None or path.stat().st_mtime > found.stat().st_mtime):
            found = path
    return str(found) if found else ""


def find_tools(args, kinds):
    build = Path(args.build_dir).resolve()
    if not args.no_build:
        say(f"Building the tools in {build} ({args.build_type})")
        subprocess.run(["cmake", "-S", str(ROOT / "bench"), "-B", str(build), f"-DCMAKE_BUILD_TYPE={args.build_type}"],
                       check=True, stdout=subprocess.DEVNULL)
        targets = ["tenvor-cli", "tenvor-gen", "tenvor-bench-parse"]
        cache = (build / "CMakeCache.txt").read_text(errors="replace")
        if "TENVOR_BUILD_GUI:BOOL=ON" in cache:
            targets.append("tenvor-bench-window")
        subprocess.run(["cmake", "--build", str(build), "--parallel", str(os.cpu_count() or 1), "--target", *targets],
                       check=True, stdout=subprocess.DEVNULL)

    # The benchmark build keeps the project below tenvor/; a build with the test suite has the
    # helpers beside the test programs.
    def tool(given, *places):
        return str(Path(given).resolve()) if given else newest_existing(*(build / p for p in places))

    tools = SimpleNamespace(
        cli=tool(args.cli, "tenvor/src/tenvor-cli", "src/tenvor-cli"),
        gen=tool(args.gen, "tenvor/tools/tenvor-gen", "tools/tenvor-gen"),
        parse=tool(args.parse, "tenvor-bench-parse", "tenvor/tests/tenvor-bench-parse", "tests/tenvor-bench-parse"),
        window=tool(args.window, "tenvor-bench-window", "tenvor/tests/tenvor-bench-window",
                    "tests/tenvor-bench-window") if args.window_sizes else "",
        walker=str(Path(args.walker).resolve()) if args.walker else "",
    )
    needed = ["cli", "gen"] + (["parse"] if {"folder", "big"} & set(kinds) else [])
    for name in needed:
        if not getattr(tools, name) or not os.access(getattr(tools, name), os.X_OK):
            raise BenchError(f"missing tool {name} (tenvor-cli, tenvor-gen, tenvor-bench-parse); build them or name them")
    for name in ("window", "walker"):
        if getattr(tools, name) and not os.access(getattr(tools, name), os.X_OK):
            if name == "walker":
                raise BenchError(f"not a program: {tools.walker}")
            tools.window = ""
    programs = {TIME: "time", "xmllint": "libxml2-utils", "cp": "coreutils", "cat": "coreutils", "sync": "coreutils"}
    if "zip" in kinds:
        programs["unzip"] = "unzip"
    for program, package in programs.items():
        if shutil.which(program) is None:
            raise BenchError(f"{program} is missing (Debian package {package})")
    return tools


def counts(text):
    return sorted({int(v) for v in text.split()})


def parse_args(argv):
    p = argparse.ArgumentParser(prog="bench/run.sh", description=__doc__,
                                formatter_class=argparse.RawDescriptionHelpFormatter)
    p.add_argument("kinds", nargs="*", metavar="CASE", help=f"the kinds of case to run, of {', '.join(KINDS)} "
                   "(default: folder big)")
    g = p.add_argument_group("what to run")
    g.add_argument("--sizes", type=counts, default=[1000, 10000, 50000], help="folder sizes (folder)")
    g.add_argument("--big-persons", type=int, default=100000,
                   help="person records of the one large N2018003 notification (big; 0 leaves it out)")
    g.add_argument("--count", type=int, default=10000, help="notifications in the ZIP and in the tree (zip, tree)")
    g.add_argument("--folders", type=int, default=1000, help="folders of the tree, a multiple of 10 dividing --count")
    g.add_argument("--workbook-files", type=counts, default=[1000, 10000],
                   help="folder sizes with and without the workbook (workbook)")
    g.add_argument("--reps", type=int, default=5, help="measured rounds, at least 5 for published figures")
    g.add_argument("--warmup", type=int, default=1, help="warm-up rounds before them, not counted")
    g.add_argument("--window-sizes", type=counts, default=[10000],
                   help='folder sizes also converted through the window, offscreen ("" leaves it out)')
    g = p.add_argument_group("where")
    g.add_argument("--data", default="/tmp/tenvor-bench", help="inputs and the disk outputs; a disk file system")
    g.add_argument("--shm", default="/dev/shm/tenvor-bench", help="the tmpfs outputs")
    g.add_argument("--out", help="the report (default: docs/benchmarks.md for folder and big, standard output "
                   "only otherwise)")
    g.add_argument("--results", help="keep the measurements there (default: docs/bench-results.tsv for folder "
                   "and big)")
    g.add_argument("--plot", help='the plot (default: docs/bench-time-per-file.png for folder; "" for none)')
    g.add_argument("--readme", help='README whose benchmark summary is replaced (default: README.md for folder and '
                   'big; "" for none)')
    g.add_argument("--keep-data", action="store_true", help="keep the generated folders for the next run")
    g.add_argument("--no-sync", action="store_true", help="do not flush the output file system before each command")
    g = p.add_argument_group("tools")
    g.add_argument("--build-dir", default=str(ROOT / "build-bench"), help="the benchmark build (default: build-bench)")
    g.add_argument("--build-type", default="RelWithDebInfo", help="Release or RelWithDebInfo")
    g.add_argument("--no-build", action="store_true", help="use the tools already built there (or named below)")
    g.add_argument("--no-packages", action="store_true", help="do not install missing Debian packages")
    for tool in ("cli", "gen", "parse", "window"):
        g.add_argument(f"--{tool}", default="", metavar="FILE")
    g.add_argument("--walker", default="", metavar="FILE", help="tenvor-bench-package, measured in zip when given")
    g.add_argument("--log-name", default="", help="the log's name (default: from the build's TenvorVersion.h)")
    g = p.add_argument_group("generated data (folder)")
    for name, default in (("seed", 20260101), ("min-persons", 1), ("max-persons", 5), ("fail-percent", 3),
                          ("sjis-percent", 25), ("min-bytes", 2048), ("max-bytes", 10240)):
        g.add_argument(f"--{name}", type=int, default=default)
    g = p.add_argument_group("the machine")
    g.add_argument("--max-load", type=float, default=0.3, help="load average below which the machine is quiet")
    g.add_argument("--wait-quiet", type=int, default=0, metavar="SECONDS",
                   help="wait up to this long for the 1- and 5-minute load averages to fall below --max-load")
    g.add_argument("--preliminary", action="store_true", help="mark the figures as preliminary whatever the load")
    g.add_argument("--note", default="", help="a sentence added to the table's heading")
    args = p.parse_args(argv)
    args.kinds = args.kinds or ["folder", "big"]
    args.build_dir = str(Path(args.build_dir).resolve())
    unknown = [k for k in args.kinds if k not in KINDS]
    if unknown:
        p.error(f"unknown case {unknown[0]} (cases: {', '.join(KINDS)})")
    if args.reps < 1 or args.warmup < 0 or args.big_persons < 0 or args.count < 1 or any(n < 1 for n in args.sizes):
        p.error("--reps must be at least 1, and the sizes and counts positive")
    return args


def wait_for_quiet(args):
    def quiet():
        one, five = (float(v) for v in loadavg().split()[:2])
        return one < args.max_load and five < args.max_load

    if args.wait_quiet > 0 and not quiet():
        say(f"Waiting up to {args.wait_quiet}s for load averages below {args.max_load:g} (now {loadavg()})")
        waited = 0
        while not quiet() and waited < args.wait_quiet:
            time.sleep(15)
            waited += 15


def data_fs_label(path):
    device, fs = file_system(path)
    if fs == "ext4":
        journal = Path(f"/sys/fs/ext4/{Path(device).name}/journal_task")
        has_none = journal.is_file() and journal.read_text().strip() == "<none>"
        return device, "ext4 without a journal" if has_none else "ext4 with a journal"
    return device, fs


def main(argv=None):
    argv = sys.argv[1:] if argv is None else argv
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(130))  # the scratch folders go all the same
    args = parse_args(argv)
    command_line = "bench/run.sh" + "".join(f" {shlex.quote(a)}" for a in argv)
    table = any(KINDS[k].table for k in args.kinds)
    default = (lambda value, fallback: fallback if value is None and table else value or "")
    out = default(args.out, str(ROOT / "docs/benchmarks.md"))
    results_copy = default(args.results, str(ROOT / "docs/bench-results.tsv"))
    plot = default(args.plot, str(ROOT / "docs/bench-time-per-file.png") if "folder" in args.kinds else "")
    readme = default(args.readme, str(ROOT / "README.md"))
    if not args.no_packages:
        subprocess.run(["bash", "-c", f'source "{ROOT}/scripts/ensure-packages.sh" && ensure_packages '
                        '"${TENVOR_BUILD_PACKAGES[@]}" "${TENVOR_BENCH_PACKAGES[@]}"'], check=True)
    tools = find_tools(args, args.kinds)
    bench = Bench(args, tools, log_file_name(tools.cli, args.log_name))
    try:
        data_device, data_fs = data_fs_label(bench.data_dir)
        shm_fs = file_system(bench.shm_dir)[1]
        if data_fs == "tmpfs":
            say(f"warning: {bench.data_dir} is on tmpfs, not on a disk")
        if shm_fs != "tmpfs":
            say(f"warning: {bench.shm_dir} is not on tmpfs ({shm_fs})")
        wait_for_quiet(args)
        load_start = loadavg()
        say(f"Benchmark: {' '.join(args.kinds)}, {args.reps} rounds after {args.warmup} warm-up; load {load_start}")
        cases = []
        for kind in args.kinds:
            for size in KINDS[kind].sizes(args):
                case = bench.prepare(KINDS[kind], size)
                say(f"Case {case.name}: {', '.join(c.op for c in case.commands)}")
                bench.run_case(case)
                cases.append(case)
        load_end = loadavg()
        run = {
            "command_line": command_line, "kinds": args.kinds, "sizes": args.sizes if "folder" in args.kinds else [],
            "default_sizes": [1000, 10000, 50000], "big_persons": args.big_persons if "big" in args.kinds else 0,
            "default_big_persons": 100000 if "big" in args.kinds else 0, "reps": args.reps, "warmup": args.warmup,
            "window_sizes": args.window_sizes, "window_skipped": window_skipped(args, tools), "load_start": load_start,
            "load_end": load_end, "max_load": args.max_load, "marked_preliminary": args.preliminary,
            "note": args.note, "data_dir": str(args.data), "data_fs": data_fs, "data_device": data_device,
            "shm_dir": str(args.shm), "shm_fs": shm_fs, "gen_args": " ".join(bench.gen_args),
            "sjis_percent": str(args.sjis_percent), "fail_percent": str(args.fail_percent),
            "min_bytes": str(args.min_bytes), "max_bytes": str(args.max_bytes),
            "date": time.strftime("%Y-%m-%d %H:%M", time.gmtime()), "build_dir": str(args.build_dir),
            "machine": report.describe_machine(args.build_dir).__dict__, "log_name": bench.log_name,
        }
        results = bench.work / "results.tsv"
        report.write_results(results, run, [c.described for c in cases], bench.rows)
        report_argv = ["--results", str(results)] + (["--out", out] if out else []) + \
            (["--plot", plot] if plot else []) + (["--readme", readme] if readme else [])
        status = report.main(report_argv)
        if results_copy:
            Path(results_copy).parent.mkdir(parents=True, exist_ok=True)
            shutil.copyfile(results, results_copy)
            say(f"Wrote {results_copy}")
        say(f"Done. Load averages at the end: {load_end}")
        return status
    finally:
        bench.cleanup()


def window_skipped(args, tools):
    if "folder" not in args.kinds:
        return ""
    if not args.window_sizes:
        return 'not asked for (--window-sizes "")'
    if not tools.window:
        return "the window is not built (tenvor-bench-window missing: Qt or the window library not available)"
    return ""


if __name__ == "__main__":
    try:
        sys.exit(main())
    except BenchError as error:
        print(f"bench/run.sh: {error}", file=sys.stderr)
        sys.exit(1)
    except KeyboardInterrupt:
        sys.exit(130)
