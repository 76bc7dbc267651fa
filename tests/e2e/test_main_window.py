"""tests/e2e/test_main_window.py: the main window as a user first sees it."""

import unittest

import e2elib
from e2elib import GAUGES, TITLE_ANSI

TITLE_X = "Pellory\u00ae Tallyglass"     # the caption as Wine hands it to X (UTF-8)
OUTER_TOP_LEFT = e2elib.MAIN_WINDOW_POSITION
CLIENT_SIZE = (241, 108)
LABEL_HEIGHT = 14   # the band between a gauge and the one above it (or the client top)
LABEL_LEFT_SLACK = 6


class MainWindowTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        exe = e2elib.product()
        if not exe.is_file():
            raise e2elib.E2EError(f"{exe} is missing: build the Windows tree first")
        cls.session = e2elib.Session("main_window")
        cls.addClassCleanup(cls.session.stop)
        cls.session.start()
        cls.session.start_product()
        # Found by the end of its caption, like the X window, so that a wrong caption fails
        # the caption tests rather than the set-up.
        cls.win = cls.session.show_main_window()
        cls.xid = cls.session.wait_window("Tallyglass$", timeout=30)
        # The first paint may trail the window's appearance; wait until the client area shows
        # dark pixels (text, borders) before looking at it.
        cls.img = e2elib.wait_until(cls._painted_image, 15, "the main window to be painted",
                                    interval=0.3)

    @classmethod
    def _painted_image(cls):
        img = cls.session.desktop_image("main_window")
        x, y, w, h = cls.win.client_rect
        return img if any(e2elib.is_dark(p) for _, _, p in e2elib.pixels(img, (x, y, w, h))) else None

    def client_to_desktop(self, rect):
        x, y, _, _ = self.win.client_rect
        return e2elib.offset(rect, x, y)

    def test_x_window_name_is_the_caption_in_utf8(self):
        self.assertEqual(TITLE_X, self.session.window_name(self.xid), "X name of the main window")

    def test_win32_caption_is_ansi_with_registered_sign(self):
        self.assertEqual(TITLE_ANSI, self.win.title_bytes, "GetWindowTextA of the main window")

    def test_outer_window_position_seen_by_win32(self):
        self.assertEqual(OUTER_TOP_LEFT, self.win.window_rect[:2], "GetWindowRect top-left")

    def test_outer_window_position_seen_by_x(self):
        self.assertEqual(OUTER_TOP_LEFT, self.session.desktop_rect(self.xid)[:2],
                         "X window top-left relative to the virtual desktop")

    def test_x_window_covers_the_win32_window_rect(self):
        self.assertEqual(self.win.window_rect[2:], self.session.desktop_rect(self.xid)[2:],
                         "X window size vs GetWindowRect size")

    def test_client_area_size(self):
        self.assertEqual(CLIENT_SIZE, self.win.client_rect[2:], "GetClientRect size")

    def test_client_area_sits_under_the_title_bar_inside_a_thin_frame(self):
        # A single-border window with a caption: equal frames left, right and bottom, and the
        # title bar's height above.
        wx, wy, ww, wh = self.win.window_rect
        cx, cy, cw, ch = self.win.client_rect
        left, right, bottom = cx - wx, wx + ww - (cx + cw), wy + wh - (cy + ch)
        self.assertEqual(left, right, f"frames: left {left}, right {right}")
        self.assertEqual(left, bottom, f"frames: left {left}, bottom {bottom}")
        self.assertTrue(1 <= left <= 4, f"a thin frame, not {left} px")
        self.assertTrue(15 <= (cy - wy) - left <= 30, f"title bar of {(cy - wy) - left} px")

    def test_the_title_bar_shows_the_program_icon(self):
        wx, wy, ww, _ = self.win.window_rect
        self.assertIsNotNone(e2elib.find_icon(self.img, (wx, wy, ww // 3, self.win.client_rect[1] - wy), 16))

    def test_gauges_have_a_single_dark_border(self):
        for label, rect in GAUGES.items():
            with self.subTest(gauge=label):
                r = self.client_to_desktop(rect)
                light_border = [(x, y) for x, y in e2elib.ring(r)
                                if not e2elib.is_dark(self.img.getpixel((x, y)))]
                self.assertEqual([], light_border[:5],
                                 f"{label} gauge border pixels that are not dark "
                                 f"({len(light_border)} in all)")
                # The row above the gauge is left out: the label's descenders may touch it.
                top = r[1] - 1
                dark_outside = [(x, y) for x, y in e2elib.ring(e2elib.inset(r, -1))
                                if y != top and e2elib.is_dark(self.img.getpixel((x, y)))]
                self.assertEqual([], dark_outside[:5],
                                 f"{label} gauge: dark pixels just outside the border "
                                 f"({len(dark_outside)} in all)")
                dark_inside = [(x, y) for x, y in e2elib.ring(e2elib.inset(r, 1))
                               if e2elib.is_dark(self.img.getpixel((x, y)))]
                self.assertEqual([], dark_inside[:5],
                                 f"{label} gauge: dark pixels just inside the border "
                                 f"({len(dark_inside)} in all)")

    def bar_rows(self, rect):
        """The interior rows of a gauge that its centred percentage text cannot reach."""
        left, top, width, height = self.client_to_desktop(e2elib.inset(rect, 1))
        rows = (top, top + 1, top + height - 2, top + height - 1)
        return [[self.img.getpixel((x, y)) for x in range(left, left + width)] for y in rows]

    def test_gauge_interiors_are_a_bar_on_white(self):
        # A gauge fills its white interior from the left in one colour; beyond the bar it stays
        # white. Rows clear of the percentage text show exactly that split.
        for label, rect in GAUGES.items():
            with self.subTest(gauge=label):
                splits = set()
                for row in self.bar_rows(rect):
                    fill = row[0]
                    end = 0
                    if not e2elib.is_white(fill):
                        while end < len(row) and row[end] == fill:
                            end += 1
                    rest = [p for p in row[end:] if not e2elib.is_white(p)]
                    self.assertEqual([], rest[:5], f"{label} gauge: pixels right of the bar "
                                     f"(which ends at interior x={end}) that are not white")
                    splits.add(end)
                self.assertEqual(1, len(splits), f"{label} gauge: bar ends differ between rows: {splits}")
                # A full bar would hide the white interior; free resources under Wine stay
                # below 100 %, so some white must show.
                self.assertLess(splits.pop(), rect[2] - 2, f"{label} gauge: no white interior shows")

    def label_band(self, rect):
        """The client band above a gauge, where its label is drawn."""
        left, top, width, _ = rect
        return (0, top - LABEL_HEIGHT, CLIENT_SIZE[0], LABEL_HEIGHT)

    def column_signatures(self, band):
        """Per client column of the band, the set of rows holding dark pixels."""
        left, top, width, height = self.client_to_desktop(band)
        return [frozenset(y for y in range(height) if e2elib.is_dark(self.img.getpixel((left + x, top + y))))
                for x in range(width)]

    def text_extent(self, signatures):
        dark = [x for x, rows in enumerate(signatures) if rows]
        return (dark[0], dark[-1]) if dark else None

    def test_labels_are_drawn_left_aligned_above_each_gauge(self):
        for label, rect in GAUGES.items():
            with self.subTest(label=label):
                extent = self.text_extent(self.column_signatures(self.label_band(rect)))
                self.assertIsNotNone(extent, f"no dark text above the {label!r} gauge")
                first, last = extent
                self.assertLessEqual(abs(first - rect[0]), LABEL_LEFT_SLACK,
                                     f"{label!r} starts at x={first}, gauge at x={rect[0]}")
                self.assertGreaterEqual(last - first, 40, f"{label!r} text only {last - first} px wide")
                self.assertLess(last, CLIENT_SIZE[0] * 3 // 4,
                                f"{label!r} text reaches x={last}: not a short left label")

    def test_labels_share_their_resources_part(self):
        # Without reading text: all three labels end in " resources:" (maybe followed by a
        # value), so their pixel columns share a long identical run, and it starts furthest
        # right in the label with the widest first word, "System".
        texts = {}
        for label, rect in GAUGES.items():
            sig = self.column_signatures(self.label_band(rect))
            extent = self.text_extent(sig)
            self.assertIsNotNone(extent, f"no dark text above the {label!r} gauge")
            texts[label] = sig[extent[0]:extent[1] + 1]
        system = texts["System resources:"]
        for other in ("User resources:", "GDI resources:"):
            with self.subTest(label=other):
                length, at_system, at_other = longest_common_run(system, texts[other])
                self.assertGreaterEqual(length, 35, f"longest run of identical columns shared by the "
                                        f"System and {other!r} labels is {length} px")
                self.assertGreater(at_system, at_other, f"shared part starts at x={at_system} in the "
                                   f"System label, x={at_other} in {other!r}")


def longest_common_run(a, b):
    """(length, start in a, start in b) of the longest run of equal items in two sequences."""
    best = (0, 0, 0)
    previous = [0] * (len(b) + 1)
    for i in range(1, len(a) + 1):
        current = [0] * (len(b) + 1)
        for j in range(1, len(b) + 1):
            if a[i - 1] == b[j - 1]:
                current[j] = previous[j - 1] + 1
                if current[j] > best[0]:
                    best = (current[j], i - current[j], j - current[j])
        previous = current
    return best


if __name__ == "__main__":
    unittest.main()
