"""A template exchange for tests: XML-RPC at /RPC2 and files under /files/.

Usage: exchange_server.py STATE_JSON CALL_LOG FILES_DIR
Each call reads STATE_JSON afresh: {"minimal": [...], "full": [...],
"changed": bool, "fault": [method names that answer a fault]}.
Every call is appended to CALL_LOG as one JSON line [method, params].
Prints the port once listening, on 127.0.0.1 only.
"""
import json
import os
import sys
import xmlrpc.client
from http.server import SimpleHTTPRequestHandler
from xmlrpc.server import SimpleXMLRPCRequestHandler, SimpleXMLRPCServer

state_path, log_path, files_dir = sys.argv[1:4]


def state():
    with open(state_path) as f:
        return json.load(f)


def log(method, params):
    with open(log_path, "a") as f:
        f.write(json.dumps([method, params], default=str) + "\n")


class Handler(SimpleXMLRPCRequestHandler):
    rpc_paths = ("/RPC2",)

    def do_GET(self):
        name = self.path[len("/files/"):] if self.path.startswith("/files/") else None
        path = os.path.join(files_dir, name) if name else None
        if not path or not os.path.isfile(path):
            self.send_error(404)
            return
        with open(path, "rb") as f:
            body = f.read()
        self.send_response(200)
        self.send_header("Content-Type", "application/gzip")
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def log_message(self, *args):
        pass


def answer(method, params):
    log(method, params)
    s = state()
    if method in s.get("fault", []):
        raise xmlrpc.client.Fault(7, "exchange closed")
    if method == "Template_AnyChanges_Since":
        return bool(s.get("changed", False))
    if method in ("Template_List", "Template_List_All"):
        return s.get("minimal", [])
    if method in ("Template_List_With_Info", "Template_List_All_With_Info"):
        wanted = params[0]
        return [r for r in s.get("full", []) if r.get("template_document_id") in wanted]
    if method == "echo":
        return list(params)
    if method == "kinds":
        return [7, True, "txt <&>", 2.5, xmlrpc.client.DateTime("20240203T04:05:06"),
                xmlrpc.client.Binary(b"\x00\x01bin"), {"a": [1, {"b": None}]}, [], None]
    raise xmlrpc.client.Fault(1, "no method " + method)


server = SimpleXMLRPCServer(("127.0.0.1", 0), requestHandler=Handler, allow_none=True,
                            logRequests=False)
server.register_instance(type("Dispatch", (), {"_dispatch": staticmethod(answer)})())
print(server.server_address[1], flush=True)
server.serve_forever()
