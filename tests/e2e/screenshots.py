#!/usr/bin/env python3
"""tests/e2e/screenshots.py: the README's pictures, taken from the real program the way the
end-to-end tests see it (scripts/screenshots runs it).

Usage: screenshots.py [OUTDIR]   (default: docs/ of the repository)

Writes OUTDIR/main-window.png (the main window, shown from the tray, cropped to its frame)
and OUTDIR/tray.png (the right end of the taskbar with the tray icon and the tooltip its
figures make, shown while the pointer rests on the icon). The program runs in a fresh Wine
prefix, so nothing stored moves the window, and Wine always reports the same figures: the
same program gives the same pictures. Each picture is taken once the screen has stopped
changing, and saved without any metadata.
"""
import sys
from pathlib import Path

HERE = Path(__file__).resolve().parent
sys.path.insert(0, str(HERE))

import e2elib  # noqa: E402
from e2elib import wait_until  # noqa: E402

MARGIN = 6  # desktop pixels kept around the tray icon and its tooltip


def visible_tooltip(session):
    return next((w for w in session.win_windows()
                 if w.class_name.lower() == "tooltips_class32" and w.visible), None)


def settled(session, box, name):
    """The desktop cropped to box = (left, top, right, bottom) once two pictures in a row
    are the same: windows are drawn asynchronously, and a tooltip fades in."""
    last = [None]

    def probe():
        img = session.desktop_image(name).crop(box)
        same = last[0] is not None and img.tobytes() == last[0].tobytes()
        last[0] = img
        return img if same else None
    return wait_until(probe, 20, f"the {name} picture to stop changing", interval=0.3)


def pointer_to(session, x, y):
    sx, sy = session.to_screen(x, y)
    session._xdotool("mousemove", "--sync", str(sx), str(sy + 1))
    session._xdotool("mousemove", "--sync", str(sx), str(sy))


def main_window_picture(session, icon):
    w = session.show_main_window(icon)
    # The pointer goes where it covers nothing and raises no tooltip.
    pointer_to(session, 2, 2)
    wait_until(lambda: visible_tooltip(session) is None, 10, "the tooltips to go")
    left, top, width, height = w.window_rect
    # The first tick has drawn the gauges once their figures stand beside the labels.
    return settled(session, (left, top, left + width, top + height), "main-window")


def tray_picture(session, icon):
    x, y = icon
    pointer_to(session, x + 8, y + 8)
    tip = wait_until(lambda: visible_tooltip(session), 15, "the tray icon's tooltip")
    tx, ty, tw, th = tip.window_rect
    bx, by, bw, bh = session.taskbar_rect()
    # The pointer itself is no part of the picture: X draws it apart from the screen image.
    box = (max(min(tx, x) - MARGIN, 0), max(ty - MARGIN, 0), bx + bw, by + bh)
    return settled(session, box, "tray")


def main(argv):
    out = Path(argv[0]) if argv else HERE.parents[1] / "docs"
    out.mkdir(parents=True, exist_ok=True)
    with e2elib.Session("screenshots") as session:
        icon = session.start_product()
        window = main_window_picture(session, icon)
        tray = tray_picture(session, icon)
    for name, img in (("main-window.png", window), ("tray.png", tray)):
        img.save(out / name, optimize=True)
        print(f"{out / name}: {img.width} x {img.height}")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
