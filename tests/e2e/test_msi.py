"""The installer scripts/package.sh wrote, run silently by msiexec in a fresh prefix: the
release files in C:\\Program Files\\Ortholux, the Explorer handlers' keys written by the
package itself, an "Open with" entry that starts the viewer on a drawing, a Start menu
shortcut; another program's handler left alone; THUMBNAILS=0; an upgrade from an older
package; and an uninstall that leaves nothing of ours behind. Every test installs and
uninstalls on its own, in one prefix for the class."""
import os
import re
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
INSTALLER_BOOKS = "hkey_local_machine\\software\\microsoft\\windows\\currentversion\\installer\\"
COMMAND = f'"{VIEWER}" "%1"'
SAMPLE = config.REPO_ROOT / "samples" / "sample.dwg"
FOREIGN = "{0A1B2C3D-0000-4000-8000-00000000F0F0}"

# What the package writes under HKLM: (key, value name or "" for the default) -> data.
HANDLER_VALUES = {
    (f"{CLASSES}clsid\\{THUMBNAIL_ID.lower()}", ""): "Ortholux DWG Thumbnail Handler",
    (f"{CLASSES}clsid\\{THUMBNAIL_ID.lower()}\\inprocserver32", ""):
        FOLDER + "\\OrtholuxShell.dll",
    (f"{CLASSES}clsid\\{THUMBNAIL_ID.lower()}\\inprocserver32", "threadingmodel"): "Apartment",
    (f"{CLASSES}clsid\\{PREVIEW_ID.lower()}", ""): "Ortholux DWG Preview Handler",
    (f"{CLASSES}clsid\\{PREVIEW_ID.lower()}", "appid"): "{6d2b5079-2f0b-48dd-ab7f-97cec514d30b}",
    (f"{CLASSES}clsid\\{PREVIEW_ID.lower()}", "displayname"): "Ortholux DWG Preview Handler",
    (f"{CLASSES}clsid\\{PREVIEW_ID.lower()}\\inprocserver32", ""):
        FOLDER + "\\OrtholuxShell.dll",
    (f"{CLASSES}clsid\\{PREVIEW_ID.lower()}\\inprocserver32", "threadingmodel"): "Apartment",
    (PREVIEW_HANDLERS, PREVIEW_ID.lower()): "Ortholux DWG Preview Handler",
}
SHELLEX_VALUES = {(f"{CLASSES}{ext}\\shellex\\{key}", ""): cls
                  for ext in (".dwg", ".dwt")
                  for key, cls in ((THUMBNAIL_KEY, THUMBNAIL_ID), (PREVIEW_KEY, PREVIEW_ID))}
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
        s = cls.session
        cls.markers = [m.lower() for m in (
            "ortholux", THUMBNAIL_ID, PREVIEW_ID, str(release_msi.UPGRADE_CODE),
            packed(str(release_msi.UPGRADE_CODE)), str(release_msi.product_code(cls.version)),
            packed(str(release_msi.product_code(cls.version))))]
        cls.files_before = cls.files()
        cls.registry_before = cls.registry()
        cls.logs = 0

    # ---- the prefix as it stands ----
    @classmethod
    def files(cls):
        """Every path under C:\, but Windows Installer's own (empty) cache folder."""
        root = cls.session.c_drive
        return {str(p.relative_to(root)).lower() for p in root.rglob("*")} - {"windows/installer"}

    @classmethod
    def registry(cls):
        s = cls.session
        keys = {}
        for root in ("HKLM\\Software", "HKCU\\Software"):
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
        registry = registry or self.registry()
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
        for (key, name), data in {**HANDLER_VALUES, **SHELLEX_VALUES,
                                  **OPEN_WITH_VALUES}.items():
            with self.subTest(key=key, name=name):
                self.assertEqual(self.value(registry, key, name), data)
        self.assertEqual(self.value(registry, f"{CLASSES}.dwg"), None)  # no default taken
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
        command = self.value(self.registry(), f"{CLASSES}ortholux.drawing\\shell\\open\\command")
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
                   (f"{CLASSES}.dwg", ""): "Foreign.Drawing"}
        for (key, _), data in foreign.items():
            s.wine("reg", "add", key.replace(CLASSES, "HKLM\\Software\\Classes\\"), "/ve",
                   "/d", data, "/f")
        self.addCleanup(s.wine, "reg", "delete", "HKLM\\Software\\Classes\\.dwg", "/f")
        self.install()
        registry = self.registry()
        for (key, name), data in foreign.items():
            self.assertEqual(self.value(registry, key, name), data)
        # .dwt had none: ours goes there; the class keys are written either way.
        for (key, name), data in {**HANDLER_VALUES, **OPEN_WITH_VALUES}.items():
            self.assertEqual(self.value(registry, key, name), data)
        for (key, name), data in SHELLEX_VALUES.items():
            if ".dwt" in key:
                self.assertEqual(self.value(registry, key, name), data)

        self.msiexec("/x", s.unix_to_wine_path(self.msi))
        registry = self.registry()
        for (key, name), data in foreign.items():
            self.assertEqual(self.value(registry, key, name), data)
        self.assertEqual(self.value(registry, f"{CLASSES}.dwg\\openwithprogids",
                                    "ortholux.drawing"), None)

    def test_thumbnails_0_leaves_the_handler_keys_out(self):
        self.install(None, "THUMBNAILS=0")
        registry = self.registry()
        handler_ids = (THUMBNAIL_ID.lower(), PREVIEW_ID.lower())
        # Wine's installer lists every component of the product in its own books, the ones
        # left out too.
        registry = {k: v for k, v in registry.items() if not k.startswith(INSTALLER_BOOKS)}
        self.assertEqual([(k, n, d) for k, values in registry.items() for n, d in values.items()
                          if any(i in f"{k} {n} {d.lower()}" for i in handler_ids)], [])
        self.assertEqual([k for k in registry if any(i in k for i in handler_ids)], [])
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
        # The older package's handler entries were ours: the new one writes them again.
        for (key, name), data in SHELLEX_VALUES.items():
            self.assertEqual(self.value(registry, key, name), data)
        self.msiexec("/x", self.session.unix_to_wine_path(self.msi))
        self.assert_nothing_left(old_code, packed(old_code))


if __name__ == "__main__":
    unittest.main()
