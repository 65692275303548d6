"""A small FTP server on 127.0.0.1 for the upload tests.

Prints "PORT <n>" once it listens on a free port, then serves until killed.
  --home DIR --user U --password P   the account and its folder
  --tls CERT KEY                     explicit FTPS, required on both channels
  --drop TEXT                        close the connection on STOR of a name holding TEXT
  --throttle N                       read uploads at N bytes a second
Failures of a real server, for uploads of names holding --fault-name (all
names when not given):
  --drop-after N      the connection breaks once N bytes have arrived
  --full-after N      "552" (disk full) at the transfer's end once N bytes
                      have arrived; the part written stays
  --stall-after N     nothing more is read once N bytes have arrived
  --no-rename         the account may not rename (RNFR gets 550)
  --no-rename-over    RNTO onto an existing file is refused (553)
"""
import argparse
import os
import sys

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler, ThrottledDTPHandler
from pyftpdlib.servers import FTPServer


def main():
    p = argparse.ArgumentParser()
    p.add_argument("--home", required=True)
    p.add_argument("--user", default="test")
    p.add_argument("--password", default="secret")
    p.add_argument("--tls", nargs=2)
    p.add_argument("--drop")
    p.add_argument("--throttle", type=int)
    p.add_argument("--fault-name", default="")
    p.add_argument("--drop-after", type=int)
    p.add_argument("--full-after", type=int)
    p.add_argument("--stall-after", type=int)
    p.add_argument("--no-rename", action="store_true")
    p.add_argument("--no-rename-over", action="store_true")
    a = p.parse_args()

    base = FTPHandler
    if a.tls:
        from pyftpdlib.handlers import SSLConnection, TLS_FTPHandler
        # pyftpdlib 1.5.7 stalls the data-channel handshake with curl 7.8x
        # (its issue 604); the upstream fix, applied here.
        SSLConnection.readable = lambda self: (
            self._ssl_accepting or self._ssl_want_read
            or super(SSLConnection, self).readable())
        base = TLS_FTPHandler

    drop = a.drop

    class Handler(base):
        def ftp_STOR(self, file, mode="w"):
            if drop and drop in file:
                self.close()
                return
            return super().ftp_STOR(file, mode)

        def ftp_RNTO(self, path):
            if a.no_rename_over and os.path.exists(path):
                self.respond("553 Will not rename onto an existing file.")
                self._rnfr = None
                return
            return super().ftp_RNTO(path)

    if a.tls:
        Handler.certfile = a.tls[0]
        Handler.keyfile = a.tls[1]
        Handler.tls_control_required = True
        Handler.tls_data_required = True
    if a.throttle:
        class Slow(ThrottledDTPHandler):
            read_limit = a.throttle
        Handler.dtp_handler = Slow

    faults = (a.drop_after, a.full_after, a.stall_after)
    if any(f is not None for f in faults):
        class Faulty(Handler.dtp_handler):
            def handle_read(self):
                super().handle_read()
                if (self._closed or not self.receive or self.file_obj is None
                        or a.fault_name not in os.path.basename(self.file_obj.name)):
                    return
                got = self.tot_bytes_received
                if a.drop_after is not None and got >= a.drop_after:
                    self.file_obj.flush()
                    self.cmd_channel.close()
                elif a.full_after is not None and got >= a.full_after:
                    # The rest is still read, and the end of the transfer
                    # is answered "552": a close here would race the
                    # client's writes, which then fail with a broken pipe
                    # before the reply is read.
                    self.disk_full = True
                elif (a.stall_after is not None and got >= a.stall_after
                      and not getattr(self, "stalled", False)):
                    self.stalled = True
                    self.file_obj.flush()
                    self.del_channel()

            # The loop calls this alias, not handle_read itself.
            handle_read_event = handle_read

            def handle_close(self):
                if getattr(self, "disk_full", False) and not self._closed:
                    self._resp = ("552 Requested file action aborted. "
                                  "Exceeded storage allocation.", lambda *x: None)
                    self.close()
                    return
                super().handle_close()
        Handler.dtp_handler = Faulty

    auth = DummyAuthorizer()
    perm = "elradmwMT" if a.no_rename else "elradfmwMT"
    auth.add_user(a.user, a.password, a.home, perm=perm)
    Handler.authorizer = auth
    Handler.banner = "test server ready"
    server = FTPServer(("127.0.0.1", 0), Handler)
    print("PORT %d" % server.socket.getsockname()[1], flush=True)
    sys.stdout.close()
    server.serve_forever()


if __name__ == "__main__":
    main()
