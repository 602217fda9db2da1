#!/usr/bin/env python3
"""Writes the Windows release zip so that the same inputs always give the same bytes.

    release_zip.py OUTPUT.zip --epoch SECONDS --version VERSION
                   [--binary NAME=PATH]... [--text NAME=PATH]...

--binary files go in as they are. --text files are UTF-8 sources turned into what Notepad on
a Japanese Windows shows right: Shift-JIS (code page 932) with CRLF line ends; "@VERSION@" in
them becomes VERSION. Entries are sorted by name and carry one fixed time (SECONDS, as UTC,
no earlier than 1980), fixed attributes and no extra fields.
"""
import argparse
import sys
import time
import zipfile
from pathlib import Path

_ZIP_EPOCH = 315532800  # 1980-01-01, the earliest time a zip entry can hold
_FILE_ATTRIBUTES = (0o100644 << 16) | 0x20  # rw-r--r--, and the DOS archive bit


def windows_text(source, version):
    """UTF-8 text -> code page 932 bytes with CRLF; raises UnicodeError for a character
    code page 932 lacks, rather than writing a '?' the user would see."""
    text = source.decode("utf-8").replace("\r\n", "\n").replace("@VERSION@", version)
    return text.replace("\n", "\r\n").encode("cp932")


def entry_time(epoch):
    return time.gmtime(max(int(epoch), _ZIP_EPOCH))[:6]


def write_zip(output, entries, epoch):
    """entries: {name: bytes}. Written in name order, all with the same time."""
    when = entry_time(epoch)
    with zipfile.ZipFile(output, "w") as archive:
        for name in sorted(entries):
            info = zipfile.ZipInfo(name, date_time=when)
            info.compress_type = zipfile.ZIP_DEFLATED
            info.create_system = 3
            info.external_attr = _FILE_ATTRIBUTES
            archive.writestr(info, entries[name], compresslevel=9)


def _pair(text):
    name, sep, path = text.partition("=")
    if not sep or not name or not path:
        raise argparse.ArgumentTypeError(f"expected NAME=PATH, got {text!r}")
    return name, Path(path)


def release_arguments(argv, description):
    """(OUTPUT, VERSION, EPOCH, {name: bytes}) of a release tool's command line; --text
    files become Shift-JIS with CRLF."""
    parser = argparse.ArgumentParser(description=description)
    parser.add_argument("output", type=Path)
    parser.add_argument("--epoch", type=int, required=True)
    parser.add_argument("--version", required=True)
    parser.add_argument("--binary", type=_pair, action="append", default=[])
    parser.add_argument("--text", type=_pair, action="append", default=[])
    args = parser.parse_args(argv)

    entries = {}
    for name, path in args.binary:
        entries[name] = path.read_bytes()
    for name, path in args.text:
        entries[name] = windows_text(path.read_bytes(), args.version)
    if len(entries) != len(args.binary) + len(args.text):
        parser.error("two files of the same name")
    return args.output, args.version, args.epoch, entries


def main(argv):
    output, _, epoch, entries = release_arguments(argv, __doc__.splitlines()[0])
    output.parent.mkdir(parents=True, exist_ok=True)
    partial = output.with_name(output.name + ".part")
    write_zip(partial, entries, epoch)
    partial.replace(output)
    return 0

if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
