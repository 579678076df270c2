#!/usr/bin/env python3
"""The statistics of the benchmark's report (bench/report.py), on measurements made up here."""

import sys
import unittest
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))

import report  # noqa: E402  (found through the path above)


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
