"""The installer scripts/package.sh wrote, run silently by msiexec in a fresh prefix: the
release files in C:\\Program Files\\Ortholux, the Explorer handlers' keys written by the
package itself, an "Open with" entry that starts the viewer on a drawing, a Start menu
shortcut; another program's handler left alone; THUMBNAILS=0; an upgrade from an older
package; and an uninstall that leaves nothing of ours behind. Every test installs and
uninstalls on its own, in one prefix for the class."""
import os
import re
import shutil
import sys
import unittest
import zipfile

from harness import WineTestCase, config, fixtures
from harness.viewer import Viewer
from test_shell_handlers import bgra_to_rgba, read_raw, reference_rgba

sys.path.insert(0, str(config.REPO_ROOT / "tools"))
import release_msi  # noqa: E402  (builds the older package of the upgrade test)

FOLDER = "C:\\Program Files\\Ortholux"
VIEWER = FOLDER + "\\Ortholux.exe"
THUMBNAIL_ID = "{62E07174-40A8-4F84-9369-5D1169E787B1}"
PREVIEW_ID = "{4B90BE84-CEB7-4A25-B5F4-4EB78330085C}"
THUMBNAIL_KEY = "{e357fccd-a995-4576-b01f-234630154e96}"
PREVIEW_KEY = "{8895b1c6-b41f-4c1c-a562-0d564250836f}"
CLASSES = "hkey_local_machine\\software\\classes\\"
UNINSTALL = "hkey_local_machine\\software\\microsoft\\windows\\currentversion\\uninstall\\"
PREVIEW_HANDLERS = ("hkey_local_machine\\software\\microsoft\\windows\\currentversion\\"
                    "previewhandlers")
COMMAND = f'"{VIEWER}" "%1"'
SAMPLE = config.REPO_ROOT / "samples" / "sample.dwg"
FOREIGN = "{0A1B2C3D-0000-4000-8000-00000000F0F0}"

# The "Open with" entries: (key, value name or "" for the default) -> data. The handlers'
# keys are compared with what DllRegisterServer writes (Installer.registered).
OPEN_WITH_VALUES = {
    (f"{CLASSES}.dwg\\openwithprogids", "ortholux.drawing"): "",
    (f"{CLASSES}ortholux.drawing\\shell\\open\\command", ""): COMMAND,
    (f"{CLASSES}applications\\ortholux.exe\\shell\\open\\command", ""): COMMAND,
    (f"{CLASSES}applications\\ortholux.exe\\supportedtypes", ".dwg"): "",
}


def parse_reg(text):
    """reg export's text -> {key: {value name: data}}, keys and names in lower case, the
    default value named ""; data of other types than REG_SZ as its raw text."""
    keys, current = {}, None
    for line in text.splitlines():
        if line.startswith("[") and line.endswith("]"):
            current = keys.setdefault(line[1:-1].lower(), {})
        elif current is not None and (line.startswith('"') or line.startswith("@=")):
            match = re.match(r'(@|"((?:[^"\\]|\\.)*)")=(.*)$', line)
            name = "" if match.group(1) == "@" else match.group(2)
            data = match.group(3)
            if data.startswith('"') and data.endswith('"'):
                data = re.sub(r"\\(.)", r"\1", data[1:-1])
            current[re.sub(r"\\(.)", r"\1", name).lower()] = data
    return keys


def handler_keys(registry):
    """The handlers' values: their classes, the extensions' ShellEx entries, the preview
    handler list's entry for ours -> {(key, name): data}."""
    ours = (f"{CLASSES}clsid\\{THUMBNAIL_ID.lower()}", f"{CLASSES}clsid\\{PREVIEW_ID.lower()}",
            *(f"{CLASSES}{ext}\\shellex\\" for ext in (".dwg", ".dwt", ".dxf")))
    found = {(k, n): d for k, values in registry.items() for n, d in values.items()
             if k.startswith(ours)}
    found.update({(k, n): d for k, values in registry.items() for n, d in values.items()
                  if k == PREVIEW_HANDLERS and n == PREVIEW_ID.lower()})
    return found


def packed(guid):
    """A GUID as Windows Installer's registry keys spell it."""
    g = guid.strip("{}").replace("-", "").upper()
    return g[7::-1] + g[11:7:-1] + g[15:11:-1] + "".join(g[i + 1] + g[i]
                                                          for i in range(16, 32, 2))


def command_line(command, drawing):
    """argv of a shell command string with %1 replaced, split as Windows splits it."""
    text = command.replace("%1", drawing)
    return [a or b for a, b in re.findall(r'"([^"]*)"|(\S+)', text)]


class Installer(WineTestCase):
    @classmethod
    def setUpClass(cls):
        cls.msi = config.release_msi()
        cls.version = os.environ["ORTHOLUX_VERSION"]
        config.exe("olxdriver.exe")
        config.exe("olxshell.exe")
        super().setUpClass()
        with zipfile.ZipFile(config.release_zip()) as archive:
            cls.release = {i.filename: archive.read(i) for i in archive.infolist()}
        cls.markers = [m.lower() for m in (
            "ortholux", THUMBNAIL_ID, PREVIEW_ID, str(release_msi.UPGRADE_CODE),
            packed(str(release_msi.UPGRADE_CODE)), str(release_msi.product_code(cls.version)),
            packed(str(release_msi.product_code(cls.version))))]
        cls.logs = 0
        cls.registered = cls.registered_by_the_dll()
        cls.files_before = cls.files()
        cls.registry_before = cls.registry()

    @classmethod
    def registered_by_the_dll(cls):
        """The handler keys regsvr32 writes for the DLL in the folder the package uses."""
        s = cls.session
        folder = s.wine_to_unix_path(FOLDER)
        folder.mkdir(parents=True)
        (folder / "OrtholuxShell.dll").write_bytes(cls.release["OrtholuxShell.dll"])
        dll = FOLDER + "\\OrtholuxShell.dll"
        try:
            assert s.wine("regsvr32", "/s", dll).returncode == 0, "regsvr32 failed"
            registered = handler_keys(cls.registry())
            assert s.wine("regsvr32", "/s", "/u", dll).returncode == 0, "regsvr32 /u failed"
        finally:
            (folder / "OrtholuxShell.dll").unlink()
            folder.rmdir()
        assert len(registered) == 15, registered  # 9 class values, 6 ShellEx entries
        return registered

    # ---- the prefix as it stands ----
    @classmethod
    def files(cls):
        """Every path under C:\\, but Windows Installer's own (empty) cache folder."""
        root = cls.session.c_drive
        paths = {str(p.relative_to(root)).lower() for p in root.rglob("*")}
        return paths - {"windows/installer"}

    @classmethod
    def registry(cls, *roots):
        """The keys under roots (by default all software settings; their export takes 4 s)."""
        s = cls.session
        keys = {}
        for root in roots or ("HKLM\\Software", "HKCU\\Software"):
            target = s.run_dir / "export.reg"
            target.unlink(missing_ok=True)
            done = s.wine("reg", "export", root, s.unix_to_wine_path(target), "/y")
            assert done.returncode == 0, f"reg export {root}: {done.stderr!r}"
            keys.update(parse_reg(target.read_bytes().decode("utf-16")))
        return keys

    def ours(self, registry, extra=()):
        """Every key and value that names the product, its codes or its handlers."""
        markers = self.markers + [m.lower() for m in extra]
        found = []
        for key, values in registry.items():
            if any(m in key for m in markers):
                found.append(key)
            found += [(key, n, d) for n, d in values.items()
                      if any(m in n or m in d.lower() for m in markers)]
        return found

    def value(self, registry, key, name=""):
        return registry.get(key, {}).get(name)

    def shortcuts(self):
        """Every Ortholux.lnk in the common and the user's Programs folders. (Wine resolves
        ProgramMenuFolder to the user's even for a per-machine package.)"""
        menus = [self.session.c_drive / "ProgramData", self.session.profile / "AppData"]
        return [p for m in menus if m.is_dir() for p in m.rglob("*.lnk")
                if p.name.lower() == "ortholux.lnk"]

    # ---- msiexec ----
    def msiexec(self, *args):
        s = self.session
        Installer.logs += 1
        log = s.run_dir / "logs" / f"msiexec-{Installer.logs}.log"
        done = s.wine("msiexec", *args, "/qn", "/l*", s.unix_to_wine_path(log), timeout=180)
        text = log.read_bytes().decode("utf-16", "replace")[-3000:] if log.is_file() else ""
        self.assertEqual(done.returncode, 0, f"msiexec {args}: {text}")

    def install(self, msi=None, *properties):
        self.msiexec("/i", self.session.unix_to_wine_path(msi or self.msi), *properties)
        self.addCleanup(self.uninstall_leftovers)

    def uninstall_leftovers(self):
        """Cleanup of a test that failed half-way: removes whatever version is installed."""
        for code in self.products():
            self.session.wine("msiexec", "/x", code, "/qn", timeout=180)

    def products(self, registry=None):
        registry = registry or self.registry("HKLM" + UNINSTALL[len("hkey_local_machine"):-1])
        return [key[len(UNINSTALL):] for key, values in registry.items()
                if key.startswith(UNINSTALL) and values.get("displayname") == "Ortholux"]

    def installed(self, name):
        return (self.session.wine_to_unix_path(FOLDER) / name).read_bytes()

    def assert_nothing_left(self, *markers):
        self.assertEqual(self.ours(self.registry(), markers), self.ours(self.registry_before))
        self.assertEqual(sorted(self.files() - self.files_before), [])

    # ---- the tests ----
    def test_install_writes_files_keys_and_shortcut_and_uninstall_takes_them_all(self):
        self.assertEqual(self.msi.name, f"Ortholux-{self.version}-x64.msi")
        self.assertEqual(self.ours(self.registry_before), [])
        self.install()
        for name, data in sorted(self.release.items()):
            with self.subTest(name):
                self.assertEqual(self.installed(name), data)
        folder = self.session.wine_to_unix_path(FOLDER)
        self.assertEqual(sorted(p.name for p in folder.iterdir()), sorted(self.release))

        registry = self.registry()
        self.assertEqual(handler_keys(registry), self.registered)
        for (key, name), data in OPEN_WITH_VALUES.items():
            with self.subTest(key=key, name=name):
                self.assertEqual(self.value(registry, key, name), data)
        self.assertEqual(self.value(registry, f"{CLASSES}.dwg"), None)  # no default taken
        # DXF drawings get the handlers only: the viewer does not open them.
        self.assertIn((f"{CLASSES}.dxf\\shellex\\{THUMBNAIL_KEY}", ""), handler_keys(registry))
        self.assertNotIn(f"{CLASSES}.dxf\\openwithprogids", registry)
        self.assertEqual(self.products(registry),
                         [str(release_msi.product_code(self.version)).lower().join("{}")])

        links = self.shortcuts()
        self.assertEqual(len(links), 1, links)
        link = self.session.drv.readlnk(self.session.unix_to_wine_path(links[0]))
        self.assertEqual((link.target, link.workdir.rstrip("\\"), link.args),
                         (VIEWER, FOLDER, ""))

        self.msiexec("/x", self.session.unix_to_wine_path(self.msi))
        self.assertEqual(self.shortcuts(), [])
        self.assertFalse(folder.exists())
        self.assert_nothing_left()

    def test_viewer_opens_a_drawing_through_open_with_and_the_handler_draws_its_thumbnail(self):
        self.install()
        table = fixtures.expected() or {}
        ready = [e for _, e in sorted(table.items()) if e.outcome == "Ready"]
        drawing = ready[0].path if ready else SAMPLE
        s = self.session
        command = self.value(self.registry("HKLM\\Software\\Classes\\Ortholux.Drawing"),
                             f"{CLASSES}ortholux.drawing\\shell\\open\\command")
        argv = command_line(command, s.unix_to_wine_path(drawing))
        self.assertEqual(argv[0], VIEWER)
        viewer = Viewer(s, s.start(argv[0], argv[1:]))
        viewer.wait_main()
        wanted = [ready[0].title, ready[0].status_panel1] if ready else None
        texts = viewer.wait_texts(lambda t: t == wanted if wanted else t[0] == SAMPLE.stem)
        self.assertEqual(texts if wanted else texts[0], wanted or SAMPLE.stem)
        viewer.stop()

        out = s.run_dir / "msi-thumb"
        out.mkdir(exist_ok=True)
        done = s.wine(config.exe("olxshell.exe"), "thumb", s.unix_to_wine_path(drawing),
                      s.unix_to_wine_path(out), 96, timeout=120)
        records = [line.split("\t") for line in done.stdout.decode("cp932").splitlines()]
        self.assertEqual(records[-1], ["end", "0"], done.stderr.decode("cp932", "replace"))
        size = next(r for r in records if r[0] == "size")
        self.assertEqual(size[2], "00000000")
        got = read_raw(out / "thumb-96.bgra")
        want = reference_rgba(drawing, 96)
        self.assertEqual(got[:2], want[:2])
        self.assertTrue(bgra_to_rgba(got[2]) == want[2], "pixels differ from the thumbnailer's")

    def test_another_programs_handler_and_default_stay_through_install_and_uninstall(self):
        s = self.session
        foreign = {(f"{CLASSES}.dwg\\shellex\\{THUMBNAIL_KEY}", ""): FOREIGN,
                   (f"{CLASSES}.dwg\\shellex\\{PREVIEW_KEY}", ""): FOREIGN,
                   (f"{CLASSES}.dwg", ""): "Foreign.Drawing",
                   (f"{CLASSES}.dxf\\shellex\\{THUMBNAIL_KEY}", ""): FOREIGN}
        for (key, _), data in foreign.items():
            s.wine("reg", "add", key.replace(CLASSES, "HKLM\\Software\\Classes\\"), "/ve",
                   "/d", data, "/f")
        self.addCleanup(s.wine, "reg", "delete", "HKLM\\Software\\Classes\\.dwg", "/f")
        self.addCleanup(s.wine, "reg", "delete", "HKLM\\Software\\Classes\\.dxf", "/f")
        self.install()
        registry = self.registry()
        for (key, name), data in foreign.items():
            self.assertEqual(self.value(registry, key, name), data)
        # .dwt had none, nor .dxf a preview handler: ours goes there; the class keys are
        # written either way.
        def not_foreign(keys):
            taken = f"{CLASSES}.dxf\\shellex\\{THUMBNAIL_KEY}"
            return {k: d for k, d in keys.items() if ".dwg" not in k[0] and k[0] != taken}
        self.assertEqual(not_foreign(handler_keys(registry)), not_foreign(self.registered))
        for (key, name), data in OPEN_WITH_VALUES.items():
            self.assertEqual(self.value(registry, key, name), data)

        self.msiexec("/x", s.unix_to_wine_path(self.msi))
        registry = self.registry()
        for (key, name), data in foreign.items():
            self.assertEqual(self.value(registry, key, name), data)
        self.assertEqual(self.value(registry, f"{CLASSES}.dwg\\openwithprogids",
                                    "ortholux.drawing"), None)

    def test_after_regsvr32_took_another_programs_handler_uninstall_gives_it_back(self):
        # regsvr32 records the other handler under our class key and takes its place, of the
        # zip's DLL before installing or of the installed one after; the package keeps ours in
        # use and on its way out puts the other one back.
        s = self.session
        entry = (f"{CLASSES}.dwg\\shellex\\{THUMBNAIL_KEY}", "")
        recorded = (f"{CLASSES}clsid\\{THUMBNAIL_ID.lower()}", ".dwg")
        unpacked = s.c_drive / "Ortholux-zip"
        for before in (True, False):
            with self.subTest("regsvr32 " + ("before" if before else "after") + " installing"):
                s.wine("reg", "add", entry[0].replace(CLASSES, "HKLM\\Software\\Classes\\"),
                       "/ve", "/d", FOREIGN, "/f")
                self.addCleanup(s.wine, "reg", "delete", "HKLM\\Software\\Classes\\.dwg", "/f")
                dll = FOLDER + "\\OrtholuxShell.dll"
                if before:
                    unpacked.mkdir()
                    (unpacked / "OrtholuxShell.dll").write_bytes(self.release["OrtholuxShell.dll"])
                    self.addCleanup(shutil.rmtree, unpacked, True)
                    dll = s.unix_to_wine_path(unpacked / "OrtholuxShell.dll")
                    self.assertEqual(s.wine("regsvr32", "/s", dll).returncode, 0)
                self.install()
                if not before:
                    self.assertEqual(self.value(self.registry(), *entry), FOREIGN)
                    self.assertEqual(s.wine("regsvr32", "/s", dll).returncode, 0)
                registry = self.registry()
                self.assertEqual(self.value(registry, *entry), THUMBNAIL_ID)
                self.assertEqual(self.value(registry, *recorded), FOREIGN)
                server = self.value(registry, f"{CLASSES}clsid\\{THUMBNAIL_ID.lower()}"
                                              "\\inprocserver32")
                self.assertEqual(server.lower(), (FOLDER + "\\OrtholuxShell.dll").lower())

                self.msiexec("/x", s.unix_to_wine_path(self.msi))
                self.assertEqual(self.value(self.registry(), *entry), FOREIGN)
                shutil.rmtree(unpacked, True)
                self.assert_nothing_left()
                s.wine("reg", "delete", "HKLM\\Software\\Classes\\.dwg", "/f")

    def test_thumbnails_0_leaves_the_handler_keys_out(self):
        self.install(None, "THUMBNAILS=0")
        registry = self.registry()
        self.assertEqual(handler_keys(registry), {})
        for (key, name), data in OPEN_WITH_VALUES.items():
            self.assertEqual(self.value(registry, key, name), data)
        self.assertEqual(self.installed("OrtholuxShell.dll"), self.release["OrtholuxShell.dll"])
        self.msiexec("/x", self.session.unix_to_wine_path(self.msi))
        self.assert_nothing_left()

    def test_upgrade_from_an_older_package_leaves_one_product_with_the_new_files(self):
        old_version = "0.0.1"
        self.assertLess([int(n) for n in old_version.split(".")],
                        [int(n) for n in self.version.split(".")])
        old_files = dict(self.release, **{"README.txt": b"Ortholux 0.0.1\r\n"})
        old = self.session.run_dir / "Ortholux-old-x64.msi"
        release_msi.build(old, old_version, 0, old_files)
        self.install(old)
        old_code = str(release_msi.product_code(old_version)).lower().join("{}")
        self.assertEqual(self.products(), [old_code])
        self.assertEqual(self.installed("README.txt"), b"Ortholux 0.0.1\r\n")

        self.install()
        registry = self.registry()
        new_code = str(release_msi.product_code(self.version)).lower().join("{}")
        self.assertEqual(self.products(registry), [new_code])
        self.assertEqual(self.value(registry, UNINSTALL + new_code, "displayversion"),
                         self.version)
        for name, data in sorted(self.release.items()):
            self.assertEqual(self.installed(name), data, name)
        # The older package's ShellEx entries were ours: the new one writes them again.
        self.assertEqual(handler_keys(registry), self.registered)
        self.msiexec("/x", self.session.unix_to_wine_path(self.msi))
        self.assert_nothing_left(old_code, packed(old_code))


if __name__ == "__main__":
    unittest.main()
