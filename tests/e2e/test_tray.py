"""tests/e2e/test_tray.py: the notification-area icon as a user meets it.

The icon shows the live three-bar picture; the title-bar button hides the window into the
tray; a double click on the icon brings it back; a right click opens the tray menu; "Close"
in it ends the program and the icon goes away. Each test sets up what it needs itself (the
program running, the window shown or hidden), so they pass in any order and alone.
"""

import time
import unittest

import e2elib
from e2elib import BLACK, LIME


class TrayTest(e2elib.ProductTest):
    SUITE = "tray"

    def window(self):
        return self.session.main_window()

    def tray_button(self, w):
        """The minimise-to-tray title-bar button: the first extra button, next to the close box."""
        return self.session.title_bar_button(w, 0)

    def hide_into_tray(self):
        w = self.session.show_main_window(self.icon)
        self.session.click(*self.tray_button(w))
        e2elib.wait_until(lambda: not self.window().visible, 10, "the window to hide")

    def test_the_icon_shows_the_live_picture(self):
        x, y = self.icon
        img = self.session.desktop_image("tray-icon")
        img.crop((x - 4, y - 4, x + 20, y + 20)).resize((96, 96)).save(e2elib.RESULTS / "tray-icon-zoom.png")
        # Wine reports 99 % free: full-height lime bars over a black base line.
        for c in range(16):
            self.assertEqual(BLACK, img.getpixel((x + c, y + 15)), f"base line at column {c}")
            self.assertEqual(BLACK, img.getpixel((x + c, y)), f"full bars: top outline at column {c}")
        for c in (1, 4, 6, 9, 11, 14):
            self.assertEqual(LIME, img.getpixel((x + c, y + 3)), f"bar column {c}")
        for c in (0, 5, 10, 15):
            self.assertEqual(BLACK, img.getpixel((x + c, y + 3)), f"outline column {c}")

    def test_the_title_bar_button_shows_its_hint(self):
        w = self.session.show_main_window(self.icon)
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

    def test_the_icon_s_tooltip_does_not_follow_the_pointer_away(self):
        w = self.session.show_main_window(self.icon)
        x, y = self.icon
        tips = lambda: [t for t in self.session.win_windows()
                        if t.visible and t.pid != w.pid and t.class_name.lower() == "tooltips_class32"]
        for attempt in range(3):
            px, py = w.client_rect[0] + 20 + 10 * attempt, w.client_rect[1] + 20  # over the gauges
            for spot in ((px, py - 10), (x + 8, y + 8)):  # onto the icon from elsewhere
                self.session._xdotool("mousemove", "--sync", *map(str, self.session.to_screen(*spot)))
            tx, ty, tw, th = e2elib.wait_until(tips, 10, "the icon's tooltip")[0].window_rect
            frame = self.session.desktop_image("tray-tip").getpixel((tx + tw // 2, ty))
            self.session._xdotool("mousemove", "--sync", *map(str, self.session.to_screen(px, py)))
            until = time.monotonic() + 2  # 40 ticks, each of which would carry the tooltip along
            while time.monotonic() < until:
                img = self.session.grab()
                rows = [sum(img.getpixel((cx, cy)) == frame for cx in range(px - 10, px + tw)) for cy in range(py, py + 50)]
                self.assertLess(max(rows), tw * 3 // 4, f"the icon's tooltip stands at the pointer {(px, py)}")
            self.assertEqual([], [t for t in tips() if t.window_rect != (tx, ty, tw, th)], "the tooltip left the icon")

    def test_the_title_bar_button_hides_the_window_into_the_tray(self):
        w = self.session.show_main_window(self.icon)
        self.session.click(*self.tray_button(w))
        e2elib.wait_until(lambda: not self.window().visible, 10, "the window to hide")
        self.session.desktop_image("hidden")
        self.assertIsNotNone(self.session.find_tray_picture(), "the icon stays while the window is hidden")

    def test_a_double_click_on_the_icon_shows_the_window_where_it_was(self):
        self.hide_into_tray()
        w = self.session.show_main_window(self.icon)
        self.assertEqual(e2elib.MAIN_WINDOW_POSITION, w.window_rect[:2], "it comes back where it was")
        self.session.desktop_image("restored")

    def test_a_right_click_opens_the_menu_and_close_ends_the_program(self):
        x, y = self.icon
        self.session.open_tray_menu(self.icon)
        self.session.desktop_image("menu")
        # "&Close" by its key: the icon's tooltip, shown while the pointer rests on the icon,
        # may cover the menu's last item.
        self.session.key("c")
        e2elib.wait_until(lambda: self.window() is None, 15, "the program to end")
        img = self.session.desktop_image("closed")
        self.assertNotEqual(LIME, img.getpixel((x + 2, y + 3)), "the icon is gone from the notification area")


if __name__ == "__main__":
    unittest.main()
