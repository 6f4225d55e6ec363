"""A real SMTP server for the interoperability test: aiosmtpd on 127.0.0.1 at the given port.

Every message it accepts is written to the given folder as message-<n>.txt: the envelope sender on
the first line, the envelope recipients separated by spaces on the second, an empty line, and then
the message exactly as received (after the server has undone the dot-stuffing). Each HELO or EHLO
adds a line to sessions.log in the same folder. A recipient whose local part is "unknown" is refused
with 550, as a server refuses a mailbox it does not have.

A third argument names a JSON file of options:

- "user", "password" and "login_prompts": the server asks for a login, with aiosmtpd's own LOGIN and
  PLAIN (RFC 4616) and a CRAM-MD5 (RFC 2195) of this script, which compares the digest as text, case
  included. "login_prompts" is null for aiosmtpd's own LOGIN prompts, or the two prompts to send
  instead. Mail is then accepted only after a login, and every login attempt adds
  "MECHANISM user accepted|refused" to auth.log. Without TLS the logins go in clear; with STARTTLS
  they are offered only after it.
- "tls" ("starttls" or "implicit"), "certificate" and "key" (PEM files): the server offers STARTTLS
  and takes no mail before it, or speaks TLS from the first byte (port 465 style).

Usage: smtp_sink.py PORT FOLDER [OPTIONS.json]. Runs until it is terminated.
"""

import hmac
import json
import logging
import os
import signal
import ssl
import sys
import time
import warnings

from aiosmtpd.controller import Controller
from aiosmtpd.smtp import MISSING, SMTP, AuthResult


class WriteToFolder:
    def __init__(self, folder):
        self.folder = folder
        self.count = 0

    def note(self, name, line):
        with open(os.path.join(self.folder, name), "a") as log:
            log.write(line + "\n")

    def note_session(self, greeting):
        self.note("sessions.log", greeting)

    async def handle_HELO(self, server, session, envelope, hostname):
        self.note_session("HELO " + hostname)
        session.host_name = hostname
        return "250 {}".format(server.hostname)

    async def handle_EHLO(self, server, session, envelope, hostname, responses):
        self.note_session("EHLO " + hostname)
        session.host_name = hostname
        return responses

    async def handle_RCPT(self, server, session, envelope, address, rcpt_options):
        # A mailbox the server does not have, for the tests of a refusal: local part "unknown".
        if address.partition("@")[0] == "unknown":
            return "550 5.1.1 No such mailbox here"
        envelope.rcpt_tos.append(address)
        return "250 OK"

    async def handle_DATA(self, server, session, envelope):
        self.count += 1
        path = os.path.join(self.folder, "message-%d.txt" % self.count)
        with open(path + ".partial", "wb") as out:
            out.write(envelope.mail_from.encode() + b"\r\n")
            out.write(" ".join(envelope.rcpt_tos).encode() + b"\r\n\r\n")
            out.write(envelope.original_content)
        os.replace(path + ".partial", path)
        return "250 Message accepted for delivery"


class WithLogin(WriteToFolder):
    """Checks every login against the one account; offers CRAM-MD5 besides aiosmtpd's own."""

    def __init__(self, folder, account):
        super().__init__(folder)
        self.user = account["user"].encode()
        self.password = account["password"].encode()

    def verdict(self, mechanism, user, accepted):
        self.note("auth.log", "%s %s %s" % (mechanism, user.decode(errors="replace"),
                                            "accepted" if accepted else "refused"))
        # Not handled: aiosmtpd answers 235 or 535 itself.
        return AuthResult(success=accepted, handled=False, auth_data=user)

    def authenticator(self, server, session, envelope, mechanism, login):
        accepted = login.login == self.user and login.password == self.password
        return self.verdict(mechanism, login.login, accepted)

    async def auth_CRAM__MD5(self, server, args):
        challenge = "<%d.%d@calvendra.test>" % (os.getpid(), time.time_ns())
        response = await server.challenge_auth(challenge)
        if response is MISSING:
            return AuthResult(success=False, handled=True)
        user, _, digest = response.partition(b" ")
        expected = hmac.new(self.password, challenge.encode(), "md5").hexdigest().encode()
        return self.verdict("CRAM-MD5", user,
                            user == self.user and hmac.compare_digest(digest, expected))


def main():
    port = int(sys.argv[1])
    folder = sys.argv[2]
    options = {}
    if len(sys.argv) > 3:
        with open(sys.argv[3]) as source:
            options = json.load(source)
    kwargs = {}
    tls = options.get("tls")
    if tls:
        context = ssl.create_default_context(ssl.Purpose.CLIENT_AUTH)
        context.load_cert_chain(options["certificate"], options["key"])
        if tls == "starttls":
            kwargs.update(tls_context=context, require_starttls=True)
        else:
            kwargs["ssl_context"] = context
        # A handshake the client refuses is what some tests want: no traceback for it.
        logging.getLogger("mail.log").setLevel(logging.CRITICAL)
        logging.getLogger("asyncio").setLevel(logging.CRITICAL)
    if "user" in options:
        # aiosmtpd counts only STARTTLS as encryption; implicit TLS is encrypted all the same, and
        # without TLS logins in clear are what the test wants, on the loopback address only.
        require_tls = tls == "starttls"
        warnings.filterwarnings("ignore", message="Requiring AUTH while not requiring TLS")
        if not tls:
            logging.getLogger("mail.log").setLevel(logging.ERROR)
        handler = WithLogin(folder, options)
        prompts = options.get("login_prompts")

        class Server(SMTP):
            if prompts:
                AuthLoginUsernameChallenge, AuthLoginPasswordChallenge = prompts

        class LoginController(Controller):
            def factory(self):
                return Server(self.handler, **self.SMTP_kwargs)

        controller = LoginController(handler, hostname="127.0.0.1", port=port,
                                     authenticator=handler.authenticator, auth_required=True,
                                     auth_require_tls=require_tls, **kwargs)
    else:
        controller = Controller(WriteToFolder(folder), hostname="127.0.0.1", port=port, **kwargs)
    controller.start()
    signal.signal(signal.SIGTERM, lambda *_: (controller.stop(), sys.exit(0)))
    while True:
        signal.pause()


if __name__ == "__main__":
    main()
