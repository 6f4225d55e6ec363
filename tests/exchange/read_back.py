#!/usr/bin/python3
"""Reads a vCard or iCalendar file the way other programs do, with Python's vobject and
icalendar packages, and prints what they found, one property per line: the name, a tab, and
the values as JSON strings separated by tabs. A line "card" or "event" begins each item.
The tests compare these lines with what they wrote."""
import json
import sys

import icalendar
import vobject


def out(*fields):
    print("\t".join([fields[0]] + [json.dumps(str(f), ensure_ascii=False) for f in fields[1:]]))


def types(line):
    return ",".join(t.lower() for t in line.params.get("TYPE", []))


def read_vcards(text):
    for card in vobject.readComponents(text):
        out("card")
        for line in card.getChildren():
            name = line.name
            if name in ("VERSION", "FN", "GENDER", "X-GENDER", "TITLE", "NOTE"):
                out(name, line.value)
            elif name == "N":
                n = line.value
                out(name, n.family, n.given, n.additional, n.prefix, n.suffix)
            elif name in ("EMAIL", "TEL", "URL"):
                out(name, types(line), line.value)
            elif name == "ADR":
                a = line.value
                out(name, types(line), a.street, a.city, a.region, a.code, a.country)
            elif name == "ORG":
                out(name, *line.value)
            elif name == "CATEGORIES":
                out(name, *line.value)


def read_calendar(data):
    calendar = icalendar.Calendar.from_ical(data)
    for event in calendar.walk("VEVENT"):
        out("event")
        out("SUMMARY", event.get("SUMMARY", ""))
        if "DESCRIPTION" in event:
            out("DESCRIPTION", event.get("DESCRIPTION"))
        if "DTSTART" in event:
            start = event.decoded("DTSTART")
            out("DTSTART", start.isoformat(), "floating" if start.tzinfo is None else "zoned")
        if "RRULE" in event:
            out("RRULE", event["RRULE"].to_ical().decode())
        categories = event.get("CATEGORIES")
        if categories is not None:
            for c in categories if isinstance(categories, list) else [categories]:
                out("CATEGORIES", *[str(v) for v in c.cats])
        attendees = event.get("ATTENDEE", [])
        for a in attendees if isinstance(attendees, list) else [attendees]:
            out("ATTENDEE", str(a), a.params.get("CN", ""))
        for alarm in event.walk("VALARM"):
            to = alarm.get("ATTENDEE", [])
            to = to if isinstance(to, list) else [to]
            out("VALARM", alarm.get("ACTION"), int(alarm.decoded("TRIGGER").total_seconds()),
                *[str(a) for a in to])


def main():
    path = sys.argv[1]
    if path.endswith(".ics"):
        with open(path, "rb") as f:
            read_calendar(f.read())
    else:
        with open(path, encoding="utf-8", newline="") as f:
            read_vcards(f.read())


main()
