"""tests/e2e/test_assembly.py: what the main window's components give a user, used the way
a user uses them: title-bar buttons, the tray menu, the registry they leave behind."""

import time
import unittest

import e2elib
from e2elib import ImageChops

RUN = r"HKCU\Software\Microsoft\Windows\CurrentVersion\Run"
ENTRY = "Pellory Tallyglass"  # the application title names the start-up entry
PLACEMENT = r"HKCU\Software\Pellory Solutions\Tallyglass"
WS_EX_TOPMOST = 0x8

# Extra title-bar buttons by their place from the close box leftwards.
TOPMOST_BUTTON = 1
ABOUT_BUTTON = 2
AUTO_RUN_BUTTON = 3

# A spot of bare background in the client area, right of the system figure's label: a press
# there drags the window.
BARE_BACKGROUND = (200, 8)


class AssemblyTest(e2elib.ProductTest):
    SUITE = "assembly"

    def auto_run_entry(self):
        return ENTRY in self.session.reg_query(RUN)

    def expect_auto_run(self, on, after):
        e2elib.wait_until(lambda: self.auto_run_entry() == on, 15,
                          f"the start-up entry to be {'written' if on else 'removed'} after {after}")

    def tray_item_row(self, menu, second):
        """The row of the first or second item of the tray menu's middle group ("Auto-run at
        StartUp", "About...")."""
        groups = self.session.menu_groups(menu, "tray-menu")
        self.assertEqual(3, len(groups), f"three groups of items in the tray menu: {groups}")
        top, bottom = groups[1]
        return top + (bottom - top) * (3 if second else 1) // 4

    def test_the_about_box_opens_from_the_button_and_from_the_tray_menu(self):
        for how in ("button", "menu"):
            with self.subTest(how=how):
                w = self.session.show_main_window(self.icon)
                if how == "button":
                    self.session.click(*self.session.title_bar_button(w, ABOUT_BUTTON))
                else:
                    menu = self.session.open_tray_menu(self.icon)
                    self.session.choose_menu_item(menu, self.tray_item_row(menu, second=True))
                box = self.session.wait_win_window(lambda v: v.title_bytes == b"About Tallyglass", timeout=20)
                img = e2elib.wait_until(lambda: self.painted(box), 15, "the about box to be painted", interval=0.3)
                img.save(e2elib.RESULTS / f"assembly-about-{how}.png")
                # The seven-line description: dark text on many rows of the box.
                x, y, cw, ch = box.client_rect
                rows = {py for py in range(y, y + ch) for px in range(x, x + cw, 2)
                        if e2elib.is_dark(img.getpixel((px, py)))}
                self.assertGreater(len(rows), 60, "the box shows its title, credits and description")
                self.assertIsNotNone(e2elib.find_icon(img, (x, y, 40, 44), 32),
                                     "the program's own 32 x 32 icon at the box's top left")
                self.session.key("Escape")
                e2elib.wait_until(lambda: not any(v.title_bytes == b"About Tallyglass" and v.visible
                                                  for v in self.session.win_windows()), 15, "the about box to close")

    def test_the_about_button_s_hint_goes_with_the_click_and_the_closed_box_leaves_nothing(self):
        w = self.session.show_main_window(self.icon)
        before = e2elib.wait_until(lambda: self.painted(w), 15, "the main window to be painted", interval=0.3)
        x, y = self.session.title_bar_button(w, ABOUT_BUTTON)
        for dy in (30, 0):  # onto the button from elsewhere: a hint shows when the pointer comes over it
            self.session._xdotool("mousemove", "--sync", *map(str, self.session.to_screen(x, y + dy)))
        hx, hy, hw, hh = e2elib.wait_until(lambda: next((t for t in self.session.win_windows() if t.visible and t.pid == w.pid
                                           and t.class_name.lower() == "tooltips_class32"), None), 10, "a hint").window_rect
        hint, (wx, wy, ww, wh) = (hx, hy, hx + hw, hy + hh), w.window_rect
        tray_tip = (0, self.session.taskbar_rect()[1] - 30) + self.session.size  # and the taskbar
        picture = self.session.desktop_image("about-hint").crop(hint)
        self.session._xdotool("click", "1")
        opening, deadline = None, time.monotonic() + 15
        # From when the program takes the click (the opening box draws beside the window).
        while opening is None or time.monotonic() < opening + 1.5:
            self.assertLess(time.monotonic(), deadline, "the about box to open")
            img = self.session.grab()
            elsewhere = ImageChops.difference(img, before)
            for covered in ((wx, wy, wx + ww, wy + wh), hint, tray_tip):
                elsewhere.paste((0, 0, 0), covered)
            opening = opening or (elsewhere.getbbox() and time.monotonic())
            self.assertFalse(opening and e2elib.same(img.crop(hint), picture) > 0.6, "the hint stands while the box opens")
        box = self.session.wait_win_window(lambda v: v.title_bytes == b"About Tallyglass", timeout=20)
        (cx, cy, cw, ch), (bx, by, bw, bh) = w.client_rect, box.window_rect
        under = (max(cx, bx), max(cy, by), min(cx + cw, bx + bw), min(cy + ch, by + bh))
        beside = (bx, cy + ch + 4, bx + bw, by + bh)  # the box's part below the window
        self.session._xdotool("mousemove", "--sync", *map(str, self.session.to_screen(5, 5)))  # no hint comes back
        opened = e2elib.wait_until(lambda: self.painted(box), 15, "the about box to be painted", interval=0.3)
        self.session.key("Escape")
        back, deadline = 0, time.monotonic() + 15
        while back < 0.95:
            self.assertLess(time.monotonic(), deadline, "the window to show again")
            img = self.session.grab()
            # Gone from beside the window (animation lines may cross a few per cent), so gone over it.
            if e2elib.same(img.crop(beside), before.crop(beside)) > 0.95:
                back = e2elib.same(img.crop(under), before.crop(under))
                self.assertLess(e2elib.same(img.crop(under), opened.crop(under)), 0.5, "the box stays over the window")

    def painted(self, box):
        img = self.session.desktop_image("about")
        x, y, cw, ch = box.client_rect
        return img if sum(e2elib.is_dark(p) for _, _, p in e2elib.pixels(img, (x, y, cw, ch))) > 200 else None

    def click_tray_auto_run_item(self):
        menu = self.session.open_tray_menu(self.icon)
        self.session.choose_menu_item(menu, self.tray_item_row(menu, second=False))
        e2elib.wait_until(lambda: not any(w.class_name == "#32768" and w.visible for w in self.session.win_windows()),
                          10, "the tray menu to close")

    def test_it_starts_as_a_tray_icon_only(self):
        if self.session.main_window() is not None:
            self.session.taskkill("Tallyglass.exe")
            e2elib.wait_until(lambda: self.session.main_window() is None, 30, "the running program to end")
        icon = self.session.start_product()
        self.assertFalse(self.session.main_window().visible, "no window at start")
        img = self.session.desktop_image("started")
        tx, ty, tw, th = self.taskbar_rect_inside()
        colours = {img.getpixel((x, y)) for x in range(tx + tw // 10, tx + tw * 6 // 10, 2) for y in range(ty, ty + th)}
        self.assertEqual(1, len(colours), "the taskbar holds no button")
        # The icon's tooltip: the three figures.
        sx, sy = self.session.to_screen(icon[0] + 8, icon[1] + 8)
        self.session._xdotool("mousemove", "--sync", str(sx), str(sy))
        tip = e2elib.wait_until(
            lambda: next((t for t in self.session.win_windows()
                          if t.class_name.lower() == "tooltips_class32" and t.visible
                          and abs(t.window_rect[1] - icon[1]) < 60), None),
            10, "the tray icon's tooltip")
        self.assertGreater(tip.window_rect[2], 120, "a tooltip wide enough for three figures")
        self.session._xdotool("mousemove", "--sync", "5", "5")

    def taskbar_rect_inside(self):
        x, y, w, h = self.session.taskbar_rect()
        return x + 2, y + 4, w - 4, h - 8

    def test_auto_run_button_and_tray_item_stay_in_step_with_the_start_up_entry(self):
        # The tray item inverts its own check mark and writes that: had the mark not followed
        # the button, a click on the item would write what is there already.
        self.assertFalse(self.auto_run_entry(), "no start-up entry in a fresh prefix")
        w = self.session.show_main_window(self.icon)
        self.session.click(*self.session.title_bar_button(w, AUTO_RUN_BUTTON))
        self.expect_auto_run(True, "the title-bar button")
        self.click_tray_auto_run_item()
        self.expect_auto_run(False, "the tray menu item")
        self.click_tray_auto_run_item()
        self.expect_auto_run(True, "the tray menu item again")
        w = self.session.show_main_window(self.icon)
        self.session.click(*self.session.title_bar_button(w, AUTO_RUN_BUTTON))
        self.expect_auto_run(False, "the title-bar button again")
        self.click_tray_auto_run_item()
        self.expect_auto_run(True, "the tray menu item after the button")
        self.click_tray_auto_run_item()
        self.expect_auto_run(False, "the last click")

    def topmost(self):
        return bool(self.session.main_window().exstyle & WS_EX_TOPMOST)

    def drag_client(self, dx, dy, arrived, steps=6):
        """Drags the window by its bare background as a user does: press, a few moves, release,
        and returns where it stays. The first move waits until the window followed, and the
        release until it followed the last one (arrived(place) is true)."""
        w = self.session.main_window()
        x, y, _, _ = w.client_rect
        px, py = self.session.to_screen(x + BARE_BACKGROUND[0], y + BARE_BACKGROUND[1])
        left, top = w.window_rect[:2]
        self.session._xdotool("mousemove", "--sync", str(px), str(py), "mousedown", "1")
        for i in range(1, steps + 1):
            self.session._xdotool("mousemove", "--sync", str(px + dx * i // steps), str(py + dy * i // steps))
            if i == 1:
                e2elib.wait_until(lambda: self.session.main_window().window_rect[:2] != (left, top), 10,
                                  "the window to follow the pointer")
        try:
            e2elib.wait_until(lambda: arrived(self.session.main_window().window_rect[:2]), 15,
                              "the window to follow the last move")
        except e2elib.E2EError:
            self.session.desktop_image("not-followed")
            self.fail(f"the window stopped at {self.session.main_window().window_rect[:2]}, "
                      f"the pointer at {self.session._xdotool('getmouselocation').stdout.strip()}")
        self.session._xdotool("mouseup", "1")
        return self.settled("the window to stay where it was dropped")

    def settled(self, what):
        """The window's place once two readings a moment apart agree."""
        last = [None]

        def probe():
            now = self.session.main_window().window_rect[:2]
            done, last[0] = now == last[0], now
            return now if done else None
        return e2elib.wait_until(probe, 10, what, interval=0.3)

    def close_with_close_box(self):
        left, top, width, _ = self.session.main_window().window_rect
        # The close box: 18 pixels wide, 4 from the frame's right edge.
        self.session.click(left + width - 4 - 9, top + 3 + 9)
        e2elib.wait_until(lambda: self.session.main_window() is None, 20, "the program to end")

    def test_on_top_it_snaps_to_an_edge_when_dragged_near_and_reopens_where_it_was_closed(self):
        w = self.session.show_main_window(self.icon)
        self.assertTrue(self.topmost(), "the magnet makes the window topmost from the start")
        for expected in (False, True):
            self.session.click(*self.session.title_bar_button(w, TOPMOST_BUTTON))
            e2elib.wait_until(lambda: self.topmost() == expected, 10,
                              f"the topmost button to turn always-on-top {'on' if expected else 'off'}")

        # From 228 to 10 pixels off the left edge: closer than the 16-pixel snapping distance.
        left, top = w.window_rect[:2]
        self.assertEqual((0, top), self.drag_client(10 - left, 0, lambda at: at[0] < 10),
                         "snapped to the work area's left edge")
        self.session.desktop_image("snapped")
        # Pulled well away, it comes free and stays where it was dropped.
        w = self.session.main_window()
        # (Where exactly, give or take a few pixels, depends on when the system's move loop took
        # over the pointer.)
        placed = self.drag_client(60, 40, lambda at: abs(at[0] - 60) < 16 and abs(at[1] - top - 40) < 16)
        self.session.desktop_image("dropped")
        self.close_with_close_box()
        stored = self.session.reg_query(PLACEMENT)
        self.assertEqual(("REG_DWORD", hex(placed[0])), stored.get("Left"), f"the stored left: {stored}")
        self.session.start_product()
        w = self.session.show_main_window()
        self.assertEqual(placed, w.window_rect[:2], "started again, it reopens where it was closed")
        self.assertTrue(self.topmost(), "and on top")


if __name__ == "__main__":
    unittest.main()
