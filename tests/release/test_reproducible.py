"""scripts/package.sh run a second time, in another build folder, writes the same bytes as
the run CTest made first (ORTHOLUX_RELEASE_ZIP, and the installer beside it): no time, path
or order of the build gets into the zip, the installer or the programs in them."""
import os
import shutil
import subprocess
import tempfile
import unittest
import zipfile
from pathlib import Path

ROOT = Path(__file__).resolve().parents[2]


def differing_entries(a, b):
    """Names whose bytes, time or attributes differ between two zips, and names only one has."""
    with zipfile.ZipFile(a) as za, zipfile.ZipFile(b) as zb:
        ia = {i.filename: i for i in za.infolist()}
        ib = {i.filename: i for i in zb.infolist()}
        names = sorted(set(ia) | set(ib))
        return [n for n in names
                if n not in ia or n not in ib
                or za.read(n) != zb.read(n)
                or (ia[n].date_time, ia[n].external_attr) != (ib[n].date_time, ib[n].external_attr)]


class Reproducible(unittest.TestCase):
    def test_a_second_build_in_another_folder_gives_the_same_zip(self):
        first = Path(os.environ["ORTHOLUX_RELEASE_ZIP"])
        self.assertTrue(first.is_file(), f"{first} was not built")
        work = Path(tempfile.mkdtemp(prefix="olx-package-"))
        self.addCleanup(shutil.rmtree, work, True)
        env = dict(os.environ, ORTHOLUX_PACKAGE_BUILD_DIR=str(work / "build"),
                   ORTHOLUX_DIST_DIR=str(work / "dist"))
        subprocess.run(["bash", str(ROOT / "scripts" / "package.sh")], env=env, check=True,
                       stdin=subprocess.DEVNULL, timeout=1500)
        second = work / "dist" / first.name
        self.assertTrue(second.is_file(), f"the second run wrote no {first.name}")
        self.assertEqual(differing_entries(first, second), [])
        self.assertEqual(first.read_bytes(), second.read_bytes())
        msi = first.name.replace("-win64.zip", "-x64.msi")
        self.assertEqual((work / "dist" / msi).read_bytes(), (first.parent / msi).read_bytes())


if __name__ == "__main__":
    unittest.main()
