"""Latency of a real expansion under Wine, and idle CPU use.

Over 30 expansions of "btw" into the test target, the time from the key-down
of the trigger's last key to the first key message of the output (the first
Backspace) and to the last one, taken from the target's own key log (one
clock). Then the program's CPU time while idle for 30 s.

    python3 scripts/latency.py --bin build/windows-x64
"""

import argparse
import os
import statistics
import subprocess
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "e2e"))
from harness import Desktop, Session, poll  # noqa: E402

RUNS = 30


def cpu_seconds(pid):
    with open("/proc/%d/stat" % pid) as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")


def quillomat_pid():
    out = subprocess.run(["pgrep", "-f", "quillomat.exe"], capture_output=True, text=True).stdout.split()
    return int(out[0]) if out else None


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--bin", required=True)
    args = parser.parse_args()
    desktop = Desktop()
    session = Session(desktop, os.path.abspath(args.bin), "btw=by the way\r\n")
    try:
        session.start()
        session.start_target()
        first, last = [], []
        for run in range(RUNS):
            start = len(session.key_messages())
            expected = "by the way" * (run + 1)
            session.type("btw")
            poll(lambda: session.text() == expected, 10)
            time.sleep(0.2)
            messages = session.key_messages()[start:]
            trigger_down = [t for t, kind, vk in messages if kind == "down" and vk == ord("W")][0]
            output = [t for t, kind, vk in messages if t >= trigger_down and vk != ord("W")]
            first.append(output[0] - trigger_down)
            last.append(output[-1] - trigger_down)
        for name, values in (("first key message", first), ("last key message", last)):
            print("%-18s median %4d ms, min %4d ms, max %4d ms  (%d expansions)"
                  % (name, statistics.median(values), min(values), max(values), len(values)))
        pid = quillomat_pid()
        if pid:
            before = cpu_seconds(pid)
            time.sleep(30)
            used = cpu_seconds(pid) - before
            print("idle CPU over 30 s: %.2f s (%.1f %% of one core)" % (used, used / 30 * 100))
    finally:
        session.close()
        desktop.close()


if __name__ == "__main__":
    main()
