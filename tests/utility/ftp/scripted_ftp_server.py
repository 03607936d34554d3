#!/usr/bin/python3
"""A small FTP server on 127.0.0.1 that answers as a test's JSON script tells it.

Usage: scripted_ftp_server.py PORT SCRIPT.json

The script's keys (all optional):
  listing      hex bytes sent for every LIST
  endless      "folders": LIST sends folder entries without end; "line": one line that never
               ends; either stops after `cap` bytes or when the client hangs up
  cap          bytes an endless listing sends at most (default 300 MB)
  files        {hex remote path as RETR names it: hex content}
  intruders    addresses that connect to the client's data port first, each sending
               "intruder", before the server's own data connection
  data_from    the address the server's own data connections come from (default 127.0.0.1)

Any user and password log in. Only active mode (EPRT, PORT) is offered. The server ends
itself after two minutes at most.
"""

import json
import signal
import socket
import sys
import threading
import time


def main():
    port = int(sys.argv[1])
    with open(sys.argv[2], encoding="utf-8") as f:
        script = json.load(f)
    signal.alarm(120)
    listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    listener.bind(("127.0.0.1", port))
    listener.listen(8)
    while True:
        conn, _ = listener.accept()
        threading.Thread(target=Session(conn, script).run, daemon=True).start()


class Session:
    def __init__(self, conn, script):
        self.conn = conn
        self.script = script
        self.files = {bytes.fromhex(k): bytes.fromhex(v)
                      for k, v in script.get("files", {}).items()}
        self.data_address = None

    def reply(self, text):
        self.conn.sendall(text.encode("latin-1") + b"\r\n")

    def run(self):
        self.conn.settimeout(60)
        try:
            self.reply("220 scripted server")
            buffer = b""
            while True:
                chunk = self.conn.recv(4096)
                if not chunk:
                    return
                buffer += chunk
                while b"\r\n" in buffer:
                    line, buffer = buffer.split(b"\r\n", 1)
                    if not self.command(line):
                        return
        except OSError:
            pass
        finally:
            self.conn.close()

    def command(self, line):
        verb, _, arg = line.partition(b" ")
        verb = verb.upper()
        if verb == b"USER":
            self.reply("331 password please")
        elif verb == b"PASS":
            self.reply("230 logged in")
        elif verb == b"PWD":
            self.reply('257 "/" is the current folder')
        elif verb in (b"TYPE", b"CWD"):
            self.reply("200 ok")
        elif verb == b"EPRT":
            parts = arg.decode("latin-1").split(arg.decode("latin-1")[0])
            self.data_address = (parts[2], int(parts[3]))
            self.reply("200 EPRT ok")
        elif verb == b"PORT":
            n = arg.decode("latin-1").split(",")
            self.data_address = (".".join(n[:4]), int(n[4]) * 256 + int(n[5]))
            self.reply("200 PORT ok")
        elif verb == b"SIZE":
            if arg in self.files:
                self.reply("213 %d" % len(self.files[arg]))
            else:
                self.reply("550 no such file")
        elif verb == b"RETR":
            if arg in self.files:
                self.send_data(lambda sock: sock.sendall(self.files[arg]))
            else:
                self.reply("550 no such file")
        elif verb == b"LIST":
            self.send_data(self.send_listing)
        elif verb == b"QUIT":
            self.reply("221 bye")
            return False
        else:
            self.reply("500 not understood")
        return True

    def connect_back(self, source):
        sock = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
        sock.settimeout(10)
        sock.bind((source, 0))
        sock.connect(self.data_address)
        return sock

    def send_data(self, send):
        if self.data_address is None:
            self.reply("425 use EPRT or PORT first")
            return
        self.reply("150 opening data connection")
        for intruder in self.script.get("intruders", []):
            try:
                sock = self.connect_back(intruder)
                sock.sendall(b"intruder")
                sock.close()
            except OSError:
                pass
        if self.script.get("intruders"):
            time.sleep(0.5)
        try:
            sock = self.connect_back(self.script.get("data_from", "127.0.0.1"))
            send(sock)
            sock.close()
        except OSError:
            self.reply("426 data connection failed")
            return
        finally:
            self.data_address = None
        self.reply("226 done")

    def send_listing(self, sock):
        endless = self.script.get("endless")
        if not endless:
            sock.sendall(bytes.fromhex(self.script.get("listing", "")))
            return
        cap = self.script.get("cap", 300 * 1000 * 1000)
        if endless == "line":
            sock.sendall(b"-rw-r--r-- 1 u g 1 Jan 01 00:00 ")
            block = b"x" * 65536
        else:
            block = b"".join(b"drwxr-xr-x 2 u g 4096 Jan 01 00:00 folder.%06d\r\n" % i
                             for i in range(1000))
        sent = 0
        while sent < cap:
            sock.sendall(block)
            sent += len(block)


if __name__ == "__main__":
    main()
