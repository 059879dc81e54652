#!/usr/bin/env python3
"""Points a built page at the rooms' broker.

    set_broker.py PAGE OUT BROKER_URL [TCP_ADDRESS]

Writes PAGE (the site's index.html) to OUT with the Content-Security-Policy's connect-src
allowing exactly BROKER_URL (a ws:// or wss:// URL) and the page's broker settings (the
dozero-broker and dozero-broker-tcp metas, which web/room.js reads) filled in. The page as
built allows no connection at all: whoever serves it with a broker writes it this way
(scripts/run-web, the room tests, a deployment).
"""
import re
import sys

URL = re.compile(r"wss?://(\[[0-9A-Fa-f:.]+\]|[A-Za-z0-9.-]+)(:[0-9]{1,5})?(/[A-Za-z0-9._~/-]*)?")
HOST_PORT = re.compile(r"(\[[0-9A-Fa-f:.]+\]|[A-Za-z0-9.-]+):[0-9]{1,5}")


def rewrite(html, url, tcp):
    if not URL.fullmatch(url):
        raise ValueError("not a ws:// or wss:// URL: %r" % url)
    if tcp and not HOST_PORT.fullmatch(tcp):
        raise ValueError("not host:port: %r" % tcp)
    steps = [
        ("connect-src 'none'", "connect-src " + url),
        ('<meta name="dozero-broker" content="">', '<meta name="dozero-broker" content="%s">' % url),
        ('<meta name="dozero-broker-tcp" content="">',
         '<meta name="dozero-broker-tcp" content="%s">' % tcp),
    ]
    for old, new in steps:
        if html.count(old) != 1:
            raise ValueError("the page has no single %r" % old)
        html = html.replace(old, new)
    return html


def main(page, out, url, tcp=""):
    with open(page, encoding="utf-8") as f:
        html = f.read()
    html = rewrite(html, url, tcp)
    with open(out, "w", encoding="utf-8") as f:
        f.write(html)


if __name__ == "__main__":
    try:
        main(*sys.argv[1:])
    except (TypeError, ValueError, OSError) as e:
        sys.exit("set_broker.py: %s" % e)
