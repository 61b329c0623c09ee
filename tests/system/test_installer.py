"""VarnelleSetup.exe under Wine: the silent install into the system folder, the
language it sets, the installed saver, upgrades over a kept settings file, the
uninstaller, the refusals, and the wizard's pages in English and Japanese."""
import hashlib
import os
import re
import shutil
import subprocess
import tempfile
import time
import unittest
import zipfile

import saverlib as s

# The setup under test: this build's own, or (VARNELLE_SETUP) the x86 one in a win64
# prefix, which is how 64-bit Windows runs the one file users download.
SETUP = os.environ.get("VARNELLE_SETUP", os.path.join(s.BIN, "VarnelleSetup.exe"))
PREFIX = os.environ.get("WINEPREFIX", os.path.join(s.BUILD, "wineprefix"))
# Both setups put the native saver into System32: the 64-bit one on 64-bit Windows
# (a win64 prefix, where this suite's build is the 64-bit one), the 32-bit one on 32-bit.
WIN64 = os.environ.get("WINEARCH") == "win64"
SYSTEM_DIR = os.path.join(PREFIX, "drive_c", "windows", "system32")
SYSTEM_WIN = "C:\\windows\\system32"
SAVER_WIN = SYSTEM_WIN + "\\Varnelle.scr"
INSTALLED_SAVER = os.path.join(SYSTEM_DIR, "Varnelle.scr")
INSTALLED_ARCHIVE = os.path.join(SYSTEM_DIR, "VantorelResource.dat")
INSTALLED_SETTINGS = os.path.join(SYSTEM_DIR, "Varnelle.scr.settings")
# Where earlier versions put the 32-bit saver on 64-bit Windows.
OLD_DIR = os.path.join(PREFIX, "drive_c", "windows", "syswow64")
OLD_SAVER_WIN = "C:\\windows\\syswow64\\Varnelle.scr"
UNINSTALL_DIR = os.path.join(PREFIX, "drive_c", "Program Files", "Varnelle")
UNINSTALLER = os.path.join(UNINSTALL_DIR, "Uninstall.exe")

LANG_KEY = r"HKLM\SOFTWARE\QUENDRA\ScreenSaver\Fire"
MAKER_KEY = r"HKLM\SOFTWARE\QUENDRA"
UNINSTALL_KEY = r"HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Varnelle"
DESKTOP_KEY = r"HKCU\Control Panel\Desktop"
PREVIOUS_SAVER = "C:\\windows\\system32\\Previous.scr"

# How Wine keeps the settings file of an earlier setup that let the Users group change it.
EARLIER_GRANT_MODE = 0o775
DEFAULT_SETTINGS = (b"#Picture Info _ begin\r\n#Picture Info _ end\r\nBlobsSpeed 40\r\nBlobsSize 80\r\n"
                    b"ShowImages 1\r\nSelectCubeMap 0\r\nSelectSparksEffect 0\r\nSelectFireEffect 0\r\n")
SHOW_IMAGES_CHECKBOX, SCHEME_COMBO, OK_BUTTON, PICTURE_LIST = 1004, 1009, 1, 1001
NEXT_BUTTON, CANCEL_BUTTON, YES_BUTTON = 1, 2, 6
FINISH_CHECKBOX = 1203  # "Open Varnelle settings", only on the finish page


# ---- registry and processes ------------------------------------------------
def view(key):
    """The setup keeps its machine-wide keys in the 32-bit registry view."""
    return ["/reg:32"] if key.upper().startswith("HKLM") else []


def reg_query(key, name):
    """(type, data) of a value, or None when the key or value is missing."""
    code, out = s.run_wine("reg", "query", key, "/v", name, *view(key), timeout=30)
    if code != 0:
        return None
    for line in out.splitlines():
        parts = line.strip().split(None, 2)
        if len(parts) >= 2 and parts[0].lower() == name.lower() and parts[1].startswith("REG_"):
            return parts[1], parts[2] if len(parts) > 2 else ""
    return None


def reg_key_exists(key):
    return s.run_wine("reg", "query", key, *view(key), timeout=30)[0] == 0


def reg_set(key, name, data):
    if data is None:
        s.run_wine("reg", "delete", key, "/v", name, "/f", *view(key), timeout=30)
    else:
        s.run_wine("reg", "add", key, "/v", name, "/t", data[0], "/d", data[1], "/f", *view(key), timeout=30)


def regedit_import(text):
    """Imports a .reg text (UTF-16, so names outside ASCII survive)."""
    with tempfile.NamedTemporaryFile("wb", suffix=".reg", dir=s.BUILD, delete=False) as f:
        f.write(("Windows Registry Editor Version 5.00\r\n\r\n" + text).encode("utf-16"))
    try:
        s.run_wine("regedit", "/S", f.name, timeout=30)
    finally:
        os.unlink(f.name)


def harness(*args, timeout=30):
    """Runs a harness subcommand; its key=value lines as a dict."""
    _, out = s.run_wine(s.HARNESS, *args, timeout=timeout)
    return dict(line.split("=", 1) for line in out.replace("\r", "").splitlines() if "=" in line)


class DesktopShell:
    """The harness as the desktop's shell window, which Wine lacks: the setup then finds
    the desktop's user through it (the owner of the shell) and starts the settings
    with that user's token."""

    def __init__(self):
        self.proc = s.wine(s.HARNESS, "shell", "600000", stdout=subprocess.PIPE)
        lines = {}
        while "sid" not in lines:
            line = self.proc.stdout.readline().decode("utf-8", "replace").strip()
            if not line:
                raise AssertionError("the harness did not become the shell window")
            key, _, value = line.partition("=")
            lines[key] = value
        self.sid = lines["sid"]

    def end(self):
        s.kill(self.proc)
        self.proc.stdout.close()


def find_dialog(title, timeout_ms=20000):
    hwnd = harness("find", "#32770", title, str(timeout_ms), timeout=timeout_ms / 1000 + 20).get("hwnd", "0")
    return hwnd if hwnd != "0" else None


def install(*args):
    return s.signed(s.run_wine(SETUP, "/S", *args, timeout=90)[0])


def wait_until(condition, timeout):
    end = time.time() + timeout
    while time.time() < end:
        if condition():
            return True
        time.sleep(0.2)
    return condition()


def uninstall_silently():
    """The uninstaller hands over to a copy of itself and returns at once: wait for its work."""
    s.run_wine(UNINSTALLER, "/S", timeout=60)
    gone = wait_until(lambda: not os.path.exists(UNINSTALL_DIR), 30)
    time.sleep(0.5)  # the copy ends right after removing the folder
    return gone


def sha(path):
    with open(path, "rb") as f:
        return hashlib.sha256(f.read()).hexdigest()


def setup_text(name, language):
    """One of the setup's own texts ('ENGLISH', 'JAPANESE', ...) as installer/Languages.nsh has it."""
    path = os.path.join(os.path.dirname(__file__), "..", "..", "installer", "Languages.nsh")
    with open(path, encoding="utf-8") as f:
        for line in f:
            match = re.match(r'LangString\s+%s\s+\$\{LANG_%s\}\s+"(.*)"\s*$' % (name, language), line)
            if match:
                return match.group(1)
    raise KeyError((name, language))


def archive_text(language, text_id):
    """An interface text from the built archive's language file."""
    with zipfile.ZipFile(os.path.join(s.BIN, "VantorelResource.dat")) as z:
        data = z.read("Resource/Language_%s.csv" % language, pwd=b"8305926")
    return data.decode("utf-8-sig").split("\r\n")[text_id]


class InstallerTest(unittest.TestCase):
    """Every test starts and ends with Varnelle not installed; the prefix's own
    screen-saver choice and language value are put back afterwards."""

    @classmethod
    def setUpClass(cls):
        if not os.path.exists(SETUP):
            if shutil.which("makensis") is None:
                raise unittest.SkipTest("makensis is not installed, so no setup was built")
            raise AssertionError("%s was not built" % SETUP)
        if s.pe_machine(SETUP) == "x86" and not s.machine_runs_32bit():
            raise unittest.SkipTest("this machine cannot run the 32-bit setup")
        cls.saved = {(DESKTOP_KEY, "SCRNSAVE.EXE"): reg_query(DESKTOP_KEY, "SCRNSAVE.EXE"),
                     (DESKTOP_KEY, "ScreenSaveActive"): reg_query(DESKTOP_KEY, "ScreenSaveActive"),
                     (LANG_KEY, "CurLang"): reg_query(LANG_KEY, "CurLang")}
        # Wine has no Japanese dialog fonts of its own: let it draw them with Noto CJK.
        regedit_import('[HKEY_CURRENT_USER\\Software\\Wine\\Fonts\\Replacements]\r\n'
                       '"MS UI Gothic"="Noto Sans CJK JP"\r\n'
                       '"\uff2d\uff33 \uff30\u30b4\u30b7\u30c3\u30af"="Noto Sans CJK JP"\r\n'
                       '"MS PGothic"="Noto Sans CJK JP"\r\n')

    @classmethod
    def tearDownClass(cls):
        for (key, name), value in cls.saved.items():
            reg_set(key, name, value)

    def setUp(self):
        self.remove_everything()
        reg_set(LANG_KEY, "CurLang", None)
        reg_set(DESKTOP_KEY, "SCRNSAVE.EXE", ("REG_SZ", PREVIOUS_SAVER))
        reg_set(DESKTOP_KEY, "ScreenSaveActive", ("REG_SZ", "0"))

    def tearDown(self):
        self.remove_everything()

    def remove_everything(self):
        if os.path.exists(UNINSTALLER):
            uninstall_silently()
        for folder in (SYSTEM_DIR, OLD_DIR):
            for name in ("Varnelle.scr", "VantorelResource.dat", "Varnelle.scr.settings"):
                if os.path.exists(os.path.join(folder, name)):
                    os.remove(os.path.join(folder, name))

    def assert_installed(self, cur_lang):
        # The saver of this suite's build: the 64-bit one in a win64 prefix, whichever setup ran.
        self.assertEqual(sha(INSTALLED_SAVER), sha(os.path.join(s.BIN, "Varnelle.scr")))
        self.assertEqual(s.pe_machine(INSTALLED_SAVER), "x64" if WIN64 else "x86")
        self.assertEqual(sha(INSTALLED_ARCHIVE), sha(os.path.join(s.BIN, "VantorelResource.dat")))
        self.assertTrue(os.path.exists(UNINSTALLER))
        self.assertEqual(reg_query(LANG_KEY, "CurLang"), ("REG_DWORD", "0x%x" % cur_lang))

    def assert_uninstalled(self):
        for path in (INSTALLED_SAVER, INSTALLED_ARCHIVE, UNINSTALL_DIR):
            self.assertFalse(os.path.exists(path), path)
        self.assertIsNone(reg_query(LANG_KEY, "CurLang"))
        self.assertFalse(reg_key_exists(MAKER_KEY), "the maker's empty key stayed")
        self.assertFalse(reg_key_exists(UNINSTALL_KEY))

    def assert_grants_users_nothing(self, path):
        # Wine keeps a file's access list as Unix mode bits; a Users entry lands on the group.
        self.assertFalse(os.stat(path).st_mode & 0o020, "the settings file lets Users change it")

    def run_installed_saver_full_screen(self):
        s.xdotool("mousemove", "400", "300")
        time.sleep(0.3)
        saver = s.Saver(SAVER_WIN, "/s")
        try:
            self.assertTrue(saver.window(), "the installed saver made no window: " + saver.describe())
            time.sleep(2.0)  # past the start-up checks
            # Flames, or on a busy machine the error screen of a failed speed test in the
            # installed language: either way drawn from the archive found beside it.
            shot = s.screenshot("installer_saver_run")
            self.assertGreater(s.lit_share(shot), 0.02, "the installed saver drew nothing")
            self.assertEqual(saver.close(), 0, "the installed saver did not close on a key: " + saver.describe())
            self.assertFalse(saver.faults(), saver.describe())
        finally:
            saver.end()

    def configure_installed_saver(self, language, fire_style, started=None, pictures=None):
        """Opens the installed saver's dialog (or finds the one `started` opened), checks its
        language and picture list, picks a style, presses OK."""
        p = None if started else s.wine(SAVER_WIN, "/c", stdout=subprocess.DEVNULL)
        try:
            dialog = find_dialog(archive_text(language, 23))
            self.assertIsNotNone(dialog, "no configuration dialog")
            controls = harness("controls", dialog)
            self.assertEqual(controls.get("ctl.%d.text" % SHOW_IMAGES_CHECKBOX), archive_text(language, 5))
            if pictures is not None:
                lines = [controls.get("ctl.%d.item.%d" % (PICTURE_LIST, i)) for i in range(len(pictures) + 1)]
                self.assertEqual(lines, pictures + [None])
            harness("select", dialog, str(SCHEME_COMBO), str(fire_style))
            harness("command", dialog, str(OK_BUTTON))
            self.assertTrue(harness("waitgone", dialog, "15000").get("gone") == "1", "the dialog did not close on OK")
            if p:
                self.assertTrue(s.wait_exit(p, 15), "the dialog's process did not end")
        finally:
            if p:
                s.kill(p)

    def assert_size_counts_every_file(self):
        files = (INSTALLED_SAVER, INSTALLED_ARCHIVE, UNINSTALLER)
        kilobytes = (sum(os.path.getsize(f) for f in files) + 1023) // 1024
        self.assertEqual(reg_query(UNINSTALL_KEY, "EstimatedSize"), ("REG_DWORD", "0x%x" % kilobytes))


class SilentInstall(InstallerTest):
    def test_install_run_configure_and_uninstall(self):
        self.assertEqual(install("/LANG=jp"), 0)
        self.assert_installed(cur_lang=6)
        self.assertFalse(os.path.exists(INSTALLED_SETTINGS), "the setup wrote a settings file into the system folder")
        self.assert_size_counts_every_file()

        uninstall_cmd = '"C:\\Program Files\\Varnelle\\Uninstall.exe"'
        self.assertEqual(reg_query(UNINSTALL_KEY, "UninstallString"), ("REG_SZ", uninstall_cmd))
        self.assertEqual(reg_query(UNINSTALL_KEY, "QuietUninstallString"), ("REG_SZ", uninstall_cmd + " /S"))
        self.assertEqual(reg_query(UNINSTALL_KEY, "DisplayIcon"), ("REG_SZ", SAVER_WIN + ",0"))
        self.assertRegex(reg_query(UNINSTALL_KEY, "DisplayVersion")[1], r"^\d+\.\d+\.\d+$")
        self.assertEqual(reg_query(UNINSTALL_KEY, "Publisher"), ("REG_SZ", "QUENDRA"))
        self.assertIsNotNone(reg_query(UNINSTALL_KEY, "DisplayName"))
        self.assertEqual(reg_query(DESKTOP_KEY, "SCRNSAVE.EXE"), ("REG_SZ", SAVER_WIN))
        self.assertEqual(reg_query(DESKTOP_KEY, "ScreenSaveActive"), ("REG_SZ", "1"))

        self.run_installed_saver_full_screen()
        # The installed saver's dialog (this prefix's account is an administrator) saves
        # in the user's profile, never beside itself.
        own = s.users_own_settings(INSTALLED_SAVER)
        shutil.rmtree(os.path.dirname(own), True)
        self.addCleanup(shutil.rmtree, os.path.dirname(own), True)
        self.configure_installed_saver("jp", fire_style=2)
        self.assertFalse(os.path.exists(INSTALLED_SETTINGS), "the dialog saved into the system folder")
        with open(own, "rb") as f:
            self.assertIn(b"SelectFireEffect 2\r\n", f.read())
        kept = sha(own)

        # A user's own settings are that user's data: no uninstaller touches them.
        self.assertTrue(uninstall_silently(), "the uninstaller left its folder")
        self.assert_uninstalled()
        self.assertEqual(sha(own), kept, "the uninstaller touched a user's own settings")
        self.assertEqual(reg_query(DESKTOP_KEY, "SCRNSAVE.EXE"), ("REG_SZ", PREVIOUS_SAVER))
        self.assertEqual(reg_query(DESKTOP_KEY, "ScreenSaveActive"), ("REG_SZ", "0"))

    def test_no_screen_saver_before_is_given_back(self):
        # A new Windows has no screen saver chosen: the uninstall must leave none chosen.
        reg_set(DESKTOP_KEY, "SCRNSAVE.EXE", None)
        reg_set(DESKTOP_KEY, "ScreenSaveActive", None)
        self.assertEqual(install("/LANG=1"), 0)
        self.assertEqual(reg_query(DESKTOP_KEY, "SCRNSAVE.EXE"), ("REG_SZ", SAVER_WIN))
        self.assertTrue(uninstall_silently(), "the uninstaller left its folder")
        self.assertIsNone(reg_query(DESKTOP_KEY, "SCRNSAVE.EXE"), "the removed saver is still the chosen one")
        self.assertIsNone(reg_query(DESKTOP_KEY, "ScreenSaveActive"))

    def test_reinstall_and_upgrade_keep_the_settings_file(self):
        s.write_settings(s.standard_settings(fire_style=1, show_images=0, pictures=["C:\\pics\\a.png"]),
                         saver=INSTALLED_SAVER)
        os.chmod(INSTALLED_SETTINGS, EARLIER_GRANT_MODE)
        kept = sha(INSTALLED_SETTINGS)
        self.assertEqual(install("/LANG=de"), 0)
        self.assert_installed(cur_lang=2)
        self.assertEqual(sha(INSTALLED_SETTINGS), kept)
        self.assert_grants_users_nothing(INSTALLED_SETTINGS)

        # The earlier file is each user's starting point until the user saves.
        own = s.users_own_settings(INSTALLED_SAVER)
        shutil.rmtree(os.path.dirname(own), True)
        self.addCleanup(shutil.rmtree, os.path.dirname(own), True)
        self.configure_installed_saver("de", fire_style=2, pictures=["C:\\pics\\a.png"])
        with open(own, "rb") as f:
            saved = f.read()
        self.assertIn(b"C:\\pics\\a.png\r\n", saved)
        self.assertIn(b"SelectFireEffect 2\r\n", saved)
        self.assertEqual(sha(INSTALLED_SETTINGS), kept, "the earlier file was changed")

        # An upgrade over the installed one: new language, same settings, and the
        # screen saver to give back is still the one from before the first install.
        self.assertEqual(install("/LANG=3"), 0)
        self.assert_installed(cur_lang=3)
        self.assertEqual(sha(INSTALLED_SETTINGS), kept)
        self.assertTrue(uninstall_silently())
        self.assertEqual(reg_query(DESKTOP_KEY, "SCRNSAVE.EXE"), ("REG_SZ", PREVIOUS_SAVER))
        self.assertEqual(sha(INSTALLED_SETTINGS), kept)

    @unittest.skipUnless(WIN64, "only 64-bit Windows has a SysWOW64")
    def test_upgrade_from_syswow64_moves_the_settings_and_removes_the_old_copy(self):
        old_settings = os.path.join(OLD_DIR, "Varnelle.scr.settings")
        # What an earlier setup left (the file is not run, so any saver build stands for it).
        shutil.copy(os.path.join(s.BIN, "Varnelle.scr"), os.path.join(OLD_DIR, "Varnelle.scr"))
        shutil.copy(os.path.join(s.BIN, "VantorelResource.dat"), os.path.join(OLD_DIR, "VantorelResource.dat"))
        s.write_settings(s.standard_settings(fire_style=2, show_images=0, pictures=["C:\\pics\\b.png"]),
                         saver=os.path.join(OLD_DIR, "Varnelle.scr"))
        os.chmod(old_settings, EARLIER_GRANT_MODE)
        kept = sha(old_settings)
        reg_set(DESKTOP_KEY, "SCRNSAVE.EXE", ("REG_SZ", OLD_SAVER_WIN))

        self.assertEqual(install("/LANG=en", "/KEEPSAVER"), 0)
        self.assert_installed(cur_lang=0)
        self.assertEqual(sha(INSTALLED_SETTINGS), kept, "the user's settings did not move to the new place")
        self.assert_grants_users_nothing(INSTALLED_SETTINGS)
        for name in ("Varnelle.scr", "VantorelResource.dat", "Varnelle.scr.settings"):
            self.assertFalse(os.path.exists(os.path.join(OLD_DIR, name)), "old %s stayed in SysWOW64" % name)
        # The choice of screen saver named the old copy: it names the new one, even with /KEEPSAVER.
        self.assertEqual(reg_query(DESKTOP_KEY, "SCRNSAVE.EXE"), ("REG_SZ", SAVER_WIN))
        self.assertTrue(uninstall_silently())
        self.assertEqual(sha(INSTALLED_SETTINGS), kept)

    def test_keep_saver_option_and_the_language_of_an_upgrade(self):
        self.assertEqual(install("/LANG=it", "/KEEPSAVER"), 0)
        self.assertEqual(reg_query(DESKTOP_KEY, "SCRNSAVE.EXE"), ("REG_SZ", PREVIOUS_SAVER))
        # Without /LANG an upgrade keeps the language chosen before.
        self.assertEqual(install("/KEEPSAVER"), 0)
        self.assert_installed(cur_lang=5)
        # A screen saver chosen after the install is not the uninstaller's to change.
        reg_set(DESKTOP_KEY, "SCRNSAVE.EXE", ("REG_SZ", "C:\\windows\\system32\\Chosen.scr"))
        self.assertTrue(uninstall_silently())
        self.assertEqual(reg_query(DESKTOP_KEY, "SCRNSAVE.EXE"), ("REG_SZ", "C:\\windows\\system32\\Chosen.scr"))

    def test_bad_language_and_a_second_setup_are_refused(self):
        for bad in ("/LANG=7", "/LANG=xx", "/LANG="):
            with self.subTest(arg=bad):
                self.assertEqual(install(bad), 2)
                self.assertFalse(os.path.exists(INSTALLED_SAVER))
                self.assertIsNone(reg_query(LANG_KEY, "CurLang"))

        first = s.wine(SETUP, stdout=subprocess.DEVNULL)  # waits on its language page
        try:
            page = find_dialog("Installer Language")
            self.assertIsNotNone(page, "no language page")
            self.assertEqual(install("/LANG=en"), 3)
            self.assertFalse(os.path.exists(INSTALLED_SAVER))
            harness("command", page, str(CANCEL_BUTTON))
            self.assertTrue(s.wait_exit(first, 15), "cancel on the language page did not end the setup")
        finally:
            s.kill(first)
        self.assertFalse(os.path.exists(INSTALLED_SAVER))


class WizardPages(InstallerTest):
    def walk_install(self, language_name, tag, setup_title, open_settings=False):
        """Runs the wizard through every page, with screenshots; returns when it has ended
        (having asked the finish page to open the settings, when told)."""
        p = s.wine(SETUP, stdout=subprocess.DEVNULL)
        try:
            page = find_dialog("Installer Language")
            self.assertIsNotNone(page, "no language page")
            items = {v: k.rsplit(".", 1)[1] for k, v in harness("controls", page).items()
                     if k.startswith("ctl.1002.item.")}
            self.assertEqual(sorted(items), sorted(["English", "Русский", "Deutsch", "Français", "Español",
                                                    "Italiano", "日本語"]))
            harness("select", page, "1002", items[language_name])
            time.sleep(0.3)
            s.screenshot("installer_%s_0_language" % tag)
            harness("command", page, str(NEXT_BUTTON))
            wizard = find_dialog(setup_title)
            self.assertIsNotNone(wizard, "no wizard titled %r" % setup_title)
            for step in ("1_welcome", "2_components"):
                time.sleep(0.8)
                s.screenshot("installer_%s_%s" % (tag, step))
                harness("command", wizard, str(NEXT_BUTTON))
            self.assertTrue(wait_until(lambda: self.showing(wizard, FINISH_CHECKBOX), 30), "no finish page")
            time.sleep(0.5)
            s.screenshot("installer_%s_3_finish" % tag)
            if open_settings:
                # A click on the box, as a user gives it (the box lies in the page, a child dialog).
                left, top, right, bottom = map(int, harness("controls", wizard)["ctl.%d.rect" % FINISH_CHECKBOX].split(","))
                s.xdotool("mousemove", str(left + 6), str((top + bottom) // 2), "click", "1")
                self.assertTrue(wait_until(lambda: harness("controls", wizard).get("ctl.%d.check" % FINISH_CHECKBOX)
                                           == "1", 5), "the finish page's box did not take the click")
            harness("command", wizard, str(NEXT_BUTTON))
            self.assertTrue(s.wait_exit(p, 20), "Finish did not end the setup")
        finally:
            s.kill(p)

    def test_english_and_japanese_wizards(self):
        own = s.users_own_settings(INSTALLED_SAVER)
        shutil.rmtree(os.path.dirname(own), True)
        self.addCleanup(shutil.rmtree, os.path.dirname(own), True)
        shell = DesktopShell()
        self.addCleanup(shell.end)
        self.walk_install("English", "en", "Varnelle Setup", open_settings=True)
        self.assert_installed(cur_lang=0)
        # The choice was made in the desktop user's hive (Wine's only user: the same as HKCU).
        self.assertEqual(reg_query(UNINSTALL_KEY, "ScreenSaverUser"), ("REG_SZ", shell.sid))
        self.assertEqual(reg_query(UNINSTALL_KEY, "DisplayName"), ("REG_SZ", "Varnelle Screen Saver"))
        self.assertEqual(reg_query(DESKTOP_KEY, "SCRNSAVE.EXE"), ("REG_SZ", SAVER_WIN))
        # The finish page's "open the settings" opened the installed saver's dialog, which
        # saves in the user's profile.
        self.configure_installed_saver("en", fire_style=1, started=True, pictures=[])
        with open(own, "rb") as f:
            self.assertIn(b"SelectFireEffect 1\r\n", f.read())
        self.assertFalse(os.path.exists(INSTALLED_SETTINGS))

        # A settings file an earlier version left beside the saver, which the
        # uninstaller offers to delete.
        with open(INSTALLED_SETTINGS, "wb") as f:
            f.write(DEFAULT_SETTINGS)

        # Over the English install, in Japanese; then the uninstaller, which asks
        # about the settings file and deletes it when told yes.
        self.walk_install("日本語", "ja", "Varnelle セットアップ")
        self.assert_installed(cur_lang=6)
        p = s.wine(UNINSTALLER, stdout=subprocess.DEVNULL)
        try:
            wizard = find_dialog("-")
            self.assertIsNotNone(wizard, "no uninstaller window")
            time.sleep(0.8)
            s.screenshot("installer_ja_4_uninstall")
            self.assertIn(setup_text("UninstallTop", "JAPANESE"), harness("controls", wizard).values(),
                          "the uninstaller does not say that users' own settings stay")
            harness("command", wizard, str(NEXT_BUTTON))
            question = None
            end = time.time() + 20
            while question is None and time.time() < end:
                for hwnd in self.top_dialogs():
                    if harness("controls", hwnd).get("ctl.%d.class" % YES_BUTTON) == "Button":
                        question = hwnd
                time.sleep(0.2)
            self.assertIsNotNone(question, "the uninstaller did not ask about the settings file")
            s.screenshot("installer_ja_5_settings_question")
            harness("command", question, str(YES_BUTTON))
            self.assertTrue(wait_until(lambda: not os.path.exists(INSTALLED_SETTINGS), 15),
                            "yes did not delete the settings file")
            self.assertTrue(wait_until(lambda: not os.path.exists(UNINSTALL_DIR), 15))
            time.sleep(0.5)
            harness("command", wizard, str(NEXT_BUTTON))  # Close
            self.assertTrue(wait_until(lambda: not self.top_dialogs(), 15), "the uninstaller stayed open")
        finally:
            s.kill(p)
        self.assert_uninstalled()
        self.assertEqual(reg_query(DESKTOP_KEY, "SCRNSAVE.EXE"), ("REG_SZ", PREVIOUS_SAVER))

    @staticmethod
    def showing(wizard, control):
        return harness("controls", wizard).get("ctl.%d.visible" % control) == "1"

    @staticmethod
    def top_dialogs():
        _, out = s.run_wine(s.HARNESS, "windows", timeout=30)
        return [line.split()[0].split("=")[1] for line in out.replace("\r", "").splitlines()
                if line.startswith("window=") and "class=#32770" in line]


if __name__ == "__main__":
    unittest.main()
