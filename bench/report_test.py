#!/usr/bin/env python3
"""The statistics and the results file of the benchmark's report (bench/report.py), on measurements
made up here, and the harness's declared cases (bench/harness.py)."""

import contextlib
import io
import sys
import tempfile
import unittest
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))

import harness  # noqa: E402  (found through the path above)
import report  # noqa: E402


def row(case, op, round_label, wall, user=0.0, system=0.0, rss=1024, other=0.0):
    return f"{case}\t{op}\t{round_label}\t{wall:.6f}\t{user:.2f}\t{system:.2f}\t{rss}\t0\t{other:.3f}\n"


class Median(unittest.TestCase):
    def test_middle_value_or_mean_of_the_two_middle_ones_in_any_order(self):
        self.assertEqual(report.median([3.0, 1.0, 2.0]), 2.0)
        self.assertEqual(report.median([4.0, 1.0, 3.0, 2.0]), 2.5)
        self.assertEqual(report.median([7]), 7)
        with self.assertRaises(ValueError):
            report.median([])

    def test_spread_is_the_range_in_per_cent_of_the_median(self):
        self.assertAlmostEqual(report.spread_percent(0.9, 1.2, 1.0), 30.0)


class CommandStats(unittest.TestCase):
    def test_warm_up_rounds_are_left_out(self):
        lines = [
            "#" + "\t".join(report.RESULT_COLUMNS) + "\n",
            row("folder-100", "parse", "w1", 9.0, rss=9999, other=3.0),
            row("folder-100", "parse", "1", 0.30, user=0.10, system=0.02, rss=2048, other=0.5),
            row("folder-100", "parse", "2", 0.10, user=0.05, system=0.01, rss=4096, other=0.1),
            row("folder-100", "parse", "3", 0.20, user=0.20, system=0.10, rss=3072, other=0.2),
        ]
        stats = report.command_stats(report.parse_measurements(lines))
        parse = stats[("folder-100", "parse")]
        self.assertEqual(parse.runs, 3)
        self.assertAlmostEqual(parse.median, 0.20)
        self.assertAlmostEqual(parse.low, 0.10)
        self.assertAlmostEqual(parse.high, 0.30)
        self.assertAlmostEqual(parse.spread, 100.0)
        self.assertEqual(parse.rss_max, 4096)
        self.assertAlmostEqual(parse.cpu_median, 0.12)
        self.assertAlmostEqual(parse.other_median, 0.2)
        self.assertEqual(report.other_load(report.parse_measurements(lines)), (0.2, 0.5))

    def test_a_row_with_missing_fields_is_refused(self):
        with self.assertRaises(ValueError):
            report.parse_measurements(["folder-100\tparse\t1\t0.1\n"])


class Ratios(unittest.TestCase):
    def test_ratios_pair_the_commands_of_one_round_only(self):
        # Round 1 is slow throughout, round 2 fast: ratios within each round are 0.5 and 0.5,
        # whereas ratios of the medians across rounds would mix them.
        lines = [
            row("c", "conv-disk", "1", 2.0), row("c", "parse", "1", 3.0), row("c", "copy-disk", "1", 1.0),
            row("c", "conv-disk", "2", 0.5), row("c", "parse", "2", 0.6), row("c", "copy-disk", "2", 0.4),
            # Round 3 lacks the write floor: it gives disk/P but no disk/(P+W).
            row("c", "conv-disk", "3", 0.9), row("c", "parse", "3", 0.3),
        ]
        ratios = report.ratio_stats(report.parse_measurements(lines))
        both = ratios[("c", "disk/(P+W)")]
        self.assertEqual(both.runs, 2)
        self.assertAlmostEqual(both.median, 0.5)
        self.assertAlmostEqual(both.low, 0.5)
        self.assertAlmostEqual(both.high, 0.5)
        parse_only = ratios[("c", "disk/P")]
        self.assertEqual(parse_only.runs, 3)
        self.assertAlmostEqual(parse_only.median, 0.5 / 0.6)
        self.assertAlmostEqual(parse_only.high, 3.0)
        self.assertNotIn(("c", "shm/P"), ratios)

    def test_processor_time_ratios_skip_rounds_without_processor_time(self):
        lines = [
            row("c", "conv-shm", "1", 1.0, user=0.2), row("c", "parse", "1", 1.0),
            row("c", "conv-shm", "2", 1.0, user=0.3), row("c", "parse", "2", 1.0, user=0.1),
        ]
        ratios = report.ratio_stats(report.parse_measurements(lines))
        self.assertEqual(ratios[("c", "cpu shm/P")].runs, 1)
        self.assertAlmostEqual(ratios[("c", "cpu shm/P")].median, 3.0)
        self.assertEqual(ratios[("c", "shm/P")].runs, 2)

    def test_a_target_ratio_sums_its_denominator_within_each_round_without_warm_up(self):
        target = report.parse_ratio_target("zip-10: conv / unzip + xmllint <= 1.1")
        self.assertEqual(target, report.RatioTarget("zip-10", "conv", ("unzip", "xmllint"), 1.1))
        lines = [
            row("zip-10", "conv", "w1", 9.0), row("zip-10", "unzip", "w1", 1.0), row("zip-10", "xmllint", "w1", 1.0),
            row("zip-10", "conv", "1", 3.0), row("zip-10", "unzip", "1", 1.0), row("zip-10", "xmllint", "1", 2.0),
            row("zip-10", "conv", "2", 1.0), row("zip-10", "unzip", "2", 0.5), row("zip-10", "xmllint", "2", 0.5),
            row("zip-10", "conv", "3", 1.0), row("zip-10", "unzip", "3", 0.5),  # no xmllint: left out
            row("other", "conv", "1", 5.0), row("other", "unzip", "1", 1.0), row("other", "xmllint", "1", 1.0),
        ]
        self.assertEqual(report.target_ratios(report.parse_measurements(lines), target), [1.0, 1.0])
        with self.assertRaises(Exception):
            report.parse_ratio_target("zip-10: conv / unzip")


class ResultsFile(unittest.TestCase):
    RUN = {"command_line": "bench/run.sh zip", "date": "2026-01-02 03:04", "reps": 2, "warmup": 1,
           "load_start": "0.1 0.2 0.3", "load_end": "0.4 0.5 0.6", "shm_dir": "/dev/shm/x", "shm_fs": "tmpfs",
           "data_dir": "/tmp/x", "data_fs": "ext4", "machine": {"commit": "abc1234", "cores": 2, "system": "Linux"}}

    def write(self, run, cases, rows):
        path = Path(self.scratch.name) / "results.tsv"
        report.write_results(path, run, cases, [r.rstrip("\n") for r in rows])
        return path

    def setUp(self):
        self.scratch = tempfile.TemporaryDirectory()

    def tearDown(self):
        self.scratch.cleanup()

    def test_the_run_the_cases_and_the_rows_come_back_as_written(self):
        case = {"name": "zip-10", "kind": "zip", "files": 10, "describe": ["what it ran", "conv: convert"],
                "targets": ["zip-10:conv/unzip<=1.1", "zip-10:conv<64"], "title": "Packages", "future_field": 1}
        path = self.write(self.RUN, [case], [row("zip-10", "conv", "w1", 9.0), row("zip-10", "conv", "1", 2.0),
                                             row("zip-10", "unzip", "1", 1.0)])
        results = report.read_results(path)
        self.assertEqual(results.run, self.RUN)
        self.assertEqual(len(results.cases), 1)
        self.assertEqual(results.cases[0].targets, ("zip-10:conv/unzip<=1.1", "zip-10:conv<64"))
        self.assertFalse(results.cases[0].table)
        self.assertEqual([(m.op, m.round_label, m.wall) for m in results.measurements],
                         [("conv", "w1", 9.0), ("conv", "1", 2.0), ("unzip", "1", 1.0)])
        # The case's own targets are held against the rounds: 2.0 / 1.0 breaks the limit of 1.1.
        document = report.summary_document(results, results.cases)
        self.assertIn("# Packages\n", document)
        self.assertIn("- zip-10: what it ran\n  - conv: convert\n", document)
        self.assertIn("| zip-10: conv / unzip, wall time per round | 2.000 | 2.000–2.000 | ≤ 1.1 | **not met** |",
                      document)
        self.assertIn("| zip-10: conv, peak RSS in MiB (largest run) | 1.0 | 1.0–1.0 | < 64 | met |", document)

    def test_a_file_of_rows_only_gives_its_measurements_without_run_or_cases(self):
        path = Path(self.scratch.name) / "old.tsv"
        path.write_text("#case\top\tround\n" + row("c", "parse", "1", 0.5), encoding="utf-8")
        results = report.read_results(path)
        self.assertEqual((results.run, results.cases), ({}, []))
        self.assertEqual(len(results.measurements), 1)
        with self.assertRaises(SystemExit), contextlib.redirect_stderr(io.StringIO()) as message:
            report.main(["--results", str(path)])
        self.assertIn("holds rows only", message.getvalue())

    def test_a_damaged_description_is_refused(self):
        path = Path(self.scratch.name) / "bad.tsv"
        path.write_text(report.RESULTS_MAGIC + "\n#case\t{\"name\": \n", encoding="utf-8")
        with self.assertRaises(ValueError):
            report.read_results(path)


class Cases(unittest.TestCase):
    def test_every_kind_names_its_commands_once_and_its_targets_name_its_commands(self):
        for kind in harness.KINDS.values():
            ops = [c.op for c in kind.commands]
            self.assertEqual(len(ops), len(set(ops)), kind.name)
            for text in kind.targets:
                target = report.parse_target(text.format(case=f"{kind.name}-1"))
                named = [target.numerator, *target.denominator] if isinstance(target, report.RatioTarget) \
                    else [target[1]]
                self.assertLessEqual(set(named), set(ops), f"{kind.name}: {text}")

    def test_the_log_name_is_taken_from_the_version_header_beside_the_program(self):
        with tempfile.TemporaryDirectory() as scratch:
            cli = Path(scratch) / "src" / "tenvor-cli"
            (cli.parent / "generated").mkdir(parents=True)
            with self.assertRaises(harness.BenchError):
                harness.log_file_name(cli)
            (cli.parent / "generated" / "TenvorVersion.h").write_text(
                'inline constexpr std::string_view kLogFileName = "Ver2.5.log";\n', encoding="utf-8")
            self.assertEqual(harness.log_file_name(cli), "Ver2.5.log")
            self.assertEqual(harness.log_file_name(cli, "Given.log"), "Given.log")


class Summary(unittest.TestCase):
    def test_only_the_lines_between_the_markers_are_replaced(self):
        text = "intro\n<!-- bench-summary:start -->\nold 1\nold 2\n<!-- bench-summary:end -->\nrest\n"
        self.assertEqual(report.replace_summary(text, ["new"]),
                         "intro\n<!-- bench-summary:start -->\nnew\n<!-- bench-summary:end -->\nrest\n")

    def test_a_readme_without_its_end_marker_is_left_alone(self):
        self.assertIsNone(report.replace_summary("a\n<!-- bench-summary:start -->\nb\n", ["new"]))
        self.assertIsNone(report.replace_summary("a\n<!-- bench-summary:end -->\n", ["new"]))


if __name__ == "__main__":
    unittest.main()
