#!/bin/bash
# The guard (tools/wine-guard.sh) ends the Windows programs a test starts
# with the test: a scenehost.exe that waits for a person at the options
# dialog is started through it, and the guard is then ended the ways a test
# ends (ctest's SIGKILL at a TIMEOUT, a starter that goes away, TERM, a
# command that returns and leaves the program running).
#   usage: wine_guard_test.sh BIN_DIR SOURCE_DIR
# Needs WINEPREFIX and DISPLAY (tools/winetest.sh run ...).
set -uo pipefail
bin=$1
src=$2
guard=$src/tools/wine-guard.sh
emu=$src/tools/wine-emu.sh
work=$(mktemp -d "${TMPDIR:-/tmp}/wine-guard-test.XXXXXX")
source "$src/tools/script-checks.sh"
ridge=$(winpath "$src/examples/ridge.ter")
unset VQ_WINE_GUARD  # each case is guarded on its own

# hosts MARK: the running (not zombie) scenehost.exe processes of one case,
# told apart by the report path on their command line.
hosts() { ps -eo pid=,stat=,args= | awk -v m="$1.json" '$2 !~ /^Z/ && /scenehost\.exe/ && index($0, m) { print $1 }'; }
# waiting_host MARK: the scenehost.exe that waits at the options dialog.
waiting_host() { echo "$emu" "$bin/scenehost.exe" --file "$ridge" --report "$(winpath "$work/$1.json")"; }
# within TENTHS CMD...: CMD succeeds within that many tenths of a second.
within() {
  local n=$1; shift
  for ((i = 0; i < n; ++i)); do "$@" && return 0; sleep 0.1; done
  "$@"
}
started() { [[ -n $(hosts "$1") ]]; }
gone() { [[ -z $(hosts "$1") ]]; }
# Whatever a failing case left: never left running.
cleanup() {
  local mark pid
  for mark in timeout starter term leftover; do
    for pid in $(hosts "$mark"); do kill -KILL "$pid"; done
  done
  rm -rf "$work"
}
trap cleanup EXIT

# ctest's TIMEOUT: SIGKILL, which no trap sees. Here the guard alone is
# killed, so nothing of ctest's own walk through the test's children helps.
read -ra host <<<"$(waiting_host timeout)"
"$guard" "${host[@]}" >"$work/timeout.out" 2>&1 &
g=$!
check "the program starts (timeout)" within 100 started timeout
{ kill -KILL "$g"; wait "$g"; } 2>/dev/null
check "killed like a timed-out test: the program ends within 5 s" within 50 gone timeout

# The guard's starter ends without ending it (a ctest that is terminated).
read -ra host <<<"$(waiting_host starter)"
bash -c '"$@" & wait' starter "$guard" "${host[@]}" >"$work/starter.out" 2>&1 &
s=$!
check "the program starts (starter)" within 100 started starter
{ kill -KILL "$s"; wait "$s"; } 2>/dev/null
check "its starter gone: the program ends within 5 s" within 50 gone starter

# TERM, as a runner stops a test: the program ends, the status says so.
read -ra host <<<"$(waiting_host term)"
"$guard" "${host[@]}" >"$work/term.out" 2>&1 &
g=$!
check "the program starts (term)" within 100 started term
kill -TERM "$g"
wait "$g"
check "TERM: the guard answers 143" test $? = 143
check "TERM: the program ends within 5 s" within 50 gone term

# A command that returns and leaves the program running: it goes too, and
# the command's own status is the guard's.
read -ra host <<<"$(waiting_host leftover)"
# The command returns once it sees the program running.
"$guard" bash -c 'seen=$1; shift; "$@" &
                  for _ in $(seq 100); do
                    ps -eo args | grep -q "[s]cenehost.exe.*leftover.json" && { touch "$seen"; break; }
                    sleep 0.1
                  done
                  exit 7' leftover "$work/leftover.seen" "${host[@]}" >"$work/leftover.out" 2>&1 &
g=$!
wait "$g"
rc=$?
check "the program starts (leftover)" test -e "$work/leftover.seen"
check "the command's status passes through (7, got $rc)" test "$rc" = 7
check "what the command left running ends with it" within 50 gone leftover

report "$work"
