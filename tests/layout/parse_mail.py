"""Prints what Python's email package reads from a message file, as JSON.

The body is given both as sent (decoded, still flowed) and with format=flowed
undone: stuffing removed and soft-broken lines joined.
"""
import json
import sys
from email import policy
from email.parser import BytesParser


def unflow(text):
    lines = text.split("\n")
    if lines and lines[-1] == "":
        lines.pop()
    out, current = [], None
    for line in lines:
        if line.startswith(" "):
            line = line[1:]
        soft = line.endswith(" ") and line != "-- "
        current = line if current is None else current + line
        if not soft:
            out.append(current)
            current = None
    if current is not None:
        out.append(current)
    return "\n".join(out)


with open(sys.argv[1], "rb") as f:
    raw = f.read()
message = BytesParser(policy=policy.default).parse(__import__("io").BytesIO(raw))
body = message.get_content()
result = {
    "from_name": message["From"].addresses[0].display_name if message["From"] else None,
    "from_address": message["From"].addresses[0].addr_spec if message["From"] else None,
    "to": [a.addr_spec for a in message["To"].addresses],
    "subject": str(message["Subject"]),
    "date": str(message["Date"]),
    "date_valid": message["Date"].datetime is not None,
    "message_id": str(message["Message-ID"]),
    "mime_version": str(message["MIME-Version"]),
    "content_type": message.get_content_type(),
    "charset": message.get_content_charset(),
    "format": message.get_param("format"),
    "transfer_encoding": str(message["Content-Transfer-Encoding"]),
    "header_names": list(message.keys()),
    "body": body,
    "unflowed": unflow(body),
    "longest_raw_line": max(len(l) for l in raw.split(b"\r\n")),
    "defects": [str(d) for d in message.defects],
}
print(json.dumps(result))
