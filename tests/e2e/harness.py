"""Drives the real Quillomat under Wine: a headless X server, a Wine prefix,
the program in a folder of its own, a target application that logs its key
messages, xdotool for typing and a probe program for reading windows back.

Every wait is a bounded poll; nothing sleeps where a condition can be
polled, except the key holds that the keyboard poller needs to see a key.
"""

import os
import shutil
import subprocess
import tempfile
import time

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))

# Keys are held this long: Wine answers "up" from a per-thread key-state
# cache for 50 ms, so a shorter press can slip between two polls.
KEY_HOLD = 0.07
KEY_GAP = 0.04

XDOTOOL_NAMES = {
    "\n": "Return",
    " ": "space",
    ".": "period",
    "-": "minus",
}


class Desktop:
    """The X server and the Wine prefix, shared by all tests of a run."""

    def __init__(self):
        self.xvfb = None
        if not os.environ.get("DISPLAY"):
            for n in range(91, 121):
                if not os.path.exists("/tmp/.X%d-lock" % n):
                    self.xvfb = subprocess.Popen(
                        ["Xvfb", ":%d" % n, "-screen", "0", "1280x1024x24", "-nolisten", "tcp"],
                        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
                    os.environ["DISPLAY"] = ":%d" % n
                    poll(lambda: os.path.exists("/tmp/.X11-unix/X%d" % n), 10)
                    break
        env_script = ". '%s/scripts/wine-env.sh' && ensure_wineprefix && env -0" % ROOT
        with tempfile.TemporaryFile() as f:
            subprocess.run(["bash", "-c", env_script], check=True, stdout=f, stderr=subprocess.DEVNULL)
            f.seek(0)
            out = f.read()
        for item in out.split(b"\0"):
            if item.startswith((b"WINE", b"DISPLAY=", b"LC_ALL=")):
                key, _, value = item.decode().partition("=")
                os.environ[key] = value
        self.wine = os.environ["WINELOADER"]
        self.wineserver = os.environ["WINESERVER"]

    def stop_programs(self):
        subprocess.run([self.wineserver, "-k"], stderr=subprocess.DEVNULL)
        subprocess.run([self.wineserver, "-w"], stderr=subprocess.DEVNULL)

    def close(self):
        self.stop_programs()
        if self.xvfb:
            self.xvfb.terminate()
            self.xvfb.wait()


def poll(condition, timeout=10.0, interval=0.1):
    """Returns the condition's first true value, or its last value after the timeout."""
    deadline = time.monotonic() + timeout
    while True:
        value = condition()
        if value or time.monotonic() >= deadline:
            return value
        time.sleep(interval)


def windows_path(path):
    return "Z:" + path.replace("/", "\\")


class Session:
    """One program folder: quillomat.exe, its trigger and settings files."""

    def __init__(self, desktop, bin_dir, triggers=None, settings=None, folder=None, program_dir=None):
        """bin_dir holds the test tools (target, probe); program_dir the
        quillomat.exe to run, bin_dir's when not given."""
        self.desktop = desktop
        self.bin_dir = bin_dir
        self.top = tempfile.mkdtemp(prefix="quillomat-e2e-")
        # The program's own folder, named as a user's may be (any script).
        self.dir = os.path.join(self.top, folder) if folder else self.top
        os.makedirs(self.dir, exist_ok=True)
        shutil.copy(os.path.join(program_dir or bin_dir, "quillomat.exe"), self.dir)
        self.exe = os.path.join(self.dir, "quillomat.exe")
        self.triggers_path = os.path.join(self.dir, "quillomat.txt")
        self.settings_path = os.path.join(self.dir, "quillomat.ini")
        self.key_log = os.path.join(self.dir, "keys.log")
        if triggers is not None:
            with open(self.triggers_path, "wb") as f:
                f.write(triggers.encode("cp1252"))
        if settings:
            self.write_settings(settings)
        self.processes = []

    def write_settings(self, settings):
        lines = ["[Quillomat Settings]"] + ["%s=%s" % item for item in settings.items()]
        with open(self.settings_path, "w") as f:
            f.write("\r\n".join(lines) + "\r\n")

    def settings(self):
        values = {}
        if os.path.exists(self.settings_path):
            with open(self.settings_path, "rb") as f:
                data = f.read()
            # The program keeps the file in UTF-16; a file written by hand is cp1252.
            text = data.decode("utf-16") if data[:2] == b"\xff\xfe" else data.decode("cp1252")
            for line in text.splitlines():
                key, sep, value = line.strip().partition("=")
                if sep:
                    values[key] = value
        return values

    # ---- programs ----

    def start(self, wait=True, status=" Triggers Loaded", locale=None):
        env = dict(os.environ, LC_ALL=locale, LANG=locale) if locale else None
        process = subprocess.Popen([self.desktop.wine, self.exe], cwd=self.dir, env=env,
                                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.processes.append(process)
        if wait:
            assert poll(lambda: self.probe_ok("exists", "=QuillomatClass"), 20), "Quillomat did not start"
            assert poll(lambda: self.status().startswith(status), 10), "no load message"
            # A new window takes the foreground a moment after it shows; let
            # that happen before anything else is brought to the front.
            poll(lambda: self.window().get("foreground") or not self.window().get("visible"), 5)
        return process

    def start_target(self, window_class=None, paste=None):
        """paste: "ignore", or "delay:MS", for a window that pastes badly."""
        env = dict(os.environ)
        if window_class:
            env["QUILLOMAT_TARGET_CLASS"] = window_class
        if paste:
            env["QUILLOMAT_TARGET_PASTE"] = paste
        process = subprocess.Popen(
            [self.desktop.wine, os.path.join(self.bin_dir, "tests", "e2e", "quillomat-target.exe"),
             windows_path(self.key_log)], env=env,
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.processes.append(process)
        assert poll(lambda: self.probe_ok("exists", "Quillomat Target"), 20), "target did not start"
        self.bring_to_front("Quillomat Target")
        return process

    def bring_to_front(self, title):
        """Raises the window and clicks into it, as a user would: a click is
        what reliably gives a window the keyboard focus under Wine, where a
        foreground change made by another program can leave it without."""
        self.probe("front", title)
        w = poll(lambda: self.window(title), 5)
        assert w, "no window %s" % title
        x, y = w["left"] + w["width"] // 2, w["top"] + w["height"] // 2
        self.refocus_x()
        subprocess.run(["xdotool", "mousemove", str(x), str(y), "click", "1"])
        def in_front_for_a_while():
            if not self.window(title).get("foreground"):
                return False
            time.sleep(0.3)
            return self.window(title).get("foreground")
        assert poll(in_front_for_a_while, 10), "%s not in front" % title

    def refocus_x(self):
        """X's own focus can be left on the X window of a window that has
        since closed, and then typed keys reach no window at all; the
        desktop's X window passes keys on to Wine, which gives them to the
        window in front."""
        desktops = subprocess.run(["xdotool", "search", "--name", "Wine desktop"],
                                  capture_output=True, text=True).stdout.split()
        if desktops:
            subprocess.run(["xdotool", "windowfocus", "--sync", desktops[0]], stderr=subprocess.DEVNULL)

    def title(self, spec="=QuillomatClass"):
        return self.probe("title", spec)[1]

    def probe(self, *args):
        # Output goes through a file, not a pipe: Wine's own background
        # processes, started by whichever program comes first, inherit the
        # probe's handles and would hold a pipe open for ever.
        with tempfile.TemporaryFile() as out:
            result = subprocess.run(
                [self.desktop.wine, os.path.join(self.bin_dir, "tests", "e2e", "quillomat-probe.exe")] + list(args),
                stdout=out, stderr=subprocess.DEVNULL, stdin=subprocess.DEVNULL, timeout=60)
            out.seek(0)
            return result.returncode, out.read().decode("utf-8", "replace")

    def probe_async(self, *args):
        """Starts the probe and returns a function that gives what it has printed so far."""
        out = tempfile.mkstemp(prefix="probe-", dir=self.dir)[1]
        with open(out, "wb") as f:
            process = subprocess.Popen(
                [self.desktop.wine, os.path.join(self.bin_dir, "tests", "e2e", "quillomat-probe.exe")] + list(args),
                stdout=f, stderr=subprocess.DEVNULL, stdin=subprocess.DEVNULL)
        self.processes.append(process)
        def printed():
            with open(out, "rb") as f:
                return f.read().decode("utf-8", "replace")
        printed.process = process
        return printed

    def probe_ok(self, *args):
        return self.probe(*args)[0] == 0

    def text(self, title="Quillomat Target"):
        return self.probe("text", title)[1]

    def status(self):
        return self.probe("status")[1]

    def window(self, spec="=QuillomatClass"):
        code, out = self.probe("window", spec)
        if code != 0 or not out.strip():
            return {}
        left, top, width, height, visible, iconic, foreground, maximized = map(int, out.split())
        return dict(left=left, top=top, width=width, height=height, visible=bool(visible),
                    iconic=bool(iconic), foreground=bool(foreground), maximized=bool(maximized))

    def dialogs(self):
        return [line for line in self.probe("dialogs")[1].splitlines() if line]

    def key_messages(self):
        """The target's key messages: (tick, kind, vk) with kind down/up/sysdown/sysup/char."""
        if not os.path.exists(self.key_log):
            return []
        with open(self.key_log) as f:
            rows = [line.split() for line in f if line.strip()]
        return [(int(r[0]), r[1], int(r[2])) for r in rows]

    def caps_lock_at_last_key(self):
        """Whether Caps Lock was on for the target at the last key message it got."""
        if not os.path.exists(self.key_log):
            return None
        with open(self.key_log) as f:
            rows = [line.split() for line in f if line.strip()]
        return rows[-1][5] == "1" if rows else None

    # ---- typing ----

    def type(self, text):
        for c in text:
            self.key(XDOTOOL_NAMES.get(c, c))

    def type_timed(self, text, hold, gap):
        """Types with one xdotool process, so that holds and gaps (seconds) are kept exactly."""
        command = ["xdotool"]
        for c in text:
            name = XDOTOOL_NAMES.get(c, c)
            command += ["keydown", name, "sleep", "%.3f" % hold, "keyup", name, "sleep", "%.3f" % gap]
        subprocess.run(command)

    def key(self, name, modifiers=()):
        for m in modifiers:
            subprocess.run(["xdotool", "keydown", m])
        subprocess.run(["xdotool", "keydown", name])
        time.sleep(KEY_HOLD)
        subprocess.run(["xdotool", "keyup", name])
        for m in reversed(modifiers):
            subprocess.run(["xdotool", "keyup", m])
        time.sleep(KEY_GAP)

    def close(self):
        self.desktop.stop_programs()
        for process in self.processes:
            try:
                process.wait(timeout=10)
            except subprocess.TimeoutExpired:
                process.kill()
        shutil.rmtree(self.top, ignore_errors=True)
