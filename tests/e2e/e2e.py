"""End-to-end scenarios: the real Quillomat under Wine, typed at with xdotool.

    python3 tests/e2e/e2e.py --bin build/windows-x64 [unittest options]
"""

import argparse
import re
import shutil
import subprocess
import tempfile
import threading
import faulthandler
import datetime
import glob
import os
import sys
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from harness import ROOT, Desktop, Session, poll, windows_path  # noqa: E402

BIN = None
DESKTOP = None

SAVE_QUESTION = "Quillomat|Save changes?~~(Press Cancel to return to program)"


class WineTest(unittest.TestCase):
    def session(self, triggers="btw=by the way\r\n", settings=None, folder=None):
        session = Session(DESKTOP, BIN, triggers, settings, folder)
        self.addCleanup(session.close)
        return session

    def wait_dialog(self, s, prefix):
        found = poll(lambda: [d for d in s.dialogs() if d.startswith(prefix)], 10)
        self.assertTrue(found, "no dialog %r in %r" % (prefix, s.dialogs()))
        return found[0]

    def open_search(self, s):
        """Opens the window; returns the use count then (the hotkey's own output counts as one)."""
        s.key("f", modifiers=("ctrl", "alt"))
        self.assertTrue(poll(lambda: s.window("Quillomat Search").get("foreground"), 10), "the window takes the focus")
        time.sleep(0.3)  # settled: the focus is taken a moment after the window shows
        self.assertTrue(s.window("Quillomat Search").get("foreground"))
        return int(s.status().split()[-1])

    def assert_saved_unchanged(self, s, original):
        """Ctrl+S in the editor, with nothing edited, writes the same bytes."""
        s.bring_to_front("=QuillomatClass")
        before = os.stat(s.triggers_path).st_ino
        s.key("s", modifiers=("ctrl",))
        self.assertTrue(poll(lambda: os.stat(s.triggers_path).st_ino != before, 10), "saved")
        with open(s.triggers_path, "rb") as f:
            self.assertEqual(f.read(), original)


class EndToEnd(WineTest):
    def expand(self, session, keys, expected):
        before = session.text()
        session.type(keys)
        got = poll(lambda: session.text() == before + expected and session.text(), 10)
        self.assertEqual(session.text(), before + expected)
        return got

    def test_typing_btw_in_another_program_types_by_the_way(self):
        s = self.session()
        s.start()
        s.start_target()
        self.expand(s, "btw", "by the way")
        poll(lambda: s.status() == " Shortcuts Used:  1", 5)  # counted as the output ends
        self.assertEqual(s.status(), " Shortcuts Used:  1")

    def test_hotkey_enter_date_and_alt_code(self):
        s = self.session("{control}{alt}k=hot{Enter}x\r\nqqd={{yyyy}}-{{mm}}-{{dd}}\r\nqqe=\xe9\r\n")
        s.start()
        s.start_target()

        s.key("k", modifiers=("ctrl", "alt"))
        # The key log below shows the single Return that was sent.
        def typed():
            return s.text()
        poll(lambda: typed() == "hot\r\nx", 10)
        self.assertEqual(typed(), "hot\r\nx")
        downs = [vk for _, kind, vk in s.key_messages() if kind in ("down", "sysdown")]
        self.assertNotIn(8, downs, "a hotkey erases nothing")
        self.assertEqual(downs.count(13), 1, "{Enter} arrives as one Return")

        today = datetime.date.today()
        self.expand(s, "qqd", today.strftime("%Y-%m-%d"))

        start = len(s.key_messages())
        s.type("qqe")
        # Wine does not compose Alt codes into characters: the key log is the evidence.
        def alt_code_sent():
            downs = [vk for _, kind, vk in s.key_messages()[start:] if kind in ("down", "sysdown")]
            return downs[-5:] == [18, 96, 98, 99, 99] and downs
        poll(alt_code_sent, 10)
        downs = [vk for _, kind, vk in s.key_messages()[start:] if kind in ("down", "sysdown")]
        self.assertEqual(downs[-5:], [18, 96, 98, 99, 99], downs)
        self.assertEqual(downs.count(8), 3, "qqe erased")

    def test_window_geometry(self):
        s = self.session()
        s.start()
        w = s.window()
        self.assertEqual((w["width"], w["height"]), (780, 550))
        # Centred on the 1024 x 768 virtual desktop, by the halves of the default size.
        self.assertEqual((w["left"], w["top"]), (1024 // 2 - 390, 768 // 2 - 275))
        s.close()

        s = self.session(settings=dict(window_left=40, window_top=30, window_width=600, window_height=400))
        s.start()
        w = s.window()
        self.assertEqual((w["left"], w["top"], w["width"], w["height"]), (40, 30, 600, 400))

    def test_minimized_start_with_the_tray_option_starts_hidden(self):
        s = self.session(settings=dict(window_start="minimized", tray=1))
        s.start()
        w = poll(lambda: (lambda w: not w.get("visible") and w)(s.window()), 5)
        self.assertTrue(w, s.window())
        self.assertTrue(w["iconic"])

    def test_a_second_start_wakes_the_first_and_exits_0(self):
        s = self.session(settings=dict(tray=0))
        s.start()
        s.probe("minimize", "=QuillomatClass")
        self.assertTrue(poll(lambda: s.window().get("iconic"), 5))
        second = s.start(wait=False)
        self.assertEqual(second.wait(timeout=30), 0)
        w = poll(lambda: (lambda w: not w.get("iconic") and w.get("foreground") and w)(s.window()), 5)
        self.assertTrue(w, s.window())

        # Hidden behind the tray icon: shown again.
        s.write_settings(dict(tray=1))
        s.close()
        s = self.session(settings=dict(tray=1))
        s.start()
        s.probe("minimize", "=QuillomatClass")
        self.assertTrue(poll(lambda: s.window().get("visible") is False, 5))
        second = s.start(wait=False)
        self.assertEqual(second.wait(timeout=30), 0)
        self.assertTrue(poll(lambda: s.window().get("visible") and s.window().get("foreground"), 5), s.window())

    def test_closing_with_unsaved_edits_asks_and_cancel_keeps_the_window(self):
        s = self.session()
        s.start()
        s.close_request = lambda: s.probe("close", "=QuillomatClass")
        s.bring_to_front("=QuillomatClass")
        self.assertFalse(s.title().endswith("*"))
        s.type("x")  # the click put the caret after the last line
        self.assertTrue(poll(lambda: s.text("=QuillomatClass").endswith("x"), 5))
        self.assertTrue(poll(lambda: s.title().endswith(".txt *"), 5), "the dirty marker: " + s.title())
        s.close_request()
        self.assertTrue(poll(lambda: SAVE_QUESTION in s.dialogs(), 10), s.dialogs())
        s.probe("press", "Quillomat", "Cancel")
        self.assertTrue(poll(lambda: SAVE_QUESTION not in s.dialogs(), 10))
        self.assertTrue(s.probe_ok("exists", "=QuillomatClass"), "Cancel keeps the window open")
        s.close_request()
        self.assertTrue(poll(lambda: SAVE_QUESTION in s.dialogs(), 10))
        s.probe("press", "Quillomat", "No")
        self.assertTrue(poll(lambda: not s.probe_ok("exists", "=QuillomatClass"), 10))
        with open(s.triggers_path, "rb") as f:
            self.assertEqual(f.read(), b"btw=by the way\r\n", "No leaves the file alone")

    def test_save_writes_the_editor_text_as_it_is(self):
        s = self.session("btw=by the way\r\n")
        s.start()
        s.bring_to_front("=QuillomatClass")
        s.type("x")  # the click put the caret after the last line
        self.assertTrue(poll(lambda: s.title().endswith(" *"), 5))
        s.key("s", modifiers=("ctrl",))
        self.assertTrue(poll(lambda: not s.title().endswith(" *"), 10), s.title())
        with open(s.triggers_path, "rb") as f:
            self.assertEqual(f.read(), b"btw=by the way\r\nx")
        self.assertEqual(s.status(), " Triggers Loaded: 1 ")

    def test_closing_right_after_start_asks_nothing(self):
        s = self.session()
        s.start()
        s.probe("close", "=QuillomatClass")
        self.assertTrue(poll(lambda: not s.probe_ok("exists", "=QuillomatClass"), 10), s.dialogs())

    def test_activation_count_adds_up_over_runs_and_the_default_file_is_written(self):
        s = self.session(triggers=None)
        s.start()
        with open(s.triggers_path, "rb") as f, open(os.path.join(ROOT, "resources", "default_triggers.txt"), "rb") as d:
            self.assertEqual(f.read(), d.read())
        s.start_target()
        self.expand(s, "btw", "by the way")
        self.expand(s, "btw", "by the way")
        s.probe("close", "=QuillomatClass")
        self.assertTrue(poll(lambda: s.settings().get("activation_count") == "2", 10), s.settings())
        self.assertEqual(s.settings().get("window_start"), "normal")
        self.assertEqual(s.settings().get("font"), "Courier New,10")
        s.start()
        s.bring_to_front("Quillomat Target")
        self.expand(s, "btw", "by the way")
        s.probe("close", "=QuillomatClass")
        self.assertTrue(poll(lambda: s.settings().get("activation_count") == "3", 10), s.settings())



HELP_TITLE = "Quillomat README.txt - Notepad"


class Commands(WineTest):
    """The menu commands, the tray icon, help and about, and the custom list."""

    def command(self, s, number):
        self.assertTrue(s.probe_ok("command", "=QuillomatClass", str(number)))

    def reg_query(self):
        with tempfile.TemporaryFile() as out:
            subprocess.run([DESKTOP.wine, "reg", "query", r"HKCU\SOFTWARE\Microsoft\Windows\CurrentVersion\Run",
                            "/v", "Quillomat"], stdout=out, stderr=subprocess.DEVNULL, stdin=subprocess.DEVNULL)
            out.seek(0)
            return out.read().decode("cp1252", "replace")

    def test_save_as_and_open_through_the_dialogs(self):
        s = self.session("btw=by the way\r\n")
        other = os.path.join(s.dir, "other.txt")
        with open(other, "wb") as f:
            f.write(b"a=1\r\nb=2\r\n")
        s.start()
        s.bring_to_front("=QuillomatClass")
        s.key("a", modifiers=("ctrl",))  # Ctrl+A is Save As, not Select All
        self.wait_dialog(s, "Save As|")
        s.type("renamed")
        s.key("Return")
        target = os.path.join(s.dir, "renamed")
        self.assertTrue(poll(lambda: os.path.exists(target), 10), "the name is used as typed, with no extension")
        with open(target, "rb") as f:
            self.assertEqual(f.read(), b"btw=by the way\r\n")
        self.assertTrue(poll(lambda: s.title().endswith("\\renamed"), 5), s.title())
        self.assertTrue(s.settings().get("file", "").endswith("\\renamed"))

        s.key("o", modifiers=("ctrl",))
        self.wait_dialog(s, "Open|")
        s.type("other.txt")
        s.key("Return")
        self.assertTrue(poll(lambda: s.status() == " Triggers Loaded: 2 ", 10), s.status())
        self.assertTrue(s.title().endswith("\\other.txt"))

    def test_save_keeps_the_caret_and_the_dirty_marker_shows_once(self):
        s = self.session("btw=by the way\r\nqq=x\r\n")
        s.start()
        s.bring_to_front("=QuillomatClass")
        s.key("Home", modifiers=("ctrl",))
        s.key("Down")
        s.type("zz")
        self.assertTrue(poll(lambda: s.title().endswith(".txt *"), 5), s.title())
        self.assertFalse(s.title().endswith("* *"))
        caret = s.probe("caret", "=QuillomatClass")[1].split()
        s.key("s", modifiers=("ctrl",))
        self.assertTrue(poll(lambda: s.title().endswith(".txt"), 10), s.title())
        self.assertEqual(s.probe("caret", "=QuillomatClass")[1].split(), caret)
        with open(s.triggers_path, "rb") as f:
            self.assertEqual(f.read(), b"btw=by the way\r\nzzqq=x\r\n")

    def test_options_write_their_settings(self):
        s = self.session()
        s.start()
        self.command(s, 3401)  # auto-start on
        self.assertTrue(poll(lambda: "REG_EXPAND_SZ" in self.reg_query(), 10), self.reg_query())
        self.assertIn("quillomat.exe", self.reg_query().lower())
        self.assertRegex(self.reg_query(), r'"[A-Za-z]:\\[^"]*quillomat\.exe"', "quoted: blanks in the path are safe")
        self.command(s, 3401)  # and off
        self.assertTrue(poll(lambda: "REG_EXPAND_SZ" not in self.reg_query(), 10), self.reg_query())

        self.command(s, 3402)
        self.assertTrue(poll(lambda: s.settings().get("tray") == "0", 5), s.settings())
        subprocess.run(["chattr", "+i", s.settings_path], check=True)
        self.addCleanup(subprocess.run, ["chattr", "-i", s.settings_path])
        self.command(s, 3402)  # a setting that cannot be written says so
        self.assertTrue(poll(lambda: s.status().startswith(" Settings not saved: "), 5), s.status())
        self.assertEqual(s.settings().get("tray"), "0")
        subprocess.run(["chattr", "-i", s.settings_path], check=True)

        self.command(s, 3404)  # track mouse
        self.assertTrue(poll(lambda: re.fullmatch(r"  -?\d+, -?\d+", s.status()), 5), repr(s.status()))
        self.command(s, 3404)
        self.assertTrue(poll(lambda: s.status() == " ", 5), repr(s.status()))

        self.command(s, 3197)
        totals = self.wait_dialog(s, "Quillomat Totals|")
        self.assertEqual(totals, "Quillomat Totals|Automations since startup: \t0~~Automations since install: \t0")
        s.probe("press", "Quillomat Totals", "OK")

    def test_choose_font_writes_the_face_and_size(self):
        s = self.session()
        s.start()
        self.command(s, 3403)
        self.wait_dialog(s, "Font|")
        s.type("Tahoma")
        s.key("Tab")
        s.key("Tab")
        s.type("12")
        s.key("Return")
        self.assertTrue(poll(lambda: s.settings().get("font") == "Tahoma,12", 10), s.settings())

    def test_remove_clipboard_formatting_leaves_only_text(self):
        s = self.session()
        s.start()
        self.assertTrue(s.probe_ok("clipboard-set", "plain words"))
        self.assertIn("Rich Text Format", s.probe("clipboard")[1])
        self.command(s, 3198)
        self.assertTrue(poll(lambda: "Rich Text Format" not in s.probe("clipboard")[1], 5))
        self.assertIn("text: plain words", s.probe("clipboard")[1])

    def test_tray_icon_callback(self):
        s = self.session(settings=dict(tray=1))
        s.start()
        s.probe("minimize", "=QuillomatClass")
        self.assertTrue(poll(lambda: s.window().get("visible") is False, 5))
        s.probe("post", "=QuillomatClass", "546", "1001", "515")  # double-click on the icon
        self.assertTrue(poll(lambda: s.window().get("visible") and not s.window().get("iconic"), 5), s.window())

        s.bring_to_front("=QuillomatClass")
        s.type("x")  # an unsaved edit
        s.probe("post", "=QuillomatClass", "546", "1001", "516")  # right click: the popup menu
        self.assertTrue(poll(lambda: s.probe_ok("exists", "=#32768"), 5), "no popup menu")
        s.key("Up")  # the last item, "Exit Quillomat"
        s.key("Return")
        self.wait_dialog(s, SAVE_QUESTION)
        s.probe("press", "Quillomat", "Cancel")
        self.assertTrue(poll(lambda: SAVE_QUESTION not in s.dialogs(), 5))
        self.assertTrue(s.probe_ok("exists", "=QuillomatClass"))

    def test_help_reference_and_about(self):
        s = self.session()
        s.start()
        self.command(s, 3501)
        self.assertTrue(poll(lambda: s.probe_ok("exists", HELP_TITLE), 15), "notepad with the help")
        self.assertIn("QUILLOMAT HELP REFERENCE", s.text(HELP_TITLE))
        s.probe("close", HELP_TITLE)

        self.command(s, 3502)
        self.wait_dialog(s, "About Quillomat|")
        self.assertTrue(poll(lambda: s.probe("control", "About Quillomat", "0x800F")[1] == "quillomat.example", 5))
        s.probe("press", "About Quillomat", "OK")

    def test_help_reference_never_shows_a_copy_another_program_holds(self):
        s = self.session()
        s.start()
        holder = s.probe_async("hold", r"%TMP%\Quillomat README.txt", "120", "AN OLD COPY OF THE HELP")
        self.assertTrue(poll(lambda: "held" in holder(), 15), "the old copy is held open, shared for reading")
        self.command(s, 3501)
        self.assertTrue(poll(lambda: s.probe_ok("exists", "=Notepad"), 15), "notepad with the help")
        shown = poll(lambda: s.text("=Notepad"), 5)
        self.assertIn("QUILLOMAT HELP REFERENCE", shown)
        self.assertNotIn("AN OLD COPY", shown)
        s.probe("close", "=Notepad")

    def test_custom_list_picks_and_closes(self):
        s = self.session("ql=LIST: a;;b{Enter}\r\nqt=LIST: Quillomat Target;notepad.exe\r\n")
        s.start()
        s.start_target()
        s.type("ql")
        self.assertTrue(poll(lambda: s.probe_ok("exists", "Custom List"), 5))
        self.assertTrue(poll(lambda: ("down", 13) in [(k, vk) for _, k, vk in s.key_messages()], 5),
                        "Enter played at once, into the target")
        self.assertTrue(poll(lambda: s.window("Custom List").get("foreground"), 5), "the list takes the focus")
        s.key("2")  # the empty item: the list closes and nothing else happens
        self.assertTrue(poll(lambda: not s.probe_ok("exists", "Custom List"), 5))
        self.assertRegex(s.settings().get("window_list", ""), r"^\d+,\d+,\d+,\d+$")

        s.bring_to_front("Quillomat Target")
        s.type("ql")
        self.assertTrue(poll(lambda: s.window("Custom List").get("foreground"), 5))
        s.key("Escape")
        self.assertTrue(poll(lambda: not s.probe_ok("exists", "Custom List"), 5), "other keys close it")

        s.bring_to_front("Quillomat Target")
        s.type("qt")
        self.assertTrue(poll(lambda: s.window("Custom List").get("foreground"), 5))
        # Row 2 (notepad.exe) by the key; row 1 by a click below the caption.
        s.key("2")
        self.assertTrue(poll(lambda: s.probe_ok("exists", "Untitled - Notepad"), 15), "a pick launches")
        s.probe("close", "Untitled - Notepad")
        s.bring_to_front("Quillomat Target")
        s.type("qt")
        self.assertTrue(poll(lambda: s.window("Custom List").get("foreground"), 5))
        w = s.window("Custom List")
        caption = 24
        subprocess.run(["xdotool", "mousemove", str(w["left"] + 40), str(w["top"] + caption + 6), "click", "1"])
        self.assertTrue(poll(lambda: not s.probe_ok("exists", "Custom List"), 5))
        self.assertTrue(poll(lambda: s.window("Quillomat Target").get("foreground"), 5), "a pick activates")


    def assert_keys_reach_the_target(self, s, key, expected):
        """The target is in front, a key typed lands there, and the editor took none."""
        self.assertTrue(poll(lambda: s.window("Quillomat Target").get("foreground"), 5), "the target is in front")
        s.refocus_x()  # the closed window's X window had X's focus
        s.type(key)
        self.assertTrue(poll(lambda: s.text() == expected, 5), repr(s.text()))
        self.assertFalse(s.title().endswith(" *"), "the editor took no key")

    def test_the_keyboard_goes_back_when_the_list_closes(self):
        s = self.session("ql=LIST: no-such-program.exe;b\r\n")
        s.start()
        s.start_target()
        s.type("ql")
        self.assertTrue(poll(lambda: s.window("Custom List").get("foreground"), 5), "the list takes the focus")
        s.key("Escape")
        self.assertTrue(poll(lambda: not s.probe_ok("exists", "Custom List"), 5))
        self.assert_keys_reach_the_target(s, "x", "x")

        # A pick that cannot start says so, as RUN: does; the keyboard goes back all the same.
        s.type("ql")
        self.assertTrue(poll(lambda: s.window("Custom List").get("foreground"), 5))
        s.key("1")
        message = self.wait_dialog(s, "Quillomat|Unable to run program")
        self.assertIn("Trigger: ql~List item: no-such-program.exe", message)
        self.assertFalse(s.probe_ok("exists", "Custom List"))
        s.probe("press", "Quillomat", "OK")
        self.assertTrue(poll(lambda: not s.dialogs(), 5), s.dialogs())
        self.assert_keys_reach_the_target(s, "y", "xy")


class SafeSave(WineTest):
    """A failed save never loses the file or the editor's text."""

    def check_failed_save(self, s, locked):
        s.start()
        s.bring_to_front("=QuillomatClass")
        s.type("x")
        self.assertTrue(poll(lambda: s.title().endswith(" *"), 5))
        subprocess.run(["chattr", "+i", locked], check=True)
        self.addCleanup(subprocess.run, ["chattr", "-i", locked])
        s.key("s", modifiers=("ctrl",))
        warning = self.wait_dialog(s, "Quillomat|Unable to save the trigger file:")
        self.assertIn("quillomat.txt", warning)
        s.probe("press", "Quillomat", "OK")
        with open(s.triggers_path, "rb") as f:
            self.assertEqual(f.read(), b"btw=by the way\r\n")
        self.assertTrue(s.title().endswith(" *"), "still marked unsaved")
        self.assertTrue(s.text("=QuillomatClass").endswith("x"), "the edit is still in the editor")
        self.assertEqual([f for f in os.listdir(s.dir) if f.lower().endswith(".tmp")], [], "no temporary file left")

    def test_an_immutable_file_is_left_as_it_was(self):
        s = self.session()
        self.check_failed_save(s, s.triggers_path)

    def test_an_immutable_folder_is_left_as_it_was(self):
        s = self.session()
        self.check_failed_save(s, s.dir)

    def test_a_read_only_file_is_named_so_and_save_as_is_offered(self):
        s = self.session()
        s.start()
        s.bring_to_front("=QuillomatClass")
        s.type("x")
        os.chmod(s.triggers_path, 0o444)  # read-only, as Windows shows it
        subprocess.run(["chattr", "+i", s.triggers_path], check=True)  # and refused, even to root
        self.addCleanup(subprocess.run, ["chattr", "-i", s.triggers_path])
        s.key("s", modifiers=("ctrl",))
        warning = self.wait_dialog(s, "Quillomat|Unable to save the trigger file:")
        self.assertIn("The file is read-only.", warning)
        s.probe("press", "Quillomat", "Save As...")
        self.wait_dialog(s, "Save As|")
        s.type("mine.txt")
        s.key("Return")
        mine = os.path.join(s.dir, "mine.txt")
        self.assertTrue(poll(lambda: os.path.exists(mine), 10))
        with open(mine, "rb") as f:
            self.assertEqual(f.read(), b"btw=by the way\r\nx")
        self.assertTrue(poll(lambda: s.settings().get("file", "").endswith("mine.txt"), 5), s.settings())

    def test_a_settings_file_cut_short_is_named_and_written_whole_again(self):
        s = self.session(settings={"tray": "0"})
        with open(s.settings_path, "ab") as f:
            f.write(b"window_wi")  # a write cut short
        s.start(wait=False)
        warning = self.wait_dialog(s, "Quillomat|Quillomat could not read its settings file whole:")
        self.assertIn('"window_wi"', warning)
        s.probe("press", "Quillomat", "OK")
        self.assertTrue(poll(lambda: s.status().startswith(" Triggers Loaded"), 10))
        s.probe("command", "=QuillomatClass", "3402")  # Minimize to Tray: a setting changes
        self.assertTrue(poll(lambda: s.settings().get("tray") == "1", 5), s.settings())
        with open(s.settings_path, "rb") as f:
            data = f.read()
        self.assertTrue(data.startswith(b"\xff\xfe"), data[:4])
        self.assertEqual(data.decode("utf-16"), "[Quillomat Settings]\r\ntray=1\r\n")


class UnsavedEdits(WineTest):
    """Every path that saves: when the save fails, nothing the user typed is lost."""

    ORIGINAL = b"btw=by the way\r\n"

    def edited_session(self):
        """The program with "x" typed into its editor."""
        s = self.session(self.ORIGINAL.decode())
        s.start()
        s.bring_to_front("=QuillomatClass")
        s.type("x")
        self.assertTrue(poll(lambda: s.title().endswith(" *"), 5))
        return s

    def make_immutable(self, path):
        """Saves into `path` (the trigger file, or its folder) then fail."""
        subprocess.run(["chattr", "+i", path], check=True)
        self.addCleanup(subprocess.run, ["chattr", "-i", path])

    def answer_save_question(self, s, button):
        self.wait_dialog(s, SAVE_QUESTION)
        s.probe("press", "Quillomat", button)

    def dismiss_save_warning(self, s, name="quillomat.txt"):
        warning = self.wait_dialog(s, "Quillomat|Unable to save the trigger file:")
        self.assertIn(name, warning)
        s.probe("press", "Quillomat", "OK")
        self.assertTrue(poll(lambda: not s.dialogs(), 5), s.dialogs())

    def assert_edits_kept(self, s):
        self.assertTrue(s.probe_ok("exists", "=QuillomatClass"), "the window is still there")
        self.assertTrue(s.text("=QuillomatClass").endswith("x"), "the edit is still in the editor")
        self.assertTrue(s.title().endswith("quillomat.txt *"), s.title())
        with open(s.triggers_path, "rb") as f:
            self.assertEqual(f.read(), self.ORIGINAL)
        self.assertEqual([f for f in os.listdir(s.dir) if f.lower().endswith(".tmp")], [])

    def assert_btw_expands(self, s):
        s.start_target()
        s.type("btw")
        self.assertTrue(poll(lambda: s.text() == "by the way", 10), repr(s.text()))

    def test_exit_with_a_failing_save_keeps_the_window(self):
        s = self.edited_session()
        self.make_immutable(s.triggers_path)
        s.probe("command", "=QuillomatClass", "3104")  # File > Exit; the tray's Exit sends the same
        self.answer_save_question(s, "Yes")
        self.dismiss_save_warning(s)
        self.assert_edits_kept(s)
        self.assert_btw_expands(s)

    def test_open_with_a_failing_save_shows_no_open_dialog(self):
        s = self.edited_session()
        self.make_immutable(s.triggers_path)
        s.probe("command", "=QuillomatClass", "3101")
        self.answer_save_question(s, "Yes")
        self.dismiss_save_warning(s)
        self.assertFalse(poll(lambda: [d for d in s.dialogs() if d.startswith("Open|")], 2))
        self.assert_edits_kept(s)
        self.assert_btw_expands(s)

    def test_save_as_that_fails_keeps_the_old_name_everywhere(self):
        s = self.edited_session()
        settings_before = s.settings()
        self.make_immutable(s.dir)
        s.key("a", modifiers=("ctrl",))
        self.wait_dialog(s, "Save As|")
        s.type("renamed")
        s.key("Return")
        self.dismiss_save_warning(s, name="renamed")
        self.assertFalse(os.path.exists(os.path.join(s.dir, "renamed")))
        self.assertEqual(s.settings(), settings_before)
        self.assert_edits_kept(s)
        self.assert_btw_expands(s)

    def test_a_refused_file_is_never_saved_over(self):
        s = self.session(None)
        with open(s.triggers_path, "wb") as f:
            f.truncate(65 * 1024 * 1024)  # sparse, over the size limit
        s.start(status=" Trigger file too large to load")
        self.assertEqual(s.text("=QuillomatClass"), "", "the editor shows nothing")
        s.bring_to_front("=QuillomatClass")
        s.type("x")
        self.assertEqual(s.text("=QuillomatClass"), "", "and takes no typing")
        s.key("s", modifiers=("ctrl",))
        self.assertIn("too large", self.wait_dialog(s, "Quillomat|The trigger file was not loaded"))
        s.probe("press", "Quillomat", "OK")
        self.assertEqual(os.path.getsize(s.triggers_path), 65 * 1024 * 1024)

        # Open a file that another program holds: refused too, and left alone.
        good = os.path.join(s.dir, "good.txt")
        with open(good, "wb") as f:
            f.write(self.ORIGINAL)
        holder = s.probe_async("hold", windows_path(good), "8")
        self.assertTrue(poll(lambda: "held" in holder(), 15))
        s.key("o", modifiers=("ctrl",))
        self.wait_dialog(s, "Open|")
        s.type("good.txt")
        s.key("Return")
        self.assertTrue(poll(lambda: s.status().startswith(" Unable to read the trigger file"), 10), s.status())
        self.assertEqual(s.text("=QuillomatClass"), "")
        holder.process.wait(timeout=30)
        with open(good, "rb") as f:
            self.assertEqual(f.read(), self.ORIGINAL)

        # Once it can be read, it opens and its triggers work.
        s.key("o", modifiers=("ctrl",))
        self.wait_dialog(s, "Open|")
        s.type("good.txt")
        s.key("Return")
        self.assertTrue(poll(lambda: s.status() == " Triggers Loaded: 1 ", 10), s.status())
        self.assert_btw_expands(s)

    def test_logoff_asks_and_refuses_to_end_while_edits_would_be_lost(self):
        s = self.edited_session()
        self.make_immutable(s.triggers_path)
        query = ("send", "=QuillomatClass", "17", "0", "0")  # WM_QUERYENDSESSION
        for button, answer in (("Cancel", "0"), ("Yes", "0"), ("No", "1")):
            reply = s.probe_async(*query)
            self.answer_save_question(s, button)
            if button == "Yes":
                self.dismiss_save_warning(s)
            self.assertTrue(poll(lambda: reply().strip() == answer, 10), (button, reply()))
            self.assert_edits_kept(s)
        subprocess.run(["chattr", "-i", s.triggers_path], check=True)
        reply = s.probe_async(*query)
        self.answer_save_question(s, "Yes")
        self.assertTrue(poll(lambda: reply().strip() == "1", 10), reply())
        with open(s.triggers_path, "rb") as f:
            self.assertEqual(f.read(), self.ORIGINAL + b"x")
        self.assert_btw_expands(s)
        s.probe("send", "=QuillomatClass", "22", "1", "0")  # WM_ENDSESSION: the session ends
        self.assertTrue(poll(lambda: not s.probe_ok("exists", "=QuillomatClass"), 10))
        self.assertEqual(s.settings().get("activation_count"), "1")


class OtherPrograms(WineTest):
    """The trigger file is shared with other programs and the file system."""

    CHANGED = "Quillomat|The trigger file was changed by another program"

    def dirty_session(self, triggers="btw=by the way\r\n"):
        s = self.session(triggers)
        s.start()
        s.bring_to_front("=QuillomatClass")
        s.type("x")
        self.assertTrue(poll(lambda: s.title().endswith(" *"), 5))
        return s

    def save_into_the_question(self, s):
        s.key("s", modifiers=("ctrl",))
        self.wait_dialog(s, self.CHANGED)

    def cancel_the_save(self, s):
        s.probe("press", "Quillomat", "Cancel")
        self.assertTrue(poll(lambda: not s.dialogs(), 5), s.dialogs())

    def test_an_outside_change_under_unsaved_edits_is_never_written_over(self):
        s = self.dirty_session()
        with open(s.triggers_path, "ab") as f:
            f.write(b"qqn=added elsewhere\r\n")
        self.assertTrue(poll(lambda: "changed by another program" in s.status(), 5), s.status())
        self.assertTrue(s.text("=QuillomatClass").endswith("x"), "the editor is left alone")
        self.save_into_the_question(s)
        self.cancel_the_save(s)
        with open(s.triggers_path, "rb") as f:
            self.assertEqual(f.read(), b"btw=by the way\r\nqqn=added elsewhere\r\n")
        self.assertTrue(s.text("=QuillomatClass").endswith("x"))
        self.assertTrue(s.title().endswith(" *"), s.title())

    def test_an_outside_change_to_a_clean_editor_is_live_at_once(self):
        s = self.session()
        s.start()
        s.start_target()
        with open(s.triggers_path, "wb") as f:
            f.write(b"btw=by the way\r\nqqn=new from elsewhere\r\n")
        started = time.monotonic()
        self.assertTrue(poll(lambda: "reloaded" in s.status(), 5, 0.05), s.status())
        self.assertLess(time.monotonic() - started, 1.0)
        self.assertIn("qqn=new from elsewhere", s.text("=QuillomatClass"))
        self.assertFalse(s.title().endswith("*"))
        s.bring_to_front("Quillomat Target")
        s.type("qqn")
        self.assertTrue(poll(lambda: s.text() == "new from elsewhere", 10), repr(s.text()))

    def test_save_through_a_symbolic_link_writes_the_file_it_points_at(self):
        s = self.session(None)
        os.makedirs(os.path.join(s.dir, "synced"))
        real = os.path.join(s.dir, "synced", "real.txt")
        with open(real, "wb") as f:
            f.write(b"btw=by the way\r\n")
        os.symlink(real, s.triggers_path)
        s.start()
        s.bring_to_front("=QuillomatClass")
        s.type("x")
        s.key("s", modifiers=("ctrl",))
        self.assertTrue(poll(lambda: open(real, "rb").read() == b"btw=by the way\r\nx", 10),
                        open(real, "rb").read())
        self.assertTrue(os.path.islink(s.triggers_path), "the link stays a link")

    def test_two_starts_at_once_leave_one_program(self):
        s = self.session()
        first = s.start(wait=False)
        second = s.start(wait=False)
        self.assertTrue(poll(lambda: first.poll() is not None or second.poll() is not None, 30),
                        "neither start gave way")
        self.assertEqual((first.poll() if first.poll() is not None else second.poll()), 0)
        time.sleep(2)
        self.assertEqual([p.poll() is None for p in (first, second)].count(True), 1, "one program runs")
        self.assertTrue(s.probe_ok("exists", "=QuillomatClass"))

    def test_debug_mode_still_asks_and_ends_with_its_file(self):
        s = self.dirty_session("; Quillomat_DEBUG\r\nbtw=x\r\n")
        s.probe("close", "=QuillomatClass")
        self.wait_dialog(s, SAVE_QUESTION)
        s.probe("press", "Quillomat", "No")
        self.assertTrue(poll(lambda: not s.probe_ok("exists", "=QuillomatClass"), 10))

    def test_a_two_byte_file_stays_as_it_is(self):
        s = self.session("hi")
        s.start()
        self.assertEqual(s.text("=QuillomatClass"), "hi")
        s.bring_to_front("=QuillomatClass")
        s.key("s", modifiers=("ctrl",))
        time.sleep(1)
        with open(s.triggers_path, "rb") as f:
            self.assertEqual(f.read(), b"hi")
        self.assertEqual(s.text("=QuillomatClass"), "hi")

    def end_session_anyway(self, s):
        """The session ends without the save question's answer (forced)."""
        s.probe("send", "=QuillomatClass", "22", "1", str(0x40000000))
        self.assertTrue(poll(lambda: not s.probe_ok("exists", "=QuillomatClass"), 10))

    def kept_copies(self, folder):
        return sorted(os.path.join(folder, f) for f in os.listdir(folder)
                      if f.startswith("quillomat (unsaved edits) ") and f.endswith(".txt"))

    def assert_copy_holds(self, copy, triggers_path, text):
        with open(copy, "rb") as f:
            header, _, kept = f.read().partition(b"\r\n")
        self.assertTrue(header.startswith(b"\xef\xbb\xbf; Quillomat kept this copy of " +
                                          windows_path(triggers_path).encode()), header)
        self.assertEqual(kept, text)

    def test_a_session_that_ends_anyway_keeps_the_edits_for_the_next_start(self):
        s = self.dirty_session()
        self.end_session_anyway(s)
        [kept] = self.kept_copies(s.dir)
        self.assert_copy_holds(kept, s.triggers_path, b"btw=by the way\r\nx")
        with open(s.triggers_path, "rb") as f:
            self.assertEqual(f.read(), b"btw=by the way\r\n")
        s.start(wait=False)
        self.assertIn(windows_path(kept), self.wait_dialog(s, "Quillomat|Quillomat kept unsaved edits from "))
        s.probe("press", "Quillomat", "Open them")
        self.assertTrue(poll(lambda: s.text("=QuillomatClass") == "btw=by the way\r\nx", 10))
        self.assertTrue(poll(lambda: s.title().endswith(" *"), 5), s.title())
        self.assertTrue(os.path.exists(kept), "kept until saved")
        s.bring_to_front("=QuillomatClass")
        s.key("s", modifiers=("ctrl",))
        self.assertTrue(poll(lambda: not os.path.exists(kept), 10), "saved: the kept copy goes")
        with open(s.triggers_path, "rb") as f:
            self.assertEqual(f.read(), b"btw=by the way\r\nx")

    def test_each_session_that_ends_anyway_keeps_its_own_copy(self):
        s = self.dirty_session()
        self.end_session_anyway(s)
        s.start(wait=False)
        self.wait_dialog(s, "Quillomat|Quillomat kept unsaved edits from ")
        s.probe("close", "Quillomat")  # closed unanswered: asked again next time
        self.assertTrue(poll(lambda: not s.dialogs(), 10), s.dialogs())
        s.bring_to_front("=QuillomatClass")
        s.type("y")
        self.assertTrue(poll(lambda: s.title().endswith(" *"), 5))
        self.end_session_anyway(s)
        first, second = sorted(self.kept_copies(s.dir), key=os.path.getmtime)
        self.assert_copy_holds(first, s.triggers_path, b"btw=by the way\r\nx")
        self.assert_copy_holds(second, s.triggers_path, b"btw=by the way\r\ny")

        # Offered oldest first, each until it is opened or discarded.
        s.start(wait=False)
        self.assertIn(windows_path(first), self.wait_dialog(s, "Quillomat|Quillomat kept unsaved edits"))
        s.probe("press", "Quillomat", "Discard")
        self.assertTrue(poll(lambda: not os.path.exists(first), 10))
        self.assertTrue(poll(lambda: [d for d in s.dialogs() if windows_path(second) in d], 10), s.dialogs())
        s.probe("press", "Quillomat", "Open them")
        self.assertTrue(poll(lambda: s.text("=QuillomatClass") == "btw=by the way\r\ny", 10))
        self.assertTrue(os.path.exists(second))

    def test_an_outside_change_after_the_session_ended_is_asked_about(self):
        s = self.dirty_session()
        self.end_session_anyway(s)
        with open(s.triggers_path, "ab") as f:
            f.write(b"qqn=added elsewhere\r\n")
        s.start(wait=False)
        self.wait_dialog(s, "Quillomat|Quillomat kept unsaved edits from ")
        s.probe("press", "Quillomat", "Open them")
        self.assertTrue(poll(lambda: s.text("=QuillomatClass") == "btw=by the way\r\nx", 10))
        s.bring_to_front("=QuillomatClass")
        self.save_into_the_question(s)
        self.cancel_the_save(s)
        with open(s.triggers_path, "rb") as f:
            self.assertEqual(f.read(), b"btw=by the way\r\nqqn=added elsewhere\r\n")

    def test_a_folder_that_takes_no_file_keeps_the_edits_in_the_users_folder(self):
        s = self.dirty_session()
        subprocess.run(["chattr", "+i", s.dir], check=True)
        self.addCleanup(subprocess.run, ["chattr", "-i", s.dir])
        self.end_session_anyway(s)
        self.assertEqual(self.kept_copies(s.dir), [])
        folders = glob.glob(os.path.join(os.environ["WINEPREFIX"], "drive_c", "users", "*",
                                         "AppData", "Local", "Quillomat", "Recovered"))
        def first_line(path):
            with open(path, "rb") as f:
                return f.readline()
        mine = [c for folder in folders for c in self.kept_copies(folder)
                if windows_path(s.triggers_path).encode() in first_line(c)]
        for copy in mine:
            self.addCleanup(lambda c=copy: os.path.exists(c) and os.remove(c))
        self.assertEqual(len(mine), 1, folders)
        self.assert_copy_holds(mine[0], s.triggers_path, b"btw=by the way\r\nx")
        subprocess.run(["chattr", "-i", s.dir], check=True)
        s.start(wait=False)
        dialog = self.wait_dialog(s, "Quillomat|Quillomat kept unsaved edits from ")
        self.assertIn("\\Quillomat\\Recovered\\quillomat (unsaved edits) ", dialog)
        s.probe("press", "Quillomat", "Open them")
        self.assertTrue(poll(lambda: s.text("=QuillomatClass") == "btw=by the way\r\nx", 10))

    def test_load_from_disk_after_the_file_went_keeps_the_edits(self):
        s = self.dirty_session()
        with open(s.triggers_path, "ab") as f:
            f.write(b"qqn=added elsewhere\r\n")
        self.assertTrue(poll(lambda: "changed by another program" in s.status(), 5), s.status())
        self.save_into_the_question(s)
        os.remove(s.triggers_path)
        s.probe("press", "Quillomat", "Load the file from disk and discard my edits")
        self.assertTrue(poll(lambda: "no longer on disk" in s.status(), 10), s.status())
        time.sleep(1)  # the folder's change is looked at too: still nothing written
        self.assertFalse(os.path.exists(s.triggers_path), "never the examples in its place")
        self.assertEqual(s.text("=QuillomatClass"), "btw=by the way\r\nx")
        self.assertTrue(s.title().endswith(" *"), s.title())
        s.bring_to_front("=QuillomatClass")
        s.key("s", modifiers=("ctrl",))
        self.assertTrue(poll(lambda: os.path.exists(s.triggers_path), 10))
        with open(s.triggers_path, "rb") as f:
            self.assertEqual(f.read(), b"btw=by the way\r\nx")

    def test_a_change_in_the_folder_a_link_leads_to_is_live_at_once(self):
        s = self.session(None)
        synced = os.path.join(s.top, "synced")
        os.makedirs(synced)
        real = os.path.join(synced, "real.txt")
        with open(real, "wb") as f:
            f.write(b"btw=by the way\r\n")
        os.symlink(real, s.triggers_path)
        s.start()
        s.start_target()
        with open(real, "wb") as f:  # a sync tool, in its own folder
            f.write(b"btw=by the way\r\nqqn=new from the synced folder\r\n")
        self.assertTrue(poll(lambda: "reloaded" in s.status(), 5), s.status())
        s.bring_to_front("Quillomat Target")
        s.type("qqn")
        self.assertTrue(poll(lambda: s.text() == "new from the synced folder", 10), repr(s.text()))

        # Gone from there: said, and Save writes it there again; the link stays.
        os.remove(real)
        self.assertTrue(poll(lambda: "links to" in s.status() and "which is missing" in s.status(), 5),
                        s.status())
        s.bring_to_front("=QuillomatClass")
        s.type("x")
        s.key("s", modifiers=("ctrl",))
        def saved_there():
            if not os.path.exists(real):
                return False
            with open(real, "rb") as f:
                return f.read().endswith(b"x")
        self.assertTrue(poll(saved_there, 10), "written through the link")
        self.assertTrue(os.path.islink(s.triggers_path))

    def test_a_file_the_settings_name_is_waited_for_until_it_comes(self):
        later = os.path.join(tempfile.gettempdir(), "quillomat-e2e-not-synced-%d" % os.getpid())
        self.addCleanup(shutil.rmtree, later, True)
        mine = os.path.join(later, "mine.txt")
        s = self.session(None, settings={"file": windows_path(mine)})
        s.start(status=" The trigger file is not there (yet)")
        self.assertFalse(os.path.exists(s.triggers_path), "no examples beside the program")
        os.makedirs(later)  # the sync tool brings the folder and the file
        with open(mine, "wb") as f:
            f.write(b"btw=by the way\r\n")
        self.assertTrue(poll(lambda: s.status().startswith(" Triggers Loaded: 1"), 10), s.status())
        self.assertEqual(s.title(), "Quillomat - " + windows_path(mine))
        self.assertEqual(s.settings().get("file"), windows_path(mine))

    def test_a_link_to_a_missing_file_is_waited_for_never_replaced(self):
        s = self.session(None)
        synced = os.path.join(s.top, "synced")
        os.makedirs(synced)
        real = os.path.join(synced, "real.txt")
        os.symlink(real, s.triggers_path)
        s.start(status=" The trigger file links to ")
        self.assertIn("which is missing", s.status())
        self.assertTrue(os.path.islink(s.triggers_path))
        self.assertFalse(os.path.exists(real), "no examples there either")
        with open(real, "wb") as f:  # the sync tool brings it
            f.write(b"btw=by the way\r\n")
        self.assertTrue(poll(lambda: s.status().startswith(" Triggers Loaded: 1"), 10), s.status())
        self.assertTrue(os.path.islink(s.triggers_path))

    def test_a_busy_folder_never_holds_a_change_back(self):
        s = self.session()
        s.start()
        log = os.path.join(s.dir, "busy.log")
        stop = threading.Event()
        def writer():  # 8 writes a second, as a chatty program's log
            while not stop.wait(0.125):
                with open(log, "ab") as f:
                    f.write(b"a line of the log\n")
        thread = threading.Thread(target=writer)
        thread.start()
        self.addCleanup(thread.join)
        self.addCleanup(stop.set)
        time.sleep(1)
        with open(s.triggers_path, "wb") as f:
            f.write(b"btw=by the way\r\nqqn=while the log runs\r\n")
        started = time.monotonic()
        self.assertTrue(poll(lambda: "reloaded" in s.status(), 5, 0.05), s.status())
        self.assertLess(time.monotonic() - started, 2.5)
        self.assertTrue(thread.is_alive(), "loaded while the log was still being written")
        self.assertIn("qqn=while the log runs", s.text("=QuillomatClass"))

class WakeOnInput(WineTest):
    """The poll rests while nothing happens; no key is missed for it."""

    def test_fast_typing_quiet_and_hotkeys(self):
        s = self.session("btw=by the way\r\n{control}{alt}k=hot\r\n")
        s.start()
        s.start_target()
        # A fast typist: keys held 30 ms with 30 ms gaps; each trigger comes
        # right after the previous output has played.
        expected = ""
        for _ in range(20):
            s.type_timed("btw ", 0.03, 0.03)
            expected += "by the way "
        self.assertTrue(poll(lambda: s.text() == expected, 10), repr(s.text()))
        # After 10 s of quiet, a trigger and a hotkey.
        time.sleep(10)
        s.type("btw")
        expected += "by the way"
        self.assertTrue(poll(lambda: s.text() == expected, 10), repr(s.text()))
        time.sleep(10)
        s.key("k", modifiers=("ctrl", "alt"))
        expected += "hot"
        self.assertTrue(poll(lambda: s.text() == expected, 10), repr(s.text()))


class Search(WineTest):
    """The search window, bound to a hotkey, from the key-logging target."""

    TRIGGERS = ("; Signature block\r\nqqsig=Best regards,{Enter}Ann\r\n"
                "; Greeting\r\nqqhi=Hello there\r\n"
                "{control}{alt}f=SEARCH:\r\n")

    def test_find_pick_escape_and_click(self):
        s = self.session(self.TRIGGERS)
        s.start()
        s.start_target()

        used = self.open_search(s)
        s.type("gre")  # three letters of the label "Greeting"
        s.key("Return")
        self.assertTrue(poll(lambda: s.text() == "Hello there", 10), repr(s.text()))
        self.assertFalse(s.probe_ok("exists", "Quillomat Search"))
        downs = [vk for _, kind, vk in s.key_messages() if kind == "down"]
        self.assertNotIn(8, downs, "nothing is erased")
        self.assertEqual(s.status(), " Shortcuts Used:  %d" % (used + 1), "the pick counts")

        self.open_search(s)
        s.type("sig")
        s.key("Escape")
        self.assertTrue(poll(lambda: not s.probe_ok("exists", "Quillomat Search"), 5))
        self.assertTrue(poll(lambda: s.window("Quillomat Target").get("foreground"), 5), "the target is in front again")
        s.refocus_x()  # the closed window's X window had X's focus
        s.type("x")
        self.assertTrue(poll(lambda: s.text() == "Hello therex", 5), "nothing played: " + repr(s.text()))

        used = self.open_search(s)  # an empty query lists every trigger in file order
        w = s.window("Quillomat Search")
        caption, list_top, row = 24, 30, 16
        subprocess.run(["xdotool", "mousemove", str(w["left"] + 60), str(w["top"] + caption + list_top + row // 2),
                        "click", "1"])
        expected = "Hello therexBest regards,\r\nAnn"
        self.assertTrue(poll(lambda: s.text() == expected, 10),
                        repr(s.text()))
        self.assertEqual(s.status(), " Shortcuts Used:  %d" % (used + 1))
        self.assertRegex(s.settings().get("window_search", ""), r"^-?\d+,-?\d+,\d+,\d+$")


class Forms(WineTest):
    """Fill-in forms, fired in the key-logging target."""

    TRIGGERS = ("; Letter\r\nqqa=Dear {Input:Name}!\r\n"
                "; Reply\r\nqqr={Input:Name=ann} and {Input:Name}\r\n")

    def fire(self, s, trigger, caption):
        """Types the trigger; returns once its form is in front with its first field's keyboard."""
        s.type(trigger)
        self.assertTrue(poll(lambda: s.window(caption).get("foreground"), 10), "the form is in front")
        self.assertEqual(s.text(), trigger, "nothing erased while the form is open")

    def backspaces(self, s):
        return [vk for _, kind, vk in s.key_messages() if kind == "down" and vk == 8]

    def test_a_typed_value_and_enter_put_the_output_in_place_of_the_trigger(self):
        s = self.session(self.TRIGGERS)
        s.start()
        s.start_target()
        self.fire(s, "qqa", "Letter")
        s.type("bob")
        self.assertTrue(poll(lambda: s.probe("control", "Letter", "100")[1] == "bob", 5), "the form has the keyboard")
        s.key("Return")
        self.assertTrue(poll(lambda: s.text() == "Dear bob!", 10), repr(s.text()))
        self.assertEqual(len(self.backspaces(s)), 3, "the trigger erased")
        self.assertFalse(s.probe_ok("exists", "Letter"))
        s.type(" ok")  # the keyboard is back in the target's edit control
        self.assertTrue(poll(lambda: s.text() == "Dear bob! ok", 5), repr(s.text()))

    def test_escape_leaves_the_trigger_as_typed(self):
        s = self.session(self.TRIGGERS)
        s.start()
        s.start_target()
        self.fire(s, "qqa", "Letter")
        s.type("bob")
        s.key("Escape")
        self.assertTrue(poll(lambda: not s.probe_ok("exists", "Letter"), 5))
        s.type("x")
        self.assertTrue(poll(lambda: s.text() == "qqax", 5), repr(s.text()))
        self.assertEqual(self.backspaces(s), [])

    def test_one_label_in_two_places_is_asked_once(self):
        s = self.session(self.TRIGGERS)
        s.start()
        s.start_target()
        self.fire(s, "qqr", "Reply")
        self.assertEqual(s.probe("control", "Reply", "100")[1], "ann")
        self.assertFalse(s.probe_ok("control", "Reply", "101"), "one field")
        s.type("bo")  # the default is selected: typing replaces it
        s.key("Return")
        self.assertTrue(poll(lambda: s.text() == "bo and bo", 10), repr(s.text()))

    def test_the_target_closed_while_the_form_is_open_gets_nothing_typed_anywhere(self):
        s = self.session(self.TRIGGERS)
        s.start()
        editor = s.text("=QuillomatClass")
        s.start_target()
        self.fire(s, "qqa", "Letter")
        s.type("bob")
        s.probe("close", "Quillomat Target")
        self.assertTrue(poll(lambda: not s.probe_ok("exists", "Quillomat Target"), 10))
        s.probe("front", "Letter")
        self.assertTrue(poll(lambda: s.window("Letter").get("foreground"), 5))
        s.key("Return")
        self.assertTrue(poll(lambda: not s.probe_ok("exists", "Letter"), 5))
        self.assertTrue(poll(lambda: "Nothing typed" in s.status(), 5), s.status())
        self.assertEqual(s.status(), " Nothing typed: the window the form was for has closed")
        time.sleep(0.5)
        self.assertEqual(s.text("=QuillomatClass"), editor)
        self.assertEqual(s.text("=QuillomatClass").count("bob"), 0)


class FireRules(WineTest):
    """Where and when triggers fire."""

    def test_pause_hotkey_switches_expansions_off_and_on(self):
        s = self.session("{control}{alt}p=PAUSE:\r\nbtw=by the way\r\n")
        s.start()
        s.start_target()
        s.key("p", modifiers=("ctrl", "alt"))
        self.assertTrue(poll(lambda: s.status() == " Paused ", 5), s.status())
        s.type("btw")
        time.sleep(1)
        self.assertEqual(s.text(), "btw")
        self.assertEqual(s.settings().get("paused"), "1")
        s.key("p", modifiers=("ctrl", "alt"))
        self.assertTrue(poll(lambda: "Paused" not in s.status(), 5), s.status())
        s.type(" btw")
        self.assertTrue(poll(lambda: s.text() == "btw by the way", 10), repr(s.text()))

    def open_notepad(self, s):
        notepad = subprocess.Popen([DESKTOP.wine, "notepad.exe"], stdout=subprocess.DEVNULL,
                                   stderr=subprocess.DEVNULL)
        s.processes.append(notepad)
        self.assertTrue(poll(lambda: s.probe_ok("exists", "Untitled - Notepad"), 20))
        s.bring_to_front("Untitled - Notepad")

    def test_programs_decide_what_fires(self):
        s = self.session("; Quillomat_NEVER_IN: notepad.exe\r\n"
                         "; Quillomat_ONLY_IN: quillomat-target.exe\r\nbtw=in the target\r\n"
                         "; Quillomat_ONLY_IN: *\r\nbtw=anywhere\r\n")
        s.start()
        s.start_target()
        s.type("btw")
        self.assertTrue(poll(lambda: s.text() == "in the target", 10), repr(s.text()))
        self.open_notepad(s)
        s.type("btw")
        time.sleep(1)
        self.assertEqual(s.text("Untitled - Notepad"), "btw", "nothing fires in Notepad")

    def test_case_follows_the_typing_and_keys_in_another_window_do_not_count(self):
        s = self.session("; Quillomat_CASE: on\r\nbtw=by the way\r\n")
        s.start()
        s.start_target()
        s.key("b", modifiers=("shift",))
        s.type("tw")
        self.assertTrue(poll(lambda: s.text() == "By the way", 10), repr(s.text()))
        s.type(" bt")
        self.open_notepad(s)
        s.type("w")
        time.sleep(1)
        self.assertEqual(s.text("Untitled - Notepad"), "w", "nothing erased, nothing typed")
        self.assertEqual(s.text(), "By the way bt")

    def test_caps_lock_on_outputs_arrive_as_written_and_it_stays_on(self):
        s = self.session("{control}{alt}h=Hello World\r\n; Quillomat_CASE: on\r\nbtw=by the way\r\n")
        s.start()
        s.start_target()
        s.key("Caps_Lock")
        self.addCleanup(subprocess.run, ["xdotool", "key", "Caps_Lock"])
        self.assertTrue(poll(lambda: s.caps_lock_at_last_key(), 5), "Caps Lock on for the target")
        s.key("h", modifiers=("ctrl", "alt"))
        self.assertTrue(poll(lambda: s.text() == "Hello World", 10), repr(s.text()))
        # The last keys the target got are the output's; the lock was on again after them.
        self.assertTrue(s.caps_lock_at_last_key(), "on again after the output")
        s.type(" btw")  # BTW on the screen: the output in capitals
        self.assertTrue(poll(lambda: s.text() == "Hello World BY THE WAY", 10), repr(s.text()))
        self.assertTrue(s.caps_lock_at_last_key())

    def test_backspace_right_after_an_output_undoes_it(self):
        s = self.session(settings=dict(undo_backspace=1))
        s.start()
        s.start_target()
        s.type("btw")
        self.assertTrue(poll(lambda: s.text() == "by the way", 10), repr(s.text()))
        s.key("BackSpace")
        self.assertTrue(poll(lambda: s.text() == "btw", 10), repr(s.text()))
        s.type(" x")
        self.assertTrue(poll(lambda: s.text() == "btw x", 5), repr(s.text()))


class Paste(WineTest):
    """Long outputs through the clipboard, and the user's clipboard given back."""

    LONG = "Dear team, " + "the quick brown fox jumps over the lazy dog, " * 3 + "\u043f\u0440\u0438\u0432\u0435\u0442."

    def triggers(self, extra=""):
        return ("; Quillomat_PASTE: 100\r\n" + extra +
                "qql=" + self.LONG + "{Enter}{Delay 100}" + self.LONG + "\r\n").encode("utf-8")

    def paste_session(self, extra="", window_class=None, paste=None, settings=None):
        s = self.session(None, settings)
        with open(s.triggers_path, "wb") as f:
            f.write(self.triggers(extra))
        s.start()
        s.start_target(window_class, paste)
        return s

    def downs(self, s):
        return [vk for _, kind, vk in s.key_messages() if kind in ("down", "sysdown")]

    def test_a_long_output_is_pasted_and_the_clipboard_comes_back_whole(self):
        s = self.paste_session()
        mine = "\u041c\u043e\u0439 clipboard \U0001F600"
        self.assertTrue(s.probe_ok("clipboard-many", mine))
        before = {name: s.probe("clipboard-bytes", name)[1]
                  for name in ("unicode", "HTML Format", "Quillomat Test Private")}
        s.type("qql")
        expected = self.LONG + "\r\n" + self.LONG
        self.assertTrue(poll(lambda: s.text() == expected, 10), repr(s.text()))
        self.assertEqual(self.downs(s).count(ord("V")), 2, "two runs, two pastes")
        self.assertTrue(poll(lambda: all(s.probe("clipboard-bytes", name)[1] == data
                                         for name, data in before.items()), 5),
                        {name: s.probe("clipboard-bytes", name)[1] for name in before})

    def test_a_console_window_gets_shift_insert(self):
        s = self.paste_session(window_class="ConsoleWindowClass")
        s.type("qql")
        self.assertTrue(poll(lambda: s.text() == self.LONG + "\r\n" + self.LONG, 10), repr(s.text()))
        downs = self.downs(s)
        self.assertEqual(downs.count(45), 2, "Shift+Insert for each run")
        self.assertNotIn(17, downs, "no Ctrl+V")

    def test_a_type_in_program_gets_the_output_typed(self):
        s = self.paste_session("; Quillomat_TYPE_IN: quillomat-target.exe\r\n")
        s.type("qql")
        self.assertTrue(poll(lambda: s.text() == self.LONG + "\r\n" + self.LONG, 30), repr(s.text()))
        self.assertNotIn(17, self.downs(s), "no Ctrl+V: typed")

    def test_a_window_slow_to_paste_never_gets_the_users_clipboard(self):
        s = self.paste_session(paste="delay:1500")
        mine = "my secret 1234"
        self.assertTrue(s.probe_ok("clipboard-many", mine))
        before = s.probe("clipboard-bytes", "unicode")[1]
        s.type("qql")
        expected = self.LONG + "\r\n" + self.LONG
        self.assertTrue(poll(lambda: s.text() == expected, 20), repr(s.text()))
        self.assertTrue(poll(lambda: s.probe("clipboard-bytes", "unicode")[1] == before, 5),
                        "the clipboard comes back once both pastes were taken")
        time.sleep(2)  # a late paste would show now
        self.assertEqual(s.text(), expected)

    def test_a_window_that_ignores_the_paste_gets_the_text_typed(self):
        s = self.paste_session(paste="ignore")
        self.assertTrue(s.probe_ok("clipboard-many", "my secret 1234"))
        s.type("qql")
        expected = self.LONG + "\r\n" + self.LONG
        self.assertTrue(poll(lambda: s.text() == expected, 40), repr(s.text()))
        self.assertEqual(s.status(), " The window did not take the paste: the text was typed instead")
        self.assertNotIn("my secret", s.probe("clipboard")[1], "the user's data stays out of reach")

    def test_undo_after_an_ignored_paste_erases_only_the_output(self):
        s = self.session("; Quillomat_PASTE: 20\r\nqqp=" + "pasted words, thirty letters" + "\r\n",
                         settings=dict(undo_backspace=1))
        s.start()
        s.start_target(paste="ignore")
        mine = "my own words typed before the trigger "  # 37 characters and a space
        s.type(mine + "qqp")
        self.assertTrue(poll(lambda: s.text() == mine + "pasted words, thirty letters", 20),
                        repr(s.text()))
        s.key("BackSpace")
        self.assertTrue(poll(lambda: s.text() == mine + "qqp", 10), repr(s.text()))


class Inserts(WineTest):
    """Where the caret ends, and outputs built from the clipboard and the selection."""

    def left_presses(self, s):
        """Whether each Left press the target got came as the extended key."""
        with open(s.key_log) as f:
            rows = [line.split() for line in f if line.strip()]
        return [r[3] == "ext" for r in rows if r[1] == "down" and r[2] == "37"]

    def caret(self, s):
        return s.probe("caret", "Quillomat Target")[1].split()

    def test_the_caret_lands_at_the_mark_of_a_typed_and_of_a_pasted_output(self):
        words = "the quick brown fox jumps over the lazy dog"
        s = self.session("; Quillomat_PASTE: 20\r\nqqc=ab{Cursor}cd\r\n"
                         "qqp=%s {Cursor}and %s\r\n" % (words, words))
        s.start()
        s.start_target()
        s.type("qqc")
        self.assertTrue(poll(lambda: s.text() == "abcd" and self.caret(s) == ["2", "2"], 10),
                        (s.text(), self.caret(s)))
        self.assertEqual(self.left_presses(s), [True, True], "two Left presses, extended")
        s.type("x")
        self.assertTrue(poll(lambda: s.text() == "abxcd", 5), repr(s.text()))

        s.key("End")
        s.type("qqp")
        before = "abxcd" + words + " "
        expected = before + "and " + words
        mark = str(len(before))
        self.assertTrue(poll(lambda: s.text() == expected and self.caret(s) == [mark, mark], 10),
                        (s.text(), self.caret(s)))
        self.assertIn(ord("V"), [vk for _, kind, vk in s.key_messages() if kind == "down"], "pasted")
        s.type("y")
        self.assertTrue(poll(lambda: s.text() == before + "yand " + words, 5), repr(s.text()))

    def test_the_clipboard_is_typed_as_the_characters_it_holds(self):
        s = self.session("qqv=[{Clipboard}]\r\n")
        s.start()
        s.start_target()
        mine = "\u041f\u0440\u0438\u0432\u0435\u0442 \U0001F600"
        self.assertTrue(s.probe_ok("clipboard-set", mine))
        s.type("qqv")
        self.assertTrue(poll(lambda: s.text() == "[" + mine + "]", 10), repr(s.text()))
        self.assertTrue(s.probe_ok("clipboard-set", "RUN: notepad.exe"))
        s.type("qqv")
        self.assertTrue(poll(lambda: s.text() == "[%s][RUN: notepad.exe]" % mine, 10), repr(s.text()))
        time.sleep(1)  # a program that was started would have shown its window by now
        self.assertFalse(s.probe_ok("exists", "Untitled - Notepad"), "typed, nothing started")

    def test_a_hotkey_wraps_the_selection_and_the_clipboard_comes_back_whole(self):
        s = self.session("; Quillomat_UNICODE\r\n{control}{alt}q=\u201c{Selection}\u201d\r\n")
        s.start()
        s.start_target()
        s.type("hello world")
        self.assertTrue(poll(lambda: s.text() == "hello world", 10), repr(s.text()))
        self.assertTrue(s.probe_ok("select", "Quillomat Target", "6", "11"))
        mine = "\u041c\u043e\u0439 clipboard \U0001F600"
        self.assertTrue(s.probe_ok("clipboard-many", mine))
        formats = ("unicode", "HTML Format", "Quillomat Test Private")
        before = {name: s.probe("clipboard-bytes", name)[1] for name in formats}
        s.key("q", modifiers=("ctrl", "alt"))
        self.assertTrue(poll(lambda: s.text() == "hello \u201cworld\u201d", 10), repr(s.text()))
        given_back = lambda: all(s.probe("clipboard-bytes", name)[1] == data for name, data in before.items())
        self.assertTrue(poll(given_back, 5), {name: s.probe("clipboard-bytes", name)[1] for name in formats})
        s.probe("close", "=QuillomatClass")
        self.assertTrue(poll(lambda: not s.probe_ok("exists", "=QuillomatClass"), 10))
        self.assertTrue(given_back(), "it stays when the program ends")


class WindowsWays(WineTest):
    """Keys, popups and the tray behave as on any Windows program."""

    def test_search_keys_belong_to_the_search_window(self):
        many = "".join("qq%02d=output %02d\r\n" % (i, i) for i in range(40))
        s = self.session(many + "{control}{alt}f=SEARCH:\r\n")
        s.start()
        s.start_target()
        self.open_search(s)
        s.type("qq")
        s.key("a", modifiers=("ctrl",))  # selects the query; the main window's Save As stays shut
        s.type("out")
        self.assertTrue(poll(lambda: s.probe("text", "Quillomat Search")[1] == "out", 5),
                        s.probe("text", "Quillomat Search")[1])
        self.assertEqual([d for d in s.dialogs() if d.startswith("Save As")], [])
        self.assertEqual(s.probe("selected", "Quillomat Search")[1].strip(), "0")
        s.key("Next")
        page = int(s.probe("selected", "Quillomat Search")[1])
        self.assertGreater(page, 3, "Page Down moves by a page of rows")
        s.key("End", modifiers=("ctrl",))
        self.assertEqual(s.probe("selected", "Quillomat Search")[1].strip(), "39")  # the last of 40
        s.key("Escape")

    def test_a_place_on_a_monitor_that_is_gone_opens_on_the_desktop(self):
        s = self.session("{control}{alt}f=SEARCH:\r\n", settings=dict(window_search="5000,4000,520,320"))
        s.start()
        s.start_target()
        self.open_search(s)
        w = s.window("Quillomat Search")
        self.assertTrue(0 <= w["left"] < 1024 and 0 <= w["top"] < 768, w)

    def test_the_tray_icon_comes_back_when_explorer_restarts(self):
        s = self.session(settings=dict(tray=1))
        s.start()
        s.probe("minimize", "=QuillomatClass")
        self.assertTrue(poll(lambda: s.probe_ok("tray", "=QuillomatClass", "ask"), 5), "the icon is shown")
        s.probe("tray", "=QuillomatClass", "remove")  # Explorer went away with it
        self.assertFalse(s.probe_ok("tray", "=QuillomatClass", "ask"))
        s.probe("announce", "TaskbarCreated")
        self.assertTrue(poll(lambda: s.probe_ok("tray", "=QuillomatClass", "ask"), 5), "added again")

    def test_about_names_the_version(self):
        s = self.session()
        s.start()
        s.probe("command", "=QuillomatClass", "3502")
        about = self.wait_dialog(s, "About Quillomat|")
        version = re.search(r"project\(Quillomat VERSION ([0-9.]+)",
                            open(os.path.join(ROOT, "CMakeLists.txt")).read()).group(1)
        self.assertIn("Quillomat " + version, about)
        self.assertIn("MIT license", about)
        s.probe("press", "About Quillomat", "OK")


class Unicode(WineTest):
    """A UTF-8 trigger file written by another program."""

    def test_a_utf8_file_types_its_characters_and_saves_back_byte_for_byte(self):
        original = "; Quillomat_UNICODE\r\n; \u4e2d\u6587 notes\r\ncafe=caf\u00e9 {U+20AC}\r\n".encode("utf-8")
        s = self.session(None)
        with open(s.triggers_path, "wb") as f:
            f.write(original)
        s.start()
        self.assertIn("cafe=caf\u00e9 {U+20AC}", s.text("=QuillomatClass"))
        s.start_target()
        s.type("cafe")
        self.assertTrue(poll(lambda: s.text() == "caf\u00e9 \u20ac", 10), repr(s.text()))

        self.assert_saved_unchanged(s, original)  # the Chinese comment too

    def test_an_ansi_file_saves_back_byte_for_byte(self):
        # Accented letters, the euro sign and bytes the code page leaves unassigned.
        original = b"; ANSI caf\xe9 \x80 \x81\x8d\x8f\x90\x9d \xff\r\nbtw=by the way \xe9\r\n"
        s = self.session(None)
        with open(s.triggers_path, "wb") as f:
            f.write(original)
        s.start()
        self.assertIn("caf\u00e9 \u20ac", s.text("=QuillomatClass"))
        self.assert_saved_unchanged(s, original)


class EveryName(WineTest):
    """Names, files and text in any script, whatever the code page."""

    FOLDER = "Zo\u00eb \u738b\u4f1f \u0414\u043c\u0438\u0442\u0440\u0438\u0439"

    def test_a_folder_in_any_script_holds_the_files_and_the_settings(self):
        s = self.session(None, folder=self.FOLDER)
        s.start()
        expected = "Quillomat - " + windows_path(s.triggers_path)
        self.assertEqual(s.title(), expected)
        self.assertTrue(os.path.exists(s.triggers_path), "the default trigger file is written there")
        s.start_target()
        self.expand(s, "btw", "by the way")
        s.bring_to_front("=QuillomatClass")
        s.key("o", modifiers=("ctrl",))  # Open stores the file's path in the settings
        self.wait_dialog(s, "Open|")
        s.type("quillomat.txt")
        s.key("Return")
        self.assertTrue(poll(lambda: s.settings().get("file") == windows_path(s.triggers_path), 10),
                        s.settings())
        s.probe("close", "=QuillomatClass")
        self.assertTrue(poll(lambda: s.settings().get("activation_count") == "1", 10), s.settings())
        s.start()
        self.assertEqual(s.title(), expected)
        # The checker takes the same path from its command line.
        with tempfile.TemporaryFile() as out:
            check = subprocess.run([DESKTOP.wine, os.path.join(BIN, "quillomat-check.exe"),
                                    windows_path(s.triggers_path)], stdout=out, stderr=subprocess.DEVNULL,
                                   stdin=subprocess.DEVNULL, timeout=60)
            out.seek(0)
            printed = out.read().decode("utf-8", "replace")
        self.assertEqual(check.returncode, 0, printed)
        self.assertIn("Trigger file: " + windows_path(s.triggers_path), printed)

    def expand(self, s, keys, expected):
        s.type(keys)
        self.assertTrue(poll(lambda: s.text().endswith(expected), 10), repr(s.text()))

    def test_save_as_a_name_beside_its_code_page_lookalike(self):
        s = self.session("btw=by the way\r\n")
        lookalike = os.path.join(s.dir, "Prehled.txt")
        with open(lookalike, "wb") as f:
            f.write(b"someone else's file\r\n")
        s.start()
        s.probe("command", "=QuillomatClass", "3103")
        self.wait_dialog(s, "Save As|")
        s.probe("settext", "Save As", "P\u0159ehled.txt")
        s.probe("press", "Save As", "Save")
        target = os.path.join(s.dir, "P\u0159ehled.txt")
        self.assertTrue(poll(lambda: os.path.exists(target), 10), os.listdir(s.dir))
        with open(target, "rb") as f:
            self.assertEqual(f.read(), b"btw=by the way\r\n")
        with open(lookalike, "rb") as f:
            self.assertEqual(f.read(), b"someone else's file\r\n")
        self.assertTrue(poll(lambda: s.title().endswith("\\P\u0159ehled.txt"), 5), s.title())

    def test_utf16_files_round_trip_in_both_byte_orders(self):
        text = "; \u0417\u0430\u043c\u0435\u0442\u043a\u0438\r\nbtw=by the way\r\n"
        for codec, mark in (("utf-16-le", b"\xff\xfe"), ("utf-16-be", b"\xfe\xff")):
            with self.subTest(codec):
                s = self.session(None)
                original = mark + text.encode(codec)
                with open(s.triggers_path, "wb") as f:
                    f.write(original)
                s.start()
                self.assertEqual(s.text("=QuillomatClass"), text)
                self.assertEqual(s.status(), " Triggers Loaded: 1 ")
                self.assert_saved_unchanged(s, original)
                s.type("x")  # a one-line edit: the caret is after the last line
                self.assertTrue(poll(lambda: s.title().endswith(" *"), 5))
                s.key("s", modifiers=("ctrl",))
                edited = mark + (text + "x").encode(codec)
                self.assertTrue(poll(lambda: open(s.triggers_path, "rb").read() == edited, 10))
                s.close()

    def test_search_finds_and_shows_any_script_and_plays_the_line_picked(self):
        s = self.session(None)
        with open(s.triggers_path, "wb") as f:
            f.write("; \u041f\u0440\u0438\u0432\u0435\u0442\r\nqqru=\u043f\u0440\u0438\u0432\u0435\u0442\r\n"
                    "x1=first\r\n; Second of two\r\nx1=second\r\n{control}{alt}f=SEARCH:\r\n".encode("utf-8"))
        s.start()
        s.start_target()
        for query, row, typed in (("\u041f\u0420\u0418\u0412", "qqru\t\u041f\u0440\u0438\u0432\u0435\u0442\t"
                                   "\u043f\u0440\u0438\u0432\u0435\u0442", "\u043f\u0440\u0438\u0432\u0435\u0442"),
                                  ("second", "x1\tSecond of two\tsecond", "second")):
            self.open_search(s)
            s.probe("settext", "Quillomat Search", query)
            self.assertTrue(poll(lambda: s.probe("rows", "Quillomat Search")[1] == row + "\n", 5),
                            s.probe("rows", "Quillomat Search")[1])
            s.key("Return")
            self.assertTrue(poll(lambda: s.text().endswith(typed), 10), repr(s.text()))
            s.bring_to_front("Quillomat Target")

    def test_the_default_trigger_file_reads_the_same_in_other_languages(self):
        with open(os.path.join(ROOT, "resources", "default_triggers.txt"), "rb") as f:
            expected = f.read().decode("utf-8-sig")
        for locale in ("ru_RU.UTF-8", "ja_JP.UTF-8"):
            with self.subTest(locale):
                s = self.session(None)
                s.start(locale=locale)
                self.assertEqual(s.text("=QuillomatClass"), expected)
                s.close()

    def test_the_default_trigger_file_types_its_accented_example_where_alt_codes_fail(self):
        # Wine composes no Alt + keypad codes: the default file types such characters as Unicode.
        s = self.session(None)
        s.start()
        s.start_target()
        s.type("qqcafe")
        self.assertTrue(poll(lambda: s.text() == "caf\u00e9", 10), repr(s.text()))

    def test_remove_clipboard_formatting_keeps_every_character(self):
        s = self.session()
        s.start()
        text = "\u041f\u0440\u0438\u0432\u0435\u0442, caf\u00e9 \u2014 \U0001F600"
        self.assertTrue(s.probe_ok("clipboard-set", text))
        s.probe("command", "=QuillomatClass", "3198")
        self.assertTrue(poll(lambda: "Rich Text Format" not in s.probe("clipboard")[1], 5))
        self.assertIn("text: " + text + "\n", s.probe("clipboard")[1])

    def test_run_starts_a_program_in_a_folder_in_any_script(self):
        s = self.session(None)
        folder = os.path.join(s.dir, "\u0414\u043c\u0438\u0442\u0440\u0438\u0439")
        os.makedirs(folder)
        shutil.copy(os.path.join(BIN, "tests", "e2e", "quillomat-target.exe"), folder)
        other_log = os.path.join(s.dir, "run.log")
        with open(s.triggers_path, "wb") as f:
            f.write(("qqrun=RUN: %s %s\r\n" % (windows_path(os.path.join(folder, "quillomat-target.exe")),
                                               windows_path(other_log))).encode("utf-8"))
        s.start()
        s.start_target()
        s.type("qqrun")
        self.assertTrue(poll(lambda: os.path.exists(other_log), 20), "the program did not start")


class Patterns(WineTest):
    """Pattern triggers typed at in another program."""

    def test_a_call_with_an_argument_becomes_a_greeting_and_only_it_is_erased(self):
        s = self.session("re::greet\\((\\w+)\\)=Hello, {1}!\r\n")
        s.start()
        s.start_target()
        s.type("Hi ")
        s.key("semicolon", modifiers=("shift",))
        s.type("greet")
        s.key("9", modifiers=("shift",))
        s.key("a", modifiers=("shift",))
        s.type("nn")
        s.key("0", modifiers=("shift",))
        self.assertTrue(poll(lambda: s.text() == "Hi Hello, Ann!", 10), repr(s.text()))
        downs = [vk for _, kind, vk in s.key_messages() if kind == "down"]
        self.assertEqual(downs.count(8), len(":greet(Ann)"), "the matched stretch, not a character more")
        self.assertEqual(s.status(), " Shortcuts Used:  1")

    def test_a_cyrillic_capture_from_a_utf8_file(self):
        # Wine maps no key of its keyboard to a Cyrillic character for a
        # program that polls keys (xdotool's Cyrillic keys arrive as a spare
        # key with no character): the characters come as Unicode key events,
        # as an on-screen keyboard sends them. Under a Russian system
        # language the code page has them, under another it lacks them; the
        # file is UTF-8 either way. Wine composes no Alt codes: the output's
        # own Cyrillic goes out as Unicode too.
        hello, ivan = "\u043f\u0440\u0438\u0432\u0435\u0442", "\u0438\u0432\u0430\u043d"  # привет, иван
        greeting = "\u0417\u0434\u0440\u0430\u0432\u0441\u0442\u0432\u0443\u0439"  # Здравствуй
        for locale in ("ru_RU.UTF-8", None):
            with self.subTest(locale):
                s = self.session(None)
                with open(s.triggers_path, "wb") as f:
                    f.write(("; Quillomat_UNICODE\r\nre:(?i)%s (\\w+)!=%s, {1|title}!\r\n"
                             % (hello, greeting)).encode("utf-8"))
                s.start(locale=locale)
                s.start_target()
                s.type("x ")
                self.assertTrue(s.probe_ok("unicode", hello.title() + " " + ivan + "!"))
                expected = "x %s, %s!" % (greeting, ivan.title())
                self.assertTrue(poll(lambda: s.text() == expected, 10), repr(s.text()))
                downs = [vk for _, kind, vk in s.key_messages() if kind == "down"]
                self.assertEqual(downs.count(8), len(hello + " " + ivan + "!"), "the typed text erased exactly")
                s.close()


class Soak(WineTest):
    """Many expansions in a row: nothing lost, doubled or out of order."""

    def test_expansions_in_a_row(self):
        count = int(os.environ.get("SOAK_COUNT", "300"))
        s = self.session("qsk=Hi Bob!{Enter}\r\n")
        s.start()
        s.start_target()
        outputs = lambda: sum(1 for _, kind, code in s.key_messages() if kind == "char" and code == 13)
        for i in range(count):
            # A key pressed while an output plays stops it: each trigger
            # follows the end of the output before it, as fast as that comes.
            poll(lambda: outputs() >= i, 5, 0.005)
            s.type("qsk")

        def typed():
            # The target's characters, with each Backspace taking one back.
            text = []
            for _, kind, code in s.key_messages():
                if kind != "char":
                    continue
                if code == 8:
                    if text:
                        text.pop()
                else:
                    text.append(chr(code))
            return "".join(text)

        expected = "Hi Bob!\r" * count
        poll(lambda: typed() == expected, 60, 1.0)
        got = typed()
        self.assertEqual(len(got), len(expected))
        self.assertEqual(got, expected)
        held = {}
        for _, kind, code in s.key_messages():
            if kind in ("down", "sysdown"):
                held[code] = True
            elif kind in ("up", "sysup"):
                held[code] = False
        self.assertEqual([code for code, down in held.items() if down], [], "no key left down")
        self.assertEqual(s.status(), " Shortcuts Used:  %d" % count)


def main():
    global BIN, DESKTOP
    parser = argparse.ArgumentParser()
    parser.add_argument("--bin", required=True)
    args, rest = parser.parse_known_args()
    BIN = os.path.abspath(args.bin)
    faulthandler.dump_traceback_later(int(os.environ.get("E2E_TRACE_AFTER", "900")), exit=True)
    DESKTOP = Desktop()
    try:
        program = unittest.main(argv=[sys.argv[0]] + rest, exit=False, verbosity=2)
    finally:
        DESKTOP.close()
    sys.exit(0 if program.result.wasSuccessful() else 1)


if __name__ == "__main__":
    main()
