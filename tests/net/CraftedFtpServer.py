# An FTP server on loopback that answers the client with crafted control lines, chosen by the
# user name of the login. Usage: CraftedFtpServer.py PORT
#   USER zero     -> "0 type"            USER bigcode -> "2300 ok"
#   USER text     -> "hello there"       USER six     -> "600 nope"
#   USER multi    -> a three-line reply with a text line inside, then a normal login
#   USER closer   -> "230 in", then the server closes the control connection
import socketserver
import sys

REPLIES = {
    "zero": [b"0 type"],
    "bigcode": [b"2300 ok"],
    "text": [b"hello there"],
    "six": [b"600 nope"],
    "multi": [b"331-first line", b"a text line inside the reply", b"331 password please"],
}


class Handler(socketserver.StreamRequestHandler):
    def say(self, *lines):
        for line in lines:
            self.wfile.write(line + b"\r\n")

    def handle(self):
        self.say(b"220 crafted")
        for _ in range(50):  # a session of the tests never needs more commands
            line = self.rfile.readline(4096)
            if not line:
                return
            cmd = line.strip().decode("latin-1")
            verb, _, arg = cmd.partition(" ")
            verb = verb.upper()
            if verb == "USER":
                if arg == "closer":
                    self.say(b"230 in")
                    return
                self.say(*REPLIES.get(arg, [b"331 password please"]))
            elif verb == "PASS":
                self.say(b"230 in")
            elif verb == "QUIT":
                self.say(b"221 bye")
                return
            else:
                self.say(b"502 not here")


class Server(socketserver.ThreadingMixIn, socketserver.TCPServer):
    daemon_threads = True
    allow_reuse_address = True

    def handle_error(self, request, client_address):
        pass


Server(("127.0.0.1", int(sys.argv[1])), Handler).serve_forever()
