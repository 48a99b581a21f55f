"""A recording SMTP server on 127.0.0.1 for the mail delivery tests.

Prints the port it listens on, then serves until its input closes. Every
message goes to <out>/<n>.eml; <out>/log.txt gets one line per event:
"AUTH <mechanism> <ok|fail> <tls|clear>", "RCPT <address>", "DATA".
"""
import argparse
import asyncio
import base64
import hmac
import os
import ssl
import sys

from aiosmtpd.smtp import SMTP, AuthResult, LoginPassword, MISSING


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--mode", choices=["starttls", "implicit", "plain"], required=True)
    parser.add_argument("--cert")
    parser.add_argument("--key")
    parser.add_argument("--user", default="")
    parser.add_argument("--password", default="")
    parser.add_argument("--mechanisms", default="PLAIN,LOGIN,CRAM-MD5")
    parser.add_argument("--reject", default="", help="an address refused at RCPT")
    parser.add_argument("--out", required=True)
    args = parser.parse_args()

    log_path = os.path.join(args.out, "log.txt")

    def log(line):
        with open(log_path, "a", encoding="utf-8") as f:
            f.write(line + "\n")

    def tls_of(server):
        return "tls" if server.transport.get_extra_info("sslcontext") or server._tls_protocol else "clear"

    def check(user, password):
        return user == args.user.encode() and password == args.password.encode()

    class Handler:
        count = 0

        async def handle_RCPT(self, server, session, envelope, address, options):
            log("RCPT " + address)
            if address == args.reject:
                return "550 no such user"
            envelope.rcpt_tos.append(address)
            return "250 OK"

        async def handle_DATA(self, server, session, envelope):
            Handler.count += 1
            log("DATA")
            with open(os.path.join(args.out, "%d.eml" % Handler.count), "wb") as f:
                f.write(envelope.original_content)
            return "250 OK"

        async def auth_CRAM__MD5(self, server, mech_args):
            challenge = b"<1896.697170952@lumisk.test>"
            response = await server.challenge_auth(challenge)
            if response is MISSING:
                return AuthResult(success=False, handled=False)
            user, _, digest = response.partition(b" ")
            expected = hmac.new(args.password.encode(), challenge, "md5").hexdigest().encode()
            ok = user == args.user.encode() and hmac.compare_digest(digest, expected)
            log("AUTH CRAM-MD5 %s %s" % ("ok" if ok else "fail", tls_of(server)))
            # Not handled: the server itself answers a failure with 535.
            return AuthResult(success=ok, handled=ok, auth_data=user)

    def authenticator(server, session, envelope, mechanism, auth_data):
        ok = isinstance(auth_data, LoginPassword) and check(auth_data.login, auth_data.password)
        log("AUTH %s %s %s" % (mechanism, "ok" if ok else "fail", tls_of(server)))
        return AuthResult(success=ok, handled=ok, auth_data=auth_data)

    context = None
    if args.mode != "plain":
        context = ssl.create_default_context(ssl.Purpose.CLIENT_AUTH)
        context.load_cert_chain(args.cert, args.key)

    handler = Handler()
    offered = set(args.mechanisms.split(","))
    exclude = [m for m in ("PLAIN", "LOGIN") if m not in offered]
    if "CRAM-MD5" not in offered:
        del Handler.auth_CRAM__MD5

    def factory():
        return SMTP(
            handler,
            hostname="lumisk.test",
            tls_context=context if args.mode == "starttls" else None,
            authenticator=authenticator,
            auth_required=bool(args.user),
            # A plain server offers AUTH all the same: the client must not use it.
            auth_require_tls=False,
            auth_exclude_mechanism=exclude,
        )

    async def serve():
        loop = asyncio.get_running_loop()
        server = await loop.create_server(
            factory, "127.0.0.1", 0, ssl=context if args.mode == "implicit" else None
        )
        print(server.sockets[0].getsockname()[1], flush=True)
        await loop.run_in_executor(None, sys.stdin.read)
        server.close()

    asyncio.run(serve())


if __name__ == "__main__":
    main()
