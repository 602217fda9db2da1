"""A TestCase base with one WineSession per test class (set-up costs about ten seconds)."""
import time
import unittest

from .wineenv import WineSession


class WineTestCase(unittest.TestCase):
    """self.session (and cls.session) is shared by the class's tests; each test's programs
    are ended after it, so one test's leftovers never meet the next."""

    session = None

    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        started = time.monotonic()
        cls.session = WineSession().open()
        cls.addClassCleanup(cls.session.close)
        cls.session_setup_seconds = time.monotonic() - started

    def tearDown(self):
        self.session.stop_all()
        super().tearDown()
