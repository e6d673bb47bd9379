"""Latency, missed triggers and CPU use of real expansions under Wine.

    python3 scripts/latency.py --bin build/windows-x64 [--runs 30] [--misses 100]

- Latency: over `runs` expansions of "btw" into the test target, typed with
  keys held 30 ms and then 70 ms, the time from the key-down of the trigger's
  last key to the first key message of the output (the first Backspace), as
  median and 95th percentile, from the target's own key log (one clock).
- Missed triggers: `misses` expansions of "btw" typed with 30 ms holds and
  30 ms gaps, in one xdotool run each; how many fired.
- Idle CPU: the program's and the Wine server's CPU time over 60 s with
  nothing typed, as a percentage of one core; then the Wine server's over
  60 s with the program closed (what the other programs of the desktop cost
  it: the target's blinking caret, the desktop window).
- Typing CPU: the same while a key is typed every 100 ms for 20 s.

With --memory: the program's resident memory (the Wine process's VmRSS and
the part of it that is its own, RssAnon) with the default trigger file,
after start and after 50 expansions.

With --search: how long the search window takes to show after its hotkey
goes down (held 70 ms), over `runs` openings (the X window of the search
window appearing, found with xdotool).

With --form: how long a fill-in form takes to be in front with the keyboard
in its first field after the trigger's last key goes down (keys held 70 ms),
over `runs` firings (20 unless given), each closed with Escape: from the
target's key message of that key to the moment a probe, polling every
millisecond, sees the form in front with the focus inside it (one clock).
"""

import argparse
import os
import statistics
import subprocess
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "e2e"))
from harness import Desktop, Session, poll  # noqa: E402


def cpu_seconds(pid):
    with open("/proc/%d/stat" % pid) as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")


def pid_of(pattern):
    out = subprocess.run(["pgrep", "-f", pattern], capture_output=True, text=True).stdout.split()
    return int(out[0]) if out else None


def cpu_use(seconds, during=None):
    """CPU of the program and of the Wine server over `seconds`, in % of one core."""
    program, server = pid_of("quillomat.exe"), pid_of("wineserver")
    before = cpu_seconds(program), cpu_seconds(server)
    start = time.monotonic()
    if during:
        during()
    time.sleep(max(0.0, seconds - (time.monotonic() - start)))
    elapsed = time.monotonic() - start
    return [(cpu_seconds(p) - b) / elapsed * 100 for p, b in zip((program, server), before)]


def percentile(values, fraction):
    ordered = sorted(values)
    return ordered[min(len(ordered) - 1, int(round(fraction * (len(ordered) - 1))))]


def latency(session, runs, hold):
    first = []
    done = 0
    for _ in range(runs):
        start = len(session.key_messages())
        count = session.text().count("by the way")
        session.type_timed("btw", hold, 0.04)
        if poll(lambda: session.text().count("by the way") > count, 3):
            done += 1
        time.sleep(0.2)
        messages = session.key_messages()[start:]
        downs = [t for t, kind, vk in messages if kind == "down" and vk == ord("W")]
        output = [t for t, kind, vk in messages if downs and t >= downs[0] and kind == "down" and vk == 8]
        if output:
            first.append(output[0] - downs[0])
    if first:
        print("keys held %2d ms: %d of %d expanded; first output key %d ms median, %d ms 95th percentile"
              % (hold * 1000, done, runs, statistics.median(first), percentile(first, 0.95)))
    else:
        print("keys held %2d ms: %d of %d expanded" % (hold * 1000, done, runs))


def misses(session, runs):
    fired = 0
    for _ in range(runs):
        count = session.text().count("by the way")
        session.type_timed("btw", 0.03, 0.03)
        if poll(lambda: session.text().count("by the way") > count, 2, 0.05):
            fired += 1
        session.type_timed(" ", 0.03, 0.03)
    print("30 ms holds and gaps: %d of %d expansions" % (fired, runs))


TEXT_200 = ("The quick brown fox jumps over the lazy dog. " * 5)[:200]


def handled_times(session):
    """When the target handled each key message (the last field of its log)."""
    with open(session.key_log) as f:
        return [int(line.split()[-1]) for line in f if line.strip()]


def output_timing(session, trigger, runs):
    """From the trigger's last key-down to the output complete in the target, per run: the
    paste key's message for a paste, the last character's for typing (the target's own clock)."""
    times = []
    for _ in range(runs):
        start = len(session.key_messages())
        before = session.text()
        session.type(trigger)
        poll(lambda: session.text() == before + TEXT_200, 10, 0.05)
        time.sleep(0.3)
        messages = session.key_messages()[start:]
        handled = handled_times(session)[start:]
        last_key = [t for t, kind, vk in messages if kind == "down" and vk == ord(trigger[-1].upper())]
        # The text is complete when the target has handled the paste (Ctrl+V's character)
        # or the last character typed: the time it handled it, not when the key was sent.
        pastes = [h for (t, kind, vk), h in zip(messages, handled) if kind == "char" and vk == 22]
        chars = [h for (t, kind, vk), h in zip(messages, handled) if kind == "char" and vk not in (8, 22)]
        end = pastes[-1] if pastes else (chars[-1] if chars else None)
        if last_key and end is not None and session.text() == before + TEXT_200:
            times.append(end - last_key[0])
        session.probe("settext", "Quillomat Target", "")  # an empty target for the next run
    return times


def paste_run(desktop, bin_dir, runs):
    """A 200-character output, typed and pasted, into the target's edit control."""
    results = {}
    for how, directive in (("typed", ""), ("pasted", "; Quillomat_PASTE: 100\r\n; Quillomat_DEBUG\r\n")):
        session = Session(desktop, bin_dir, directive + "qqp=" + TEXT_200 + "\r\n")
        log = os.path.join(os.environ["WINEPREFIX"], "drive_c", "Quillomat_log.txt")
        if os.path.exists(log):
            os.remove(log)
        try:
            session.start()
            session.start_target()
            session.probe("clipboard-set", "the user's own text")
            results[how] = output_timing(session, "qqp", runs)
            if how == "pasted":
                with open(log, encoding="utf-8", errors="replace") as f:
                    taken = [int(line.split(" after ")[1].split()[0]) for line in f if "paste taken after" in line]
                print("pasted: the clipboard given back %d ms median, %d ms 95th percentile after the paste key"
                      " (%d of %d pastes taken)" % (statistics.median(taken), percentile(taken, 0.95),
                                                   len(taken), runs) if taken else "pasted: no paste taken")
                print("the user's clipboard afterwards: %r" % session.probe("clipboard")[1].split("text: ")[-1].strip())
        finally:
            session.close()
    for how, times in results.items():
        if times:
            print("200 characters %s: complete %d ms median, %d ms 95th percentile after the trigger's "
                  "last key (%d of %d)" % (how, statistics.median(times), percentile(times, 0.95), len(times), runs))


def search_opening(session, runs):
    times = []
    for _ in range(runs):
        session.refocus_x()
        start = time.monotonic()
        # Held 70 ms, as a person presses it; the output waits for Ctrl and Alt to go up.
        press = subprocess.Popen(["xdotool", "keydown", "ctrl", "keydown", "alt", "keydown", "f", "sleep",
                                  "0.07", "keyup", "f", "keyup", "alt", "keyup", "ctrl"])
        shown = None
        while time.monotonic() - start < 5:
            found = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "Quillomat Search"],
                                   capture_output=True, text=True).stdout.split()
            if found:
                shown = time.monotonic() - start
                break
        press.wait()
        if shown is not None:
            times.append(shown * 1000)
        poll(lambda: session.window("Quillomat Search").get("foreground"), 5)
        session.key("Escape")
        poll(lambda: not session.probe_ok("exists", "Quillomat Search"), 5)
    if times:
        print("search window shown after the hotkey: %d ms median, %d ms 95th percentile (%d of %d)"
              % (statistics.median(times), percentile(times, 0.95), len(times), runs))
    else:
        print("search window: no X window found to time")


def resident_kib(pid):
    fields = {}
    with open("/proc/%d/status" % pid) as f:
        for line in f:
            key, _, value = line.partition(":")
            fields[key] = value.split()[0] if value.split() else "0"
    return int(fields.get("VmRSS", 0)), int(fields.get("RssAnon", 0))


def memory_use(desktop, bin_dir):
    session = Session(desktop, bin_dir)  # no trigger file: the default one is written
    try:
        session.start()
        session.start_target()
        time.sleep(3)
        # This session's program: its folder's name is in its command line.
        pid = pid_of(os.path.basename(session.top) + ".*quillomat.exe")
        rss, anon = resident_kib(pid)
        print("after start with the default trigger file: %d KiB resident, %d KiB of it its own"
              % (rss, anon))
        for _ in range(50):
            session.type("btw ")
        poll(lambda: session.text().count("by the way") >= 50, 30)
        time.sleep(2)
        rss, anon = resident_kib(pid)
        print("after 50 expansions: %d KiB resident, %d KiB of it its own" % (rss, anon))
    finally:
        session.close()


def form_opening(session, runs):
    times = []
    for _ in range(runs):
        session.probe("settext", "Quillomat Target", "")
        start = len(session.key_messages())
        seen = session.probe_async("keyboard-at", "Letter", "5000")
        session.type_timed("qqa", 0.07, 0.04)
        seen.process.wait(timeout=30)
        downs = [t for t, kind, vk in session.key_messages()[start:] if kind == "down" and vk == ord("A")]
        if seen().strip() and downs:
            times.append(int(seen()) - downs[0])
        session.key("Escape")
        poll(lambda: not session.probe_ok("exists", "Letter"), 5)
    if times:
        print("form in front with the keyboard after the trigger's last key: %d ms median, "
              "%d ms 95th percentile, %d ms at most (%d of %d)"
              % (statistics.median(times), percentile(times, 0.95), max(times), len(times), runs))
    else:
        print("form: never seen in front with the keyboard")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--bin", required=True)
    parser.add_argument("--runs", type=int, default=30)
    parser.add_argument("--misses", type=int, default=100)
    parser.add_argument("--idle-only", action="store_true")
    parser.add_argument("--search", action="store_true")
    parser.add_argument("--paste", action="store_true", help="a 200-character output, typed and pasted")
    parser.add_argument("--form", action="store_true", help="a fill-in form in front after its trigger")
    parser.add_argument("--memory", action="store_true", help="the program's resident memory")
    args = parser.parse_args()
    desktop = Desktop()
    if args.memory:
        try:
            return memory_use(desktop, os.path.abspath(args.bin))
        finally:
            desktop.close()
    if args.paste:
        try:
            return paste_run(desktop, os.path.abspath(args.bin), 20)
        finally:
            desktop.close()
    session = Session(desktop, os.path.abspath(args.bin), "btw=by the way\r\n{control}{alt}f=SEARCH:\r\n"
                      "; Letter\r\nqqa=Dear {Input:Name},{Enter}{Choose:Day=Mon|Tue}{Check:PS=x}\r\n")
    try:
        session.start()
        session.start_target()
        if args.search:
            return search_opening(session, args.runs)
        if args.form:
            return form_opening(session, args.runs if "--runs" in sys.argv else 20)
        if not args.idle_only:
            latency(session, args.runs, 0.03)
            latency(session, args.runs, 0.07)
            misses(session, args.misses)
        time.sleep(2)
        program, server = cpu_use(60)
        print("idle 60 s: program %.2f %%, Wine server %.2f %%, together %.2f %% of one core"
              % (program, server, program + server))
        if not args.idle_only:
            typing = lambda: session.type_timed("abcdefghij" * 20, 0.05, 0.05)  # a key every 100 ms
            program, server = cpu_use(20, typing)
            print("typing, a key every 100 ms for 20 s: program %.2f %%, Wine server %.2f %%"
                  % (program, server))
        session.probe("close", "=QuillomatClass")
        poll(lambda: not session.probe_ok("exists", "=QuillomatClass"), 10)
        time.sleep(2)
        server = pid_of("wineserver")
        before = cpu_seconds(server)
        time.sleep(60)
        print("idle 60 s without the program: Wine server %.2f %%" % ((cpu_seconds(server) - before) / 60 * 100))
    finally:
        session.close()
        desktop.close()


if __name__ == "__main__":
    main()
