#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Checks the Windows installer under Wine, as a user's silent installation
# would go:
#
#   check-under-wine.sh PREFIX SETUP.EXE PROGRAM.EXE VERSION SCREENSHOT.PNG
#                       [STANDIN-PDH.DLL MONITORING.PNG]
#
# In the Wine prefix PREFIX (made when missing) it installs SETUP.EXE silently
# (/S) and checks the installed files (the program equal to PROGRAM.EXE, the
# uninstaller, the licence and the third-party notices), the Start-menu
# shortcut and the entry in the list of installed programs. It then starts
# the installed program through its shortcut on a
# virtual X screen, inside a Wine desktop window (which gives it a title bar):
# Wine's pdh.dll cannot list the PhysicalDisk instances, so the program first
# shows that error (C0000BD3); the check closes the box with Enter, waits for
# the window and saves a PNG of the desktop to SCREENSHOT.PNG (and the box to
# SCREENSHOT-box.png). Given the tests' stand-in pdh.dll, it then copies it
# beside the installed program for one more run, with Chinese names on a
# system whose ANSI code page cannot hold them (IDLESCOPE_PDH_MODEL=chinese,
# LC_ALL=C.UTF-8: code page 1252): the program must open
# with no box, list the disks, and monitor "0 C:" once chosen and started,
# saved to MONITORING.PNG; the stand-in's call log (MONITORING-pdh-calls.log)
# must show the listing and the reads; the copy is removed again. Last it
# uninstalls silently and checks that nothing of the installation is left:
# no files, no shortcut, no registry entry.
set -euo pipefail
. "$(dirname "$0")/../scripts/lib/common.sh" "$@"

if (($# != 5 && $# != 7)); then
  echo "usage: $0 PREFIX SETUP.EXE PROGRAM.EXE VERSION SCREENSHOT.PNG [STANDIN-PDH.DLL MONITORING.PNG]" >&2
  exit 2
fi
here=$(cd "$(dirname "$0")" && pwd)
prefix=$(realpath -m "$1")
setup=$(realpath "$2")
program=$(realpath "$3")
version=$4
screenshot=$(realpath -m "$5")
standin=${6:+$(realpath "$6")}
monitoring=${7:+$(realpath -m "$7")}

fail() {
  echo "FAILED: $*" >&2
  exit 1
}

"$here/../cmake/wine-run.sh" "$prefix"
wine_environment "$prefix"

drive_c=$prefix/drive_c
install_dir="$drive_c/Program Files/Idlescope"
shortcut="$drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Idlescope.lnk"
key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Idlescope'

# What the prefix holds outside Windows' own folder and the temporary
# folders, to compare after the uninstallation. The uninstaller runs from a
# copy of itself in %TEMP%, which leaves its empty working folder there.
snapshot() {
  (cd "$drive_c" && find . -path ./windows -prune -o -path './users/*/Temp' -prune -o -print | sort)
}
# Waits up to a minute for the uninstaller, which hands over to its copy in
# %TEMP% and returns at once, to have removed the program's folder.
wait_for_removal() {
  local tenths
  for ((tenths = 0; tenths < 600; ++tenths)); do
    [[ -e $install_dir ]] || return 0
    sleep 0.1
  done
}

# An installation left by an interrupted run goes first, by its uninstaller.
if [[ -f $install_dir/Uninstall.exe ]]; then
  echo "-- removing the installation an earlier run left"
  wine "C:\\Program Files\\Idlescope\\Uninstall.exe" /S </dev/null || true
  wait_for_removal
fi
if [[ -e $install_dir || -e $shortcut ]] || wine reg query "$key" >/dev/null 2>&1; then
  fail "the prefix $prefix already holds parts of an Idlescope installation"
fi
before=$(snapshot)

echo "-- installing silently: $(basename "$setup") /S"
wine "$setup" /S </dev/null || fail "the installer exited with $?"

[[ -f $install_dir/Idlescope.exe ]] || fail "no Program Files\\Idlescope\\Idlescope.exe"
cmp -s "$install_dir/Idlescope.exe" "$program" || fail "the installed Idlescope.exe differs from $program"
[[ -f $install_dir/Uninstall.exe ]] || fail "no Program Files\\Idlescope\\Uninstall.exe"
# The licence and the third-party notices: the project's texts, with CR LF
# line ends.
installed_text() {  # installed_text NAME SOURCE
  [[ -f $install_dir/$1 ]] || fail "no Program Files\\Idlescope\\$1"
  tr -d '\r' <"$install_dir/$1" | cmp -s - "$2" || fail "the installed $1 is not the text of $2"
}
installed_text LICENSE.txt "$here/../LICENSE"
installed_text THIRD-PARTY-NOTICES.txt "$here/notices/THIRD-PARTY-NOTICES.txt"
[[ -f $shortcut ]] || fail "no Start-menu shortcut Idlescope.lnk"
# A shell link keeps its target's path as text.
strings -a "$shortcut" | grep -qi 'Program Files\\Idlescope\\Idlescope.exe' ||
  fail "the shortcut does not lead to the installed program"

entry=$(wine reg query "$key" 2>/dev/null | tr -d '\r') || fail "no uninstall entry $key"
value() { sed -n "s/^ *$1 *REG_[A-Z]* *//p" <<<"$entry"; }
[[ $(value DisplayName) == Idlescope ]] || fail "DisplayName is '$(value DisplayName)'"
[[ $(value DisplayVersion) == "$version" ]] || fail "DisplayVersion is '$(value DisplayVersion)', not $version"
[[ $(value Publisher) == "Idlescope maintainers" ]] || fail "Publisher is '$(value Publisher)'"
[[ $(value DisplayIcon) == '"C:\Program Files\Idlescope\Idlescope.exe"' ]] ||
  fail "DisplayIcon is '$(value DisplayIcon)'"
[[ $(value UninstallString) == '"C:\Program Files\Idlescope\Uninstall.exe"' ]] ||
  fail "UninstallString is '$(value UninstallString)'"
echo "   installed: Program Files\\Idlescope\\{Idlescope.exe,LICENSE.txt,THIRD-PARTY-NOTICES.txt,Uninstall.exe}, Start menu\\Programs\\Idlescope.lnk, $key"

echo "-- starting the installed program through its shortcut on a virtual screen"
# Chinese texts: Qt falls back from Tahoma to SimSun for them, as Windows
# has it; this prefix has no Chinese font, so SimSun, and Tahoma and the
# dialog fonts where Wine has none of its own, are WenQuanYi Micro Hei
# (Debian's fonts-wqy-microhei).
for font in SimSun Tahoma "MS Shell Dlg" "MS Shell Dlg 2"; do
  wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "$font" /t REG_SZ /d "WenQuanYi Micro Hei" /f >/dev/null 2>&1
done
# An X screen to hold the Wine desktop at the scale WINEQT_SCALE_FACTOR asks.
screen=$(awk -v scale="${WINEQT_SCALE_FACTOR:-1}" 'BEGIN { printf "%dx%dx24", 1024 * scale + 0.5, 768 * scale + 0.5 }')
xvfb-run -a -s "-screen 0 $screen" "$here/wine-screenshot.sh" "$shortcut" "$screenshot" ||
  fail "the installed program did not show its window"
echo "   saved $screenshot"

if [[ -n $standin ]]; then
  echo "-- the installed program over the stand-in pdh.dll, Chinese names on code page 1252: monitoring \"0 C:\""
  calls=${monitoring%.png}-pdh-calls.log
  rm -f "$calls"
  cp "$standin" "$install_dir/pdh.dll"
  status=0
  WINEDLLOVERRIDES="$WINEDLLOVERRIDES;pdh=n" IDLESCOPE_PDH_MODEL=chinese LC_ALL=C.UTF-8 \
    IDLESCOPE_PDH_LOG=$(winepath -w "$calls" 2>/dev/null) \
    xvfb-run -a -s "-screen 0 $screen" "$here/wine-screenshot.sh" "$shortcut" "$monitoring" monitor ||
    status=$?
  rm -f "$install_dir/pdh.dll"
  ((status == 0)) || fail "the program over the stand-in did not monitor \"0 C:\""
  # The log holds the names in UTF-8, as pdh.dll understood them.
  LC_ALL=C.UTF-8 grep -q '^PdhEnumObjectItemsW(null, ".*", "物理磁盘", buffer, .* = 00000000$' "$calls" ||
    fail "the program did not list the disks through the stand-in ($calls)"
  reads=$(LC_ALL=C.UTF-8 grep -c '^PdhAddCounterW(query [0-9]*, "\\物理磁盘(0 C:)\\% 空闲时间", 0) = 00000000$' "$calls" || true)
  values=$(LC_ALL=C grep -ac '^PdhGetFormattedCounterValue(counter [0-9]*, 0x200, null) = 00000000$' "$calls" || true)
  ((reads >= 2 && values >= 2)) || fail "the program read \"0 C:\" $values times, not at least twice ($calls)"
  echo "   listed the disks, read \"0 C:\" $values times; saved $monitoring"
fi

echo "-- uninstalling silently: Uninstall.exe /S"
wine "C:\\Program Files\\Idlescope\\Uninstall.exe" /S </dev/null || fail "the uninstaller exited with $?"
wait_for_removal
[[ ! -e $install_dir ]] || fail "Program Files\\Idlescope is still there: $(ls "$install_dir")"
[[ ! -e $shortcut ]] || fail "the Start-menu shortcut is still there"
if wine reg query "$key" >/dev/null 2>&1; then
  fail "the uninstall entry $key is still there"
fi
after=$(snapshot)
if [[ $before != "$after" ]]; then
  diff <(echo "$before") <(echo "$after") >&2 || true
  fail "the uninstallation left files behind"
fi
echo "   nothing left: no files, no shortcut, no uninstall entry"
