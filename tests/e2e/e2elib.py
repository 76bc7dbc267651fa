"""tests/e2e/e2elib.py: harness for end-to-end tests of the real program under Wine.

A Session owns one Xvfb server, one fresh Wine prefix copied from the template
(scripts/lib.sh) and one Wine virtual desktop in it; tests start programs inside that desktop
and look at them the way a user does: X window names, screenshots read pixel by pixel, clicks
and keys through xdotool, the registry through `wine reg`.

How Wine 8's virtual desktop looks from X (found by trying it, Xvfb without a window manager):

* The desktop is one top-level X window named "<name> - Wine desktop" (here "e2e - Wine
  desktop"), at 0,0 of the screen. Everything Windows shows is drawn inside it, the taskbar
  (with the notification area) as well.
* Each visible Win32 top-level window is also an X window, a *child* of the desktop window,
  named with the Win32 caption converted to UTF-8 (the ANSI bytes
  b"Pellory\\xae Tallyglass" appear as "Pellory® Tallyglass"). Its X geometry is the whole
  Win32 window rectangle, frame and caption included, since Wine draws the non-client area
  itself. Hidden windows have no mapped X window. (Without a virtual desktop it differs:
  the X window is only the client area, as Wine leaves the frame to a window manager.)
* `xdotool search --name` finds these children; `xdotool getwindowgeometry` reports a wrong
  position for them (the offset inside the parent counted twice), so positions come from
  `xwininfo`'s absolute coordinates minus the desktop window's.
* The client area has no X window of its own. Client rectangles, exact ANSI captions, window
  styles and owner processes come from a small Win32 helper (WININFO_SOURCE below, compiled
  on first use) that runs in the same desktop and prints what EnumWindows sees.
* The prefix's default desktop is set to the session's desktop, so every Wine program of the
  session (the helper, `wine reg`, `wine taskkill`) runs in that same desktop.
* Keys: `xdotool key --window ID` (synthetic events) works both on a top-level's X window and
  on the desktop window (the focused Win32 window receives them); `key()` without a window
  uses XTEST, which reaches the focused window, e.g. after a click on it. Alt+F4 closes a
  window either way. No window manager runs, so never `windowactivate`.
* Clicks go through XTEST at screen coordinates; `click()` takes desktop coordinates.
"""

import atexit
import hashlib
import json
import os
import re
import shutil
import select
import signal
import subprocess
import time
import unittest
from collections import Counter
from pathlib import Path

try:
    from PIL import Image, ImageChops
except ImportError:  # scripts/lib.sh installs python3-pil; fail in the test, not at import
    Image = ImageChops = None

REPO = Path(__file__).resolve().parents[2]
BUILD = REPO / "build"
RESULTS = BUILD / "test-results" / "e2e"
LIB_SH = REPO / "scripts" / "lib.sh"
PRODUCT = BUILD / "win" / "app" / "Tallyglass.exe"
TOOLS = BUILD / "e2e-tools"
MINGW_GCC = "i686-w64-mingw32-gcc-win32"

DESKTOP_NAME = "e2e"
DESKTOP_SIZE = (800, 600)
SCREEN = "1024x768x24"


# What the program shows, shared by every suite.
TITLE_ANSI = b"Pellory\xae Tallyglass"   # the main window's caption in the Windows ANSI code page
MAIN_WINDOW_POSITION = (228, 205)        # where the main window stands, desktop coordinates
# The three gauges, (left, top, width, height) in client coordinates, border included.
GAUGES = {
    "System resources:": (4, 14, 235, 19),
    "User resources:": (4, 50, 235, 19),
    "GDI resources:": (4, 86, 235, 19),
}
LIME = (0, 255, 0)
MAGENTA = (255, 0, 255)
BLACK = (0, 0, 0)


def product():
    """The program under test: TG_E2E_EXE (another build) or the Windows tree's."""
    return Path(os.environ.get("TG_E2E_EXE", PRODUCT))


class E2EError(AssertionError):
    """A harness step failed; raised as an assertion so unittest reports it as a failure."""


def wait_until(probe, timeout, what, interval=0.1):
    """Polls probe() until it returns something truthy and returns that; fails after timeout."""
    deadline = time.monotonic() + timeout
    while True:
        value = probe()
        if value:
            return value
        if time.monotonic() >= deadline:
            raise E2EError(f"timed out after {timeout:.0f} s waiting for {what}")
        time.sleep(interval)


def windows_path(path):
    """Windows path of a Linux path through the Z: drive, without starting Wine."""
    return "Z:" + str(Path(path).resolve()).replace("/", "\\")


def lib_sh(command, env=None, timeout=300):
    """Runs a command with scripts/lib.sh sourced and returns its stdout, stripped."""
    proc = subprocess.run(
        ["bash", "-c", f'source "{LIB_SH}" && {command}'],
        stdin=subprocess.DEVNULL, stdout=subprocess.PIPE, stderr=subprocess.PIPE,
        env=env, timeout=timeout, text=True)
    if proc.returncode != 0:
        raise E2EError(f"lib.sh `{command}` failed ({proc.returncode}): {proc.stderr.strip()}")
    return proc.stdout.strip()


# --- pixels -------------------------------------------------------------------------------

def is_dark(px):
    return max(px[:3]) < 100


def is_white(px):
    return min(px[:3]) >= 250


def pixels(img, rect):
    """Yields (x, y, pixel) for every pixel of rect = (left, top, width, height)."""
    left, top, width, height = rect
    for y in range(top, top + height):
        for x in range(left, left + width):
            yield x, y, img.getpixel((x, y))


def same(a, b):
    """The share of pixels that two pictures of one size have alike."""
    return ImageChops.difference(a, b).convert("L").histogram()[0] / (a.size[0] * a.size[1])


def ring(rect):
    """The coordinates of the outermost one-pixel ring of rect = (left, top, width, height)."""
    left, top, width, height = rect
    right, bottom = left + width - 1, top + height - 1
    for x in range(left, right + 1):
        yield x, top
        yield x, bottom
    for y in range(top + 1, bottom):
        yield left, y
        yield right, y


def inset(rect, by=1):
    left, top, width, height = rect
    return (left + by, top + by, width - 2 * by, height - 2 * by)


def offset(rect, dx, dy):
    left, top, width, height = rect
    return (left + dx, top + dy, width, height)


# The program's icon: three bars (green, yellow, red) with shared one-pixel black outlines
# over a black base line, transparent around. Per size: outline columns, bar tops, base row.
ICON_BARS = {16: ((0, 5, 10, 15), (1, 6, 10), 15), 32: ((1, 11, 21, 31), (2, 11, 19), 30)}


def hue(px):
    """The bar colour a pixel shows, shaded or not: "green", "yellow", "red" or None."""
    r, g, b = px[:3]
    return None if b >= 100 else {(0, 1): "green", (1, 1): "yellow", (1, 0): "red"}.get((r >= 128, g >= 128))


def is_icon(img, x, y, size):
    """Whether the program's icon stands with its top-left at (x, y)."""
    columns, tops, base = ICON_BARS[size]
    at = lambda cx, cy: img.getpixel((x + cx, y + cy))[:3]
    for colour, left, right, top in zip(("green", "yellow", "red"), columns, columns[1:], tops):
        mid = (left + right) // 2
        if (hue(at(mid, (top + base) // 2)), at(mid, top), at(left, base - 1), at(right, base - 1), at(mid, base)) \
                != (colour, BLACK, BLACK, BLACK, BLACK) or at(mid, top - 1) == BLACK or hue(at(mid, top - 1)):
            return False
    return True


def find_icon(img, area, size):
    """The top-left of the program's icon inside area = (left, top, width, height), or None."""
    left, top, width, height = area
    return next(((x, y) for y in range(top, top + height - size + 1) for x in range(left, left + width - size + 1)
                 if is_icon(img, x, y, size)), None)


# --- X display ----------------------------------------------------------------------------

class Xvfb:
    """An Xvfb server on the first free display number from :91."""

    def __init__(self, first=91, last=140, screen=SCREEN):
        self.first, self.last, self.screen = first, last, screen
        self.proc = None
        self.display = None

    def start(self):
        RESULTS.mkdir(parents=True, exist_ok=True)
        for n in range(self.first, self.last + 1):
            if os.path.exists(f"/tmp/.X{n}-lock") or os.path.exists(f"/tmp/.X11-unix/X{n}"):
                continue
            log = open(RESULTS / f"xvfb-{n}.log", "wb")
            # The server itself says when it is ready (-displayfd): another server answering on
            # the same number is never taken for this one.
            ready_r, ready_w = os.pipe()
            proc = subprocess.Popen(
                ["Xvfb", f":{n}", "-screen", "0", self.screen, "-nolisten", "tcp", "-displayfd", str(ready_w)],
                stdin=subprocess.DEVNULL, stdout=log, stderr=subprocess.STDOUT,
                start_new_session=True, pass_fds=(ready_w,))
            log.close()
            os.close(ready_w)
            announced = b""
            try:
                deadline = time.monotonic() + 15
                while time.monotonic() < deadline and proc.poll() is None:
                    if select.select([ready_r], [], [], 0.1)[0]:
                        chunk = os.read(ready_r, 16)
                        if not chunk:
                            break
                        announced += chunk
                        if announced.endswith(b"\n"):
                            self.proc, self.display = proc, f":{n}"
                            return self.display
            finally:
                os.close(ready_r)
            # Lost a race for this display number, or it hung: try the next one.
            if proc.poll() is None:
                proc.kill()
                proc.wait()
        raise E2EError(f"could not start Xvfb on any display :{self.first}..:{self.last}")

    def stop(self):
        if self.proc and self.proc.poll() is None:
            self.proc.terminate()
            try:
                self.proc.wait(5)
            except subprocess.TimeoutExpired:
                self.proc.kill()
                self.proc.wait()
        self.proc = None


# --- the Win32 helper ---------------------------------------------------------------------

# Prints, as one JSON object per line, what EnumWindows sees in the helper's desktop:
# `wininfo` lists top-level windows, `wininfo children HWND` the children of one window,
# `wininfo close HWND` posts WM_CLOSE to it, `wininfo none` prints the first line alone
# (desktop, screen size and Windows version). Strings are printed as hex of their ANSI bytes.
WININFO_SOURCE = r"""
#include <windows.h>
#include <stdio.h>
#include <stdlib.h>

static void hex(const char *s) {
    for (; *s; ++s) printf("%02x", (unsigned char)*s);
}

static BOOL CALLBACK print_window(HWND h, LPARAM parent) {
    char cls[256] = "", title[512] = "";
    RECT wr, cr;
    POINT origin = {0, 0};
    DWORD pid = 0;
    GetClassNameA(h, cls, sizeof cls);
    GetWindowTextA(h, title, sizeof title);
    GetWindowRect(h, &wr);
    GetClientRect(h, &cr);
    ClientToScreen(h, &origin);
    GetWindowThreadProcessId(h, &pid);
    printf("{\"hwnd\":%lu,\"parent\":%lu,\"owner\":%lu,\"pid\":%lu,\"class\":\"",
           (unsigned long)(ULONG_PTR)h, (unsigned long)parent,
           (unsigned long)(ULONG_PTR)GetWindow(h, GW_OWNER), (unsigned long)pid);
    hex(cls);
    printf("\",\"title\":\"");
    hex(title);
    printf("\",\"visible\":%d,\"iconic\":%d,\"style\":%lu,\"exstyle\":%lu,"
           "\"window\":[%ld,%ld,%ld,%ld],\"client\":[%ld,%ld,%ld,%ld]}\n",
           IsWindowVisible(h) ? 1 : 0, IsIconic(h) ? 1 : 0,
           (unsigned long)GetWindowLongA(h, GWL_STYLE), (unsigned long)GetWindowLongA(h, GWL_EXSTYLE),
           wr.left, wr.top, wr.right, wr.bottom, origin.x, origin.y, cr.right, cr.bottom);
    return TRUE;
}

int main(int argc, char **argv) {
    char desk[256] = "";
    OSVERSIONINFOA v;
    v.dwOSVersionInfoSize = sizeof v;
    GetVersionExA(&v);
    GetUserObjectInformationA(GetThreadDesktop(GetCurrentThreadId()), UOI_NAME, desk, sizeof desk, NULL);
    printf("{\"desktop\":\"");
    hex(desk);
    printf("\",\"screen\":[%d,%d],\"version\":[%lu,%lu,%lu]}\n", GetSystemMetrics(SM_CXSCREEN),
           GetSystemMetrics(SM_CYSCREEN), v.dwMajorVersion, v.dwMinorVersion, v.dwPlatformId);
    if (argc == 3 && lstrcmpA(argv[1], "children") == 0) {
        HWND h = (HWND)(ULONG_PTR)strtoul(argv[2], NULL, 0);
        EnumChildWindows(h, print_window, (LPARAM)h);
    } else if (argc == 3 && lstrcmpA(argv[1], "close") == 0) {
        HWND h = (HWND)(ULONG_PTR)strtoul(argv[2], NULL, 0);
        return PostMessageA(h, WM_CLOSE, 0, 0) ? 0 : 1;
    } else if (argc == 2 && lstrcmpA(argv[1], "none") == 0) {
        /* the first line alone */
    } else {
        EnumWindows(print_window, 0);
    }
    fflush(stdout);
    return 0;
}
"""


def wininfo_exe():
    """Builds the helper once per source text and returns its path."""
    digest = hashlib.sha1(WININFO_SOURCE.encode()).hexdigest()[:12]
    exe = TOOLS / f"wininfo-{digest}.exe"
    if exe.exists():
        return exe
    TOOLS.mkdir(parents=True, exist_ok=True)
    src = TOOLS / f"wininfo-{digest}.c"
    src.write_text(WININFO_SOURCE)
    tmp = exe.with_suffix(f".tmp{os.getpid()}.exe")
    proc = subprocess.run([MINGW_GCC, "-O1", "-mconsole", "-o", str(tmp), str(src)],
                          stdin=subprocess.DEVNULL, capture_output=True, text=True)
    if proc.returncode != 0:
        raise E2EError(f"building the wininfo helper failed: {proc.stderr}")
    os.replace(tmp, exe)
    return exe


class Win32Window:
    """One window as the wininfo helper reported it. Coordinates are desktop coordinates."""

    def __init__(self, record):
        self.record = record
        self.hwnd = record["hwnd"]
        self.pid = record["pid"]
        self.class_name = bytes.fromhex(record["class"]).decode("cp1252")
        self.title_bytes = bytes.fromhex(record["title"])
        self.title = self.title_bytes.decode("cp1252", errors="replace")
        self.visible = bool(record["visible"])
        self.iconic = bool(record["iconic"])
        self.style = record["style"]
        self.exstyle = record["exstyle"]
        left, top, right, bottom = record["window"]
        self.window_rect = (left, top, right - left, bottom - top)
        self.client_rect = tuple(record["client"])  # origin x, y, width, height

    def __repr__(self):
        return f"<{self.class_name} {self.title!r} hwnd={self.hwnd:#x} window={self.window_rect}>"


# --- the session --------------------------------------------------------------------------

_live_sessions = []


@atexit.register
def _stop_live_sessions():
    # Interrupted runs skip unittest's cleanups; no Xvfb or Wine process may outlive us.
    for session in list(_live_sessions):
        session.stop()


class Session:
    """Xvfb + a fresh prefix + a Wine virtual desktop for one test suite.

    Use as a context manager, or call start() and register stop() as a cleanup; stop() is safe
    to call more than once and after a failed start(), and runs at exit if nobody called it.
    """

    def __init__(self, suite, desktop=DESKTOP_NAME, size=DESKTOP_SIZE):
        self.suite = re.sub(r"[^A-Za-z0-9_.-]", "_", suite)
        self.desktop = desktop
        self.size = size
        self.xvfb = Xvfb()
        self.prefix = None
        self.env = None
        self.programs = []
        self.logs = []
        self.shots = 0

    # lifecycle

    def __enter__(self):
        self.start()
        return self

    def __exit__(self, *exc):
        self.stop()
        return False

    def start(self):
        RESULTS.mkdir(parents=True, exist_ok=True)
        _live_sessions.append(self)
        try:
            display = self.xvfb.start()
            self.prefix = lib_sh(f"tg_fresh_prefix e2e-{self.suite}")
            env = dict(os.environ)
            env.update(WINEPREFIX=self.prefix, DISPLAY=display, WINEDEBUG="-all", WINEARCH="win32")
            env.pop("GTEST_OUTPUT", None)
            self.env = env
            width, height = self.size
            lib_sh(f'tg_prefix_desktop "{self.prefix}" {self.desktop} {width}x{height}', env=env)
            lib_sh(f'tg_wineserver_start "{self.prefix}"', env=env)
            self.desktop_window(timeout=60)
        except BaseException:
            self.stop()
            raise

    def stop(self):
        if self.prefix:
            try:
                lib_sh(f'tg_wineserver_stop "{self.prefix}"', env=self.env, timeout=60)
            except Exception:
                pass
            # Each suite's prefix is a 600 MB copy; keep it only when asked to, for debugging.
            if not os.environ.get("TG_E2E_KEEP_PREFIX"):
                shutil.rmtree(self.prefix, ignore_errors=True)
                for suffix in (".desktop.reg", ".wineserver.log"):
                    Path(self.prefix + suffix).unlink(missing_ok=True)
            self.prefix = None
        for proc in self.programs:
            if proc.poll() is None:
                try:
                    os.killpg(proc.pid, signal.SIGKILL)
                except ProcessLookupError:
                    pass
                proc.wait()
        self.programs = []
        for log in self.logs:
            log.close()
        self.logs = []
        self.xvfb.stop()
        if self in _live_sessions:
            _live_sessions.remove(self)

    # running programs

    def launch(self, exe, *args):
        """Starts a Windows program inside the session's desktop; returns the Popen of wine."""
        log = open(RESULTS / f"{self.suite}-wine.log", "ab")
        self.logs.append(log)
        w, h = self.size
        cmd = ["wine", "explorer", f"/desktop={self.desktop},{w}x{h}", windows_path(exe), *args]
        proc = subprocess.Popen(cmd, env=self.env, stdin=subprocess.DEVNULL, stdout=log,
                                stderr=subprocess.STDOUT, start_new_session=True)
        self.programs.append(proc)
        return proc

    def wine(self, *args, timeout=60, check=True):
        """Runs `wine ARGS` to completion in the session's desktop; returns CompletedProcess."""
        proc = subprocess.run(["wine", *args], env=self.env, stdin=subprocess.DEVNULL,
                              capture_output=True, timeout=timeout)
        if check and proc.returncode != 0:
            raise E2EError(f"wine {' '.join(args)} exited with {proc.returncode}: "
                           f"{proc.stderr.decode(errors='replace').strip()}")
        return proc

    def reg_query(self, key, value=None):
        """Returns {name: (type, data)} of a registry key, or of one value; {} when missing."""
        args = ["reg", "query", key] + (["/v", value] if value is not None else [])
        proc = self.wine(*args, check=False)
        found = {}
        for line in proc.stdout.decode("cp1252", errors="replace").splitlines():
            m = re.match(r"^\s{4}(.*?)\s{4}(REG_\w+)\s{4}(.*)$", line)
            if m:
                found[m.group(1)] = (m.group(2), m.group(3))
        return found

    def taskkill(self, image, force=False):
        """Asks a program to close as Windows' taskkill does (WM_CLOSE unless force)."""
        return self.wine("taskkill", *(["/f"] if force else []), "/im", image, check=False)

    # Win32 view

    def _wininfo(self, *args):
        proc = self.wine(str(wininfo_exe()), *args, timeout=60)
        lines = [json.loads(x) for x in proc.stdout.decode().splitlines() if x.startswith("{")]
        if not lines or "desktop" not in lines[0]:
            raise E2EError(f"wininfo printed nothing usable: {proc.stdout!r}")
        desk = bytes.fromhex(lines[0]["desktop"]).decode("cp1252")
        if desk.lower() != self.desktop.lower():
            raise E2EError(f"wininfo ran in desktop {desk!r}, not {self.desktop!r}")
        return lines

    def win_windows(self, children_of=None):
        lines = self._wininfo(*(["children", str(children_of)] if children_of else []))
        return [Win32Window(rec) for rec in lines[1:]]

    def windows_version(self):
        """(major, minor, platform id) that GetVersionExA tells a program of this prefix."""
        return tuple(self._wininfo("none")[0]["version"])

    def wait_win_window(self, match, timeout=30, visible=True):
        """Waits for a top-level window whose ANSI caption is exactly `match` (bytes), or for
        which `match(window)` is true, and returns it."""
        test = match if callable(match) else (lambda w: w.title_bytes == match)

        def probe():
            for w in self.win_windows():
                if test(w) and (w.visible or not visible):
                    return w
            return None
        return wait_until(probe, timeout, f"a Win32 window matching {match!r}", interval=0.3)

    def close_window(self, hwnd):
        self.wine(str(wininfo_exe()), "close", str(hwnd))

    # X view

    def _xdotool(self, *args, check=True):
        proc = subprocess.run(["xdotool", *args], env=self.env, stdin=subprocess.DEVNULL,
                              capture_output=True, text=True, timeout=30)
        if check and proc.returncode != 0:
            raise E2EError(f"xdotool {' '.join(args)} failed: {proc.stderr.strip()}")
        return proc

    def find_windows(self, name_regex, only_visible=True):
        """X window ids whose name matches name_regex (xdotool's regex, on the UTF-8 name).
        Wine may leave unmapped or already destroyed X windows of the same name behind while a
        window is being shown, so only mapped ones count unless asked otherwise."""
        extra = ["--onlyvisible"] if only_visible else []
        proc = self._xdotool("search", *extra, "--name", name_regex, check=False)
        return [int(x) for x in proc.stdout.split()]

    def wait_window(self, name_regex, timeout=30):
        """The largest mapped X window so named: the application's own window, which carries
        the taskbar button and shares the program's title, is an empty 0 x 0 window."""
        def probe():
            sized = []
            for xid in self.find_windows(name_regex):
                try:
                    _, _, w, h = self.x_geometry(xid)
                except E2EError:  # gone again meanwhile
                    continue
                if w > 1 and h > 1:
                    sized.append((w * h, xid))
            return max(sized)[1] if sized else None
        return wait_until(probe, timeout, f"an X window named /{name_regex}/")

    def wait_window_gone(self, name_regex, timeout=30):
        wait_until(lambda: not self.find_windows(name_regex), timeout,
                   f"the X window named /{name_regex}/ to go away")

    def window_name(self, xid):
        return self._xdotool("getwindowname", str(xid)).stdout.rstrip("\n")

    def x_geometry(self, xid):
        """(x, y, width, height) of an X window in screen coordinates (xwininfo's absolute)."""
        proc = subprocess.run(["xwininfo", "-id", str(xid)], env=self.env, stdin=subprocess.DEVNULL,
                              capture_output=True, text=True, timeout=30)
        if proc.returncode != 0:
            raise E2EError(f"xwininfo -id {xid} failed: {proc.stderr.strip()}")
        fields = {}
        for line in proc.stdout.splitlines():
            key, _, value = line.strip().partition(":")
            fields[key] = value.strip()
        return (int(fields["Absolute upper-left X"]), int(fields["Absolute upper-left Y"]),
                int(fields["Width"]), int(fields["Height"]))

    def desktop_window(self, timeout=30):
        return self.wait_window(f"^{re.escape(self.desktop)} - Wine desktop$", timeout)

    def desktop_origin(self):
        """Screen position of the virtual desktop's 0,0."""
        x, y, _, _ = self.x_geometry(self.desktop_window())
        return x, y

    def desktop_rect(self, xid):
        """(x, y, width, height) of an X window in desktop coordinates."""
        ox, oy = self.desktop_origin()
        x, y, w, h = self.x_geometry(xid)
        return x - ox, y - oy, w, h

    def taskbar_rect(self):
        """(x, y, width, height) in desktop coordinates of the virtual desktop's taskbar, an
        unnamed X child of the desktop window as wide as the desktop, at its bottom. The
        notification area is its right end."""
        desk = self.desktop_window()
        proc = subprocess.run(["xwininfo", "-children", "-id", str(desk)], env=self.env,
                              stdin=subprocess.DEVNULL, capture_output=True, text=True, timeout=30)
        width, height = self.size
        for m in re.finditer(r"^\s+(0x[0-9a-f]+) .*?(\d+)x(\d+)\+(-?\d+)\+(-?\d+)", proc.stdout, re.M):
            w, h, x, y = (int(v) for v in m.groups()[1:])
            if w == width and 0 < h < height // 4 and y + h == height:
                return x, y, w, h
        raise E2EError(f"no taskbar among the children of the desktop window:\n{proc.stdout}")

    def to_screen(self, x, y):
        ox, oy = self.desktop_origin()
        return x + ox, y + oy

    # seeing and doing

    def screenshot(self, name):
        """Saves the whole screen as build/test-results/e2e/<suite>-<n>-<name>.png; returns it
        as a PIL image in screen coordinates."""
        if Image is None:
            raise E2EError("python3-pil is missing")
        self.shots += 1
        path = RESULTS / f"{self.suite}-{self.shots:02d}-{name}.png"
        proc = subprocess.run(["import", "-window", "root", str(path)], env=self.env,
                              stdin=subprocess.DEVNULL, capture_output=True, timeout=60)
        if proc.returncode != 0:
            raise E2EError(f"import failed: {proc.stderr.decode(errors='replace')}")
        img = Image.open(path).convert("RGB")
        img.load()
        return img

    def desktop_image(self, name):
        """A screenshot cropped to the virtual desktop, so pixel (x, y) is desktop x, y."""
        img = self.screenshot(name)
        ox, oy = self.desktop_origin()
        w, h = self.size
        return img.crop((ox, oy, ox + w, oy + h))

    def grab(self):
        """The desktop now, not saved: quick enough to watch what lasts a fraction of a second."""
        from PIL import ImageGrab
        self.origin = getattr(self, "origin", None) or self.desktop_origin()
        box = self.origin + tuple(o + s for o, s in zip(self.origin, self.size))
        return ImageGrab.grab(bbox=box, xdisplay=self.env["DISPLAY"]).convert("RGB")

    def click(self, x, y, button=1):
        """Clicks at desktop coordinates."""
        sx, sy = self.to_screen(x, y)
        self._xdotool("mousemove", "--sync", str(sx), str(sy), "click", str(button))

    # the program as a user meets it

    def main_window(self):
        """The program's main window (visible or not), or None while it does not exist."""
        return next((w for w in self.win_windows() if w.title_bytes.endswith(b"Tallyglass")), None)

    def find_tray_picture(self):
        """The top-left, in desktop coordinates, of the 16 x 16 live tray picture, found by its
        three full lime bars (Wine reports 99 % free) with black outlines at columns 0, 5, 10
        and 15 over a black base line; None while it is not shown."""
        img = self.desktop_image("tray")
        tx, ty, tw, th = self.taskbar_rect()
        for y in range(ty, ty + th - 15):
            for x in range(tx + tw - 60, tx + tw - 15):
                if all(img.getpixel((x + c, y + 8)) == BLACK for c in (0, 5, 10, 15)) and \
                        all(img.getpixel((x + c, y + 8)) == LIME for c in (1, 4, 6, 9, 11, 14)) and \
                        all(img.getpixel((x + c, y + 15)) == BLACK for c in range(16)):
                    return x, y
        return None

    def wait_tray_picture(self, timeout=20):
        return wait_until(self.find_tray_picture, timeout, "the tray icon with its live picture", interval=0.3)

    def start_product(self, *args):
        """Launches the program and waits until its main window exists and its tray picture
        shows; returns the picture's top-left."""
        self.launch(product(), *args)
        self.wait_win_window(lambda w: w.title_bytes.endswith(b"Tallyglass"), timeout=60, visible=False)
        return self.wait_tray_picture()

    def show_main_window(self, icon=None):
        """Brings the main window up the way a user does, with a double click on the tray
        icon, unless it is shown already; returns the shown window."""
        w = self.main_window()
        if w and w.visible:
            return w
        x, y = icon or self.wait_tray_picture()
        sx, sy = self.to_screen(x + 8, y + 8)
        self._xdotool("mousemove", "--sync", str(sx), str(sy), "click", "--repeat", "2", "--delay", "80", "1")
        return wait_until(lambda: (lambda v: v if v and v.visible else None)(self.main_window()), 10,
                          "the main window to come up from the tray")

    @staticmethod
    def title_bar_button(w, order):
        """The centre of the extra title-bar button of the given order: order 0 stands just
        left of the close box, each next one 16 pixels further left."""
        left, top, width, _ = w.window_rect
        close_width = 18
        return left + width - 4 - close_width - 9 - 16 * order, top + 3 + 9

    def open_tray_menu(self, icon=None):
        """Opens the tray menu with a right click on the icon; returns the menu window."""
        x, y = icon or self.wait_tray_picture()
        self.click(x + 8, y + 8, button=3)
        return wait_until(
            lambda: next((w for w in self.win_windows() if w.class_name == "#32768" and w.visible), None),
            10, "the tray menu")

    def menu_groups(self, menu, name):
        """The row ranges of a shown menu's groups of items, split at its separators (rows of
        one colour across the menu that is not the menu's own): [(top, bottom), ...] in
        desktop coordinates, top to bottom."""
        img = self.desktop_image(name)
        mx, my, mw, mh = menu.window_rect
        xs = range(mx + 10, mx + mw - 10, 3)
        face = Counter(img.getpixel((x, y)) for x in xs for y in range(my + 3, my + mh - 3)).most_common(1)[0][0]
        groups, top = [], my + 3
        for y in range(my + 3, my + mh - 3):
            if img.getpixel((xs[0], y)) != face and len({img.getpixel((x, y)) for x in xs}) == 1:
                if y - top > 4:
                    groups.append((top, y - 1))
                top = y + 1
        groups.append((top, my + mh - 4))
        return groups

    def choose_menu_item(self, menu, y):
        """Chooses the item at row y of a shown menu as a user does: the pointer comes onto it
        (Wine's menus select an item on motion, and a press on an unselected item does
        nothing), and the click follows once the item shows selected."""
        mx, _, mw, _ = menu.window_rect
        x = mx + mw // 2
        face = self.desktop_image("menu-item").getpixel((mx + 5, y))
        sx, sy = self.to_screen(x, y)
        self._xdotool("mousemove", "--sync", str(sx), str(sy + 2))
        self._xdotool("mousemove", "--sync", str(sx), str(sy))
        wait_until(lambda: self.desktop_image("menu-item").getpixel((mx + 5, y)) != face, 10,
                   "the menu item under the pointer to show selected", interval=0.2)
        self._xdotool("click", "1")

    def key(self, *keys, window=None):
        """Sends key presses (xdotool names, e.g. "alt+F4"); to a given X window when set."""
        proc = self._xdotool("key", *(["--window", str(window)] if window else []), *keys, check=False)
        # BadWindow means the keys closed the window before the last key-up reached it.
        if proc.returncode != 0 and "BadWindow" not in proc.stderr:
            raise E2EError(f"xdotool key {' '.join(keys)} failed: {proc.stderr.strip()}")


class ProductTest(unittest.TestCase):
    """A suite with its own session and the program running in it: each test starts the
    program again if an earlier one ended it, and finds its tray icon (self.icon)."""
    SUITE = None  # the session's name, set by each suite

    @classmethod
    def setUpClass(cls):
        cls.session = Session(cls.SUITE)
        cls.addClassCleanup(cls.session.stop)
        cls.session.start()

    def setUp(self):
        if self.session.main_window() is None:
            self.session.start_product()
        self.icon = self.session.wait_tray_picture()
