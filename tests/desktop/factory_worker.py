#!/usr/bin/python3
"""Runs GNOME's thumbnail factory on drawings, as a file manager does, in a process of its
own: GLib reads the XDG folders once per process, so every test gets fresh ones this way.

    factory_worker.py SIZE URI...   (SIZE 128, 256, 512 or 1024)

Prints one JSON object per URI: uri, mime (the type GIO gives the file, as a file manager
asks it), can (before), thumbnail (cache path or null), failed (a failed thumbnail recorded),
error (the factory's message or null).
"""
import json
import os
import sys

import gi

gi.require_version("GnomeDesktop", "4.0")
from gi.repository import Gio, GLib, GnomeDesktop  # noqa: E402

SIZES = {128: "NORMAL", 256: "LARGE", 512: "XLARGE", 1024: "XXLARGE"}


def thumbnail(factory, uri):
    mtime = int(os.stat(GLib.filename_from_uri(uri)[0]).st_mtime)
    mime = Gio.File.new_for_uri(uri).query_info(
        "standard::content-type", Gio.FileQueryInfoFlags.NONE, None).get_content_type()
    result = {"uri": uri, "mime": mime, "can": factory.can_thumbnail(uri, mime, mtime),
              "error": None}
    pixbuf = None
    try:
        pixbuf = factory.generate_thumbnail(uri, mime, None)
    except GLib.Error as error:
        result["error"] = error.message
    if pixbuf is not None:
        factory.save_thumbnail(pixbuf, uri, mtime, None)
    else:
        factory.create_failed_thumbnail(uri, mtime, None)
    result["thumbnail"] = factory.lookup(uri, mtime)
    result["failed"] = factory.has_valid_failed_thumbnail(uri, mtime)
    result["can_after"] = factory.can_thumbnail(uri, mime, mtime)
    return result


def main():
    size = int(sys.argv[1])
    factory = GnomeDesktop.DesktopThumbnailFactory.new(
        getattr(GnomeDesktop.DesktopThumbnailSize, SIZES[size]))
    for uri in sys.argv[2:]:
        print(json.dumps(thumbnail(factory, uri)), flush=True)


if __name__ == "__main__":
    main()
