"""A mail server on loopback for the tests: it takes messages and leaves each
in the folder given as N.eml (as received), N-K.bin (attachment K, decoded)
and N.json (envelope, headers and attachment names), the JSON written last.
It prints its port on the first line of its output once it listens.

Usage: smtp_sink.py FOLDER accept|refuse|starttls CERT KEY
  refuse:   every recipient is turned away with 550.
  starttls: the server offers STARTTLS and takes nothing before it.
"""
import asyncio
import json
import os
import ssl
import sys
from email import policy
from email.parser import BytesParser

from aiosmtpd.smtp import SMTP


class Handler:
    def __init__(self, folder, refuse):
        self.folder = folder
        self.refuse = refuse
        self.count = 0

    async def handle_RCPT(self, server, session, envelope, address, rcpt_options):
        if self.refuse:
            return "550 5.7.1 Relaying denied"
        envelope.rcpt_tos.append(address)
        return "250 OK"

    async def handle_DATA(self, server, session, envelope):
        self.count += 1
        n = self.count
        raw = envelope.original_content
        with open(os.path.join(self.folder, "%d.eml" % n), "wb") as f:
            f.write(raw)
        message = BytesParser(policy=policy.default).parsebytes(raw)
        attachments = []
        for k, part in enumerate(message.iter_attachments(), start=1):
            name = "%d-%d.bin" % (n, k)
            with open(os.path.join(self.folder, name), "wb") as f:
                f.write(part.get_payload(decode=True))
            attachments.append({"filename": part.get_filename() or "",
                                "type": part.get_content_type(), "file": name})
        body = message.get_body(preferencelist=("plain", "html"))
        record = {
            "mail_from": envelope.mail_from,
            "rcpt_tos": envelope.rcpt_tos,
            "from": str(message.get("From", "")),
            "to": str(message.get("To", "")),
            "cc": str(message.get("Cc", "")),
            "bcc": str(message.get("Bcc", "")),
            "subject": str(message.get("Subject", "")),
            "body": body.get_content() if body is not None else "",
            "tls": session.ssl is not None,
            "attachments": attachments,
        }
        path = os.path.join(self.folder, "%d.json" % n)
        with open(path + ".part", "w") as f:
            json.dump(record, f)
        os.rename(path + ".part", path)
        return "250 Message accepted"


def main():
    folder, mode = sys.argv[1], sys.argv[2]
    loop = asyncio.new_event_loop()
    asyncio.set_event_loop(loop)
    handler = Handler(folder, mode == "refuse")
    options = {}
    if mode == "starttls":
        context = ssl.create_default_context(ssl.Purpose.CLIENT_AUTH)
        context.load_cert_chain(sys.argv[3], sys.argv[4])
        options = {"tls_context": context, "require_starttls": True}
    server = loop.run_until_complete(
        loop.create_server(lambda: SMTP(handler, **options), host="127.0.0.1", port=0))
    print(server.sockets[0].getsockname()[1], flush=True)
    loop.run_forever()


main()
