#!/bin/sh
# Saves pictures of the desktop program's windows, without a desktop: the
# program runs under a virtual X server in both languages and both layouts
# (normal, and diagnostic via VEXALORN_DIAG=1), checks a page of the example
# site so that the progress window shows during a run, and grabs each window
# into a PNG file.
#   scripts/screenshots.sh OUTPUT_FOLDER
set -eu
cd "$(dirname "$0")/.."
out="${1:?usage: scripts/screenshots.sh OUTPUT_FOLDER}"
mkdir -p "$out"
out="$(cd "$out" && pwd)"
program="$(pwd)/build/vexalorn"
[ -x "$program" ] || { echo "screenshots: build/vexalorn is missing (run scripts/setup.sh)" >&2; exit 1; }
target="$(pwd)/example/site/index.html"

# Settings and results of these runs go to a scratch folder, not beside the
# program; pages are not handed to a browser.
home="$(mktemp -d)"
trap 'rm -rf "$home"' EXIT INT TERM

for lang in ja en; do
  case $lang in ja) mode=0 ;; en) mode=1 ;; esac
  for layout in normal diag; do
    diag=0
    [ "$layout" = diag ] && diag=1
    echo "screenshots: $lang $layout"
    VEXALORN_HOME="$home/" VEXALORN_DIAG=$diag BROWSER=true \
      VEXALORN_SCREENSHOT_DIR="$out" VEXALORN_SCREENSHOT_PREFIX="$lang-$layout-" \
      timeout 120 xvfb-run -a -s "-screen 0 1280x800x24" "$program" -s:$mode "$target" \
      >"$home/log-$lang-$layout.txt" 2>&1 || { cat "$home/log-$lang-$layout.txt" >&2; exit 1; }
  done
done
ls -1 "$out"/*.png
