# shellcheck shell=bash
# SPDX-License-Identifier: MIT
# The set-up the project's shell scripts share. A script sources it first,
# before changing folder, with its own arguments:
#
#   . "$(dirname "$0")/lib/common.sh" "$@"
#
# Then --help or -h as the first argument prints the script's opening
# comment, which gives its usage, and exits. It also offers:
#
#   at_exit COMMAND       runs COMMAND when the script exits, however it ends;
#                         steps run in the reverse order of adding, and one
#                         that fails still lets the others run and makes the
#                         exit status non-zero. Scripts that source this add
#                         steps here rather than setting an EXIT trap.
#   temp_dir NAME [PREFIX [BASE]]
#                         sets NAME to a new private folder under BASE (/tmp),
#                         removed at exit
#   runtime_dir           exports XDG_RUNTIME_DIR, which Qt wants: the
#                         caller's, or a private folder for this run, removed
#                         at exit
#   as_root COMMAND...    runs COMMAND as root: directly when root, through
#                         sudo otherwise
#   project_version BUILD-FOLDER
#                         prints the project's version that the build in
#                         BUILD-FOLDER was configured with
#   wine_environment PREFIX
#                         exports what a run of Wine needs: the prefix
#                         PREFIX, no debug output, and the DLL overrides
#                         below, ahead of the caller's own

if [[ ${1:-} == --help || ${1:-} == -h ]]; then
  awk 'NR == 1 || /SPDX-License-Identifier/ { next } /^#/ { sub(/^# ?/, ""); print; next } { exit }' "$0"
  exit 0
fi

_exit_steps=()

_run_exit_steps() {
  local status=$? i
  for ((i = ${#_exit_steps[@]} - 1; i >= 0; i--)); do
    eval "${_exit_steps[i]}" || ((status)) || status=1
  done
  exit "$status"
}

at_exit() {
  _exit_steps+=("$1")
  trap _run_exit_steps EXIT
}

temp_dir() {
  local folder step
  folder=$(mktemp -d "${3:-/tmp}/${2:-idlescope}-XXXXXX")
  printf -v step 'rm -rf -- %q' "$folder"
  at_exit "$step"
  printf -v "$1" '%s' "$folder"
}

runtime_dir() {
  if [[ -z ${XDG_RUNTIME_DIR:-} || ! -d $XDG_RUNTIME_DIR ]]; then
    temp_dir XDG_RUNTIME_DIR idlescope-runtime
  fi
  export XDG_RUNTIME_DIR
}

as_root() {
  if ((EUID == 0)); then
    "$@"
  else
    sudo "$@"
  fi
}

project_version() {
  sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$1/CMakeCache.txt"
}

wine_environment() {
  WINEPREFIX=$(realpath -m "$1")
  export WINEPREFIX WINEDEBUG=-all
  # No Mono or Gecko installer prompts when the prefix is created. No
  # winedbg: after it has printed a crash's backtrace the process exits with
  # 0, so a crashing test would pass; without it the exit code is the
  # exception code's low byte (5 for an access violation). The caller's
  # overrides come after these (pdh=n: the stand-in pdh.dll beside the
  # program).
  export WINEDLLOVERRIDES="mscoree,mshtml=;winedbg.exe=d${WINEDLLOVERRIDES:+;$WINEDLLOVERRIDES}"
}
