#!/usr/bin/python3
"""Serves Tessary's site (build/web) on 127.0.0.1 only, with the headers a host should send:
the Content-Security-Policy of the page (which a worker takes from its own response, not from
the page's meta tag), nosniff, and revalidation so that a new version is found at once.

Usage: web/serve.py [--port N] [--directory build/web]
The tests import SiteServer from here and read `requests` to see what the browser asked for."""

import argparse
import functools
import http.server
import threading

CSP = ("default-src 'self'; script-src 'self' 'wasm-unsafe-eval'; connect-src 'self'; "
       "img-src 'self' blob: data:; object-src 'none'; base-uri 'none'; form-action 'none'")


class Handler(http.server.SimpleHTTPRequestHandler):
    extensions_map = dict(http.server.SimpleHTTPRequestHandler.extensions_map, **{
        '.wasm': 'application/wasm',
        '.webmanifest': 'application/manifest+json',
        '.js': 'text/javascript',
        '.mdl': 'text/plain',
    })

    def end_headers(self):
        self.send_header('Content-Security-Policy', CSP)
        self.send_header('X-Content-Type-Options', 'nosniff')
        self.send_header('Cache-Control', 'no-cache')
        super().end_headers()

    def log_message(self, format, *args):
        self.server.requests.append(self.path)
        if self.server.verbose:
            super().log_message(format, *args)


class SiteServer:
    """The site on 127.0.0.1 in a background thread; `url`, `requests`, `stop()`."""

    def __init__(self, directory, port=0, verbose=False):
        handler = functools.partial(Handler, directory=directory)
        self.httpd = http.server.ThreadingHTTPServer(('127.0.0.1', port), handler)
        self.httpd.requests = []
        self.httpd.verbose = verbose
        self.url = 'http://127.0.0.1:%d/' % self.httpd.server_address[1]
        self.thread = threading.Thread(target=self.httpd.serve_forever, daemon=True)
        self.thread.start()

    @property
    def requests(self):
        return self.httpd.requests

    def stop(self):
        self.httpd.shutdown()
        self.httpd.server_close()


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument('--port', type=int, default=8080)
    parser.add_argument('--directory', default='build/web')
    options = parser.parse_args()
    server = SiteServer(options.directory, options.port, verbose=True)
    print('Tessary is at %s (Ctrl-C stops it)' % server.url, flush=True)
    try:
        server.thread.join()
    except KeyboardInterrupt:
        server.stop()


if __name__ == '__main__':
    main()
