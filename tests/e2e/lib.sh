# Helpers of the end-to-end tests (sourced by tests/e2e/run, tests/soak/run, bench/wine/run
# after scripts/lib/wine.sh). Expects: root (repository), e2e_dir (build/e2e), wine64,
# wineserver, driver_exe, exe.

# ---- virtual display -----------------------------------------------------------------------

display=""

# Starts Xvfb at depth 24 on a free display; sets $display.
start_xvfb() {
  dz_start_xvfb "$e2e_dir" 1280x1024x24 || {
    echo "e2e: no virtual display" >&2
    return 1
  }
  display=$xvfb_display
}

stop_xvfb() { dz_stop_xvfb; }

# ---- one prefix, one program --------------------------------------------------------------

pfx=""        # the current scenario's prefix
lang=""       # the current scenario's LANG
prog_pid=""   # the `timeout` process that runs the program
prog_log=""
prog_env=()  # extra environment of the program, e.g. (MALLOC_CHECK_=3)
prog_limit=300  # seconds the program may run before it is ended

wine_env() {
  env -u LC_ALL -u LANGUAGE WINEPREFIX="$pfx" DISPLAY="$display" LANG="$lang" WINEDEBUG=-all \
    WINEDLLOVERRIDES="mscoree,mshtml=" "$@"
}

new_prefix() {  # NAME: a fresh copy of the template as the current prefix
  pfx=$e2e_dir/prefixes/$$-$1
  dz_copy_prefix "$pfx"
}

# Starts dozero.exe (or the program given) in the current prefix, working directory = the
# program's directory, and waits for its window unless told "nowait".
start_program() {  # [EXE [nowait]]
  local program=${1:-$exe}
  prog_log=$e2e_dir/logs/$scenario_id.program.log
  (cd "$(dirname "$program")" &&
    exec env -u LC_ALL -u LANGUAGE WINEPREFIX="$pfx" DISPLAY="$display" LANG="$lang" \
      WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" "${prog_env[@]}" \
      timeout -k 5 "$prog_limit" "$wine64" "./$(basename "$program")" >"$prog_log" 2>&1 </dev/null) &
  prog_pid=$!
  [ "${2:-}" = nowait ] && return 0
  local out
  out=$(d wait-window 30000)
  [ "$out" = ok ] || { fail "the program's window did not appear"; return 1; }
}

# The Unix process of the program in the current prefix: the process whose command is a
# dozero.exe and whose WINEPREFIX is this prefix. (A 32-bit program is not a child of the
# process that started it: Wine's 64-bit loader hands it to a process of its own.)
program_unix_pid() {
  local p
  for p in /proc/[0-9]*; do
    tr '\0' '\n' <"$p/cmdline" 2>/dev/null | head -1 | grep -q 'dozero\.exe$' || continue
    tr '\0' '\n' <"$p/environ" 2>/dev/null | grep -qxF "WINEPREFIX=$pfx" || continue
    echo "${p#/proc/}"
    return 0
  done
  return 1
}

# Resident anonymous memory of the program's Unix process in KiB (Wine does not give one
# process another's counters), or "gone".
program_memory_kb() {
  local unix_pid
  unix_pid=$(program_unix_pid) || {
    echo gone
    return
  }
  awk '/^RssAnon:/ { print $2; found = 1 } END { if (!found) print "gone" }' \
    "/proc/$unix_pid/status" 2>/dev/null || echo gone
}

# Waits for the program's process to end; prints its exit code (or "timeout").
program_exit_code() {
  local i
  for i in $(seq 100); do
    if ! kill -0 "$prog_pid" 2>/dev/null; then
      wait "$prog_pid"
      echo $?
      prog_pid=""
      return
    fi
    sleep 0.1
  done
  echo timeout
}

# Ends everything running in the current prefix.
stop_prefix() {
  [ -n "$pfx" ] || return 0
  WINEPREFIX=$pfx timeout -k 2 15 "$wineserver" -k >/dev/null 2>&1 </dev/null
  if [ -n "$prog_pid" ]; then
    local i
    for i in $(seq 50); do kill -0 "$prog_pid" 2>/dev/null || break; sleep 0.1; done
    kill "$prog_pid" 2>/dev/null
    wait "$prog_pid" 2>/dev/null
    prog_pid=""
  fi
  WINEPREFIX=$pfx timeout -k 2 15 "$wineserver" -w >/dev/null 2>&1 </dev/null
}

# ---- the driver ---------------------------------------------------------------------------

# d COMMAND ARGS [";" COMMAND ARGS]...: runs the driver in the current prefix, prints its
# answer. A failing driver records a failure of the scenario.
d() {
  local tag out err rc hung=$e2e_dir/logs/$scenario_id.$$.hung
  # Once the program stopped answering, the rest of the scenario is skipped quickly.
  [ -f "$hung" ] && return 1
  tag=$e2e_dir/logs/driver.$BASHPID.$(date +%s%N)
  out=$tag.out
  err=$tag.err
  wine_env DRIVER_TIMEOUT=60 timeout -k 2 70 "$wine64" "$driver_exe" "$@" >"$out" 2>"$err" \
    </dev/null
  rc=$?
  # The driver itself never ends with 1 and always says why it fails: 1 with no output at all
  # is Wine failing to start it (seen once in many runs on a busy machine). Once more, noted.
  if [ $rc -eq 1 ] && [ ! -s "$out" ] && [ ! -s "$err" ]; then
    echo "  note: the driver did not start (Wine answered 1, no output); starting it again" >&2
    wine_env DRIVER_TIMEOUT=60 timeout -k 2 70 "$wine64" "$driver_exe" "$@" >"$out" 2>"$err" \
      </dev/null
    rc=$?
  fi
  cat "$out"
  if [ $rc -ne 0 ]; then
    fail "driver '$*' failed ($rc): $(tr '\n' ' ' <"$err" | cut -c1-300)"
    if [ $rc -ge 3 ] || grep -q 'not answered in time' "$err"; then
      fail "the program does not answer any more: rest of the scenario skipped"
      touch "$hung"
    fi
  fi
  rm -f "$out" "$err"
  return $rc
}

# Hex form of a UTF-8 text for the driver.
hex() { printf 'hex:%s' "$(printf '%s' "$1" | od -An -tx1 -v | tr -d ' \n')"; }

# ---- checks -------------------------------------------------------------------------------

scenario_checks=0

screenshot() {  # FILE.png: the whole virtual screen
  timeout 10 import -display "$display" -window root "$1" >/dev/null 2>&1 || true
}

# Checks and failures are counted in files: checks also run and fail inside command
# substitutions (the driver runs in one), whose variables do not reach the runner.
failure_file() { echo "$e2e_dir/logs/$scenario_id.$$.failures"; }
checks_file() { echo "$e2e_dir/logs/$scenario_id.$$.checks"; }

scenario_failure_count() {
  if [ -f "$(failure_file)" ]; then wc -l <"$(failure_file)"; else echo 0; fi
}

# The checks the scenario made, wherever they ran.
scenario_check_count() {
  if [ -f "$(checks_file)" ]; then wc -l <"$(checks_file)"; else echo 0; fi
}

counted() {
  scenario_checks=$((scenario_checks + 1))
  echo "$1" >>"$(checks_file)"
}

fail() {
  local f
  f=$(failure_file)
  echo "    FAIL: $*" >&2
  echo "$*" >>"$f"
  if [ "$(wc -l <"$f")" -eq 1 ]; then
    screenshot "$e2e_dir/shots/FAILED-$scenario_id.png"
  fi
}

check() {  # DESCRIPTION EXPECTED ACTUAL
  counted "$1"
  if [ "$3" != "$2" ]; then fail "$1: expected [$2], got [$3]"; fi
}

check_match() {  # DESCRIPTION EXTENDED-REGEX ACTUAL
  counted "$1"
  if ! [[ "$3" =~ $2 ]]; then fail "$1: [$3] does not match /$2/"; fi
}

check_num() {  # DESCRIPTION ACTUAL OP NUMBER   (OP: -gt -ge -lt -le -eq -ne)
  counted "$1"
  if ! [[ "$2" =~ ^-?[0-9]+$ ]] || ! [ "$2" "$3" "$4" ]; then fail "$1: [$2] is not $3 $4"; fi
}

check_ne() {  # DESCRIPTION UNEXPECTED ACTUAL
  counted "$1"
  if [ "$3" = "$2" ]; then fail "$1: still [$3]"; fi
}

# A screenshot of a passing scenario, kept for looking at (Japanese run only).
keep_shot() {  # NAME
  if [ "$lang_tag" = ja ]; then screenshot "$e2e_dir/shots/$1.png"; fi
}
