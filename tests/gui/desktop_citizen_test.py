"""The organizer by keyboard alone and as a screen reader reads it: the README's first five minutes
typed with xdotool's keys only, the keyboard focus after every question and editor, the reminder
note's buttons by Tab and by their mnemonics, and the name and role of every control of the main
window, the editors and the Missed Reminders window, read through at-spi.

Run by CTest with CALVENDRA_PROGRAM (the organizer) and CALVENDRA_SOURCE (the source tree) set.
"""

import sys
import time
import unittest

from desktop_session import DesktopSession, wait_until

MAIN_WINDOW = "Untitled - Calvendra"
# The organizer looks for due reminders once a minute, the first time a minute after its start.
FIRST_LOOK_SECONDS = 240


def add_schedule(session, schedule_id, subject, text, due=None):
    """A schedule in the base group; with `due` (seconds since 1970), a special day's reminder
    in that minute of local time."""
    if due is None:
        session.execute("insert into assist_scheduleinfo values(?,'2000000001',?,?,0,1,'0','','',0)",
                        (str(schedule_id), subject, text))
        return
    local = time.localtime(due)
    session.execute("insert into assist_scheduleinfo values(?,'2000000001',?,?,1,1,'0',?,?,0)",
                    (str(schedule_id), subject, text,
                     "%d-%d-%d" % (local.tm_year, local.tm_mon, local.tm_mday),
                     "%02d:%02d:00" % (local.tm_hour, local.tm_min)))


class OrganizerTestCase(unittest.TestCase):
    def setUp(self):
        self.session = DesktopSession()
        self.addCleanup(self.session.close)
        self.prepare(self.session)
        self.session.start_program()
        self.main_window = self.session.active_window_name()

    def prepare(self, session):
        """What the database and the user's state hold before the organizer starts."""

    def focused_name(self):
        focused = self.session.focused()
        return (focused.name, focused.getRoleName()) if focused is not None else None

    def delete_answered_no_then_yes(self, name, role):
        """Presses Delete twice on the focused control, answering the question No with Escape and
        Yes with Enter; after each answer the focus must be back on that control."""
        s = self.session
        for answer in ("Escape", "Return"):
            s.keys("Delete")
            s.wait_for_window("Tips")
            s.keys(answer)
            s.wait_for_window(self.main_window)
            self.wait_for_focus(name, role)

    def wait_for_focus(self, name, role=None):
        """Waits until the control of this accessible name (and role) has the keyboard focus."""
        def there():
            now = self.focused_name()
            return now is not None and now[0] == name and (role is None or now[1] == role)
        wait_until(there, 'the focus on "%s" (now on %r)' % (name, self.focused_name()))

    def tab_to(self, name, role=None, most=30):
        """Tab until the control of this name has the focus, as a user looks for it."""
        for _ in range(most):
            now = self.focused_name()
            if now is not None and now[0] == name and (role is None or now[1] == role):
                return
            self.session.keys("Tab")
            # The focus moves once the key is handled: wait for it to leave where it was.
            wait_until(lambda: self.focused_name() != now, "the focus to move from %r" % (now,))
        self.fail('"%s" is not reached with Tab' % name)


class DesktopCitizenKeyboard(OrganizerTestCase):
    """The README's first five minutes with the keyboard only."""

    def test_a_group_a_contact_and_a_schedule_with_an_attendant_by_keys_only(self):
        s = self.session
        # 1. A contact group: Ctrl+Shift+N, its name, Enter.
        s.keys("ctrl+shift+n")
        s.wait_for_window("New Group Dialog")
        s.type("Friends")
        s.keys("Return")
        s.wait_for_rows("select group_id, group_name, parent_id from assist_group "
                        "where group_name='Friends'",
                        [("1000000002", "Friends", "1000000001")], "the new group")
        s.wait_for_window(self.main_window)
        self.wait_for_focus("Groups", "tree")

        # 2. The group chosen in the tree with the arrows, then a contact: Ctrl+N.
        s.keys("Home", "KP_Add", "Down")
        s.keys("ctrl+n")
        s.wait_for_window("New Contact Dialog")
        s.type("Maria")
        s.keys("Tab")
        s.type("Rossi")
        self.tab_to("Email")
        s.type("maria.rossi@example.org")
        s.keys("Return")
        s.wait_for_window("Tips")
        # The question, answered with Enter.
        s.keys("Return")
        s.wait_for_rows("select first_name, last_name, home_email, group_id "
                        "from assist_contactmaininfo",
                        [("Maria", "Rossi", "maria.rossi@example.org", "1000000002")],
                        "the new contact")
        s.wait_for_window(self.main_window)

        # 3. A schedule: Ctrl+T, subject and text, then Remind Setting by Tab and Space.
        s.keys("ctrl+t")
        s.wait_for_window("New Schedule")
        s.type("Call Maria")
        s.keys("Tab")
        s.type("About the trip")
        self.tab_to("Remind Setting", "push button")
        s.keys("space")
        s.wait_for_window("Remind Setting")
        self.tab_to("Remind", "check box")
        s.keys("space")
        self.tab_to("Attendant", "table")
        # The list has the focus on its first row: Space ticks it.
        s.keys("space")
        s.keys("Return")
        s.wait_for_window("New Schedule")
        # The focus is back on "Remind Setting", where Enter would open it again: to OK.
        self.wait_for_focus("Remind Setting", "push button")
        self.tab_to("OK", "push button")
        s.keys("Return")
        s.wait_for_window("Tips")
        s.keys("Return")
        s.wait_for_rows("select schedule_subject, schedule_text, remind from assist_scheduleinfo",
                        [("Call Maria", "About the trip", 1)], "the new schedule")
        s.wait_for_rows("select contact_id from schedule_contact",
                        [("1000000001",)], "Maria as the schedule's attendant")
        s.wait_for_window(self.main_window)


class DesktopCitizenFocus(OrganizerTestCase):
    """After a question or an editor, the next key goes where the one before it went."""

    def test_the_focus_returns_to_the_control_that_had_it(self):
        s = self.session
        s.keys("ctrl+shift+n")
        s.wait_for_window("New Group Dialog")
        s.type("Work")
        s.keys("Return")
        s.wait_for_window(self.main_window)
        self.wait_for_focus("Groups", "tree")

        # A question on the tree: Delete, answered No with Escape and Yes with Enter.
        s.keys("Home", "KP_Add", "Down")
        self.delete_answered_no_then_yes("Groups", "tree")
        s.wait_for_rows("select count(*) from assist_group where group_name='Work'", [(0,)],
                        "the group deleted")

        # An editor cancelled from the list, then a question there.
        s.keys("Home")
        s.keys("ctrl+n")
        s.wait_for_window("New Contact Dialog")
        s.type("Ada")
        s.keys("Return")
        s.wait_for_window("Tips")
        s.keys("Return")
        s.wait_for_rows("select first_name from assist_contactmaininfo", [("Ada",)],
                        "the contact")
        s.wait_for_window(self.main_window)
        self.tab_to("Items", "table")
        s.keys("Home")
        self.delete_answered_no_then_yes("Items", "table")
        s.wait_for_rows("select count(*) from assist_contactmaininfo", [(0,)],
                        "the contact deleted")

        # An editor opened with a shortcut and cancelled with Escape.
        s.keys("ctrl+t")
        s.wait_for_window("New Schedule")
        s.keys("Escape")
        s.wait_for_window(self.main_window)
        self.wait_for_focus("Items", "table")


# Roles that say nothing of what a control is.
VAGUE_ROLES = {"unknown", "filler", "panel", "redundant object", "invalid"}
# Roles of what a user works with (besides anything that takes the focus).
CONTROL_ROLES = {"push button", "toggle button", "check box", "radio button", "text", "entry",
                 "password text", "combo box", "spin button", "table", "tree", "tree table",
                 "list", "list box", "page tab", "slider", "menu item", "check menu item",
                 "date editor"}


class DesktopCitizenReminderNote(OrganizerTestCase):
    """The reminder note by keyboard: Tab reaches its buttons, and their mnemonics press them."""

    SNOOZE_SECONDS = {"5 Minutes": 300, "10 Minutes": 600, "15 Minutes": 900,
                      "30 Minutes": 1800, "1 Hour": 3600}

    def prepare(self, session):
        add_schedule(session, 2000000002, "Call Maria", "About the trip")
        # A reminder snoozed in an earlier run, whose time has come: the first look shows it.
        now = int(time.time())
        session.write_state("snoozed-reminders",
                            "calvendra snoozed reminders 1\n%d\t%d\t2000000002\t2000000001\t"
                            "Call Maria\tAbout the trip\n" % (now - 60, now - 600))

    def test_tab_reaches_the_buttons_and_their_mnemonics_press_them(self):
        s = self.session
        s.activate_window("Call Maria", FIRST_LOOK_SECONDS)
        self.tab_to("Snooze", "push button")
        self.tab_to("Open", "push button")

        # Alt+O: the schedule's editor.
        s.keys("alt+o")
        s.wait_for_window("New Schedule")
        s.keys("Escape")
        s.activate_window("Call Maria")

        # Alt+S: the snooze menu; the choice taken with the arrows and Enter.
        s.keys("alt+s")
        wait_until(lambda: any(item.name == "5 Minutes" for item in s.showing("menu item")),
                   "the snooze menu")
        s.keys("Down")
        import pyatspi
        chosen = wait_until(
            lambda: next((item.name for item in s.showing("menu item")
                          if item.getState().contains(pyatspi.STATE_SELECTED) or
                          item.getState().contains(pyatspi.STATE_FOCUSED)), None),
            "a snooze choice selected")
        self.assertIn(chosen, self.SNOOZE_SECONDS)
        before = int(time.time())
        s.keys("Return")
        # The note goes, and comes back after the chosen time.
        line = wait_until(lambda: next((line for line in s.read_state("snoozed-reminders")
                                        .splitlines() if "\t2000000002\t" in line), None),
                          "the reminder snoozed")
        after = int(time.time())
        wake = int(line.split("\t")[0])
        self.assertGreaterEqual(wake, before + self.SNOOZE_SECONDS[chosen])
        self.assertLessEqual(wake, after + self.SNOOZE_SECONDS[chosen])
        wait_until(lambda: not s._run(["xdotool", "search", "--name", "^Call Maria$"]),
                   "the note to close")


class NamedControls:
    """Finds the controls of the active window that a screen reader cannot name."""

    def controls_without_name(self):
        import pyatspi
        missing = []
        for accessible in self.session.walk(self.session.active_frame()):
            state = accessible.getState()
            role = accessible.getRoleName()
            control = role in CONTROL_ROLES or state.contains(pyatspi.STATE_FOCUSABLE)
            if not control or not state.contains(pyatspi.STATE_VISIBLE):
                continue
            if role in VAGUE_ROLES or not accessible.name:
                parent = accessible.parent
                missing.append("%s %r in %s %r" % (role, accessible.name, parent.getRoleName(),
                                                   parent.name))
        return missing

    def expect_named(self, window):
        missing = self.controls_without_name()
        self.assertEqual(missing, [], "controls without a name or role in " + window)


class DesktopCitizenAccessibility(NamedControls, OrganizerTestCase):
    """Every control of the main window and of the editors has a name and a role."""

    def test_the_main_window_and_every_editor_name_their_controls(self):
        s = self.session
        self.expect_named("the main window")
        opened = [("ctrl+shift+n", "New Group Dialog"), ("ctrl+n", "New Contact Dialog"),
                  ("ctrl+t", "New Schedule")]
        for shortcut, title in opened:
            s.keys(shortcut)
            s.wait_for_window(title)
            self.expect_named(title)
            if title == "New Schedule":
                self.tab_to("Remind Setting", "push button")
                s.keys("space")
                s.wait_for_window("Remind Setting")
                self.expect_named("Remind Setting")
                s.keys("Escape")
                s.wait_for_window(title)
            if title == "New Group Dialog":
                self.tab_to("Select", "push button")
                s.keys("space")
                wait_until(lambda: s.active_window_name() not in (title, self.main_window),
                           "the picker")
                self.expect_named("the picker")
                s.keys("Escape")
                s.wait_for_window(title)
            s.keys("Escape")
            s.wait_for_window(self.main_window)
        # The menu's windows: Setting, Email Setting and Mail Queue, and Help, About.
        for keys, title in ((("alt+e", "e"), "Email Setting"), (("alt+e", "m"), None),
                            (("alt+h", "a"), None)):
            s.keys(*keys)
            wait_until(lambda: s.active_window_name() != self.main_window, "the dialog")
            self.expect_named(title or s.active_window_name())
            s.keys("Escape")
            s.wait_for_window(self.main_window)


class DesktopCitizenMissedReminders(NamedControls, OrganizerTestCase):
    """The Missed Reminders window says which schedule each row's Open button opens."""

    def prepare(self, session):
        now = int(time.time())
        due = now - 10 * 60
        add_schedule(session, 2000000002, "Dentist", "Bring the card", due)
        add_schedule(session, 2000000003, "Call Maria", "About the trip", due)
        # The last run's scan ended half an hour ago: the start looks back to there.
        session.write_state("last-scanned-minute", "%d\n" % (now - 30 * 60 - now % 60))

    def test_each_open_button_names_its_schedule(self):
        s = self.session
        s.activate_window("Missed Reminders", FIRST_LOOK_SECONDS)
        self.expect_named("Missed Reminders")
        buttons = sorted(a.name for a in s.walk(s.active_frame())
                         if a.getRoleName() == "push button")
        self.assertEqual(buttons, ['Dismiss All', 'Open "Call Maria"', 'Open "Dentist"'])
        # The name is what the button does: Tab to one and press it.
        self.tab_to('Open "Dentist"', "push button")
        s.keys("space")
        s.wait_for_window("New Schedule")


if __name__ == "__main__":
    unittest.main(argv=sys.argv)
