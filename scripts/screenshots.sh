#!/bin/sh
# Saves pictures of the desktop program's windows, without a desktop: the
# program runs under a virtual X server in both languages and both layouts
# (normal, and diagnostic via VEXALORN_DIAG=1), checks a page of a few dozen
# links served on 127.0.0.1 so that the progress window is caught while the
# links are walked, and grabs each window (also a question and the open
# dialog, in the language of the run) into a PNG file.
#   scripts/screenshots.sh OUTPUT_FOLDER
set -eu
cd "$(dirname "$0")/.."
out="${1:?usage: scripts/screenshots.sh OUTPUT_FOLDER}"
mkdir -p "$out"
out="$(cd "$out" && pwd)"
program="$(pwd)/build/vexalorn"
[ -x "$program" ] || { echo "screenshots: build/vexalorn is missing (run scripts/setup.sh)" >&2; exit 1; }

# Settings and results of these runs go to a scratch folder, not beside the
# program; pages are not handed to a browser.
home="$(mktemp -d)"
server_pid=""
cleanup() {
  [ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null || true
  rm -rf "$home"
}
trap cleanup EXIT INT TERM

# The page to check: 36 links on 127.0.0.1, two of them broken, each answered
# after a short delay so that the walk takes long enough to be seen. The
# server picks a free port, writes it down and stops by itself after a while.
python3 - "$home/port" >"$home/server-log.txt" 2>&1 <<'EOF' &
import http.server, sys, time

LINKS = 36

class Handler(http.server.BaseHTTPRequestHandler):
    def reply(self, body_wanted):
        if self.path in ("/", "/links.html"):
            items = "".join(
                '<li><a href="page-%02d.html">Page %d</a></li>\n' % (i, i) for i in range(LINKS))
            items += '<li><a href="gone-1.html">Gone</a></li>\n'
            items += '<li><a href="gone-2.html">Gone too</a></li>\n'
            body = ("<html><head><title>Link list</title></head><body>\n<h1>Link list</h1>\n"
                    "<ul>\n%s</ul>\n</body></html>\n" % items).encode()
            code = 200
        elif self.path.startswith("/page-"):
            time.sleep(0.1)
            body, code = b"<html><head><title>Page</title></head><body>ok</body></html>", 200
        else:
            time.sleep(0.1)
            body, code = b"<html><body>not here</body></html>", 404
        self.send_response(code)
        self.send_header("Content-Type", "text/html")
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        if body_wanted:
            self.wfile.write(body)

    def do_GET(self):
        self.reply(True)

    def do_HEAD(self):
        self.reply(False)

    def log_message(self, *args):
        pass

server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
server.daemon_threads = True
server.timeout = 1
with open(sys.argv[1] + ".part", "w") as f:
    f.write(str(server.server_address[1]))
import os
os.rename(sys.argv[1] + ".part", sys.argv[1])
deadline = time.time() + 900
while time.time() < deadline:
    server.handle_request()
EOF
server_pid=$!
i=0
while [ ! -s "$home/port" ] && [ $i -lt 100 ]; do sleep 0.1; i=$((i + 1)); done
[ -s "$home/port" ] || { echo "screenshots: the page server did not start" >&2; cat "$home/server-log.txt" >&2; exit 1; }
target="http://127.0.0.1:$(cat "$home/port")/links.html"

for lang in ja en; do
  case $lang in ja) mode=0 ;; en) mode=1 ;; esac
  for layout in normal diag; do
    diag=0
    [ "$layout" = diag ] && diag=1
    echo "screenshots: $lang $layout"
    VEXALORN_HOME="$home/" VEXALORN_DIAG=$diag BROWSER=true no_proxy=127.0.0.1 \
      VEXALORN_SCREENSHOT_DIR="$out" VEXALORN_SCREENSHOT_PREFIX="$lang-$layout-" \
      timeout 120 xvfb-run -a -s "-screen 0 1280x800x24" "$program" -s:$mode "$target" \
      >"$home/log-$lang-$layout.txt" 2>&1 || { cat "$home/log-$lang-$layout.txt" >&2; exit 1; }
    [ -f "$out/$lang-$layout-progress-run.png" ] ||
      echo "screenshots: $lang $layout: the walk was not caught, progress-run.png is missing" >&2
  done
done
ls -1 "$out"/*.png
