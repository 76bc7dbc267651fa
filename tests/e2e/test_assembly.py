"""tests/e2e/test_assembly.py: what the main window's components give a user, used the way
a user uses them: title-bar buttons, the tray menu, the registry they leave behind."""

import unittest

import e2elib

RUN = r"HKCU\Software\Microsoft\Windows\CurrentVersion\Run"
ENTRY = "Pellory Tallyglass"  # the application title names the start-up entry

# Extra title-bar buttons by their place from the close box leftwards.
AUTO_RUN_BUTTON = 3


class AssemblyTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.session = e2elib.Session("assembly")
        cls.addClassCleanup(cls.session.stop)
        cls.session.start()

    def setUp(self):
        if self.session.main_window() is None:
            self.session.start_product()
        self.icon = self.session.wait_tray_picture()

    def auto_run_entry(self):
        return ENTRY in self.session.reg_query(RUN)

    def expect_auto_run(self, on, after):
        e2elib.wait_until(lambda: self.auto_run_entry() == on, 15,
                          f"the start-up entry to be {'written' if on else 'removed'} after {after}")

    def click_tray_auto_run_item(self):
        menu = self.session.open_tray_menu(self.icon)
        groups = self.session.menu_groups(menu, "tray-menu")
        self.assertEqual(3, len(groups), f"three groups of items in the tray menu: {groups}")
        top, bottom = groups[1]  # "Auto-run at StartUp", then "About..."
        self.session.choose_menu_item(menu, top + (bottom - top) // 4)
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


if __name__ == "__main__":
    unittest.main()
