"""End-to-end harness: Windows programs under Wine in a private Xvfb, driven from outside.

    from harness import WineSession, WineTestCase, poll, config
"""
from . import config
from .driver import DriverError, Rect, WindowGone
from .screen import Shot
from .testcase import WineTestCase
from .wineenv import WineSession, poll

__all__ = ["config", "DriverError", "Rect", "Shot", "WineSession", "WineTestCase", "WindowGone",
           "poll"]
