#!/usr/bin/python3
"""The release files' tool against made-up link maps and Qt sources: a
library without a notice entry fails; the notices follow what each program
links; a bill of materials validates and its hashes, like SHA256SUMS, are
checked against the files; Tolvaro's terms read the same in LICENSE and in
the Debian copyright file."""
import json
import pathlib
import shutil
import subprocess
import sys
import tempfile
import unittest
import zipfile

HERE = pathlib.Path(__file__).resolve().parent
TOOL = HERE / "release.py"
DATA = json.loads((HERE / "components.json").read_text(encoding="utf-8"))


def ld_map(archives, loads=()):
    """A GNU ld map that took a member of each archive and loaded each file."""
    lines = ["Archive member included to satisfy reference by file (symbol)", ""]
    for archive in archives:
        archive, member = archive if isinstance(archive, tuple) else (archive, "member.o")
        lines += [f"{archive}({member})", "                              CMakeFiles/t.dir/main.cpp.obj (symbol)"]
    lines += ["", "Memory Configuration", "", "Linker script and memory map", ""]
    lines += [f"LOAD {path}" for path in ("CMakeFiles/t.dir/main.cpp.obj", *loads)]
    return "\n".join(lines) + "\n"


WINDOWS_DEPS = "/opt/tolvaro-windows-deps/lib/"
MINGW = "/usr/lib/gcc/x86_64-w64-mingw32/12-posix/../../../../x86_64-w64-mingw32/lib/"
GUI = [WINDOWS_DEPS + name for name in ("libQt6Core.a", "libQt6Gui.a", "libQt6Widgets.a",
                                        "libQt6BundledFreetype.a", "libQt6BundledLibjpeg.a", "libcurl.a", "libz.a")]
CORE = [WINDOWS_DEPS + "libQt6Core.a", WINDOWS_DEPS + "libz.a", "tools/localserver/libtolvaro_localserver.a"]


def run(*args, cwd=None):
    return subprocess.run([sys.executable, str(TOOL), *map(str, args)], capture_output=True, text=True, cwd=cwd)


class Release(unittest.TestCase):
    def setUp(self):
        self.scratch = tempfile.TemporaryDirectory()
        self.dir = pathlib.Path(self.scratch.name)

    def tearDown(self):
        self.scratch.cleanup()

    def write(self, name, text):
        path = self.dir / name
        path.parent.mkdir(parents=True, exist_ok=True)
        path.write_text(text, encoding="utf-8")
        return path

    def test_every_linked_file_needs_its_entry(self):
        rows = [
            # platform, archives, loaded files, the unknown file named, or None
            ("windows", GUI + [(MINGW + "libkernel32.a", "libkernel32s00019.o"), (MINGW + "libkernel32.a", "libkernel32h.o"),
                               (MINGW + "libwinhttp.a", "libwinhttpt.o"),
                               (MINGW + "libsynchronization.a", "libapi-ms-win-core-synch-l1-2-0s00006.o"),
                               (MINGW + "libmingwex.a", "lib64_libmingwex_a-acosf.o"),
                               (MINGW + "libshell32.a", "lib64_libshell32_a-shell32.o"), (MINGW + "libshell32.a", "libshell32h.o"),
                               (MINGW + "libpthread.a", "libwinpthread_la-cond.o")],
             [MINGW + "crt2.o"], None),
            ("windows", GUI + [MINGW + "libunheardof.a"], [], "libunheardof.a"),
            # Only a DLL's import stubs need no entry; code taken from an archive does.
            ("windows", [(MINGW + "libkernel32.a", "libkernel32s00019.o"), (MINGW + "libkernel32.a", "helper.o")], [],
             "libkernel32.a"),
            ("windows", GUI, ["/tmp/ccXYZ.o"], "/tmp/ccXYZ.o"),
            ("windows", [WINDOWS_DEPS + "libQt6Network.a"], [], "libQt6Network.a"),
            ("linux", ["/usr/lib/gcc/x86_64-linux-gnu/12/libgcc.a", "src/libtolvaro_ui.a"],
             ["/usr/lib/x86_64-linux-gnu/libQt6Core.so.6.4.2", "/usr/lib/x86_64-linux-gnu/Scrt1.o"], None),
            # A rule of the other platform does not count.
            ("linux", ["/usr/lib/x86_64-linux-gnu/libmingwex.a"], [], "libmingwex.a"),
        ]
        for platform, archives, loads, unknown in rows:
            with self.subTest(platform=platform, unknown=unknown):
                result = run("links", "--platform", platform, self.write("t.map", ld_map(archives, loads)))
                self.assertEqual(result.returncode, 0 if unknown is None else 1, result.stderr)
                if unknown:
                    self.assertIn(unknown, result.stderr)

    def test_a_real_link_with_an_unknown_archive_fails(self):
        """The linker's own map, of a program (its object where CMake puts
        one) that links an archive known as Tolvaro's by its name, or one
        nobody listed."""
        self.write("part.c", "int part(void) { return 1; }\n")
        self.write("CMakeFiles/main.c", "int part(void);\nint main(void) { return part(); }\n")
        subprocess.run(["gcc", "-c", "part.c"], cwd=self.dir, check=True)
        subprocess.run(["gcc", "-c", "CMakeFiles/main.c", "-o", "CMakeFiles/main.o"], cwd=self.dir, check=True)
        for archive, unknown in (("libtolvaro_part.a", False), ("libunheardof.a", True)):
            with self.subTest(archive=archive):
                subprocess.run(["ar", "rc", archive, "part.o"], cwd=self.dir, check=True)
                subprocess.run(["gcc", "-o", "program", "CMakeFiles/main.o", archive, "-Wl,-Map=program.map"],
                               cwd=self.dir, check=True)
                result = run("links", "--platform", "linux", self.dir / "program.map")
                self.assertEqual(result.returncode, 1 if unknown else 0, result.stderr)
                self.assertEqual(archive in result.stderr, unknown)

    def qt_sources(self, extra_stale=False):
        """The cache's attributions: a Qt part of each module, the parts
        this build leaves out, and the other components' notices."""
        root = self.dir / "attributions"
        shutil.rmtree(root, ignore_errors=True)
        entries = [("src/3rdparty/freetype", "freetype", "qtgui", "FTL OR GPL-2.0"),
                   ("src/3rdparty/libjpeg", "libjpeg", "qtgui", "IJG"),
                   ("src/3rdparty/double-conversion", "doubleconversion", "qtcore", "BSD-3-Clause")]
        entries += [(f"src/3rdparty/out-{i}", name, "qtcore", "MIT") for i, name in enumerate(DATA["qt_not_built"])]
        if extra_stale:
            entries = [entry for entry in entries if entry[1] != "forkfd"]
        for folder, id_, module, licence in entries:
            self.write(f"attributions/qt6-base/{folder}/qt_attribution.json", json.dumps(
                {"Id": id_, "Name": f"Part {id_}", "QDocModule": module, "LicenseId": licence,
                 "LicenseFile": "LICENSE", "Copyright": f"Copyright {id_}\tauthors", "Version": "1.0"}))
            self.write(f"attributions/qt6-base/{folder}/LICENSE", f"licence text of {id_}\n")
        for name in ("LGPL-3.0-only", "GPL-3.0-only"):
            self.write(f"attributions/qt6-base/LICENSES/{name}.txt", f"{name} text\n")
        self.write("attributions/curl/COPYING", "curl notice\n")
        self.write("attributions/zlib/LICENSE", "zlib notice\n")
        self.write("attributions/cpp-httplib/LICENSE", "cpp-httplib notice\n")
        versions = self.write("versions.txt", "qt6-base 6.4.2+dfsg-10\ncurl 7.88.1-10+deb12u15\nzlib 1:1.2.13.dfsg-1\n"
                              "cpp-httplib 0.11.4+ds-1+deb12u1\n")
        return root, versions

    def notices(self, gui_map, core_map, **kwargs):
        root, versions = self.qt_sources(**kwargs)
        return run("notices", "--platform", "windows", "--out", self.dir / "notices", "--attributions", root,
                   "--versions", versions, "--terms", HERE.parent.parent / "LICENSE", f"tolvaro.exe={self.write('gui.map', ld_map(gui_map))}",
                   f"tolvaro-demoengine.exe={self.write('core.map', ld_map(core_map))}")

    def test_notices_follow_what_each_program_links(self):
        result = self.notices(GUI, CORE)
        self.assertEqual(result.returncode, 0, result.stderr)
        notices = (self.dir / "notices/THIRD-PARTY-NOTICES.txt").read_text(encoding="utf-8")
        for sentence in [s for part in ("freetype", "libjpeg") for s in DATA["credits"][part]]:
            self.assertIn(sentence, notices)
        for text in ("LGPL-3.0.txt", "GPL-3.0.txt"):
            self.assertTrue((self.dir / "notices" / text).is_file())
        # For Notepad: a byte-order mark and CR LF line ends.
        for text in ("THIRD-PARTY-NOTICES.txt", "LICENSE.txt"):
            data = (self.dir / "notices" / text).read_bytes()
            self.assertTrue(data.startswith(b"\xef\xbb\xbf") and data.count(b"\n") == data.count(b"\r\n"), text)
        self.assertNotIn("Part forkfd", notices)
        parts = json.loads((self.dir / "notices/parts.json").read_text(encoding="utf-8"))
        # cpp-httplib is a header on Windows: known by the demo engine's archive built with it.
        self.assertEqual(parts["programs"]["tolvaro-demoengine.exe"],
                         {"cpp-httplib": [], "qt6-base": ["qtcore"], "zlib": []})
        self.assertEqual(parts["components"]["zlib"]["purl"], "pkg:deb/debian/zlib@1%3A1.2.13.dfsg-1?arch=source")
        # The parts of Qt Gui are in tolvaro.exe alone.
        self.assertRegex(notices, r"Part freetype 1\.0\n.*\n    In: tolvaro\.exe\n")
        self.assertRegex(notices, r"Part doubleconversion 1\.0\n.*\n    In: tolvaro-demoengine\.exe, tolvaro\.exe\n")

        # Without Qt Gui, no credit of its parts.
        result = self.notices(CORE, CORE)
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertNotIn("FreeType", (self.dir / "notices/THIRD-PARTY-NOTICES.txt").read_text(encoding="utf-8"))

        # A part left out that the source no longer has: the list is stale.
        result = self.notices(GUI, CORE, extra_stale=True)
        self.assertEqual(result.returncode, 1)
        self.assertIn("forkfd", result.stderr)

    def test_bills_of_materials_and_checksums_match_the_files(self):
        self.assertEqual(self.notices(GUI, CORE).returncode, 0)
        release = self.dir / "release"
        (release / "notices").mkdir(parents=True)
        (release / "linkmaps").mkdir()
        (self.dir / "notices/parts.json").rename(release / "notices/parts.json")
        (self.dir / "gui.map").rename(release / "linkmaps/tolvaro.map")
        zip_path = release / "tolvaro-1.0.0-windows-x64.zip"
        with zipfile.ZipFile(zip_path, "w") as archive:
            for name in ("tolvaro.exe", "tolvaro-demoengine.exe", "LICENSE.txt", "LGPL-3.0.txt", "GPL-3.0.txt"):
                archive.writestr(name, name)
            archive.writestr("THIRD-PARTY-NOTICES.txt", (self.dir / "notices/THIRD-PARTY-NOTICES.txt").read_text())
            archive.writestr("README.txt", "\ufeffTolvaro uses Qt under the LGPL 3: THIRD-PARTY-NOTICES.txt\n")
        setup = release / "tolvaro-1.0.0-setup.exe"
        setup.write_bytes(b"installer")
        (release / "tolvaro-1.0.0-qt-source.tar").write_bytes(b"source")
        exe = self.write("tolvaro.exe", "tolvaro.exe")
        result = run("release", "--parts", release / "notices/parts.json", release, "1.0.0", f"tolvaro.exe={exe}")
        self.assertEqual(result.returncode, 0, result.stderr)
        sums = (release / "SHA256SUMS").read_text().splitlines()
        self.assertEqual([line.split("  ")[1] for line in sums],
                         ["tolvaro-1.0.0-qt-source.tar", "tolvaro-1.0.0-setup.exe", "tolvaro-1.0.0-setup.exe.cdx.json",
                          "tolvaro-1.0.0-windows-x64.zip", "tolvaro-1.0.0-windows-x64.zip.cdx.json"])
        self.assertEqual(subprocess.run(["sha256sum", "--quiet", "-c", "SHA256SUMS"], cwd=release).returncode, 0)
        result = run("check", release, "1.0.0")
        self.assertEqual(result.returncode, 0, result.stderr)

        bom = json.loads((release / "tolvaro-1.0.0-windows-x64.zip.cdx.json").read_text())
        qt = next(c for c in bom["components"] if c["name"] == "Qt")
        self.assertEqual(qt["purl"], "pkg:deb/debian/qt6-base@6.4.2%2Bdfsg-10?arch=source")
        self.assertEqual(qt["licenses"], [{"expression": "LGPL-3.0-only"}])

        # Each fault the check catches: a file whose hash differs, a download
        # SHA256SUMS does not list, a bill of materials that breaks the schema.
        faults = [
            ("tolvaro-1.0.0-windows-x64.zip.cdx.json",
             lambda text: text.replace(bom["components"][-1]["hashes"][0]["content"], "0" * 64),
             "the hash is not that of the file shipped"),
            ("SHA256SUMS", lambda text: "\n".join(sums[1:]) + "\n", "tolvaro-1.0.0-qt-source.tar is missing"),
            ("tolvaro-1.0.0-setup.exe.cdx.json", lambda text: text.replace('"specVersion": "1.5"', '"specVersion": 1.5'),
             "specVersion"),
        ]
        for name, change, message in faults:
            with self.subTest(fault=message):
                path = release / name
                kept = path.read_text()
                path.write_text(change(kept))
                result = run("check", release, "1.0.0")
                path.write_text(kept)
                self.assertEqual(result.returncode, 1)
                self.assertIn(message, result.stderr)

    def test_the_terms_read_the_same_in_license_and_the_debian_copyright(self):
        root = HERE.parent.parent
        licence = (root / "LICENSE").read_text(encoding="utf-8").split("\n", 1)[1].strip()
        copyright_ = (root / "dist/debian/copyright").read_text(encoding="utf-8")
        paragraph = copyright_.split("License: LicenseRef-Tolvaro\n", 2)[2].split("\n\n", 1)[0]
        text = "\n".join("" if line == " ." else line[1:] for line in paragraph.splitlines())
        self.assertEqual(text, licence)


if __name__ == "__main__":
    unittest.main()
