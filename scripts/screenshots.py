"""Makes the README's pictures under Wine: the main window with the built-in
default trigger file, an expansion in progress in Notepad, the search
window, and the fill-in form of the default file's example; with --dpi, the main window and the search window at that scaling
(144 is 150 %), in a Wine prefix of its own set to that DPI.

    python3 scripts/screenshots.py --bin build/windows-x64 [--out docs] [--dpi 144]
"""

import argparse
import os
import subprocess
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "e2e"))
from harness import Desktop, Session, poll  # noqa: E402


def shoot(session, title, path):
    """A picture of one window, cut from the Wine desktop."""
    desktop = subprocess.run(["xdotool", "search", "--name", "Wine desktop"],
                             capture_output=True, text=True).stdout.split()
    whole = path + ".desktop.png"
    subprocess.run(["import", "-window", desktop[0] if desktop else "root", whole], check=True)
    w = session.window(title)
    subprocess.run(["convert", whole, "-crop", "%dx%d+%d+%d" % (w["width"], w["height"], w["left"], w["top"]),
                    "+repage", path], check=True)
    os.remove(whole)
    print("wrote " + path)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--bin", required=True)
    parser.add_argument("--out", default="docs")
    parser.add_argument("--dpi", type=int, default=96)
    args = parser.parse_args()
    os.makedirs(args.out, exist_ok=True)
    if args.dpi != 96:
        return scaled(args)
    desktop = Desktop()
    session = Session(desktop, os.path.abspath(args.bin), triggers=None)  # the default file is written
    try:
        session.start()
        session.bring_to_front("=QuillomatClass")
        time.sleep(0.5)
        shoot(session, "=QuillomatClass", os.path.join(args.out, "main-window.png"))

        # An output with a pause, caught half way.
        session.probe("close", "=QuillomatClass")
        poll(lambda: not session.probe_ok("exists", "=QuillomatClass"), 10)
        with open(session.triggers_path, "ab") as f:
            f.write(b"qqletter=Dear Ann,{Enter}{Enter}thank you for the quick reply.{Delay 1500}"
                    b"{Enter}See you on Monday!\r\n")
        session.start()
        session.probe("minimize", "=QuillomatClass")
        notepad = subprocess.Popen([desktop.wine, "notepad.exe"], stdout=subprocess.DEVNULL,
                                   stderr=subprocess.DEVNULL)
        session.processes.append(notepad)
        poll(lambda: session.probe_ok("exists", "Untitled - Notepad"), 20)
        session.bring_to_front("Untitled - Notepad")
        session.type("qqletter")
        poll(lambda: "reply." in session.text("Untitled - Notepad"), 10, 0.05)
        shoot(session, "Untitled - Notepad", os.path.join(args.out, "expansion.png"))

        # The search window, from its hotkey in the default file.
        poll(lambda: "Monday" in session.text("Untitled - Notepad"), 10)
        session.key("f", modifiers=("ctrl", "alt"))
        poll(lambda: session.window("Quillomat Search").get("foreground"), 10)
        session.type("date")
        time.sleep(0.5)
        shoot(session, "Quillomat Search", os.path.join(args.out, "search.png"))

        # The default file's form, over Notepad, with a name typed in.
        session.key("Escape")
        poll(lambda: not session.probe_ok("exists", "Quillomat Search"), 5)
        session.bring_to_front("Untitled - Notepad")
        session.type("\nqqthx")
        poll(lambda: session.window("Thank-you note").get("foreground"), 10)
        session.key("a", modifiers=("shift",))
        session.type("nn")
        time.sleep(0.5)
        shoot(session, "Thank-you note", os.path.join(args.out, "form.png"))
        return 0
    finally:
        session.close()
        desktop.close()


def scaled(args):
    """The main window and the search window drawn at another DPI."""
    root = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..")
    os.environ["WINEPREFIX"] = os.path.abspath(os.path.join(root, "build", "wineprefix-dpi%d" % args.dpi))
    desktop = Desktop()
    subprocess.run([desktop.wine, "reg", "add", r"HKCU\Control Panel\Desktop", "/v", "LogPixels", "/t",
                    "REG_DWORD", "/d", str(args.dpi), "/f"], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    desktop.stop_programs()  # the DPI is read as programs start
    session = Session(desktop, os.path.abspath(args.bin), triggers=None,
                      settings=dict(window_left=10, window_top=10, window_width=1000, window_height=560,
                                    window_search="470,330,540,420"))
    try:
        session.start()
        session.bring_to_front("=QuillomatClass")
        time.sleep(0.5)
        shoot(session, "=QuillomatClass", os.path.join(args.out, "main-window-%ddpi.png" % args.dpi))
        session.key("f", modifiers=("ctrl", "alt"))
        poll(lambda: session.window("Quillomat Search").get("foreground"), 10)
        session.type("date")
        time.sleep(0.5)
        shoot(session, "Quillomat Search", os.path.join(args.out, "search-%ddpi.png" % args.dpi))
        return 0
    finally:
        session.close()
        desktop.close()


if __name__ == "__main__":
    sys.exit(main())
