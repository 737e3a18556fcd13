#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Runs on a virtual X screen (under xvfb-run): starts the installer as a user
# would, without /S, inside an 800 × 600 Wine desktop window, waits for its
# first page, the licence page, pages down once into the third-party notices
# and saves the installer's window:
#
#   licence-page.sh PREFIX SETUP.EXE OUT.PNG
#
# PREFIX is the Wine prefix (made when missing). The installer is closed
# without installing anything. Fails when the licence page does not appear
# within a minute.
set -euo pipefail
. "$(dirname "$0")/../scripts/lib/common.sh" "$@"
if (($# != 3)); then
  echo "usage: $0 PREFIX SETUP.EXE OUT.PNG" >&2
  exit 2
fi
here=$(cd "$(dirname "$0")" && pwd)
prefix=$(realpath -m "$1")
setup=$(realpath "$2")
out=$(realpath -m "$3")

"$here/../cmake/wine-run.sh" "$prefix"
wine_environment "$prefix"

wine explorer /desktop=Setup,800x600 "$setup" </dev/null >/dev/null 2>&1 &
at_exit 'wineserver -k >/dev/null 2>&1 || true'

title='^Idlescope .* Setup: Licence and third-party notices$'
page=
for ((tenths = 0; tenths < 600; ++tenths)); do
  page=$(xdotool search --onlyvisible --name "$title" 2>/dev/null | head -n1) || true
  [[ -n $page ]] && break
  sleep 0.1
done
[[ -n $page ]] || { echo "the installer showed no licence page" >&2; exit 1; }
# A click into the text (50 px below the page's top text) gives it the
# keyboard; two pages down show the end of the licence and the start of
# the notices.
xdotool mousemove --window "$page" 240 120 click 1
xdotool key --delay 200 Page_Down Page_Down
sleep 2
import -window "$page" "$out"
