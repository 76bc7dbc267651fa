"""tests/e2e/test_sampling.py: the real resource query under Wine, as the user sees it.

Wine's 16-bit window manager reports 99 % free for all three heaps, so after the first ticks
the three gauges show the same lime bar with the same magenta "99%" over it, and the three
labels end in the same "99%". With Wine set to report Windows 98 the program takes the same
16-bit path and shows the same.
"""

import unittest

import e2elib
from e2elib import LIME, MAGENTA

GAUGES = list(e2elib.GAUGES.values())
LABELS = [(92, 0, 40, 13), (80, 36, 40, 13), (78, 72, 40, 13)]   # the "N%" labels


class SamplingBase:
    windows_version = None   # as Wine's "Version" setting; None keeps Wine's default

    @classmethod
    def setUpClass(cls):
        cls.session = e2elib.Session("sampling" + (cls.windows_version or ""))
        cls.addClassCleanup(cls.session.stop)
        cls.session.start()
        if cls.windows_version:
            cls.session.wine("reg", "add", r"HKCU\Software\Wine", "/v", "Version", "/d", cls.windows_version, "/f")
        # What Windows version a program of this prefix is told, as the program will be.
        cls.version = cls.session.windows_version()
        cls.session.start_product()
        cls.win = cls.session.show_main_window()
        cls.img = e2elib.wait_until(cls._sampled_image, 20, "the gauges to show a sample", interval=0.3)
        cls.img.save(e2elib.RESULTS / f"sampling{cls.windows_version or ''}.png")

    @classmethod
    def _sampled_image(cls):
        img = cls.session.desktop_image("sampling")
        x, y, _, _ = cls.win.client_rect
        gx, gy, gw, gh = GAUGES[0]
        # Sampled once the first gauge's bar is no longer empty.
        return img if img.getpixel((x + gx + 2, y + gy + 2)) == LIME else None

    def region(self, rect):
        x, y, _, _ = self.win.client_rect
        left, top, w, h = rect
        return [[self.img.getpixel((x + left + i, y + top + j)) for i in range(w)] for j in range(h)]

    def test_the_program_runs_on_the_windows_version_meant(self):
        major, minor, platform = self.version
        if self.windows_version == "win98":
            self.assertEqual((4, 10, 1), (major, minor, platform), "Windows 98 (4.10, the 9x platform)")
        else:
            self.assertEqual(2, platform, f"Wine's default is an NT-family Windows, not {self.version}")

    def test_three_lime_bars_at_ninety_nine_percent(self):
        for n, (gx, gy, gw, gh) in enumerate(GAUGES):
            with self.subTest(gauge=n):
                rows = self.region((gx + 1, gy + 1, gw - 2, gh - 2))
                top_row = rows[0]
                bar = 0
                while bar < len(top_row) and top_row[bar] == LIME:
                    bar += 1
                # 99 % of the 233-pixel interior: 230 columns of bar, then white.
                self.assertEqual((gw - 2) * 99 // 100, bar, f"gauge {n}: bar length")
                self.assertTrue(all(e2elib.is_white(p) for p in top_row[bar:]), f"gauge {n}: white after the bar")
                magenta = sum(p == MAGENTA for row in rows for p in row)
                self.assertGreater(magenta, 20, f"gauge {n}: the inverted text over the bar")

    def test_the_three_gauges_show_the_same_figure(self):
        first = self.region(GAUGES[0])
        for n in (1, 2):
            with self.subTest(gauge=n):
                self.assertEqual(first, self.region(GAUGES[n]), f"gauge {n} differs from the system gauge")

    def test_the_three_labels_end_in_the_same_figure(self):
        # Label captions "99%" at different x: compare their dark-pixel shapes.
        shapes = []
        for rect in LABELS:
            rows = self.region(rect)
            dark = {(i, j) for j, row in enumerate(rows) for i, p in enumerate(row) if e2elib.is_dark(p)}
            self.assertTrue(dark, f"label at {rect} shows nothing")
            left = min(i for i, _ in dark)
            shapes.append(frozenset((i - left, j) for i, j in dark))
        self.assertEqual(shapes[0], shapes[1], "System and User figures differ")
        self.assertEqual(shapes[0], shapes[2], "System and GDI figures differ")


class SamplingUnderWineTest(SamplingBase, unittest.TestCase):
    pass


class SamplingAsWindows98Test(SamplingBase, unittest.TestCase):
    windows_version = "win98"


if __name__ == "__main__":
    unittest.main()
