#!/usr/bin/env bash
# Remakes docs/screenshot.png: the window on the built-in sample network,
# listing one volume with Recurse ticked, as a user would get there by
# keyboard. Needs xvfb-run, xdotool and ImageMagick's import.
#
#   packaging/screenshot.sh [vorlane executable]    (default: build/dev/app/vorlane)
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
program=$(realpath "${1:-$root/build/dev/app/vorlane}")
output=$root/docs/screenshot.png

# The picture comes from a virtual screen of its own, whatever display the
# caller has, so that it does not depend on the caller's desktop.
if [[ -z "${VORLANE_SCREENSHOT_XVFB:-}" ]]; then
    exec env VORLANE_SCREENSHOT_XVFB=1 xvfb-run -a -s "-screen 0 1024x768x24" bash "$0" "$program"
fi

export QT_QPA_PLATFORM=xcb
# Drawn at twice the size, as on a fine-pixel screen: at its own 271 by 382
# pixels the window is hard to read on a web page.
export QT_SCALE_FACTOR=2
unset NWSIM_NETWORK
"$program" &
pid=$!
trap 'kill "$pid" 2>/dev/null || true' EXIT

window=
for _ in $(seq 1 200); do
    window=$(xdotool search --onlyvisible --name '^Disk Usage$' 2>/dev/null | head -n 1) && [[ -n "$window" ]] && break
    sleep 0.1
done
[[ -n "$window" ]] || { echo "screenshot: no window titled Disk Usage appeared" >&2; exit 1; }

xdotool windowfocus --sync "$window"
# From the context box, Shift+Tab reaches Recurse; five Tabs on, the volume list.
xdotool key --delay 100 shift+Tab space Tab Tab Tab Tab Tab
# Each Down picks the next volume and lists it; the fifth is [FS1] : VOL1,
# the busiest volume of the sample network.
xdotool key --delay 300 Down Down Down Down Down
sleep 1
import -window "$window" "$output"
echo "wrote $output"
