"""The release under Wine: the installer, silently, in a fresh Wine prefix,
and the portable zip.

    python3 tests/e2e/release.py --bin build/windows-x64 [unittest options]

scripts/package.sh makes what this checks: build/dist (the shipped files)
and build/package (the same installer as a 64-bit program, which this
machine's Wine can run).
"""

import argparse
import faulthandler
import glob
import os
import re
import shutil
import struct
import subprocess
import sys
import tempfile
import unittest
import zipfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from harness import ROOT, Desktop, Session, poll  # noqa: E402

BIN = None
DESKTOP = None
PREFIX = None
VERSION = re.search(r"project\(Quillomat VERSION ([0-9.]+)", open(os.path.join(ROOT, "CMakeLists.txt")).read()).group(1)
DIST = os.path.join(ROOT, "build", "dist")
SETUP_X64 = os.path.join(ROOT, "build", "package", "Quillomat-%s-setup-x64.exe" % VERSION)
UNINSTALL_KEY = r"HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Quillomat"
RUN_KEY = r"HKCU\Software\Microsoft\Windows\CurrentVersion\Run"


def wine(*args):
    with tempfile.TemporaryFile() as out:
        result = subprocess.run([DESKTOP.wine] + list(args), stdout=out, stderr=subprocess.DEVNULL,
                                stdin=subprocess.DEVNULL, timeout=300)
        out.seek(0)
        return result.returncode, out.read().decode("cp1252", "replace")


def reg_values(key):
    code, out = wine("reg", "query", key)
    if code != 0:
        return None
    values = {}
    for line in out.splitlines():
        parts = line.strip().split(None, 2)
        if len(parts) >= 2 and parts[1].startswith("REG_"):
            values[parts[0]] = parts[2] if len(parts) == 3 else ""
    return values


class Installed(Session):
    """The installed program: it runs from the install folder, where its
    trigger file and settings live; the session's own folder holds the logs."""

    def __init__(self, folder):
        super().__init__(DESKTOP, BIN, triggers=None)
        self.exe = os.path.join(folder, "quillomat.exe")
        self.triggers_path = os.path.join(folder, "quillomat.txt")
        self.settings_path = os.path.join(folder, "quillomat.ini")


def assert_windows_text(test, path):
    """A text file that ships: CR LF line ends, no line end alone."""
    with open(path, "rb") as f:
        data = f.read()
    test.assertIn(b"\r\n", data, path)
    test.assertNotRegex(data, rb"(?<!\r)\n", path)


def prefix_path(windows_path):
    """The file in the Wine prefix that a C: path names."""
    assert windows_path[:3].upper() == "C:\\"
    return os.path.join(PREFIX, "drive_c", *windows_path[3:].split("\\"))


class Release(unittest.TestCase):
    def folder(self):
        found = glob.glob(os.path.join(PREFIX, "drive_c", "users", "*", "AppData", "Local", "Programs", "Quillomat"))
        return found[0] if found else None

    def shortcut(self):
        return glob.glob(os.path.join(PREFIX, "drive_c", "users", "*", "AppData", "Roaming", "Microsoft",
                                      "Windows", "Start Menu", "Programs", "Quillomat.lnk"))

    def run_program(self, folder):
        s = Installed(folder)
        self.addCleanup(s.close)
        s.start()
        s.start_target()
        s.type("btw")
        self.assertTrue(poll(lambda: s.text() == "by the way", 10), repr(s.text()))
        return s

    def test_1_install_reinstall_and_uninstall(self):
        self.assertEqual(wine(SETUP_X64, "/S")[0], 0)
        folder = self.folder()
        self.assertTrue(folder, "installed into the user's programs folder")
        self.assertEqual(sorted(os.listdir(folder)),
                         ["LICENSE.txt", "README.txt", "quillomat-check.exe", "quillomat.exe", "uninstall.exe"])
        self.assertTrue(self.shortcut(), "a Start menu shortcut")
        values = reg_values(UNINSTALL_KEY)
        self.assertEqual(values.get("DisplayName"), "Quillomat")
        self.assertEqual(values.get("DisplayVersion"), VERSION)
        self.assertEqual(values.get("Publisher"), "The Quillomat authors")
        self.assertTrue(values.get("DisplayIcon", "").endswith("quillomat.exe"))
        self.assertTrue(values.get("UninstallString", "").endswith('uninstall.exe"'))
        self.assertGreater(int(values.get("EstimatedSize", "0"), 0), 100)
        for name in ("LICENSE.txt", "README.txt"):
            assert_windows_text(self, os.path.join(folder, name))

        # The program starts, writes its default trigger file and expands.
        s = self.run_program(folder)
        s.probe("command", "=QuillomatClass", "3401")  # auto-start at login, from its own menu
        self.assertTrue(poll(lambda: "Quillomat" in (reg_values(RUN_KEY) or {}), 10))
        self.assertRegex((reg_values(RUN_KEY) or {}).get("Quillomat", ""), r'^"C:\\.*\\quillomat\.exe"$')

        # Installing again while it runs: it is closed through its own
        # shutdown (its settings are saved), and the trigger file is kept.
        with open(s.triggers_path, "wb") as f:
            f.write(b"btw=edited by the user\r\n")
        self.assertEqual(wine(SETUP_X64, "/S")[0], 0)
        self.assertFalse(s.probe_ok("exists", "=QuillomatClass"), "the running program was closed")
        self.assertEqual(s.settings().get("activation_count"), "1", "and saved its totals")
        with open(s.triggers_path, "rb") as f:
            self.assertEqual(f.read(), b"btw=edited by the user\r\n")
        self.desktop_quiet()

        # Uninstalling removes the program and its traces, never the user's files.
        wine(os.path.join(folder, "uninstall.exe"), "/S")
        self.assertTrue(poll(lambda: not os.path.exists(os.path.join(folder, "quillomat.exe"))
                             and not os.path.exists(os.path.join(folder, "uninstall.exe")), 30), os.listdir(folder))
        self.assertEqual(sorted(os.listdir(folder)), ["quillomat.ini", "quillomat.txt"])
        self.assertFalse(self.shortcut())
        self.assertIsNone(reg_values(UNINSTALL_KEY))
        self.assertNotIn("Quillomat", reg_values(RUN_KEY) or {})

    def desktop_quiet(self):
        subprocess.run([DESKTOP.wineserver, "-k"], stderr=subprocess.DEVNULL)
        subprocess.run([DESKTOP.wineserver, "-w"], stderr=subprocess.DEVNULL)

    def test_2_portable_zip_and_checksums(self):
        result = subprocess.run(["sha256sum", "-c", "SHA256SUMS"], cwd=DIST, capture_output=True, text=True)
        self.assertEqual(result.returncode, 0, result.stdout + result.stderr)
        unpacked = tempfile.mkdtemp(prefix="quillomat-zip-")
        self.addCleanup(shutil.rmtree, unpacked, True)
        with zipfile.ZipFile(os.path.join(DIST, "Quillomat-%s-portable.zip" % VERSION)) as z:
            z.extractall(unpacked)
        top = os.path.join(unpacked, "Quillomat-%s" % VERSION)
        self.assertEqual(sorted(os.listdir(top)), ["LICENSE.txt", "README.txt", "x64", "x86"])
        for arch in ("x86", "x64"):
            self.assertEqual(sorted(os.listdir(os.path.join(top, arch))), ["quillomat-check.exe", "quillomat.exe"])
        for name in ("LICENSE.txt", "README.txt"):
            assert_windows_text(self, os.path.join(top, name))
        self.run_program(os.path.join(top, "x64"))

    def test_3_programs_carry_their_architecture_and_version(self):
        # Only 64-bit Wine runs here: the 32-bit programs are checked by their headers.
        top = os.path.join(ROOT, "build")
        cases = [
            ("windows/quillomat.exe", "PE32 executable (GUI) Intel 80386"),
            ("windows/quillomat-check.exe", "PE32 executable (console) Intel 80386"),
            ("windows-x64/quillomat.exe", "PE32+ executable (GUI) x86-64"),
            ("windows-x64/quillomat-check.exe", "PE32+ executable (console) x86-64"),
            ("dist/Quillomat-%s-setup.exe" % VERSION, "PE32 executable (GUI) Intel 80386"),
        ]
        for name, kind in cases:
            path = os.path.join(top, name)
            self.assertIn(kind, subprocess.run(["file", path], capture_output=True, text=True).stdout, name)
            with open(path, "rb") as f:
                data = f.read()
            for text in ("ProductVersion", VERSION, "The Quillomat authors"):
                self.assertIn(text.encode("utf-16-le"), data, "%s: %s" % (name, text))
        code, out = wine(os.path.join(top, "windows-x64", "quillomat-check.exe"), "--version")
        self.assertEqual((code, out.strip()), (0, "quillomat-check %s" % VERSION))


    def test_4_a_quoted_folder_one_install_and_an_uninstall_that_takes_everything(self):
        # The folder in quotes after /D=, as typed at a command prompt.
        script = os.path.join(PREFIX, "drive_c", "setup.bat")
        with open(script, "w") as f:
            f.write('"Z:%s" /S /D="C:\\Quoted Folder\\Quill"\r\n' % SETUP_X64.replace("/", "\\"))
        wine("cmd", "/c", "C:\\setup.bat")
        quoted = prefix_path("C:\\Quoted Folder\\Quill")
        self.assertTrue(os.path.exists(os.path.join(quoted, "quillomat.exe")), "installed where asked")
        wine(os.path.join(quoted, "uninstall.exe"), "/S")
        self.assertTrue(poll(lambda: not os.path.exists(quoted), 30))

        # As one argument in quotes, the way most tools pass a folder with blanks.
        folder_name = "C:\\\u041f\u0440\u043e\u0433\u0440\u0430\u043c\u043c\u044b \u0416\\Quill app"
        folder = prefix_path(folder_name)
        self.assertEqual(wine(SETUP_X64, "/S", "/D=" + folder_name)[0], 0)
        self.assertTrue(os.path.exists(os.path.join(folder, "quillomat.exe")), "installed where asked")
        self.assertTrue(reg_values(UNINSTALL_KEY).get("InstallLocation", "").endswith("\\Quill app"))

        # A second folder is refused: the first install would be orphaned.
        self.assertEqual(wine(SETUP_X64, "/S", "/D=C:\\Elsewhere")[0], 2)
        self.assertFalse(os.path.exists(prefix_path("C:\\Elsewhere")))
        self.assertTrue(reg_values(UNINSTALL_KEY).get("InstallLocation", "").endswith("\\Quill app"))
        self.assertEqual(wine(SETUP_X64, "/S", "/D=" + folder_name)[0], 0, "an update goes in")

        # Every file the program made goes with the ticked box, and so does the folder.
        s = self.run_program(folder)
        local = [d for d in glob.glob(os.path.join(PREFIX, "drive_c", "users", "*", "AppData", "Local"))
                 if os.sep + "Public" + os.sep not in d]
        own = os.path.join(local[0], "Quillomat")
        os.makedirs(own, exist_ok=True)
        for made in (os.path.join(folder, "quillomat (unsaved edits).txt"),
                     os.path.join(folder, "quillomat (unsaved edits) 2.txt"),
                     os.path.join(folder, "Quillomat_log.txt"), os.path.join(folder, "~qlm1a2b.tmp"),
                     os.path.join(own, "quillomat (unsaved edits).txt"), os.path.join(own, "Quillomat_log.txt")):
            with open(made, "wb") as f:
                f.write(b"x\r\n")
        uninstall = subprocess.Popen([DESKTOP.wine, os.path.join(folder, "uninstall.exe")],
                                     stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, stdin=subprocess.DEVNULL)
        self.addCleanup(uninstall.wait)
        def page_says(words):
            return poll(lambda: [d for d in s.dialogs()
                                 if d.startswith("Quillomat %s Uninstall" % VERSION) and words in d], 30)

        shown = page_says("uninstalled from")
        self.assertTrue(shown, s.dialogs())
        caption = shown[0].partition("|")[0]
        self.assertTrue(s.probe_ok("press", caption, "Next >"))
        self.assertTrue(page_says("components"), s.dialogs())
        self.assertNotIn("Space required", page_says("components")[0], "the uninstaller needs no room")
        self.assertEqual(s.probe("tick", caption, "1")[1].strip(), "2", "the box is ticked")
        self.assertTrue(s.probe_ok("press", caption, "Uninstall"))
        # The running program is closed, in the uninstaller's own words.
        closing = page_says("Quillomat is running")
        self.assertTrue(closing, s.dialogs())
        self.assertIn("It will be closed now, so that it can be removed", closing[0])
        self.assertNotIn("Setup", closing[0])
        self.assertTrue(s.probe_ok("press", closing[0].partition("|")[0], "OK"))
        self.assertTrue(poll(lambda: not os.path.exists(folder), 30),
                        os.listdir(folder) if os.path.exists(folder) else "")
        self.assertFalse(os.path.exists(own))
        self.assertIsNone(reg_values(UNINSTALL_KEY))
        s.probe("press", caption, "Close")


def pe_sections_and_manifest(path):
    """The section names of a PE file and its manifest resource (type 24, id 1)."""
    with open(path, "rb") as f:
        data = f.read()
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    sections_count, = struct.unpack_from("<H", data, pe + 6)
    symbols, symbols_count = struct.unpack_from("<II", data, pe + 12)
    optional_size, = struct.unpack_from("<H", data, pe + 20)
    optional = pe + 24
    plus = struct.unpack_from("<H", data, optional)[0] == 0x20B
    resource_rva, = struct.unpack_from("<I", data, optional + (112 if plus else 96) + 2 * 8)
    sections = []
    for i in range(sections_count):
        at = optional + optional_size + 40 * i
        raw_name = data[at:at + 8].rstrip(b"\0")
        if raw_name.startswith(b"/"):  # a long name, in the string table after the symbols
            strings = symbols + 18 * symbols_count + int(raw_name[1:])
            raw_name = data[strings:data.index(b"\0", strings)]
        size, rva, _, raw = struct.unpack_from("<IIII", data, at + 8)
        sections.append((raw_name.decode(), rva, size, raw))

    def offset(rva):
        for _, start, size, raw in sections:
            if start <= rva < start + max(size, 1):
                return raw + rva - start
        raise ValueError(rva)

    names = [name for name, _, _, _ in sections]
    if not resource_rva:
        return names, None
    base = offset(resource_rva)

    def entry(directory, wanted):
        named, ids = struct.unpack_from("<HH", data, directory + 12)
        for i in range(named + ids):
            name, target = struct.unpack_from("<II", data, directory + 16 + 8 * i)
            if wanted is None or (not name & 0x80000000 and name == wanted):
                return target
        return None

    level = base
    for wanted in (24, 1, None):  # RT_MANIFEST, its id, the first language
        found = entry(level, wanted)
        if found is None:
            return names, None
        level = base + (found & 0x7FFFFFFF)
    rva, size = struct.unpack_from("<II", data, level)
    return names, data[offset(rva):offset(rva) + size].decode("utf-8")


class Finished(unittest.TestCase):
    """What ships looks finished: a complete manifest, no debug sections, the installer's own branding."""

    def test_manifests_and_no_debug_sections(self):
        for arch in ("x86", "x64"):
            for exe in ("quillomat.exe", "quillomat-check.exe"):
                path = os.path.join(ROOT, "build", "package", arch, exe)
                sections, manifest = pe_sections_and_manifest(path)
                self.assertEqual([s for s in sections if s.startswith(".debug")], [], path)
                if exe != "quillomat.exe":
                    continue
                for entry in ("Microsoft.Windows.Common-Controls", "PerMonitorV2, PerMonitor",
                              "<dpiAware", "true/pm", 'level="asInvoker"', "longPathAware",
                              "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",
                              "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"):
                    self.assertIn(entry, manifest, "%s: %s" % (path, entry))

    def test_the_installer_shows_its_own_name_and_version(self):
        setup = subprocess.Popen([DESKTOP.wine, SETUP_X64], stdout=subprocess.DEVNULL,
                                 stderr=subprocess.DEVNULL, stdin=subprocess.DEVNULL)
        s = Session(DESKTOP, BIN)
        try:
            title = "Quillomat %s Setup" % VERSION
            shown = poll(lambda: [d for d in s.dialogs() if d.startswith(title)], 60)
            self.assertTrue(shown, s.dialogs())
            self.assertIn("Quillomat %s" % VERSION, shown[0].partition("|")[2])
            self.assertNotIn("Nullsoft", shown[0])
            # The room it asks for is that of what it installs.
            space = re.search(r"Space required: ([0-9.]+) ([KM])B", shown[0])
            self.assertTrue(space, shown[0])
            files = [os.path.join(ROOT, "build", "package", name)
                     for name in ("x64/quillomat.exe", "x64/quillomat-check.exe", "README.txt", "LICENSE.txt")]
            wanted = sum(os.path.getsize(f) for f in files) / 1024.0 / (1024.0 if space.group(2) == "M" else 1.0)
            self.assertAlmostEqual(float(space.group(1)), wanted, delta=0.15 if space.group(2) == "M" else 8)
        finally:
            setup.kill()
            setup.wait()
            s.close()


def main():
    global BIN, DESKTOP, PREFIX
    parser = argparse.ArgumentParser()
    parser.add_argument("--bin", required=True)
    args, rest = parser.parse_known_args()
    BIN = os.path.abspath(args.bin)
    faulthandler.dump_traceback_later(int(os.environ.get("E2E_TRACE_AFTER", "900")), exit=True)
    # A fresh prefix: nothing of an earlier install or of the other tests.
    work = tempfile.mkdtemp(prefix="quillomat-release-")
    PREFIX = os.path.join(work, "prefix")
    os.environ["WINEPREFIX"] = PREFIX
    DESKTOP = Desktop()
    try:
        program = unittest.main(argv=[sys.argv[0]] + rest, exit=False, verbosity=2)
    finally:
        DESKTOP.close()
        shutil.rmtree(work, ignore_errors=True)
    sys.exit(0 if program.result.wasSuccessful() else 1)


if __name__ == "__main__":
    main()
