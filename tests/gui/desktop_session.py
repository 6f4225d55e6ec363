"""The organizer as a user at a desktop meets it: the real program on an X server of its own with a
window manager, a D-Bus session with the accessibility bus, a fresh database through the real
SQLite ODBC driver, the keyboard through xdotool, and what a screen reader reads through at-spi.

Every process started here is stopped by its id when the session ends. Waits are for conditions,
with generous bounds, so that a loaded machine only makes them slower.
"""

import os
import shutil
import signal
import sqlite3
import subprocess
import tempfile
import time

WAIT_SECONDS = 90


def wait_until(condition, what, seconds=WAIT_SECONDS):
    """Polls `condition` until it returns something true, which is returned."""
    deadline = time.monotonic() + seconds
    while True:
        result = condition()
        if result:
            return result
        if time.monotonic() > deadline:
            raise AssertionError("waited %d s in vain for %s" % (seconds, what))
        time.sleep(0.1)


class DesktopSession:
    """Xvfb, openbox, a D-Bus session and the organizer on a fresh database."""

    def __init__(self):
        self.program = os.environ["CALVENDRA_PROGRAM"]
        self.source = os.environ["CALVENDRA_SOURCE"]
        self.work = tempfile.mkdtemp(prefix="calvendra-desktop.")
        self.processes = []
        self.app = None
        self.database = os.path.join(self.work, "Calvendra.db")
        # The user's state (snoozed reminders, where the scan ended) is this session's own.
        self.state = os.path.join(self.work, "state")
        try:
            self._start()
        except BaseException:
            self.close()
            raise

    # --- setting up and ending -------------------------------------------------------------

    def _spawn(self, args, env=None, **kwargs):
        process = subprocess.Popen(args, env=env, start_new_session=True, **kwargs)
        self.processes.append(process)
        return process

    def _start(self):
        with open(os.path.join(self.work, "odbcinst.ini"), "w") as f:
            f.write("[Calvendra SQLite3]\nDriver=libsqlite3odbc.so\n")
        with open(os.path.join(self.work, "odbc.ini"), "w") as f:
            f.write("[Calvendra]\nDriver=Calvendra SQLite3\nDatabase=%s\nStepAPI=0\nNoCreat=1\n"
                    % self.database)
        open(os.path.join(self.work, "user-odbc.ini"), "w").close()
        os.makedirs(os.path.join(self.work, "config"))
        with open(os.path.join(self.source, "data", "schema.sql")) as f:
            schema = f.read()
        with sqlite3.connect(self.database) as db:
            db.executescript(schema)

        # The X server says its display number once it listens.
        read_end, write_end = os.pipe()
        self._spawn(["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1280x1024x24",
                     "-nolisten", "tcp"], pass_fds=(write_end,), stderr=subprocess.DEVNULL)
        os.close(write_end)
        with os.fdopen(read_end) as display:
            number = display.readline().strip()
        if not number:
            raise AssertionError("Xvfb did not start")
        self.env = dict(os.environ)
        for name in ("NO_AT_BRIDGE", "GTK_MODULES", "WAYLAND_DISPLAY", "AT_SPI_BUS_ADDRESS"):
            self.env.pop(name, None)
        self.env.update(DISPLAY=":" + number, GDK_BACKEND="x11", LANG="C.UTF-8",
                        LC_ALL="C.UTF-8", LANGUAGE="", ODBCSYSINI=self.work,
                        ODBCINSTINI="odbcinst.ini",
                        ODBCINI=os.path.join(self.work, "user-odbc.ini"),
                        XDG_CONFIG_HOME=os.path.join(self.work, "config"),
                        XDG_STATE_HOME=self.state)

        # A session bus of this session's own; the accessibility bus is started on it on demand.
        bus = self._spawn(["dbus-daemon", "--session", "--nofork", "--print-address=1"],
                          env=self.env, stdout=subprocess.PIPE, text=True)
        address = bus.stdout.readline().strip()
        if not address:
            raise AssertionError("dbus-daemon did not start")
        self.env["DBUS_SESSION_BUS_ADDRESS"] = address
        # pyatspi finds the buses through these when it is first imported.
        os.environ["DBUS_SESSION_BUS_ADDRESS"] = address
        os.environ["DISPLAY"] = self.env["DISPLAY"]

        self._spawn(["openbox", "--sm-disable"], env=self.env, stdout=subprocess.DEVNULL,
                    stderr=subprocess.DEVNULL)
        wait_until(lambda: "_NET_SUPPORTING_WM_CHECK(WINDOW)" in self._run(
            ["xprop", "-root", "_NET_SUPPORTING_WM_CHECK"]), "the window manager")

    def start_program(self):
        self.app = self._spawn([self.program], env=self.env, stdout=subprocess.DEVNULL)
        wait_until(lambda: self.active_window_name().endswith("Calvendra"),
                   "the organizer's window to be active")

    def close(self):
        for process in reversed(self.processes):
            if process.poll() is None:
                try:
                    # The whole group: the bus's own helpers (the accessibility bus) go with it.
                    os.killpg(process.pid, signal.SIGTERM)
                except ProcessLookupError:
                    pass
        for process in reversed(self.processes):
            try:
                process.wait(timeout=30)
            except subprocess.TimeoutExpired:
                os.killpg(process.pid, signal.SIGKILL)
                process.wait()
        shutil.rmtree(self.work, ignore_errors=True)

    # --- X and the keyboard ------------------------------------------------------------------

    def _run(self, args):
        result = subprocess.run(args, env=self.env, capture_output=True, text=True)
        return result.stdout.strip() if result.returncode == 0 else ""

    def active_window_name(self):
        return self._run(["xdotool", "getactivewindow", "getwindowname"])

    def activate_window(self, name, seconds=WAIT_SECONDS):
        """Waits for a window of this name, then makes it the active one, as a click on it
        would."""
        window = wait_until(lambda: self._run(["xdotool", "search", "--name", "^%s$" % name]),
                            'the window "%s"' % name, seconds)
        self._run(["xdotool", "windowactivate", window.split()[0]])
        self.wait_for_window(name)

    def write_state(self, name, text):
        """Writes a file of the user's state, where the organizer keeps it between runs."""
        folder = os.path.join(self.state, "calvendra")
        os.makedirs(folder, exist_ok=True)
        with open(os.path.join(folder, name), "w") as f:
            f.write(text)

    def read_state(self, name):
        try:
            with open(os.path.join(self.state, "calvendra", name)) as f:
                return f.read()
        except FileNotFoundError:
            return ""

    def showing(self, role):
        """The accessibles of this role that the organizer shows now, in any of its windows
        (a popup menu is a window of its own)."""
        import pyatspi
        app = self.application()
        if app is None:
            return []
        found = []
        for index in range(app.childCount):
            window = app.getChildAtIndex(index)
            if window is None or not window.getState().contains(pyatspi.STATE_SHOWING):
                continue
            found.extend(a for a in self.walk(window) if a.getRoleName() == role)
        return found

    def wait_for_window(self, name):
        wait_until(lambda: self.active_window_name() == name,
                   'the window "%s" to be active (now "%s")' % (name, self.active_window_name()))

    def keys(self, *keys):
        """Presses the keys (xdotool's names: ctrl+shift+n, Return, Tab) on the active window."""
        subprocess.run(["xdotool", "key", "--delay", "60"] + list(keys), env=self.env, check=True)

    def type(self, text):
        subprocess.run(["xdotool", "type", "--delay", "40", text], env=self.env, check=True)

    # --- the database ------------------------------------------------------------------------

    def execute(self, sql, parameters=()):
        with sqlite3.connect(self.database, timeout=30) as db:
            db.execute(sql, parameters)

    def query(self, sql):
        with sqlite3.connect(self.database, timeout=30) as db:
            return db.execute(sql).fetchall()

    def wait_for_rows(self, sql, rows, what):
        wait_until(lambda: self.query(sql) == rows, "%s (%r, now %r)" % (what, rows,
                                                                         self.query(sql)))

    # --- what a screen reader reads ----------------------------------------------------------

    def application(self):
        import pyatspi
        desktop = pyatspi.Registry.getDesktop(0)
        for index in range(desktop.childCount):
            app = desktop.getChildAtIndex(index)
            if app is not None and app.name == "calvendra":
                return app
        return None

    def active_frame(self):
        """The accessible of the organizer's active window (frame or dialog)."""
        import pyatspi
        app = wait_until(self.application, "the organizer on the accessibility bus")

        def active():
            for index in range(app.childCount):
                window = app.getChildAtIndex(index)
                if window is not None and window.getState().contains(pyatspi.STATE_ACTIVE):
                    return window
            return None
        return wait_until(active, "an active window of the organizer")

    @staticmethod
    def walk(accessible):
        """The accessible and everything below it that is showing."""
        import pyatspi
        yield accessible
        for index in range(accessible.childCount):
            child = accessible.getChildAtIndex(index)
            if child is not None and child.getState().contains(pyatspi.STATE_SHOWING):
                yield from DesktopSession.walk(child)

    def focused(self):
        """The accessible that has the keyboard focus in the active window, or None."""
        import pyatspi
        for accessible in self.walk(self.active_frame()):
            if accessible.getState().contains(pyatspi.STATE_FOCUSED):
                return accessible
        return None
