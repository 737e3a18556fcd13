#!/usr/bin/env bash
# Runs on a virtual X screen (under xvfb-run), with WINEPREFIX set: starts the
# installed Idlescope under Wine through its shortcut, inside a 1024 × 768
# Wine desktop window, and saves the screen once the monitor window is up.
#
#   wine-screenshot.sh SHORTCUT.LNK OUT.PNG
#
# Wine's pdh.dll cannot list the PhysicalDisk instances: the program first
# shows that error in a box titled "Idlescope". The box is saved to
# OUT-box.png and closed with Enter, as a user would; then the window opens
# with an empty disk list and is saved to OUT.PNG. Fails when either does not
# appear within a minute.
set -euo pipefail
shortcut=$1
out=$2
box_out=${out%.png}-box.png

# The visible window titled exactly "Idlescope" that is at least the given
# width; nothing when there is none yet.
window_wider_than() {
  local id width
  for id in $(xdotool search --onlyvisible --name '^Idlescope$' 2>/dev/null); do
    width=$(xdotool getwindowgeometry --shell "$id" 2>/dev/null | sed -n 's/^WIDTH=//p')
    if [[ -n $width ]] && ((width >= $1)); then
      echo "$id"
      return
    fi
  done
}

# Waits up to a minute for such a window and prints its id.
wait_for_window() {
  local id tenths
  for ((tenths = 0; tenths < 600; ++tenths)); do
    id=$(window_wider_than "$1")
    if [[ -n $id ]]; then
      echo "$id"
      return 0
    fi
    sleep 0.1
  done
  return 1
}

wine explorer /desktop=Idlescope,1024x768 start /unix "$shortcut" </dev/null >/dev/null 2>&1 &
trap 'wineserver -k >/dev/null 2>&1 || true' EXIT

box=$(wait_for_window 1) || { echo "no error box appeared" >&2; exit 1; }
# Let it paint.
sleep 2
import -window root "$box_out"
geometry=$(xdotool getwindowgeometry --shell "$box")
if [[ $(sed -n 's/^WIDTH=//p' <<<"$geometry") -ge 800 ]]; then
  echo "the monitor window opened without the error box Wine's pdh.dll causes" >&2
  exit 1
fi
# The pointer over the box: keys go to the window under it.
xdotool mousemove "$(sed -n 's/^X=//p' <<<"$geometry")" "$(sed -n 's/^Y=//p' <<<"$geometry")"
xdotool key Return

wait_for_window 800 >/dev/null || { echo "the monitor window did not open" >&2; exit 1; }
sleep 2
import -window root "$out"
