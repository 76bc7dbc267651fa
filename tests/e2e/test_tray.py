"""tests/e2e/test_tray.py: the notification-area icon as a user meets it.

One program run, steps in order: the icon shows the live three-bar picture; the title-bar
button hides the window into the tray; a double click on the icon brings it back; a right
click opens the tray menu; "Close" in it ends the program and the icon goes away.
"""

import os
import time
import unittest
from pathlib import Path

import e2elib

LIME = (0, 255, 0)
BLACK = (0, 0, 0)


def product():
    return Path(os.environ.get("TG_E2E_EXE", e2elib.PRODUCT))


class TrayTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.session = e2elib.Session("tray")
        cls.addClassCleanup(cls.session.stop)
        cls.session.start()
        cls.session.launch(product())
        cls.win = cls.session.wait_win_window(lambda w: w.title_bytes.endswith(b"Tallyglass"), timeout=60)
        cls.icon = e2elib.wait_until(cls._find_icon, 20, "the tray icon with its live picture", interval=0.3)

    @classmethod
    def _find_icon(cls):
        """The top-left of the 16 x 16 tray picture in desktop coordinates, found by its
        three lime bars with black outlines at columns 0, 5, 10 and 15."""
        img = cls.session.desktop_image("tray-icon")
        tx, ty, tw, th = cls.session.taskbar_rect()
        for y in range(ty, ty + th - 15):
            for x in range(tx + tw - 60, tx + tw - 15):
                if all(img.getpixel((x + c, y + 8)) == BLACK for c in (0, 5, 10, 15)) and \
                        all(img.getpixel((x + c, y + 8)) == LIME for c in (1, 4, 6, 9, 11, 14)) and \
                        all(img.getpixel((x + c, y + 15)) == BLACK for c in range(16)):
                    cls.icon_image = img
                    return (x, y)
        return None

    def window(self):
        return next((w for w in self.session.win_windows() if w.title_bytes.endswith(b"Tallyglass")), None)

    def icon_centre(self):
        return self.icon[0] + 8, self.icon[1] + 8

    def test_1_icon_shows_the_live_picture(self):
        x, y = self.icon
        img = self.icon_image
        img.crop((x - 4, y - 4, x + 20, y + 20)).resize((96, 96)).save(e2elib.RESULTS / "tray-icon-zoom.png")
        # Wine reports 99 % free: full-height lime bars over a black base line.
        for c in range(16):
            self.assertEqual(BLACK, img.getpixel((x + c, y + 15)), f"base line at column {c}")
        for c in range(16):
            self.assertEqual(BLACK, img.getpixel((x + c, y)), f"full bars: top outline at column {c}")
        for c in (1, 4, 6, 9, 11, 14):
            self.assertEqual(LIME, img.getpixel((x + c, y + 3)), f"bar column {c}")
        for c in (0, 5, 10, 15):
            self.assertEqual(BLACK, img.getpixel((x + c, y + 3)), f"outline column {c}")

    def tray_button(self, w):
        """The centre of the minimise-to-tray title-bar button: the rightmost extra button,
        just left of the close box."""
        left, top, width, _ = w.window_rect
        close_width = 18
        return left + width - 4 - close_width - 9, top + 3 + 9

    def test_1b_the_title_bar_button_shows_its_hint(self):
        w = self.window()
        x, y = self.tray_button(w)
        sx, sy = self.session.to_screen(x, y)
        self.session._xdotool("mousemove", "--sync", str(sx), str(sy))
        tip = e2elib.wait_until(
            lambda: next((t for t in self.session.win_windows()
                          if t.class_name.lower() == "tooltips_class32" and t.visible), None),
            10, "the button's tooltip")
        img = self.session.desktop_image("tooltip")
        tx, ty, tw, th = tip.window_rect
        self.assertLess(abs(tx - x), 40, f"tooltip at {tip.window_rect}, button at {(x, y)}")
        self.assertTrue(0 < ty - y < 60, f"tooltip at {tip.window_rect} not just below the button at {(x, y)}")
        # Text on the tooltip: dark pixels inside its frame, over some 100 pixels of width.
        dark = [px for px in range(tx + 3, tx + tw - 3) if any(e2elib.is_dark(img.getpixel((px, py)))
                                                                for py in range(ty + 3, ty + th - 3))]
        self.assertGreater(len(dark), 60, "the tooltip shows a line of text")
        # Move away so the tip goes.
        self.session._xdotool("mousemove", "--sync", "5", "5")

    def test_2_title_bar_button_hides_the_window_into_the_tray(self):
        w = self.window()
        self.assertTrue(w and w.visible, "the window is shown at start")
        self.session.click(*self.tray_button(w))
        e2elib.wait_until(lambda: not (self.window() and self.window().visible), 10, "the window to hide")
        self.session.desktop_image("hidden")

    def test_3_double_click_on_the_icon_shows_the_window(self):
        sx, sy = self.session.to_screen(*self.icon_centre())
        self.session._xdotool("mousemove", "--sync", str(sx), str(sy), "click", "--repeat", "2", "--delay", "80", "1")
        w = e2elib.wait_until(lambda: (lambda v: v if v and v.visible else None)(self.window()), 10,
                              "the window to come back")
        self.assertEqual((228, 205), w.window_rect[:2], "it comes back where it was")
        self.session.desktop_image("restored")

    def test_4_right_click_opens_the_menu_and_close_ends_the_program(self):
        x, y = self.icon_centre()
        self.session.click(x, y, button=3)
        menu = e2elib.wait_until(
            lambda: next((w for w in self.session.win_windows() if w.class_name == "#32768" and w.visible), None),
            10, "the tray menu")
        self.session.desktop_image("menu")
        mx, my, mw, mh = menu.window_rect
        # "&Close" is the last item.
        self.session.click(mx + mw // 2, my + mh - 10)
        e2elib.wait_until(lambda: self.window() is None, 15, "the program to end")
        img = self.session.desktop_image("closed")
        ix, iy = self.icon
        self.assertNotEqual(LIME, img.getpixel((ix + 2, iy + 3)), "the icon is gone from the notification area")


if __name__ == "__main__":
    unittest.main()
