"""What a screen reader gets from the real program: its windows read through AT-SPI, on an
accessibility bus of the test's own session bus, with Qt's accessibility on; and a check's result,
which is announced as it arrives."""

import os
import subprocess
import sys
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "fixtures"))
sys.dont_write_bytecode = True
import dovecot  # noqa: E402
import pyatspi  # noqa: E402
from gi.repository import Atspi, GLib  # noqa: E402
from xsession import MENU, ProgramOnX11, open_menus, visible_windows, wait_for  # noqa: E402

PROGRAM, OUTPUT = sys.argv[1], sys.argv[2]
CONTROL_ROLES = {pyatspi.ROLE_TEXT: "text", pyatspi.ROLE_PASSWORD_TEXT: "password",
                 pyatspi.ROLE_CHECK_BOX: "check box", pyatspi.ROLE_PUSH_BUTTON: "button"}
HEADING = "　　　　　　新　着　情　報"


def pumped(condition):
    """condition, asked once the events that reached this process are with their listeners."""
    def check():
        context = GLib.MainContext.default()
        while context.iteration(False):
            pass
        return condition()
    return check


def text_of(accessible):
    return Atspi.Text.get_text(accessible, 0, -1)


def controls(root):
    """(role, name) of the visible controls under root that the keyboard reaches, in tree order,
    with the text of each box."""
    def control(a):
        return a.getRole() in CONTROL_ROLES and a.getState().contains(pyatspi.STATE_VISIBLE)
    found = pyatspi.findAllDescendants(root, control)
    return [(CONTROL_ROLES[a.getRole()], a.name) +
            ((text_of(a),) if a.getRole() == pyatspi.ROLE_TEXT else ()) for a in found]


class AccessibilityOnX11(ProgramOnX11):
    PROGRAM = PROGRAM

    @classmethod
    def setUpClass(cls):
        # The bus that screen readers and programs meet on, found through the session bus; it
        # starts the registry itself.
        bus = subprocess.Popen(["/usr/libexec/at-spi-bus-launcher", "--launch-immediately"])
        cls.addClassCleanup(bus.wait)
        cls.addClassCleanup(bus.terminate)
        server = dovecot.serving()
        cls.dovecot = server.__enter__()
        cls.addClassCleanup(server.__exit__, None, None, None)
        cls.announced = []
        pyatspi.Registry.registerEventListener(cls.heard, "object:state-changed:showing")
        cls.addClassCleanup(pyatspi.Registry.deregisterEventListener, cls.heard,
                            "object:state-changed:showing")

    @classmethod
    def heard(cls, event):
        """What a screen reader says of a notification that shows: its name and description."""
        if event.detail1 and event.source.getRole() == pyatspi.ROLE_NOTIFICATION:
            event.source.clearCache()  # the description changes with each announcement
            cls.announced.append((event.source.name, event.source.description))

    def setUp(self):
        if self._testMethodName == "test_first_run_dialogs":
            self.SETTINGS, self.DATA = None, {}  # a first run opens the server and account dialogs
        else:
            self.SETTINGS = f"SMTP=\r\nPOP3=pop3://127.0.0.1:{self.dovecot['pop3']}\r\n".encode()
            self.DATA = {"iniIdPass.ini": b"[EXEINI]\r\nNAME=small\r\nNAME2=secret\r\n"}
        type(self).announced.clear()
        super().setUp()
        self.application = wait_for(pumped(self.find_application), 20,
                                    "the program on the accessibility bus")

    def program_environment(self):
        return dict(self.env, QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1")

    def find_application(self):
        for app in pyatspi.Registry.getDesktop(0):
            try:
                if app.get_process_id() == self.program.pid:
                    return app
            except GLib.Error:  # the program of an earlier test, gone
                pass
        return None

    def on_bus(self, title):
        """The program's window of that title, once it is shown."""
        shown = lambda w: w.name == title and w.getState().contains(pyatspi.STATE_VISIBLE)
        return wait_for(pumped(lambda: next((w for w in self.application if shown(w)), None)),
                        20, f'the window "{title}" on the bus')

    def click(self, accessible):
        """A click in the middle of what the accessible says is its place on the screen."""
        place = Atspi.Component.get_extents(accessible, Atspi.CoordType.SCREEN)
        self.xdotool("mousemove", str(place.x + place.width // 2),
                     str(place.y + place.height // 2), "click", "1")

    def choose_from(self, menu, item):
        """Chooses item from the menu with the mouse, where AT-SPI places it: once a client has
        read the menu bar, as this test and screen readers do, the first Alt+F opens nothing."""
        self.click(menu)
        wait_for(lambda: open_menus(self.env, self.program.pid), 10, "the menu to open")
        self.click(next(a for a in menu[0] if a.name == item))

    def test_main_window_and_the_result(self):
        main = self.on_bus("ぽまりん")
        file_menu = pyatspi.findDescendant(main, lambda a: a.getRole() == pyatspi.ROLE_MENU_ITEM
                                           and a.name == "ファイル(F)")
        items = pyatspi.findAllDescendants(file_menu,
                                           lambda a: a.getRole() == pyatspi.ROLE_MENU_ITEM)
        self.assertEqual(tuple(item.name for item in items), MENU)
        self.assertEqual(controls(main), [("text", "新着情報", HEADING), ("text", "新着数", "1"),
                                          ("text", "新着情報", "新着メール有り"),
                                          ("button", "元のサイズ")])

        # The options dialog first: the courier that a check lets loose may stand on the menu.
        self.choose_from(file_menu, "設定")
        self.assertEqual(controls(self.on_bus("設定")), [
            ("button", "ID/PASS"), ("button", "POPサーバー"),
            ("check box", "新着がなければ接続を切断する。")])
        options = visible_windows(self.env, self.program.pid, "設定")
        subprocess.run(["wmctrl", "-i", "-c", hex(options[0])], env=self.env, check=True)
        wait_for(lambda: not visible_windows(self.env, self.program.pid, "設定"), 10,
                 "the options dialog to close")

        self.choose_from(file_menu, "新着メールチェック")
        said = ("新着情報", "新着メール有り。　新着数 3")
        wait_for(pumped(lambda: said in self.announced), 30, f"the announcement {said}")
        self.assertEqual(controls(main), [("text", "新着情報", HEADING), ("text", "新着数", "3"),
                                          ("text", "新着情報", "新着メール有り。"),
                                          ("button", "元のサイズ")])

    def test_first_run_dialogs(self):
        self.assertEqual(controls(self.on_bus("サーバー設定")), [
            ("text", "SMTPサーバー名", ""), ("text", "POP3サーバー名", ""),
            ("text", "メールアドレス", ""), ("check box", "APOP を使用する"), ("button", "設定"),
            ("button", "中止")])
        self.assertEqual(controls(self.on_bus("ID,PASS")), [
            ("text", "ID", ""), ("password", "Password"), ("button", "OK"), ("button", "Cancel"),
            ("check box", "IDパスワードを保存する")])


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1] + sys.argv[3:], verbosity=2)
