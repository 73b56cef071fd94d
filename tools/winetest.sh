#!/bin/bash
# start | env | stop | run CMD...   (W32_STATE, W32_PREFIX, W32_FRESH_PREFIX=1, W32_SCREEN, W32_KEEPALIVE=0)
set -euo pipefail
STATE=${W32_STATE:-${TMPDIR:-/tmp}/w32test-$(id -u)}
PREFIX=${W32_PREFIX:-$STATE/prefix}
mkdir -p "$STATE"
[[ -e $STATE/prefix.owned ]] && PREFIX=$(<"$STATE/prefix.owned")
running() { local st; st=$(ps -o stat= -p "$1" 2>/dev/null) && [[ $st != Z* ]]; }   # zombies don't count
alive() { local pid; [[ -s $1 ]] && pid=$(<"$1") && running "$pid" && [[ $(<"/proc/$pid/comm") == "$2" ]]; }
export_env() {
  DISPLAY=":$(tr -d '[:space:]' <"$STATE/display")"
  export DISPLAY WINEPREFIX=$PREFIX WINEARCH=win64
  export WINEDEBUG=${WINEDEBUG:--all}
  export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-winemenubuilder.exe=d}   # no menu entries under $HOME
}
start() {
  if [[ ${W32_FRESH_PREFIX:-0} == 1 && ! -e $STATE/prefix.owned ]]; then
    PREFIX=$(mktemp -d "$STATE/prefix.XXXXXX"); echo "$PREFIX" >"$STATE/prefix.owned"
  fi
  if ! alive "$STATE/xvfb.pid" Xvfb; then
    rm -f "$STATE/display"    # -displayfd: Xvfb picks the first free display, writes it to fd 3
    setsid Xvfb -displayfd 3 -screen 0 "${W32_SCREEN:-1280x1024x24}" -nolisten tcp \
        3>"$STATE/display" >"$STATE/xvfb.log" 2>&1 </dev/null &
    echo $! >"$STATE/xvfb.pid"
    for _ in $(seq 100); do [[ -s $STATE/display ]] && break; sleep 0.1; done
    [[ -s $STATE/display ]] || { echo "winetest: Xvfb failed, see $STATE/xvfb.log" >&2; exit 1; }
  fi
  export_env
  if [[ ! -f $WINEPREFIX/system.reg ]]; then                 # new prefix: ~11 s
    wine wineboot -i >"$STATE/wineboot.log" 2>&1
    wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
    wineserver -w
  fi
  if [[ ! -e $STATE/wineserver.started ]]; then
    wineserver -p; touch "$STATE/wineserver.started"        # persistent until wineserver -k
    if [[ ${W32_KEEPALIVE:-1} == 1 ]]; then                  # idle cmd.exe keeps explorer.exe alive
      rm -f "$STATE/keep.fifo"; mkfifo "$STATE/keep.fifo"
      sleep 2147483647 >"$STATE/keep.fifo" 2>/dev/null &
      echo $! >"$STATE/keep.pid"
      wine cmd.exe <"$STATE/keep.fifo" >"$STATE/keepalive.log" 2>&1 &
    fi
    wine wineboot </dev/null >"$STATE/warmup.log" 2>&1                                   # services
    wine rundll32.exe user32.dll,GetDesktopWindow </dev/null >>"$STATE/warmup.log" 2>&1  # explorer
  fi
}
stop() {
  if [[ -e $STATE/wineserver.started ]]; then
    WINEPREFIX=$PREFIX wineserver -k 2>/dev/null || true     # only our prefix; SIGINT saves registry
    WINEPREFIX=$PREFIX wineserver -w 2>/dev/null || true
    rm -f "$STATE/wineserver.started"
  fi
  if alive "$STATE/keep.pid" sleep; then kill "$(<"$STATE/keep.pid")"; fi
  if alive "$STATE/xvfb.pid" Xvfb; then
    local pid; pid=$(<"$STATE/xvfb.pid"); kill "$pid"
    for _ in $(seq 50); do running "$pid" || break; sleep 0.1; done
  fi
  rm -f "$STATE/keep.pid" "$STATE/keep.fifo" "$STATE/xvfb.pid" "$STATE/display"
  if [[ -e $STATE/prefix.owned ]]; then rm -rf "$(<"$STATE/prefix.owned")" "$STATE/prefix.owned"; fi
}
case ${1:-} in
  start) start ;;
  stop)  stop ;;
  env)   if [[ -s $STATE/display ]] && alive "$STATE/xvfb.pid" Xvfb; then export_env
           printf 'export DISPLAY=%q WINEPREFIX=%q WINEARCH=%q WINEDEBUG=%q WINEDLLOVERRIDES=%q\n' \
             "$DISPLAY" "$WINEPREFIX" "$WINEARCH" "$WINEDEBUG" "$WINEDLLOVERRIDES"
         else echo "echo 'winetest: not started' >&2; false"; fi ;;   # makes eval fail
  run)   shift
         if [[ -e $STATE/wineserver.started ]] && alive "$STATE/xvfb.pid" Xvfb; then start
         else trap stop EXIT; start; fi                       # stop only what this call started
         # The command runs beside this script so that a TERM, INT or HUP
         # sent here reaches it (bash runs traps only between commands): a
         # stopped ctest leaves its tests to their guards, and the session
         # this call started is stopped on the way out.
         export_env; set +e
         "$@" <&0 &
         cmd=$!
         trap 'kill -TERM "$cmd" 2>/dev/null' TERM INT HUP
         wait "$cmd"; rc=$?
         while running "$cmd"; do wait "$cmd"; rc=$?; done
         set -e; exit $rc ;;
  *) echo "usage: $0 start|stop|env|run CMD..." >&2; exit 2 ;;
esac
