"""The saver executable as Windows starts it: mode letters, the full-screen
window and its closing rules, one full-screen saver at a time, the preview child."""
import time
import unittest

from PIL import ImageChops

import saverlib as s


def saver_windows():
    return s.xdotool("search", "--name", "^Screen Saver$").split()


class ModeDispatch(unittest.TestCase):
    def test_invalid_requests_exit_minus_one_without_a_window(self):
        for args in (["/p", "0"], ["/p", "99999"], ["/p"], ["/x"], ["-q"], ["/a"], ["/a", "0"]):
            with self.subTest(args=args):
                code, _ = s.run_wine(s.SAVER, *args, timeout=30)
                self.assertEqual(s.signed(code), -1)
                self.assertEqual(saver_windows(), [])

    def test_configuration_mode_never_makes_the_saver_window(self):
        for args in (["/c"], ["/c:1234"], []):
            with self.subTest(args=args):
                p = s.wine(s.SAVER, *args)
                exited = s.wait_exit(p, 4)
                self.assertEqual(saver_windows(), [])
                if exited:
                    self.assertEqual(p.returncode, 0)
                s.kill(p)


class FullScreen(unittest.TestCase):
    def start(self):
        s.xdotool("mousemove", "400", "300")
        time.sleep(0.3)
        p = s.wine(s.SAVER, "/s")
        ids = s.find_windows("^Screen Saver$")
        self.assertTrue(ids, "no full-screen window")
        time.sleep(1.5)  # past the start-up checks
        return p, ids[0]

    def test_window_covers_the_virtual_screen_and_small_moves_keep_it(self):
        p, wid = self.start()
        try:
            self.assertEqual(s.window_geometry(wid)[2:], s.screen_size())
            s.xdotool("mousemove_relative", "3", "1")  # 4 pixels in total
            self.assertFalse(s.wait_exit(p, 1.5), "closed on a 4-pixel move")
            s.xdotool("mousemove_relative", "1", "0")  # 5 from where it started
            t0 = time.time()
            self.assertTrue(s.wait_exit(p, 10), "did not close on a 5-pixel move")
            self.assertEqual(p.returncode, 0)
            self.assertLess(time.time() - t0, 10)
        finally:
            s.kill(p)

    def test_a_key_closes_it(self):
        p, wid = self.start()
        try:
            s.xdotool("key", "a")
            self.assertTrue(s.wait_exit(p, 10), "did not close on a key")
            self.assertEqual(p.returncode, 0)
        finally:
            s.kill(p)

    def test_a_click_closes_it(self):
        p, wid = self.start()
        try:
            s.xdotool("click", "1")
            self.assertTrue(s.wait_exit(p, 10), "did not close on a click")
            self.assertEqual(p.returncode, 0)
        finally:
            s.kill(p)

    def test_second_full_screen_run_leaves_the_first(self):
        p, wid = self.start()
        try:
            code, _ = s.run_wine(s.SAVER, "/s", timeout=30)
            self.assertEqual(code, 0)
            self.assertIsNone(p.poll(), "the first saver ended")
            self.assertEqual(len(saver_windows()), 1)
        finally:
            s.kill(p)
            time.sleep(2)  # Wine keeps a destroyed full-screen window for a moment


class DisplayOff(unittest.TestCase):
    """Windows says the display went off: the saver stops drawing but stays, and the
    user's key still closes it. The state is sent as Windows sends it (the harness
    writes the setting into the saver's process)."""

    def send_state(self, value):
        code, out = s.run_wine(s.HARNESS, "displaystate", self.hwnd, str(value), timeout=30)
        self.assertIn("result=1", out, "the saver did not take the display state %d: %s" % (value, out))

    def moving(self, name):
        a = s.screenshot(name + "-a")
        time.sleep(0.6)
        return ImageChops.difference(a, s.screenshot(name + "-b")).getbbox() is not None

    def test_nothing_is_drawn_while_the_display_is_off_and_a_key_still_closes_it(self):
        def shoot(saver):
            time.sleep(2.0)  # past the blanked second
            if saver.speed_test_failed():
                return
            code, out = s.run_wine(s.HARNESS, "find", "-", "Screen Saver", "5000", timeout=30)
            self.assertEqual(code, 0, out)
            self.hwnd = out.split("=", 1)[1].strip()
            self.assertTrue(self.moving("display-on-before"), "the flames did not move: " + saver.describe())
            self.send_state(0)
            time.sleep(0.3)
            self.assertFalse(self.moving("display-off"), "frames were drawn while the display was off")
            self.assertIsNone(saver.proc.poll(), "the display going off closed the saver")
            self.send_state(2)  # dimmed: seen, so drawn
            time.sleep(0.3)
            self.assertTrue(self.moving("display-dimmed"), "no frames once the display was dimmed")
            self.send_state(0)
            time.sleep(0.3)
            self.assertIn("Display off: drawing stops. OnPowerBroadcast()", saver.debug_output())
            # run_scene now presses a key and wants exit code 0 while the display is off.

        s.run_scene(self, lambda: s.Saver(s.SAVER, "/s"), shoot)


class Preview(unittest.TestCase):
    def test_child_of_the_preview_window_ends_with_its_parent(self):
        code, out = s.run_wine(s.HARNESS, "preview", s.SAVER, "152", "112", "2500", timeout=60)
        values = dict(line.split("=", 1) for line in out.splitlines() if "=" in line)
        self.assertEqual(values.get("child"), "1", out)
        self.assertEqual(values.get("title"), "Preview")
        self.assertEqual((values.get("width"), values.get("height")), ("152", "112"))
        self.assertEqual(values.get("same_process"), "1")
        self.assertEqual(values.get("exited"), "1", "the saver outlived its parent")
        self.assertEqual(values.get("exit_code"), "0")


if __name__ == "__main__":
    unittest.main()
