"""End-to-end scenarios: the real Quillomat under Wine, typed at with xdotool.

    python3 tests/e2e/e2e.py --bin build/windows-x64 [unittest options]
"""

import argparse
import faulthandler
import datetime
import os
import subprocess
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from harness import ROOT, Desktop, Session, poll  # noqa: E402

BIN = None
DESKTOP = None

SAVE_QUESTION = "Quillomat|Save changes?~~(Press Cancel to return to program)"


class EndToEnd(unittest.TestCase):
    def session(self, triggers="btw=by the way\r\n", settings=None):
        session = Session(DESKTOP, BIN, triggers, settings)
        self.addCleanup(session.close)
        return session

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
        self.assertEqual(s.status(), " Shortcuts Used:  1")

    def test_hotkey_enter_date_and_alt_code(self):
        s = self.session("{control}{alt}k=hot{Enter}x\r\nqqd={{yyyy}}-{{mm}}-{{dd}}\r\nqqe=\xe9\r\n")
        s.start()
        s.start_target()

        s.key("k", modifiers=("ctrl", "alt"))
        # Wine's edit control answers one Return with "\r\r\n" in its text;
        # the key log below shows the single Return that was sent.
        def typed():
            return s.text().replace("\r\r\n", "\r\n")
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
