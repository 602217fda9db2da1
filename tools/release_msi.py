#!/usr/bin/env python3
"""Writes the Windows installer (per machine, x64) from the release files with wixl.

    release_msi.py OUTPUT.msi --epoch SECONDS --version VERSION
                   [--binary NAME=PATH]... [--text NAME=PATH]...

The files are those of the zip (release_zip.py; --text files become Shift-JIS with CRLF in
the same way) and go to Program Files\\Ortholux. The package also writes the keys
OrtholuxShell.dll's DllRegisterServer writes (no self-registration: handlers for .dwg, .dwt
and .dxf), an "Open with" entry for .dwg and .dwt (the viewer shows DWG drawings only) and a
Start menu shortcut. Public property THUMBNAILS=0 leaves the Explorer
handlers out.

wixl knows neither component conditions nor a search for a default registry value, so those
rows go in afterwards with msibuild. It also stamps the package with the current time and a
random package code: both are replaced, the times by SECONDS and the code by one derived
from the package's contents, so the same inputs give the same bytes.
"""
import hashlib
import os
import re
import struct
import subprocess
import sys
import tempfile
import uuid
from pathlib import Path
from xml.sax.saxutils import quoteattr

sys.path.insert(0, str(Path(__file__).resolve().parent))
from release_zip import _ZIP_EPOCH, release_arguments  # noqa: E402

# Fixed for ever: Windows Installer finds older versions to replace by it.
UPGRADE_CODE = uuid.UUID("8d7c9a4e-3b51-4f0e-9c62-1a5e0b7f4d23")

# As src/shell/ClassIds.h and Registration.cpp have them.
THUMBNAIL_ID = "{62E07174-40A8-4F84-9369-5D1169E787B1}"
PREVIEW_ID = "{4B90BE84-CEB7-4A25-B5F4-4EB78330085C}"
THUMBNAIL_NAME = "Ortholux DWG Thumbnail Handler"
PREVIEW_NAME = "Ortholux DWG Preview Handler"
PREVIEW_HOST_APPID = "{6d2b5079-2f0b-48dd-ab7f-97cec514d30b}"  # 64-bit preview surrogate
SHELLEX = {"Thumb": ("{e357fccd-a995-4576-b01f-234630154e96}", THUMBNAIL_ID),
           "Preview": ("{8895b1c6-b41f-4c1c-a562-0d564250836f}", PREVIEW_ID)}
# The handlers draw DXF drawings too; the viewer opens only DWG ones.
EXTENSIONS = (".dwg", ".dwt", ".dxf")
OPEN_WITH_EXTENSIONS = (".dwg", ".dwt")
PROGID = "Ortholux.Drawing"
CLASSES = "Software\\Classes\\"
PREVIEW_HANDLERS = "Software\\Microsoft\\Windows\\CurrentVersion\\PreviewHandlers"
VIEWER, SHELL_DLL = "Ortholux.exe", "OrtholuxShell.dll"
UNREGISTER_ACTION = "GiveBackRecordedHandlers"


def product_code(version):
    """A new product per version, as major upgrades want; the same one for every build."""
    return uuid.uuid5(UPGRADE_CODE, f"Ortholux {version} x64")


def file_id(name):
    return re.sub(r"[^A-Za-z0-9_.]", "_", name)


def _value(key, value, name=None, keypath=False):
    attrs = f'Root="HKLM" Key={quoteattr(key)} Type="string" Value={quoteattr(value)}'
    if name is not None:
        attrs += f" Name={quoteattr(name)}"
    if keypath:
        attrs += ' KeyPath="yes"'
    return f"<RegistryValue {attrs}/>"


def _component(cid, body):
    return (f'<Component Id="{cid}" Guid="*" Win64="yes">\n  ' + "\n  ".join(body)
            + "\n</Component>")


def foreign_property(kind, extension):
    return f"FOREIGN_{kind.upper()}_{extension[1:].upper()}"


def recorded_property(kind, extension):
    return f"RECORDED_{kind.upper()}_{extension[1:].upper()}"


def components(names):
    """(component id, WiX text) of everything installed."""
    out = []
    for name in names:
        fid = file_id(name)
        body = [f'<File Id="{fid}" Name={quoteattr(name)} Source={quoteattr(name)} '
                'KeyPath="yes"/>']
        if name == VIEWER:
            body.append('<Shortcut Id="StartMenu" Directory="ProgramMenuFolder" '
                        f'Name="Ortholux" Target="[#{fid}]" WorkingDirectory="INSTALLDIR"/>')
        out.append((f"File_{fid}", _component(f"File_{fid}", body)))

    dll = f"[#{file_id(SHELL_DLL)}]"
    handlers = []
    for cls, name in ((THUMBNAIL_ID, THUMBNAIL_NAME), (PREVIEW_ID, PREVIEW_NAME)):
        key = f"{CLASSES}CLSID\\{cls}"
        handlers += [_value(key, name, keypath=cls == THUMBNAIL_ID),
                     _value(key + "\\InprocServer32", dll),
                     _value(key + "\\InprocServer32", "Apartment", "ThreadingModel")]
    handlers += [_value(f"{CLASSES}CLSID\\{PREVIEW_ID}", PREVIEW_HOST_APPID, "AppID"),
                 _value(f"{CLASSES}CLSID\\{PREVIEW_ID}", PREVIEW_NAME, "DisplayName"),
                 _value(PREVIEW_HANDLERS, PREVIEW_NAME, PREVIEW_ID)]
    out.append(("Handlers", _component("Handlers", handlers)))
    for kind, (interface, cls) in SHELLEX.items():
        for ext in EXTENSIONS:
            cid = f"ShellEx{kind}_{ext[1:]}"
            out.append((cid, _component(cid, [
                _value(f"{CLASSES}{ext}\\ShellEx\\{interface}", cls, keypath=True)])))

    command = f'"[#{file_id(VIEWER)}]" "%1"'
    app = f"{CLASSES}Applications\\{VIEWER}"
    open_with = [_value(f"{CLASSES}{PROGID}", "DWG drawing", keypath=True),
                 _value(f"{CLASSES}{PROGID}\\DefaultIcon", f"[#{file_id(VIEWER)}],0"),
                 _value(f"{CLASSES}{PROGID}\\shell\\open\\command", command),
                 _value(app, "Ortholux", "FriendlyAppName"),
                 _value(f"{app}\\shell\\open\\command", command)]
    for ext in OPEN_WITH_EXTENSIONS:
        open_with += [_value(f"{CLASSES}{ext}\\OpenWithProgids", "", PROGID),
                      _value(f"{app}\\SupportedTypes", "", ext)]
    out.append(("OpenWith", _component("OpenWith", open_with)))
    return out


def wxs(version, names):
    parts = components(names)
    files = "\n".join(text for cid, text in parts if cid.startswith("File_"))
    registry = "\n".join(text for cid, text in parts if not cid.startswith("File_"))
    refs = "\n".join(f'<ComponentRef Id="{cid}"/>' for cid, _ in parts)
    return f"""<?xml version="1.0" encoding="utf-8"?>
<Wix xmlns="http://schemas.microsoft.com/wix/2006/wi">
<Product Id="{str(product_code(version)).upper()}" Name="Ortholux" Language="1041"
         Version="{version}" Manufacturer="Ortholux Project"
         UpgradeCode="{str(UPGRADE_CODE).upper()}">
<Package InstallerVersion="500" Compressed="yes" InstallScope="perMachine"
         Description="Ortholux {version} (x64)"/>
<Media Id="1" Cabinet="ortholux.cab" EmbedCab="yes"/>
<MajorUpgrade DowngradeErrorMessage="A newer version of Ortholux is already installed."/>
<Property Id="THUMBNAILS" Value="1"/>
<Property Id="ARPNOMODIFY" Value="1"/>
<Directory Id="TARGETDIR" Name="SourceDir">
<Directory Id="ProgramFiles64Folder">
<Directory Id="INSTALLDIR" Name="Ortholux">
{files}
{registry}
</Directory>
</Directory>
<Directory Id="ProgramMenuFolder"/>
</Directory>
<Feature Id="Ortholux" Level="1">
{refs}
</Feature>
</Product>
</Wix>
"""


def queries():
    """msibuild's SQL: what wixl cannot write. A ShellEx entry of ours goes in only where the
    extension has none, or has ours (an older version being upgraded, or regsvr32's);
    another program's handler stays as it is.

    regsvr32 keeps the handler it replaced as a value named after the extension under our
    class key. Such an entry stays regsvr32's: the package leaves it out of its own, as
    removing it would delete the entry whatever it holds by then. On uninstall (not an
    upgrade's), the DLL's own DllUnregisterServer puts the other handler back, while the DLL
    is still there and before the package's keys go; nothing else runs it."""
    q = ["UPDATE `Component` SET `Condition` = 'THUMBNAILS=\"1\"' "
         "WHERE `Component` = 'Handlers'"]
    secure = ["THUMBNAILS"]
    recorded = []
    for kind, (interface, cls) in SHELLEX.items():
        for ext in EXTENSIONS:
            prop, kept = foreign_property(kind, ext), recorded_property(kind, ext)
            secure += [prop, kept]
            recorded.append(kept)
            # Type 2 | 16: the raw value, from the 64-bit view.
            for name, key, value in ((prop, f"{CLASSES}{ext}\\ShellEx\\{interface}", None),
                                     (kept, f"{CLASSES}CLSID\\{cls}", ext)):
                q.append("INSERT INTO `AppSearch` (`Property`, `Signature_`) "
                         f"VALUES ('{name}', '{name}')")
                if value is None:
                    q.append("INSERT INTO `RegLocator` (`Signature_`, `Root`, `Key`, `Type`) "
                             f"VALUES ('{name}', 2, '{key}', 18)")
                else:
                    q.append("INSERT INTO `RegLocator` (`Signature_`, `Root`, `Key`, `Name`, "
                             f"`Type`) VALUES ('{name}', 2, '{key}', '{value}', 18)")
            q.append(f"UPDATE `Component` SET `Condition` = 'THUMBNAILS=\"1\" AND "
                     f"(NOT {prop} OR ({prop}~=\"{cls}\" AND NOT {kept}))' "
                     f"WHERE `Component` = 'ShellEx{kind}_{ext[1:]}'")
    # wixl schedules the search only for searches of its own.
    for table in ("InstallUISequence", "InstallExecuteSequence"):
        q.append(f"INSERT INTO `{table}` (`Action`, `Sequence`) VALUES ('AppSearch', 50)")
    # 34 an exe in a folder | 1024 deferred | 2048 as the system | 64 its exit code ignored:
    # an uninstall never stops over it.
    q.append("INSERT INTO `CustomAction` (`Action`, `Type`, `Source`, `Target`) VALUES "
             f"('{UNREGISTER_ACTION}', 3170, 'INSTALLDIR', "
             f"'\"[System64Folder]regsvr32.exe\" /s /u \"[INSTALLDIR]{SHELL_DLL}\"')")
    q.append("INSERT INTO `InstallExecuteSequence` (`Action`, `Condition`, `Sequence`) VALUES "
             f"('{UNREGISTER_ACTION}', '$Handlers=2 AND NOT UPGRADINGPRODUCTCODE AND "
             f"({' OR '.join(recorded)})', 1700)")
    q.append("UPDATE `Property` SET `Value` = 'WIX_DOWNGRADE_DETECTED;WIX_UPGRADE_DETECTED;"
             f"{';'.join(secure)}' WHERE `Property` = 'SecureCustomProperties'")
    return q


# ---- the summary information stream, rewritten in place ----

def _stream_offsets(data, wanted):
    """File offsets of every byte of a stream of the compound file, by its name."""
    u16, u32 = (lambda at: struct.unpack_from("<H", data, at)[0],
                lambda at: struct.unpack_from("<I", data, at)[0])
    sector = 1 << u16(0x1E)
    mini = 1 << u16(0x20)
    if u32(0x48):
        raise ValueError("package too large for its FAT list in the header")
    fat_sectors = [u32(0x4C + 4 * i) for i in range(u32(0x2C))]
    fat = [u32((s + 1) * sector + 4 * i) for s in fat_sectors for i in range(sector // 4)]

    def chain(start):
        out = []
        while start < 0xFFFFFFFA:
            out.append(start)
            start = fat[start]
        return out

    def at(s):
        return (s + 1) * sector

    directory = b"".join(data[at(s):at(s) + sector] for s in chain(u32(0x30)))
    minifat = [u32(at(s) + 4 * i) for s in chain(u32(0x3C)) for i in range(sector // 4)]
    root_chain = chain(struct.unpack_from("<I", directory, 0x74)[0])
    for e in range(0, len(directory), 128):
        length = struct.unpack_from("<H", directory, e + 0x40)[0]
        if directory[e:e + max(length - 2, 0)].decode("utf-16-le", "replace") != wanted:
            continue
        start, size = struct.unpack_from("<II", directory, e + 0x74)
        if size >= u32(0x38):
            return [at(s) + i for s in chain(start) for i in range(sector)][:size]
        offsets, m = [], start
        while m < 0xFFFFFFFA:
            for i in range(mini):
                pos = m * mini + i
                offsets.append(at(root_chain[pos // sector]) + pos % sector)
            m = minifat[m]
        return offsets[:size]
    raise ValueError(f"no stream {wanted!r}")


def set_summary(data, package_code, epoch):
    """Package code (PID 9) and creation and save times (PIDs 12, 13) of the summary
    information, patched where they lie; lengths never change."""
    where = _stream_offsets(data, "\x05SummaryInformation")
    stream = bytearray(data[i] for i in where)
    section = struct.unpack_from("<I", stream, 44)[0]
    count = struct.unpack_from("<I", stream, section + 4)[0]
    filetime = (int(epoch) + 11644473600) * 10_000_000
    done = set()
    for i in range(count):
        pid, offset = struct.unpack_from("<II", stream, section + 8 + 8 * i)
        value = section + offset
        kind = struct.unpack_from("<I", stream, value)[0]
        if pid == 9 and kind == 30:
            text = "{%s}" % str(package_code).upper()
            if struct.unpack_from("<I", stream, value + 4)[0] != len(text) + 1:
                raise ValueError("unexpected package code length")
            stream[value + 8:value + 8 + len(text)] = text.encode("ascii")
        elif pid in (12, 13) and kind == 64:
            struct.pack_into("<Q", stream, value + 4, filetime)
        else:
            continue
        done.add(pid)
    if done != {9, 12, 13}:
        raise ValueError(f"summary information lacks {sorted({9, 12, 13} - done)}")
    out = bytearray(data)
    for i, b in zip(where, stream):
        out[i] = b
    return bytes(out)


def build(output, version, epoch, entries):
    """entries: {name: bytes}."""
    for needed in (VIEWER, SHELL_DLL):
        if needed not in entries:
            raise ValueError(f"the package needs {needed}")
    source = wxs(version, sorted(entries))
    sql = queries()
    digest = hashlib.sha256(source.encode() + "\n".join(sql).encode())
    mtime = max(int(epoch), _ZIP_EPOCH)  # the cabinet keeps each file's time, as DOS time
    with tempfile.TemporaryDirectory(prefix="olx-msi-") as work:
        work = Path(work)
        for name in sorted(entries):
            (work / name).write_bytes(entries[name])
            os.utime(work / name, (mtime, mtime))
            digest.update(name.encode() + b"\0" + hashlib.sha256(entries[name]).digest())
        (work / "ortholux.wxs").write_text(source, encoding="utf-8")
        msi = work / "out.msi"
        # wixl warns of Package/@Platform, which it does not know, on every run.
        done = subprocess.run(["wixl", "-a", "x64", "-o", str(msi), "ortholux.wxs"], cwd=work,
                              stdin=subprocess.DEVNULL, capture_output=True, text=True)
        if done.returncode != 0 or not msi.is_file():
            raise RuntimeError(f"wixl failed ({done.returncode}): {done.stderr}")
        subprocess.run(["msibuild", str(msi)] + [a for q in sql for a in ("-q", q)],
                       check=True, stdin=subprocess.DEVNULL)
        code = uuid.uuid5(UPGRADE_CODE, f"package {digest.hexdigest()} {mtime}")
        data = set_summary(msi.read_bytes(), code, epoch)
    output.parent.mkdir(parents=True, exist_ok=True)
    partial = output.with_name(output.name + ".part")
    partial.write_bytes(data)
    partial.replace(output)


def main(argv):
    build(*release_arguments(argv, __doc__.splitlines()[0]))
    return 0

if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
