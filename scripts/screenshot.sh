#!/usr/bin/env bash
# Takes the screenshot for the README and the AppStream metadata: the editor
# with the sample article, on an 800 x 600 virtual screen, saved as
# docs/screenshot.png.
#
#   scripts/screenshot.sh [EDITOR]   EDITOR: the built editor to show
#                                    (default build-package/borovka-editor,
#                                    else build/borovka-editor)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

editor=${1:-}
if [ -z "$editor" ]; then
    for candidate in build-package/borovka-editor build/borovka-editor; do
        [ -x "$candidate" ] && { editor=$candidate; break; }
    done
fi
if [ -z "$editor" ] || [ ! -x "$editor" ]; then
    echo "no built editor: build it first (scripts/run.sh or scripts/check-packaging.sh)" >&2
    exit 1
fi
editor=$(realpath "$editor")
for tool in Xvfb xdpyinfo xwininfo import; do
    command -v "$tool" >/dev/null || { echo "missing: $tool" >&2; exit 1; }
done

out=$root/docs/screenshot.png
mkdir -p "$root/docs"
work=$(mktemp -d)

# A free display number; Xvfb's -displayfd would need a pipe dance for little gain.
display=99
while [ -e /tmp/.X11-unix/X$display ] || [ -e /tmp/.X$display-lock ]; do
    display=$((display + 1))
done
export DISPLAY=:$display

# 96 dots per inch makes 800 x 600 pixels exactly the screen on which the
# editor opens in its normal, centred window instead of maximised.
Xvfb "$DISPLAY" -screen 0 800x600x24 -dpi 96 -nolisten tcp >"$work/xvfb.log" 2>&1 &
xvfb=$!
editor_pid=
cleanup() {
    set +e
    if [ -n "$editor_pid" ]; then kill "$editor_pid"; wait "$editor_pid"; fi 2>/dev/null
    kill "$xvfb" 2>/dev/null; wait "$xvfb" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

for _ in $(seq 50); do
    xdpyinfo >/dev/null 2>&1 && break
    sleep 0.1
done
xdpyinfo >/dev/null 2>&1 || { cat "$work/xvfb.log" >&2; echo "Xvfb did not start" >&2; exit 1; }

# The document is opened by a relative name, as a user in the article's folder would.
cp packaging/sample/ukazka.kln "$work/"
(cd "$work" && exec env QT_QPA_PLATFORM=xcb XDG_RUNTIME_DIR="$work" \
    "$editor" ukazka.kln >"$work/editor.log" 2>&1) &
editor_pid=$!

# Wait until the window is on the screen and has drawn itself.
for _ in $(seq 100); do
    xwininfo -root -tree 2>/dev/null | grep 'Borovka KLN Editor' >/dev/null && break
    kill -0 "$editor_pid" 2>/dev/null || { cat "$work/editor.log" >&2; echo "the editor ended early" >&2; exit 1; }
    sleep 0.1
done
xwininfo -root -tree | grep 'Borovka KLN Editor' >/dev/null || { echo "no editor window appeared" >&2; exit 1; }
sleep 2

import -window root "$work/screenshot.png"
mv "$work/screenshot.png" "$out"
echo "$out"
