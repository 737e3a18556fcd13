#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Runs a cross-built Windows program under Wine, for CMake and CTest:
#
#   wine-run.sh PREFIX PROGRAM [ARGUMENT...]
#
# PREFIX is the Wine prefix to use; it is created on first use (about 15 s).
# Exits with the program's exit code. Needs no display. With no PROGRAM it
# makes the prefix and starts Wine for a run of programs (see below).
set -euo pipefail
. "$(dirname "$0")/../scripts/lib/common.sh" "$@"

if (($# < 1)); then
  echo "usage: $0 PREFIX [PROGRAM [ARGUMENT...]]" >&2
  exit 2
fi
wine_environment "$1"
shift
unset DISPLAY WAYLAND_DISPLAY

# Tests start in parallel; only the first creates the prefix, the others wait.
mkdir -p "$(dirname "$WINEPREFIX")"
(
  flock 9
  # The mark is written last: wineboot finishes a prefix that an interrupted
  # run left half made.
  if [[ ! -f $WINEPREFIX/.complete ]]; then
    echo "Creating the Wine prefix $WINEPREFIX" >&2
    # wineboot chats about the 32-bit parts a 64-bit-only Wine lacks; show
    # what it said only when it fails.
    if ! log=$(wine wineboot --init 2>&1) || ! wineserver --wait; then
      echo "$log" >&2
      exit 1
    fi
    touch "$WINEPREFIX/.complete"
  fi
) 9>"$WINEPREFIX.lock"

if (($# == 0)); then
  # Start Wine's server and its own processes (services, devices) now, away
  # from the caller's output, to stay until 10 s after the last program ends.
  # Whichever program starts them hands them its stdout and stderr, and CTest
  # waits for those to close: 3 s after that program ends. A server already
  # running keeps its own setting.
  wineserver -p10 </dev/null >/dev/null 2>&1 || true
  wine cmd /c exit </dev/null >/dev/null 2>&1
  exit 0
fi

# The program writes text-mode CR LF line ends; CTest and gtest_discover_tests
# read LF, so the CRs go.
wine "$@" | tr -d '\r'
