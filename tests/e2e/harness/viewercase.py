"""ViewerTestCase: a WineTestCase with the checks every viewer test makes of what a user
sees: the thumbnail's pixels, an empty image area, a window left as it was."""
from . import config
from .testcase import WineTestCase
from .wineenv import poll

SCREEN = (1280, 1024)


def centred(size):
    """Top-left corner of a window of that outer size centred on the screen."""
    return tuple(max((s - w) // 2, 0) for s, w in zip(SCREEN, size))


class ViewerTestCase(WineTestCase):
    @classmethod
    def setUpClass(cls):
        # Fail, never skip, when a program is missing.
        config.exe("Ortholux.exe")
        config.exe("olxdriver.exe")
        config.xdrop()
        super().setUpClass()

    def tearDown(self):
        super().tearDown()  # ends every program the test started
        # A killed program's windows linger for a moment; the next test's viewer must not
        # meet them, neither in its own look-up nor in its hand-over.
        leftovers = poll(self._titled_windows, lambda found: not found, 20)
        self.assertEqual(leftovers, [], "windows titled Ortholux outlived their programs")

    def _titled_windows(self):
        return [w for w in self.session.drv.windows() if w.title == "Ortholux"]

    def wine_path(self, path):
        return self.session.unix_to_wine_path(path)

    def assert_picture(self, viewer, picture):
        """The picture stretched over the image area, as far as it is on screen."""
        seen, wrong = viewer.wait_picture(picture)
        self.assertGreater(sum(1 for _, colours, _ in seen if len(colours) == 1), 40)
        self.assertEqual(wrong[:5], [], f"{len(wrong)} of {len(seen)} image pixels differ")
        # Thin lines fall between the grid's points: the whole area shows more than one
        # colour, and none the picture lacks (a shrunk one: none but its mixes, where it
        # changes colour).
        shown = set(viewer.image_colours())
        self.assertGreater(len(shown), 1)
        if viewer.shrinks(picture):
            self.assertEqual(viewer.unmixed_strays(picture)[:5], [])
        else:
            self.assertLessEqual(shown, picture.colours())

    def assert_empty_image(self, viewer):
        """The image area shows the window's background colour and nothing else."""
        colours = viewer.wait_empty_image()
        self.assertEqual(list(colours), [viewer.background()])

    def assert_unchanged(self, viewer, before, picture):
        """No box comes up, and status texts, panel width, size, position and the picture
        (None: an empty image) are as they were."""
        self.assertTrue(viewer.no_error_box(2.0))
        self.assertEqual(viewer.state(), before)
        if picture is None:
            self.assert_empty_image(viewer)
        else:
            self.assert_picture(viewer, picture)

    def assert_error_box(self, viewer, text):
        """The application's error box with text comes up over a disabled main window;
        OK closes it and gives the window back."""
        box = viewer.error_box()
        self.assertEqual((box.caption, box.text, box.buttons), ("Ortholux", text, {1: "OK"}))
        drv = self.session.drv
        icons = [c for c in drv.children(box.hwnd) if c.id == 0x440]
        self.assertTrue(icons and icons[0].visible, "the box shows no icon")
        self.assertEqual(drv.info(box.owner)["class"], "TApplication")
        shown = viewer.hwnd is not None and drv.visible(viewer.hwnd)
        if shown:
            self.assertEqual(box.owner, drv.owner(viewer.hwnd))
            self.assertFalse(drv.info(viewer.hwnd)["enabled"])  # modal
        viewer.confirm(box)
        if shown:
            self.assertTrue(poll(lambda: drv.info(viewer.hwnd)["enabled"]))
