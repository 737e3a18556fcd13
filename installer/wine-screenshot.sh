#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Runs on a virtual X screen (under xvfb-run), with WINEPREFIX set: starts the
# installed Idlescope under Wine through its shortcut, inside a 1024 × 768
# Wine desktop window (scaled, see below), and saves the screen once the
# monitor window is up.
#
#   wine-screenshot.sh SHORTCUT.LNK OUT.PNG [monitor]
#
# Without "monitor", for Wine's own pdh.dll, which cannot list the
# PhysicalDisk instances: the program first shows that error in a box titled
# "Idlescope". The box is saved to OUT-box.png and closed with Enter, as a
# user would; then the window opens with an empty disk list and is saved to
# OUT.PNG.
#
# With "monitor", for a pdh.dll that lists the disks (the tests' stand-in):
# the window must open with no box; the script chooses the first disk of the
# list and clicks the start button, as a user would, lets it sample for a few
# seconds and saves OUT.PNG; a box at any point fails it.
#
# WINEQT_SCALE_FACTOR (Wine hands it to the program as QT_SCALE_FACTOR) scales
# the window, and with it the points clicked and the Wine desktop, which the
# X screen must hold. Fails when a window does not appear within three minutes.
set -euo pipefail
. "$(dirname "$0")/../scripts/lib/common.sh" "$@"
if (($# < 2 || $# > 3)); then
  echo "usage: $0 SHORTCUT.LNK OUT.PNG [monitor] (--help for more)" >&2
  exit 2
fi
shortcut=$1
out=$2
mode=${3:-box}
box_out=${out%.png}-box.png
scale=${WINEQT_SCALE_FACTOR:-1}

# A length of the window's layout in screen pixels.
scaled() {
  awk -v scale="$scale" -v pixels="$1" 'BEGIN { printf "%d", pixels * scale + 0.5 }'
}
# The monitor window is 872 pixels wide, an error box far narrower.
wide=$(scaled 800)

# The visible windows titled exactly "Idlescope", with their widths.
idlescope_windows() {
  local id width
  for id in $(xdotool search --onlyvisible --name '^Idlescope$' 2>/dev/null); do
    width=$(xdotool getwindowgeometry --shell "$id" 2>/dev/null | sed -n 's/^WIDTH=//p')
    [[ -n $width ]] && echo "$id $width"
  done
}

# The first such window at least the given width; nothing when there is none.
window_wider_than() {
  local id width
  while read -r id width; do
    if ((width >= $1)); then
      echo "$id"
      return
    fi
  done < <(idlescope_windows)
}

# Fails when a window titled "Idlescope" narrower than the monitor window (an
# error box) is open.
no_box() {
  local id width
  while read -r id width; do
    if ((width < wide)); then
      import -window root "$box_out"
      echo "an error box opened ($box_out)" >&2
      exit 1
    fi
  done < <(idlescope_windows)
}

# Waits up to three minutes for such a window and prints its id: the first
# start in a new Wine prefix, on a busy machine, has taken over a minute.
wait_for_window() {
  local id tenths
  for ((tenths = 0; tenths < 1800; ++tenths)); do
    id=$(window_wider_than "$1")
    if [[ -n $id ]]; then
      echo "$id"
      return 0
    fi
    sleep 0.1
  done
  return 1
}

wine explorer /desktop=Idlescope,"$(scaled 1024)x$(scaled 768)" start /unix "$shortcut" </dev/null >/dev/null 2>&1 &
at_exit 'wineserver -k >/dev/null 2>&1 || true'

if [[ $mode == monitor ]]; then
  window=$(wait_for_window "$wide") || { echo "the monitor window did not open" >&2; exit 1; }
  sleep 2
  no_box
  # Points of the window's client area (872 × 311 in the layout) on the
  # screen: the frame Wine draws around it has equal sides and a caption.
  # (xdotool doubles the position of a window inside the Wine desktop;
  # xwininfo does not.)
  info=$(xwininfo -id "$window")
  field() { sed -n "s/^ *$1: *//p" <<<"$info"; }
  left=$(field 'Absolute upper-left X')
  top=$(field 'Absolute upper-left Y')
  border=$((($(field Width) - $(scaled 872)) / 2))
  caption=$(($(field Height) - $(scaled 311) - border))
  click() {
    xdotool mousemove $((left + border + $(scaled "$1"))) $((top + caption + $(scaled "$2"))) click 1
    sleep 1
  }
  # The disk list (ComboBox1 at 106, 277, 141 × 22): a click opens it and
  # gives it the focus, Escape closes it, Home takes the first disk. Then the
  # start button (Button3 at 272, 275, 75 × 25).
  click 176 288
  xdotool key Escape
  sleep 0.5
  xdotool key Home
  sleep 1
  click 309 287
  # A few samples, one a second.
  sleep 6
  no_box
  import -window root "$out"
  exit 0
fi

box=$(wait_for_window 1) || { echo "no error box appeared" >&2; exit 1; }
# Let it paint.
sleep 2
import -window root "$box_out"
geometry=$(xdotool getwindowgeometry --shell "$box")
if [[ $(sed -n 's/^WIDTH=//p' <<<"$geometry") -ge $wide ]]; then
  echo "the monitor window opened without the error box Wine's pdh.dll causes" >&2
  exit 1
fi
# The pointer over the box: keys go to the window under it.
xdotool mousemove "$(sed -n 's/^X=//p' <<<"$geometry")" "$(sed -n 's/^Y=//p' <<<"$geometry")"
xdotool key Return

wait_for_window "$wide" >/dev/null || { echo "the monitor window did not open" >&2; exit 1; }
sleep 2
import -window root "$out"
