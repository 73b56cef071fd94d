#!/bin/bash
# wine-guard.sh CMD [ARGS...]: runs one test command so that every program it
# starts (under Wine or not) ends with it, however the test ends.
#
# The command runs in a process group of its own. Wine puts the Windows
# programs a test starts in their starter's group (their own parent is PID
# 1; Wine's start.exe, which ends them when it dies, is the test's child).
# The group is ended
#   - when the command has finished: whatever it left running goes;
#   - when this script is told to stop (TERM, INT, HUP);
#   - when this script is gone without that: killed outright (ctest's
#     SIGKILL at a test's TIMEOUT, which also reaches the test's children)
#     or left behind by the one that started it (a ctest that is itself
#     terminated leaves its tests running). A watcher outside the test's
#     process tree and session looks for either twice a second.
# The Wine session's own programs (wineserver, explorer.exe, services.exe,
# ...) belong to other groups and stay. Ending a Windows program this way is
# what its crash is to Wine: the server drops its windows and handles.
#
# tools/wine-emu.sh runs itself through this script unless VQ_WINE_GUARD is
# set, so each test program run by ctest under Wine is guarded; a test script
# is guarded by running it through this script in its add_test().
set -u

if (($# == 0)); then
  echo "usage: $0 CMD [ARGS...]" >&2
  exit 2
fi

# alive PID: the process exists and is not a zombie (this container's PID 1
# reaps slowly: a dead process can stay listed for a while).
alive() { local st; st=$(ps -o stat= -p "$1" 2>/dev/null) && [[ $st != Z* ]]; }
# group_alive PGID: a process of that group still runs (zombies do not count).
group_alive() { ps -e -o pgid=,stat= | awk -v g="$1" '$1 == g && $2 !~ /^Z/ { f = 1 } END { exit !f }'; }

guard=$$
starter=$PPID
export VQ_WINE_GUARD=$guard

# setsid: a new session and process group whose id is the command's pid (a
# background job of a script is no group leader, so setsid does not fork).
setsid "$@" <&0 &
group=$!

end_group() {
  group_alive "$group" || return 0
  kill -TERM -- "-$group" 2>/dev/null
  for _ in 1 2 3 4 5 6 7 8 9 10; do
    group_alive "$group" || return 0
    sleep 0.1
  done
  kill -KILL -- "-$group" 2>/dev/null
  return 0
}

# The watcher: started through a subshell that exits at once, so that its
# parent is PID 1, not this script (ctest's kill walks the test's children),
# in a session of its own (a kill of ctest's group misses it), deaf to the
# signals a terminal or a runner sends, and holding none of ctest's pipes
# (ctest waits for those to close). It ends the group once this script is
# gone, and this script too when its starter is gone.
(
  setsid bash -c "$(declare -f alive group_alive end_group)"'
    trap "" HUP INT TERM
    guard=$1 starter=$2 group=$3
    while alive "$guard"; do
      if [[ $(ps -o ppid= -p "$guard" 2>/dev/null | tr -d " ") != "$starter" ]]; then
        end_group
        kill -KILL "$guard" 2>/dev/null
        exit 0
      fi
      sleep 0.5
    done
    end_group' watcher "$guard" "$starter" "$group" </dev/null >/dev/null 2>&1 &
)

stop() {
  trap '' HUP INT TERM
  end_group
  exit "$1"
}
trap 'stop 129' HUP
trap 'stop 130' INT
trap 'stop 143' TERM

# wait returns early when a trapped signal arrives; the trap then ends all.
wait "$group"
rc=$?
end_group  # what the command left behind
exit "$rc"
