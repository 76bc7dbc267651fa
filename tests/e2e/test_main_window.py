"""tests/e2e/test_main_window.py: the main window as a user first sees it."""

import os
import unittest
from pathlib import Path

import e2elib

TITLE_ANSI = b"Pellory\xae Tallyglass"   # the caption in the Windows ANSI code page
TITLE_X = "Pellory\u00ae Tallyglass"     # the same caption as Wine hands it to X (UTF-8)
OUTER_TOP_LEFT = (228, 205)              # desktop coordinates of the window rectangle
CLIENT_SIZE = (241, 108)

# (left, top, width, height) in client coordinates, border included
GAUGES = {
    "System resources:": (4, 14, 235, 19),
    "User resources:": (4, 50, 235, 19),
    "GDI resources:": (4, 86, 235, 19),
}
LABEL_HEIGHT = 14   # the band between a gauge and the one above it (or the client top)
LABEL_LEFT_SLACK = 6


def product():
    # TG_E2E_EXE lets the harness be tried against another build of the program.
    return Path(os.environ.get("TG_E2E_EXE", e2elib.PRODUCT))


class MainWindowTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        exe = product()
        if not exe.is_file():
            raise e2elib.E2EError(f"{exe} is missing: build the Windows tree first")
        cls.session = e2elib.Session("main_window")
        cls.addClassCleanup(cls.session.stop)
        cls.session.start()
        cls.session.launch(exe)
        cls.xid = cls.session.wait_window("Tallyglass$", timeout=60)
        cls.win = cls.session.wait_win_window(TITLE_ANSI, timeout=30)
        # The first paint may trail the window's appearance; wait until the client area holds
        # something other than the window background before looking at pixels.
        cls.img = e2elib.wait_until(cls._painted_image, 15, "the main window to be painted",
                                    interval=0.3)

    @classmethod
    def _painted_image(cls):
        img = cls.session.desktop_image("main_window")
        x, y, w, h = cls.win.client_rect
        return img if any(e2elib.is_white(p) for _, _, p in e2elib.pixels(img, (x, y, w, h))) else None

    def client_to_desktop(self, rect):
        x, y, _, _ = self.win.client_rect
        return e2elib.offset(rect, x, y)

    def test_x_window_name_is_the_caption_in_utf8(self):
        self.assertEqual(TITLE_X, self.session.window_name(self.xid), "X name of the main window")

    def test_win32_caption_is_ansi_with_registered_sign(self):
        self.assertEqual(TITLE_ANSI, self.win.title_bytes, "GetWindowTextA of the main window")

    def test_window_is_visible_at_start(self):
        self.assertTrue(self.win.visible, f"main window not visible: {self.win}")
        self.assertFalse(self.win.iconic, f"main window minimized: {self.win}")

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

    def test_client_area_lies_inside_the_window(self):
        wx, wy, ww, wh = self.win.window_rect
        cx, cy, cw, ch = self.win.client_rect
        self.assertTrue(wx <= cx and cx + cw <= wx + ww and wy <= cy and cy + ch <= wy + wh,
                        f"client {self.win.client_rect} outside window {self.win.window_rect}")

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

    def test_gauge_interiors_are_white(self):
        for label, rect in GAUGES.items():
            with self.subTest(gauge=label):
                r = self.client_to_desktop(e2elib.inset(rect, 1))
                not_white = [(x, y, p) for x, y, p in e2elib.pixels(self.img, r)
                             if not e2elib.is_white(p)]
                self.assertEqual([], not_white[:5],
                                 f"{label} gauge interior pixels that are not white "
                                 f"({len(not_white)} in all)")

    def label_band(self, rect):
        """The client band above a gauge, where its label is drawn."""
        left, top, width, _ = rect
        return (0, top - LABEL_HEIGHT, CLIENT_SIZE[0], LABEL_HEIGHT)

    def dark_columns(self, band):
        r = self.client_to_desktop(band)
        cx = self.win.client_rect[0]
        return sorted({x - cx for x, _, p in e2elib.pixels(self.img, r) if e2elib.is_dark(p)})

    def test_labels_are_drawn_left_aligned_above_each_gauge(self):
        for label, rect in GAUGES.items():
            with self.subTest(label=label):
                columns = self.dark_columns(self.label_band(rect))
                self.assertGreaterEqual(len(columns), 20,
                                        f"too few dark text columns for {label!r}: {columns}")
                self.assertLessEqual(abs(columns[0] - rect[0]), LABEL_LEFT_SLACK,
                                     f"{label!r} starts at x={columns[0]}, gauge at x={rect[0]}")
                self.assertLess(columns[-1], CLIENT_SIZE[0] * 3 // 4,
                                f"{label!r} text reaches x={columns[-1]}: not a short left label")

    def test_system_label_is_the_widest(self):
        widths = {}
        for label, rect in GAUGES.items():
            columns = self.dark_columns(self.label_band(rect))
            self.assertTrue(columns, f"no text above the {label!r} gauge")
            widths[label] = columns[-1] - columns[0]
        self.assertGreater(widths["System resources:"], widths["User resources:"],
                           f"label text widths {widths}")
        self.assertGreater(widths["System resources:"], widths["GDI resources:"],
                           f"label text widths {widths}")


if __name__ == "__main__":
    unittest.main()
