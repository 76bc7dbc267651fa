"""tests/e2e/test_upgrade_redirect.py: the program's upgrade check against a web server of the
test's own, and the addresses the program hands to the browser and the mail program.

The prefix's WinInet goes through the test's server as its proxy, so the program asks for its
real information file address and the server sees that address whole. The prefix's browser and
mail program (Wine's own settings, which its winebrowser follows for http and mailto alike) are
a small recorder that writes each address it is given to a file the test reads.
"""

import re
import socket
import stat
import tempfile
import threading
import time
import unittest
import urllib.parse
from pathlib import Path

import e2elib

INFO_FILE_URL = "http://www.pellory.example/software/upgrades/tallyglass.inf"
ANNOUNCED_PAGE = "http://www.pellory.example/software/tallyglass-2.html"
WEB_SITE = "http://www.pellory.example/"  # the program gives no path; Wine's browser launcher adds "/"
EMAIL = "tallyglass@pellory.example"
QUESTION_CAPTION = b"Application update wizard"
ABOUT_CAPTION = b"About Tallyglass"
ABOUT_BUTTON = 2  # the about box's title-bar button, by its place from the close box

INTERNET_SETTINGS = r"HKCU\Software\Microsoft\Windows\CurrentVersion\Internet Settings"
REMOTE_ACCESS = r"HKLM\System\CurrentControlSet\Services\RemoteAccess"
WINE_BROWSER = r"HKCU\Software\Wine\WineBrowser"


def info_file(address):
    """An information file that announces a release newer than the program's (07/07/2002),
    to be read at the address given, by redirect."""
    return (f"; Tallyglass upgrade information\r\n#date=12/31/2025\r\n#method=2\r\n#url={address}\r\n"
            "#message={Counts faster.}\r\n").encode("ascii")


# Something to fetch that offers nothing: the runs of the other tests stay quiet.
NOTHING_NEWER = b"#date=07/07/2002\r\n#method=2\r\n#url=http://www.pellory.example/software/tallyglass-1.html\r\n"


class ProxyServer:
    """An HTTP proxy on 127.0.0.1 that answers every request itself: the information file's
    address with `body`, anything else with 404. Each answer says the connection closes, and
    the server waits for the client to close it, which it records."""

    def __init__(self):
        self.body = NOTHING_NEWER
        self.requests = []  # (monotonic time, request line, {header: value})
        self.closed = 0     # connections the client has closed after its answer
        self.lock = threading.Lock()
        self.listener = socket.create_server(("127.0.0.1", 0))
        self.port = self.listener.getsockname()[1]
        threading.Thread(target=self._accept, daemon=True).start()

    def stop(self):
        self.listener.close()

    def _accept(self):
        while True:
            try:
                conn, _ = self.listener.accept()
            except OSError:
                return
            threading.Thread(target=self._serve, args=(conn,), daemon=True).start()

    def _serve(self, conn):
        with conn:
            conn.settimeout(60)
            data = b""
            try:
                while b"\r\n\r\n" not in data:
                    chunk = conn.recv(4096)
                    if not chunk:
                        return
                    data += chunk
                head = data.split(b"\r\n\r\n", 1)[0].decode("latin-1").split("\r\n")
                headers = dict(line.split(": ", 1) for line in head[1:] if ": " in line)
                with self.lock:
                    self.requests.append((time.monotonic(), head[0], headers))
                    body = self.body
                method, target = (head[0].split(" ") + ["", ""])[:2]
                found = method == "GET" and normal_url(target) == INFO_FILE_URL
                status = "200 OK" if found else "404 Not Found"
                body = body if found else b"not here"
                conn.sendall(f"HTTP/1.0 {status}\r\nContent-Type: text/plain\r\nContent-Length: {len(body)}\r\n"
                             "Connection: close\r\nProxy-Connection: close\r\n\r\n".encode("ascii") + body)
                while conn.recv(4096):
                    pass
                with self.lock:
                    self.closed += 1
            except OSError:
                pass

    def snapshot(self):
        with self.lock:
            return list(self.requests), self.closed


def normal_url(url):
    """The address with the default port left out, as the program writes it."""
    return re.sub(r"^(http://[^/:]+):80(/|$)", r"\1\2", url)


class Recorder:
    """A Unix program standing for the browser and the mail program: each address it is given
    ends up, NUL-terminated, in a file of its own folder."""

    def __init__(self):
        self.dir = Path(tempfile.mkdtemp(prefix="tg-e2e-opened-"))
        self.record = self.dir / "opened"
        self.program = self.dir / "record-address"
        self.program.write_text(f"#!/bin/sh\nprintf '%s\\0' \"$1\" >> '{self.record}'\n")
        self.program.chmod(self.program.stat().st_mode | stat.S_IXUSR)

    def opened(self):
        try:
            text = self.record.read_bytes().decode("cp1252")
        except FileNotFoundError:
            return []
        return text.split("\0")[:-1]

    def clear(self):
        self.record.unlink(missing_ok=True)

    def remove(self):
        self.clear()
        self.program.unlink(missing_ok=True)
        self.dir.rmdir()


class UpgradeRedirectTest(e2elib.ProductTest):
    SUITE = "upgrade-redirect"

    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        cls.server = ProxyServer()
        cls.addClassCleanup(cls.server.stop)
        cls.recorder = Recorder()
        cls.addClassCleanup(cls.recorder.remove)
        s = cls.session
        s.wine("reg", "add", INTERNET_SETTINGS, "/v", "ProxyEnable", "/t", "REG_DWORD", "/d", "1", "/f")
        s.wine("reg", "add", INTERNET_SETTINGS, "/v", "ProxyServer", "/d", f"127.0.0.1:{cls.server.port}", "/f")
        # On line as far as the program's test goes: it asks nothing before that.
        s.wine("reg", "add", REMOTE_ACCESS, "/v", "Remote Connection", "/t", "REG_DWORD", "/d", "1", "/f")
        for kind in ("Browsers", "Mailers"):
            s.wine("reg", "add", WINE_BROWSER, "/v", kind, "/d", str(cls.recorder.program), "/f")

    def tearDown(self):
        self.server.body = NOTHING_NEWER

    # helpers

    def restart_with(self, body):
        """Ends the running program, serves `body` as the information file and starts the
        program again; returns (moment of the start, moment its tray icon was seen, the
        number of requests before it)."""
        if self.session.main_window() is not None:
            self.session.taskkill("Tallyglass.exe")
            e2elib.wait_until(lambda: self.session.main_window() is None, 30, "the running program to end")
        self.server.body = body
        self.recorder.clear()
        before = len(self.server.snapshot()[0])
        started = time.monotonic()
        self.icon = self.session.start_product()
        return started, time.monotonic(), before

    def wait_fetch(self, before):
        """Waits for the program's request after `before` earlier ones, and until the program
        has closed its connection; returns (time, request line, headers)."""
        def done():
            requests, closed = self.server.snapshot()
            return requests[before] if len(requests) > before and closed > before else None
        return e2elib.wait_until(done, 60, "the program to fetch its information file")

    def question(self):
        return next((w for w in self.session.win_windows() if w.title_bytes == QUESTION_CAPTION and w.visible), None)

    def open_about_box(self):
        w = self.session.show_main_window(self.icon)
        self.session.click(*self.session.title_bar_button(w, ABOUT_BUTTON))
        return self.session.wait_win_window(ABOUT_CAPTION, timeout=20)

    def links(self, box):
        """The e-mail and web links of a shown about box: the centres of the two groups of
        rows that hold link-blue pixels, top to bottom."""
        x, y, cw, ch = box.client_rect

        def find():
            img = self.session.desktop_image("about-links")
            rows = {}
            for py in range(y, y + ch):
                xs = [px for px in range(x, x + cw) if img.getpixel((px, py)) == (0, 0, 255)]
                if xs:
                    rows[py] = xs
            groups = []
            for py in sorted(rows):
                if groups and py - groups[-1][-1] <= 2:
                    groups[-1].append(py)
                else:
                    groups.append([py])
            if len(groups) != 2:
                return None
            return [((min(min(rows[r]) for r in g) + max(max(rows[r]) for r in g)) // 2, (g[0] + g[-1]) // 2)
                    for g in groups]
        return e2elib.wait_until(find, 15, "two blue links in the about box", interval=0.3)

    def close_about_box(self):
        self.session.key("Escape")
        e2elib.wait_until(lambda: not any(v.title_bytes == ABOUT_CAPTION and v.visible
                                          for v in self.session.win_windows()), 15, "the about box to close")

    def wait_opened(self, count, what):
        return e2elib.wait_until(lambda: (lambda o: o if len(o) >= count else None)(self.recorder.opened()),
                                 30, what)

    # tests

    def test_a_newer_release_by_redirect_is_offered_after_five_seconds_and_opened_on_yes(self):
        started, icon_seen, before = self.restart_with(info_file(ANNOUNCED_PAGE))
        asked, line, headers = self.wait_fetch(before)
        method, target, _ = line.split(" ")
        self.assertEqual(("GET", INFO_FILE_URL), (method, normal_url(target)), "the whole address, as to a proxy")
        self.assertEqual("www.pellory.example", headers.get("Host"))
        # Its check timer runs for five seconds from the program's start, which is before the
        # tray icon shows and after the launch.
        self.assertGreaterEqual(asked - started, 4.9, "not asked before five seconds")
        self.assertLessEqual(asked - icon_seen, 5 + 10, "asked soon after five seconds")
        box = self.session.wait_win_window(QUESTION_CAPTION, timeout=30)
        self.session.desktop_image("question")
        self.assertEqual([], self.recorder.opened(), "nothing is opened before the answer")
        yes = e2elib.wait_until(
            lambda: next((c for c in self.session.win_windows(children_of=box.hwnd) if c.title_bytes == b"&Yes"), None),
            10, "the question's Yes button")
        bx, by, bw, bh = yes.window_rect
        self.session.click(bx + bw // 2, by + bh // 2)
        self.assertEqual([ANNOUNCED_PAGE], self.wait_opened(1, "the announced page to be opened"))
        e2elib.wait_until(lambda: self.question() is None, 15, "the question to close")

    def test_an_announced_address_that_is_not_a_web_page_is_not_opened(self):
        # The recorder is the address itself: given to the shell, it is recorded whether the
        # shell starts it or hands it to the browser.
        program = e2elib.windows_path(self.recorder.program)
        for address in ("file:///" + program.replace("\\", "/"), program):
            with self.subTest(address=address):
                _, _, before = self.restart_with(info_file(address))
                self.wait_fetch(before)
                # The program has the file and nobody asks: a link the user opens now is opened
                # after whatever the program did with the file, and is the only address given.
                box = self.open_about_box()
                web = self.links(box)[1]
                self.session.click(*web)
                self.assertEqual([WEB_SITE], self.wait_opened(1, "the about box's web link to be opened"))
                self.assertIsNone(self.question(), "nothing is offered")
                self.close_about_box()

    def test_the_about_box_links_open_the_mail_program_and_the_web_site(self):
        self.recorder.clear()
        box = self.open_about_box()
        email, web = self.links(box)
        self.session.click(*email)
        mail = self.wait_opened(1, "the e-mail link to be opened")[0]
        self.session.click(*web)
        self.assertEqual(WEB_SITE, self.wait_opened(2, "the web link to be opened")[1])
        self.close_about_box()
        # Wine's launcher writes the blanks percent-encoded.
        m = re.fullmatch(r"mailto:(.*)\?Subject=(.*)&Body=(.*)&CC=(.*)&BCC=(.*)", urllib.parse.unquote(mail), re.S)
        self.assertIsNotNone(m, mail)
        self.assertEqual((EMAIL, "Tallyglass", "", ""), m.group(1, 2, 4, 5))
        self.assertRegex(m.group(3), r"^PS: I'm using .+ \(.+\); CPU: \d+MHz\.$")


if __name__ == "__main__":
    unittest.main()
