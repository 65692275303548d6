"""A small FTP server on 127.0.0.1 for the upload tests.

Prints "PORT <n>" once it listens on a free port, then serves until killed.
  --home DIR --user U --password P   the account and its folder
  --tls CERT KEY                     explicit FTPS, required on both channels
  --drop TEXT                        close the connection on STOR of a name holding TEXT
  --throttle N                       read uploads at N bytes a second
"""
import argparse
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

    if a.tls:
        Handler.certfile = a.tls[0]
        Handler.keyfile = a.tls[1]
        Handler.tls_control_required = True
        Handler.tls_data_required = True
    if a.throttle:
        class Slow(ThrottledDTPHandler):
            read_limit = a.throttle
        Handler.dtp_handler = Slow

    auth = DummyAuthorizer()
    auth.add_user(a.user, a.password, a.home, perm="elradfmwMT")
    Handler.authorizer = auth
    Handler.banner = "test server ready"
    server = FTPServer(("127.0.0.1", 0), Handler)
    print("PORT %d" % server.socket.getsockname()[1], flush=True)
    sys.stdout.close()
    server.serve_forever()


if __name__ == "__main__":
    main()
