"""Reads delivered mail back with Python's own mail parser and compares it with what was composed.

Usage: check_delivered.py EXPECTED.json MESSAGE...

EXPECTED.json lists the composed messages, each with its Message-ID, subject, sender, To and Cc
lists (pairs of display name and address), the texts of its text parts in order, and its
attachments (file name and content as hexadecimal digits), and optionally "authenticated_sender":
the login that the server's Received line must name, and "received_over_tls": true when that line
must say that the message came over TLS. Every MESSAGE is one delivered message
as the server stored it. Each is parsed with the email package's default policy and must match the
composed message of its Message-ID exactly, without any defect the parser noticed. Prints one
line per difference and exits with 1 when there is any, else prints how many messages matched.
"""

import email
import email.policy
import json
import sys


def addresses(message, field):
    header = message[field]
    if header is None:
        return []
    return [[address.display_name, address.addr_spec] for address in header.addresses]


def defects(message):
    found = []
    for part in message.walk():
        found += [type(defect).__name__ for defect in part.defects]
        for name, value in part.items():
            found += ["%s: %s" % (name, type(defect).__name__)
                      for defect in getattr(value, "defects", ())]
    return found


def leaf_texts_and_attachments(message):
    texts = []
    attachments = []
    for part in message.walk():
        if part.is_multipart():
            continue
        if part.get_content_disposition() == "attachment":
            attachments.append([part.get_filename(), part.get_payload(decode=True).hex()])
        else:
            texts.append(part.get_content().replace("\r\n", "\n"))
    return texts, attachments


def differences(message, expected):
    found = []

    def compare(what, got, wanted):
        if got != wanted:
            found.append("%s: got %r, composed %r" % (what, got, wanted))

    compare("Subject", str(message["Subject"]), expected["subject"])
    compare("From", addresses(message, "From"), [expected["from"]])
    compare("To", addresses(message, "To"), expected["to"])
    compare("Cc", addresses(message, "Cc"), expected["cc"])
    compare("Bcc", message["Bcc"], None)
    compare("Date present", message["Date"] is not None and message["Date"].datetime is not None,
            True)
    compare("MIME", message.is_multipart(), expected["multipart"])
    texts, attachments = leaf_texts_and_attachments(message)
    compare("texts", texts, expected["texts"])
    compare("attachments", attachments, expected["attachments"])
    compare("defects", defects(message), [])
    if "authenticated_sender" in expected:
        mark = "(Authenticated sender: %s)" % expected["authenticated_sender"]
        compare("login named by the server",
                any(mark in str(line) for line in message.get_all("Received", [])), True)
    if expected.get("received_over_tls"):
        compare("TLS named by the server",
                any("(using TLSv1." in str(line) for line in message.get_all("Received", [])),
                True)
    return found


def main():
    with open(sys.argv[1], encoding="utf-8") as source:
        composed = {entry["message_id"]: entry for entry in json.load(source)}
    problems = []
    for path in sys.argv[2:]:
        with open(path, "rb") as source:
            message = email.message_from_bytes(source.read(), policy=email.policy.default)
        message_id = str(message["Message-ID"]).strip()
        expected = composed.get(message_id)
        if expected is None:
            problems.append("%s: no composed message has Message-ID %s" % (path, message_id))
            continue
        problems += ["%s (%s): %s" % (path, expected["label"], difference)
                     for difference in differences(message, expected)]
    for problem in problems:
        print(problem)
    if problems:
        return 1
    print("%d messages match what was composed" % (len(sys.argv) - 2))
    return 0


if __name__ == "__main__":
    sys.exit(main())
