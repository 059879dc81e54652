# Shared helpers of the scripts that run dozero under Wine (sourced, never run):
# scripts/run, scripts/wine-prefix, tests/win32/wine_check, tests/e2e/run, tests/soak/run,
# bench/wine/run. Expects $root (the repository). Functions return non-zero and say why on
# stderr; they never exit the caller.

# ---- Wine ---------------------------------------------------------------------------------

# Prints the x86_64 Wine loader ($WINE64 first).
dz_find_wine64() {
  local c
  for c in "${WINE64:-}" /usr/lib/wine/wine64 /usr/bin/wine64 /usr/lib64/wine/wine64 \
    /opt/wine-stable/bin/wine64; do
    if [ -n "$c" ] && [ -x "$c" ]; then
      echo "$c"
      return 0
    fi
  done
  echo "the x86_64 Wine loader (wine64) is missing; run scripts/setup (Debian packages wine, wine64)" >&2
  return 1
}

# Prints the wineserver that belongs to the loader $1.
dz_find_wineserver() {
  local c
  for c in "$(dirname "$1")/wineserver" /usr/lib/wine/wineserver /usr/bin/wineserver; do
    if [ -x "$c" ]; then
      echo "$c"
      return 0
    fi
  done
  echo "wineserver is missing; run scripts/setup" >&2
  return 1
}

# Sets $wine64 and $wineserver.
dz_wine() {
  wine64=$(dz_find_wine64) && wineserver=$(dz_find_wineserver "$wine64")
}

# Whether Wine can start 32-bit programs: its 32-bit loader beside the 64-bit one (Debian's
# wine32:i386).
dz_wine_has_32bit() {
  local w64
  w64=$(dz_find_wine64 2>/dev/null) || return 1
  [ -x "$(dirname "$w64")/wine" ] && [ -d /usr/lib/i386-linux-gnu/wine ]
}

# Whether this kernel runs 32-bit x86 code: a static 32-bit program without any library that
# only makes the exit system call. Kernels built without IA-32 emulation, or booted with it
# off, refuse to start it. The answer is kept per boot in $DOZERO_PROBE_DIR (default /tmp).
dz_kernel_runs_32bit() {
  local dir=${DOZERO_PROBE_DIR:-${TMPDIR:-/tmp}} boot answer probe
  boot=$(cat /proc/sys/kernel/random/boot_id 2>/dev/null || echo unknown)
  answer=$dir/dozero-ia32.$boot
  if [ ! -f "$answer" ]; then
    probe=$dir/dozero-ia32-probe.$$
    printf '%s\n' 'void _start(void) {' \
      '  __asm__ volatile("movl $1, %eax\n\tmovl $42, %ebx\n\tint $0x80");' '}' >"$probe.c"
    if ! gcc -m32 -static -nostdlib -O0 -o "$probe" "$probe.c" 2>"$probe.log"; then
      echo "dz_kernel_runs_32bit: cannot build the 32-bit probe (gcc -m32):" \
        "$(head -3 "$probe.log")" >&2
      rm -f "$probe" "$probe.c" "$probe.log"
      return 2
    fi
    "$probe" >/dev/null 2>&1
    if [ $? -eq 42 ]; then echo yes >"$answer"; else echo no >"$answer"; fi
    rm -f "$probe" "$probe.c" "$probe.log"
  fi
  [ "$(cat "$answer")" = yes ]
}

# i686 or x86_64: the machine field of a Windows program's PE header.
dz_exe_arch() {
  local pe machine
  pe=$(od -An -t u4 -j 60 -N 4 "$1" 2>/dev/null | tr -d ' ')
  [ -n "$pe" ] || return 1
  machine=$(od -An -t x2 -j $((pe + 4)) -N 2 "$1" | tr -d ' ')
  case $machine in
    014c) echo i686 ;;
    8664) echo x86_64 ;;
    *) return 1 ;;
  esac
}

# ---- prefixes -----------------------------------------------------------------------------

# A fresh copy of the shared prefix template at $1 (see scripts/wine-prefix).
dz_copy_prefix() {
  "$root/scripts/wine-prefix" --copy "$1" >/dev/null
}

# The prefix of scripts/run (and of the look scenario) is dressed for people:
# - Wine's own fonts (Debian's fonts-wine) are registered in the prefix's font folder, so the
#   title bar draws its buttons with Marlett instead of the letters "0 1 r";
# - the Japanese dialog face, which the panels reach through "MS Shell Dlg", is drawn by
#   Ume UI Gothic, a proportional Japanese face with the metrics of the face the dialog
#   templates were laid out with: with a wider face the captions are cut ("座標コー"), and
#   with a wider Latin alphabet the dialog units grow and the panels outgrow the window.
dz_dress_prefix() {  # PREFIX
  local prefix=$1 fonts=/usr/share/wine/fonts reg f
  [ -f $fonts/marlett.ttf ] || {
    echo "Wine's own fonts are missing; run scripts/setup (Debian package fonts-wine)" >&2
    return 1
  }
  mkdir -p "$prefix/drive_c/windows/Fonts"
  for f in "$fonts"/*.ttf; do
    ln -f "$f" "$prefix/drive_c/windows/Fonts/" 2>/dev/null || cp -f "$f" "$prefix/drive_c/windows/Fonts/"
  done
  reg=$prefix/dozero-look.reg
  # regedit reads .reg files as UTF-16 or in the ANSI code page; plain ASCII here.
  printf '%s\r\n' 'REGEDIT4' '' '[HKEY_CURRENT_USER\Software\Wine\Fonts\Replacements]' \
    '"MS UI Gothic"="Ume UI Gothic"' '' >"$reg"
  dz_wine || return 1
  WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" LANG=ja_JP.UTF-8 DISPLAY= \
    timeout -k 5 60 "$wine64" regedit /S "Z:$(echo "$reg" | tr / '\\')" >/dev/null 2>&1 </dev/null
  WINEPREFIX=$prefix timeout -k 5 30 "$wineserver" -w >/dev/null 2>&1 </dev/null
  rm -f "$reg"
  grep -q '"MS UI Gothic"="Ume UI Gothic"' "$prefix/user.reg" || {
    echo "dz_dress_prefix: the font replacement did not reach $prefix/user.reg" >&2
    return 1
  }
}

# ---- virtual display ----------------------------------------------------------------------

xvfb_pid=""
xvfb_display=""

# Starts Xvfb on a free display (log in DIR/xvfb.log); sets $xvfb_display (":N") and $xvfb_pid.
dz_start_xvfb() {  # DIR [WIDTHxHEIGHTxDEPTH]
  local dir=$1 screen=${2:-1280x1024x24} fdfile i
  command -v Xvfb >/dev/null || {
    echo "Xvfb is missing; run scripts/setup (Debian package xvfb)" >&2
    return 1
  }
  mkdir -p "$dir"
  fdfile=$dir/xvfb.display.$$
  rm -f "$fdfile"
  Xvfb -displayfd 3 -screen 0 "$screen" -dpi 96 -nolisten tcp -noreset 3>"$fdfile" \
    >"$dir/xvfb.log" 2>&1 </dev/null &
  xvfb_pid=$!
  for i in $(seq 100); do
    if [ -s "$fdfile" ] && grep -q '^[0-9]' "$fdfile"; then
      xvfb_display=":$(head -1 "$fdfile" | tr -dc 0-9)"
      rm -f "$fdfile"
      return 0
    fi
    kill -0 "$xvfb_pid" 2>/dev/null || break
    sleep 0.1
  done
  echo "Xvfb did not start, see $dir/xvfb.log" >&2
  dz_stop_xvfb
  return 1
}

dz_stop_xvfb() {
  if [ -n "$xvfb_pid" ]; then
    kill "$xvfb_pid" 2>/dev/null
    wait "$xvfb_pid" 2>/dev/null
    xvfb_pid=""
  fi
  return 0
}

# ---- the driver ---------------------------------------------------------------------------

# Builds the end-to-end driver for ARCH (i686 or x86_64) into OUT when its sources are newer;
# the driver works the program's window and, for the soak, reads the program's handle table,
# so it is built for the program's own architecture.
dz_build_driver() {  # ARCH OUT
  local arch=$1 out=$2 src=$root/tests/e2e f newer=0
  [ -f "$out" ] || newer=1
  for f in "$src"/driver.cpp "$src"/driver.h "$src"/soak.cpp "$root"/src/panels/ids.h; do
    [ "$f" -nt "$out" ] && newer=1
  done
  ((newer)) || return 0
  mkdir -p "$(dirname "$out")"
  "$arch-w64-mingw32-g++-posix" -std=c++17 -O2 -Wall -Wextra -Werror -static \
    -I"$root/src" -o "$out.$$" "$src/driver.cpp" "$src/soak.cpp" -luser32 -lgdi32 -lpsapi &&
    mv -f "$out.$$" "$out"
}

# ---- names of controls and menu items -----------------------------------------------------

# Defines a shell variable for every IDM_/IDC_ macro of src/panels/ids.h (IDC_BOARD_LOAD=1009,
# ...), so the scripts name controls as the program does.
dz_load_ids() {
  local name value n=0
  while read -r name value; do
    printf -v "$name" '%s' "$value"
    n=$((n + 1))
  done < <(sed -n 's/^#define \(ID[CM]_[A-Z0-9_]*\) \([0-9][0-9]*\)[[:space:]]*$/\1 \2/p' \
    "$root/src/panels/ids.h")
  ((n > 0)) || {
    echo "dz_load_ids: no identifiers read from src/panels/ids.h" >&2
    return 1
  }
}
