"""The organizer by keyboard alone and as a screen reader reads it: the README's first five minutes
typed with xdotool's keys only, the keyboard focus after every question and editor, and the name
and role of every control of the main window and the editors, read through at-spi.

Run by CTest with CALVENDRA_PROGRAM (the organizer) and CALVENDRA_SOURCE (the source tree) set.
"""

import sys
import unittest

from desktop_session import DesktopSession, wait_until

MAIN_WINDOW = "Untitled - Calvendra"


class OrganizerTestCase(unittest.TestCase):
    def setUp(self):
        self.session = DesktopSession()
        self.addCleanup(self.session.close)
        self.session.start_program()
        self.main_window = self.session.active_window_name()

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


class DesktopCitizenAccessibility(OrganizerTestCase):
    """Every control of the main window and of the editors has a name and a role."""

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


if __name__ == "__main__":
    unittest.main(argv=sys.argv)
