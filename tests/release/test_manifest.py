"""res/Ortholux.manifest: Windows refuses to start a program whose manifest is not
well-formed XML, and silently ignores settings in a wrong namespace; Wine is more lenient,
so the end-to-end tests would miss both."""
import unittest
import xml.etree.ElementTree as ET
from pathlib import Path

MANIFEST = Path(__file__).resolve().parents[2] / "res" / "Ortholux.manifest"
ASM1, ASM3 = "urn:schemas-microsoft-com:asm.v1", "urn:schemas-microsoft-com:asm.v3"
COMPAT = "urn:schemas-microsoft-com:compatibility.v1"
WS2005 = "http://schemas.microsoft.com/SMI/2005/WindowsSettings"
WS2016 = "http://schemas.microsoft.com/SMI/2016/WindowsSettings"
SYSTEMS = {  # the supportedOS ids Windows defines
    "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}": "7",
    "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}": "8",
    "{1f676c76-80e1-4239-95bb-83d0f6d0da78}": "8.1",
    "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}": "10 and 11",
}


class Manifest(unittest.TestCase):
    def test_settings_sit_where_windows_reads_them(self):
        root = ET.parse(MANIFEST).getroot()
        self.assertEqual(root.tag, f"{{{ASM1}}}assembly")
        ids = [e.get("Id") for e in root.iter(f"{{{COMPAT}}}supportedOS")]
        self.assertEqual(sorted(SYSTEMS[i] for i in ids), sorted(SYSTEMS.values()))

        dependency = root.find(f"{{{ASM1}}}dependency/{{{ASM1}}}dependentAssembly/"
                               f"{{{ASM1}}}assemblyIdentity")
        self.assertEqual((dependency.get("name"), dependency.get("version")),
                         ("Microsoft.Windows.Common-Controls", "6.0.0.0"))
        level = next(root.iter(f"{{{ASM3}}}requestedExecutionLevel"))
        self.assertEqual(level.get("level"), "asInvoker")

        settings = root.find(f"{{{ASM3}}}application/{{{ASM3}}}windowsSettings")
        self.assertEqual(settings.find(f"{{{WS2005}}}dpiAware").text.strip().lower(), "true/pm")
        awareness = settings.find(f"{{{WS2016}}}dpiAwareness").text
        self.assertEqual([a.strip() for a in awareness.split(",")][0], "PerMonitorV2")


if __name__ == "__main__":
    unittest.main()
