"""The shipped 32-bit build, smoke-tested under user-mode emulation: the
program runs as a 32-bit process of the 64-bit Wine loader, each step with a
time limit. The 64-bit build's target and probe do the typing and reading.

    python3 tests/e2e/smoke32.py --bin build/windows --tools build/windows-x64

Prints one closing line and exits 0 passed, 1 failed, 2 skipped (no 32-bit
run on this machine), 3 for a step that ran out of time: a "32-bit
environment problem", so that a stalled emulator is told apart from a fault
of the program (the test run tries once more, then counts it as failed).
"""

import argparse
import os
import signal
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from harness import Desktop, Session, poll, windows_path  # noqa: E402


class Hang(Exception):
    pass


def can_run_32bit():
    """Why the 32-bit run is not possible here, or None when it is."""
    if not os.path.exists("/proc/sys/fs/binfmt_misc/qemu-i386"):
        return "no emulator is registered for 32-bit programs (see scripts/setup.sh)"
    if not os.path.exists("/usr/lib/wine/wine"):
        return "32-bit Wine is not installed (see scripts/setup.sh)"
    return None


def step(name, seconds, action):
    """Runs one step within its time limit; its failure names it."""
    def expired(*_):
        raise Hang(name)
    signal.signal(signal.SIGALRM, expired)
    signal.alarm(seconds)
    started = time.monotonic()
    try:
        result = action()
    finally:
        signal.alarm(0)
    if result is False:
        raise AssertionError(name)
    print("  %-46s ok (%.1f s)" % (name, time.monotonic() - started), flush=True)
    return result


def check_version(tools, program_dir):
    with tempfile.TemporaryFile() as out:
        subprocess.run([os.environ["WINELOADER"], os.path.join(program_dir, "quillomat-check.exe"), "--version"],
                       stdout=out, stderr=subprocess.DEVNULL, stdin=subprocess.DEVNULL, timeout=120)
        out.seek(0)
        return out.read().decode().startswith("quillomat-check ")


def scenario(desktop, program_dir, tools):
    s = Session(desktop, tools, "btw=by the way\r\n", program_dir=program_dir)
    try:
        process = step("start the 32-bit program", 120, lambda: s.start(wait=False))
        step("its window and status bar", 120,
             lambda: poll(lambda: s.status().startswith(" Triggers Loaded: 1 "), 110))
        step("a 32-bit process", 10, lambda: is_32bit(s))
        step("start the target", 120, s.start_target)
        step("btw expands", 60, lambda: (s.type("btw "), poll(lambda: s.text() == "by the way ", 40))[1])
        step("save from the editor", 90, lambda: save_from_editor(s))
        step("quit through WM_CLOSE", 60, lambda: (s.probe("close", "=QuillomatClass"),
                                                   process.wait(50) == 0)[1])
        step("settings written", 10, lambda: s.settings().get("activation_count") == "1")
        step("quillomat-check --version", 120, lambda: check_version(tools, program_dir))
    finally:
        s.close()


def is_32bit(s):
    """The program runs as a 32-bit process: the emulator is what executes it."""
    for pid in filter(str.isdigit, os.listdir("/proc")):
        try:
            with open("/proc/%s/cmdline" % pid, "rb") as f:
                if b"quillomat.exe" not in f.read():
                    continue
            if "qemu-i386" in os.readlink("/proc/%s/exe" % pid):
                return True
        except OSError:
            continue
    return False


def save_from_editor(s):
    s.bring_to_front("=QuillomatClass")
    s.type("x")
    if not poll(lambda: s.title().endswith(" *"), 20):
        return False
    s.key("s", modifiers=("ctrl",))
    return poll(lambda: open(s.triggers_path, "rb").read() == b"btw=by the way\r\nx", 40)


def backend_tests(program_dir):
    exe = os.path.join(program_dir, "tests", "wine", "quillomat-win-tests.exe")
    result = subprocess.run([os.environ["WINELOADER"], exe], capture_output=True, text=True,
                            errors="replace", timeout=300, stdin=subprocess.DEVNULL)
    if result.returncode != 0:
        print(result.stdout[-3000:])
    return result.returncode == 0


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--bin", required=True, help="the 32-bit build")
    parser.add_argument("--tools", required=True, help="the 64-bit build's target and probe")
    args = parser.parse_args()
    program_dir, tools = os.path.abspath(args.bin), os.path.abspath(args.tools)
    why_not = can_run_32bit()
    if why_not:
        print("32-bit scenario: skipped: " + why_not)
        return 2
    started = time.monotonic()
    desktop = Desktop()
    try:
        print("32-bit scenario: the program", flush=True)
        scenario(desktop, program_dir, tools)
        print("32-bit scenario: the backend tests", flush=True)
        step("the 32-bit backend tests", 360, lambda: backend_tests(program_dir))
    except Hang as hang:
        print("32-bit environment problem: %s: no answer in time" % hang)
        return 3
    except AssertionError as failure:
        print("32-bit scenario FAILED at: %s" % failure)
        return 1
    finally:
        desktop.close()
    print("32-bit scenario: passed in %.0f s" % (time.monotonic() - started))
    return 0


if __name__ == "__main__":
    sys.exit(main())
