"""A real SMTP server for the interoperability test: aiosmtpd on 127.0.0.1 at the given port.

Every message it accepts is written to the given folder as message-<n>.txt: the envelope sender on
the first line, the envelope recipients separated by spaces on the second, an empty line, and then
the message exactly as received (after the server has undone the dot-stuffing). Each HELO or EHLO
adds a line to sessions.log in the same folder.

Usage: smtp_sink.py PORT FOLDER. Runs until it is terminated.
"""

import os
import signal
import sys

from aiosmtpd.controller import Controller


class WriteToFolder:
    def __init__(self, folder):
        self.folder = folder
        self.count = 0

    def note_session(self, greeting):
        with open(os.path.join(self.folder, "sessions.log"), "a") as log:
            log.write(greeting + "\n")

    async def handle_HELO(self, server, session, envelope, hostname):
        self.note_session("HELO " + hostname)
        session.host_name = hostname
        return "250 {}".format(server.hostname)

    async def handle_EHLO(self, server, session, envelope, hostname, responses):
        self.note_session("EHLO " + hostname)
        session.host_name = hostname
        return responses

    async def handle_DATA(self, server, session, envelope):
        self.count += 1
        path = os.path.join(self.folder, "message-%d.txt" % self.count)
        with open(path + ".partial", "wb") as out:
            out.write(envelope.mail_from.encode() + b"\r\n")
            out.write(" ".join(envelope.rcpt_tos).encode() + b"\r\n\r\n")
            out.write(envelope.original_content)
        os.replace(path + ".partial", path)
        return "250 Message accepted for delivery"


def main():
    port = int(sys.argv[1])
    folder = sys.argv[2]
    controller = Controller(WriteToFolder(folder), hostname="127.0.0.1", port=port)
    controller.start()
    signal.signal(signal.SIGTERM, lambda *_: (controller.stop(), sys.exit(0)))
    while True:
        signal.pause()


if __name__ == "__main__":
    main()
