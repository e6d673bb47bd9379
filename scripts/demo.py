"""Shows Quillomat at work: starts it under Wine with the built-in default
trigger file, types a trigger into Notepad, prints what Notepad then holds and
saves a screenshot.

    python3 scripts/demo.py --bin build/windows-x64 [--screenshot build/screenshot.png]
"""

import argparse
import os
import subprocess
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "e2e"))
from harness import Desktop, Session, poll  # noqa: E402


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--bin", required=True)
    parser.add_argument("--screenshot", default="build/screenshot.png")
    args = parser.parse_args()
    desktop = Desktop()
    session = Session(desktop, os.path.abspath(args.bin), triggers=None)  # no file: the default is written
    try:
        session.start()
        print("Quillomat is running: " + session.title())
        print("Status bar:" + session.status())
        notepad = subprocess.Popen([desktop.wine, "notepad.exe"], stdout=subprocess.DEVNULL,
                                   stderr=subprocess.DEVNULL)
        session.processes.append(notepad)
        if not poll(lambda: session.probe_ok("exists", "Untitled - Notepad"), 20):
            print("Notepad did not start")
            return 1
        session.bring_to_front("Untitled - Notepad")
        print("Typing into Notepad: btw, then qqdate")
        session.type("btw ")
        session.type("qqdate")
        poll(lambda: "by the way" in session.text("Untitled - Notepad")
             and "-" in session.text("Untitled - Notepad"), 10)
        print("Notepad now holds: " + repr(session.text("Untitled - Notepad")))
        print("Status bar:" + session.status())
        subprocess.run(["import", "-window", "root", args.screenshot], stderr=subprocess.DEVNULL)
        if os.path.exists(args.screenshot):
            print("Screenshot: " + os.path.abspath(args.screenshot))
        return 0 if "by the way" in session.text("Untitled - Notepad") else 1
    finally:
        session.close()
        desktop.close()


if __name__ == "__main__":
    sys.exit(main())
