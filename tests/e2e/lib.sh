# Shared machinery of the end-to-end tests under Wine, sourced by cases.sh and
# demo.sh. Each run gets its own scratch folder, a private Wine prefix and its own
# Xvfb display; at the end it stops only what it started (by pid) and ends the
# prefix's Wine processes with `wineserver -k`. Every external step runs under
# `timeout`, so nothing hangs.
#
# Environment (all optional):
#   PELLMOR_WIN64_DIR      the x86_64 build with pellmor-stub*.exe, pellmor-robot.exe,
#                          pellmor-impostor.exe (default: <source>/build/win64)
#   PELLMOR_MAKE_PACKAGE   the host program make_e2e_package (default: <source>/build/host/make_e2e_package)
#   PELLMOR_E2E_OUT        where transcripts and screenshots are kept (default: <source>/build/e2e)
#   PELLMOR_WINE           the 64-bit Wine loader (default: /usr/lib/wine/wine64, else wine64 on PATH)
#   PELLMOR_E2E_KEEP=1     keep the scratch folder and prefix for inspection

E2E_SOURCE=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
E2E_SKIP=77          # ctest's SKIP_RETURN_CODE
E2E_FAILURES=0
E2E_STUB_PID=
E2E_ROBOT_PID=
E2E_XVFB_PID=
E2E_DIR=
E2E_ROBOT_RUNS=0
E2E_SCRIPT=()

e2e_log() { printf '%s\n' "$*"; }

e2e_skip() {
  e2e_log "SKIP: $*"
  exit "$E2E_SKIP"
}

# Records one check: e2e_check WHAT COMMAND... (the command's status decides).
e2e_check() {
  local what=$1
  shift
  if "$@"; then
    e2e_log "ok - $what"
  else
    e2e_log "not ok - $what"
    E2E_FAILURES=$((E2E_FAILURES + 1))
  fi
}

# The bytes of a file and of a text, as hex: trailing line ends count too.
e2e_hex() { od -An -v -tx1 | tr -d ' \n'; }

e2e_equal() {
  [ "$1" = "$2" ] && return 0
  e2e_log "    got:      $(printf '%q' "$1")"
  e2e_log "    expected: $(printf '%q' "$2")"
  return 1
}

# Finds the tools or skips the test with the reason.
e2e_locate() {
  E2E_WIN64=${PELLMOR_WIN64_DIR:-$E2E_SOURCE/build/win64}
  E2E_MAKE=${PELLMOR_MAKE_PACKAGE:-$E2E_SOURCE/build/host/make_e2e_package}
  E2E_OUT=${PELLMOR_E2E_OUT:-$E2E_SOURCE/build/e2e}
  E2E_WINE=${PELLMOR_WINE:-/usr/lib/wine/wine64}
  [ -x "$E2E_WINE" ] || E2E_WINE=$(command -v wine64 || true)
  [ -n "$E2E_WINE" ] && [ -x "$E2E_WINE" ] || e2e_skip "wine64 not found (install the wine64 package)"
  E2E_WINESERVER=$(dirname "$E2E_WINE")/wineserver
  [ -x "$E2E_WINESERVER" ] || E2E_WINESERVER=$(command -v wineserver || true)
  [ -n "$E2E_WINESERVER" ] || e2e_skip "wineserver not found beside $E2E_WINE"
  command -v Xvfb >/dev/null || e2e_skip "Xvfb not found (install the xvfb package)"
  local tool
  for tool in pellmor-stub.exe pellmor-stub-admin.exe pellmor-robot.exe pellmor-impostor.exe; do
    [ -f "$E2E_WIN64/$tool" ] ||
      e2e_skip "$E2E_WIN64/$tool is missing: build the win64 preset first (cmake --preset win64 && cmake --build build/win64), or set PELLMOR_WIN64_DIR"
  done
  [ -x "$E2E_MAKE" ] || e2e_skip "$E2E_MAKE is missing: build the host preset first"
  mkdir -p "$E2E_OUT"
}

# A display of our own: Xvfb picks a free number itself (-displayfd), so runs in
# parallel never collide. The black root (-br) keeps screenshots plain.
e2e_start_display() {
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -br 3>"$E2E_DIR/display" 2>"$E2E_DIR/xvfb.log" &
  E2E_XVFB_PID=$!
  local i
  for i in $(seq 100); do
    [ -s "$E2E_DIR/display" ] && break
    kill -0 "$E2E_XVFB_PID" 2>/dev/null || break
    sleep 0.1
  done
  [ -s "$E2E_DIR/display" ] || { e2e_log "Xvfb did not start:"; cat "$E2E_DIR/xvfb.log"; exit 1; }
  export DISPLAY=":$(head -n1 "$E2E_DIR/display")"
}

# A fresh prefix (about 6 s). Every program runs on one virtual desktop drawn by
# Wine itself, so windows have captions and the robot shares the desktop with the
# installer. Relay tracing, when a run asks for it, covers only the calls named.
e2e_make_prefix() {
  export WINEPREFIX=$E2E_DIR/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" WINEARCH=win64
  timeout 120 "$E2E_WINE" wineboot -i >"$E2E_DIR/wineboot.log" 2>&1 ||
    { e2e_log "wineboot failed:"; cat "$E2E_DIR/wineboot.log"; exit 1; }
  E2E_C=$WINEPREFIX/drive_c
  cat >"$E2E_C/e2e-settings.reg" <<'EOF'
Windows Registry Editor Version 5.00

[HKEY_CURRENT_USER\Software\Wine\Explorer]
"Desktop"="Default"

[HKEY_CURRENT_USER\Software\Wine\Explorer\Desktops]
"Default"="1024x768"

[HKEY_CURRENT_USER\Software\Wine\Debug]
"RelayInclude"="kernel32.SetDefaultDllDirectories;kernelbase.SetDefaultDllDirectories"
EOF
  timeout 60 "$E2E_WINE" reg import 'C:\e2e-settings.reg' >/dev/null 2>&1 || { e2e_log "reg import failed"; exit 1; }
  # The desktop process that wineboot started knows nothing of the virtual
  # desktop yet: end it, so the next program starts one with these settings.
  timeout 30 "$E2E_WINESERVER" -k 2>/dev/null
  mkdir -p "$E2E_C/Downloads" "$E2E_C/e2e"
  cp "$E2E_WIN64/pellmor-robot.exe" "$E2E_C/e2e/robot.exe"
}

e2e_cleanup() {
  local pid
  for pid in $E2E_ROBOT_PID $E2E_STUB_PID; do
    kill "$pid" 2>/dev/null
  done
  if [ -n "${WINEPREFIX:-}" ] && [ -d "${WINEPREFIX:-}" ]; then
    timeout 30 "$E2E_WINESERVER" -k 2>/dev/null
  fi
  for pid in $E2E_ROBOT_PID $E2E_STUB_PID; do
    wait "$pid" 2>/dev/null
  done
  if [ -n "$E2E_XVFB_PID" ]; then
    kill "$E2E_XVFB_PID" 2>/dev/null
    wait "$E2E_XVFB_PID" 2>/dev/null
  fi
  if [ -n "$E2E_DIR" ] && [ "${PELLMOR_E2E_KEEP:-0}" != 1 ]; then
    rm -rf "$E2E_DIR"
  elif [ -n "$E2E_DIR" ]; then
    e2e_log "kept $E2E_DIR"
  fi
}

# e2e_init NAME: tools, scratch folder, display, prefix.
e2e_init() {
  E2E_NAME=$1
  e2e_locate
  E2E_DIR=$(mktemp -d "/tmp/pellmor-e2e-$E2E_NAME.XXXXXX")
  trap e2e_cleanup EXIT
  trap 'exit 1' INT TERM
  e2e_start_display
  e2e_make_prefix
  : >"$E2E_OUT/$E2E_NAME.log"
}

# e2e_package FILE [make_e2e_package options]: a package in C:\Downloads.
e2e_package() {
  local file=$1
  shift
  timeout 60 "$E2E_MAKE" --out "$E2E_C/Downloads/$file" "$@" >/dev/null ||
    { e2e_log "could not build $file"; exit 1; }
}

# e2e_start FILE: starts C:\Downloads\FILE with C:\Downloads as its current
# directory (the download folder), in the background. Extra environment may be
# given as NAME=VALUE words after the file.
e2e_start() {
  local file=$1
  shift
  (cd "$E2E_C/Downloads" && exec env "$@" timeout 150 "$E2E_WINE" "C:\\Downloads\\$file") \
    >"$E2E_DIR/stub.log" 2>&1 &
  E2E_STUB_PID=$!
}

# Waits (at most 60 s) for the installer to end; its exit code must be 0. One
# still running then is stopped, and that is a failure.
e2e_wait_stub() {
  local i code
  for i in $(seq 600); do
    kill -0 "$E2E_STUB_PID" 2>/dev/null || break
    sleep 0.1
  done
  if kill -0 "$E2E_STUB_PID" 2>/dev/null; then
    e2e_log "the installer is still running: stopping it"
    kill "$E2E_STUB_PID" 2>/dev/null
  fi
  wait "$E2E_STUB_PID"
  code=$?
  E2E_STUB_PID=
  e2e_check "the installer ended with exit code 0" e2e_equal "$code" 0
}

# Robot script lines: r COMMAND FIELD... (joined with TABs; escapes as the robot reads them).
r() {
  local IFS=$'\t'
  E2E_SCRIPT+=("$*")
}

e2e_write_script() {
  E2E_ROBOT_RUNS=$((E2E_ROBOT_RUNS + 1))
  E2E_SCRIPT_NAME=script$E2E_ROBOT_RUNS.txt
  printf '%s\r\n' "${E2E_SCRIPT[@]}" >"$E2E_C/e2e/$E2E_SCRIPT_NAME"
  E2E_SCRIPT=()
}

# Runs the script gathered so far; prints the robot's transcript.
e2e_robot() {
  e2e_write_script
  timeout 150 "$E2E_WINE" 'C:\e2e\robot.exe' "C:\\e2e\\$E2E_SCRIPT_NAME" 2>>"$E2E_DIR/robot.err" |
    tr -d '\r' | tee -a "$E2E_OUT/$E2E_NAME.log"
  local code=${PIPESTATUS[0]}
  e2e_check "the robot saw every expected text" e2e_equal "$code" 0
}

# The same in the background, for scripts that wait for the test's signals.
e2e_robot_start() {
  e2e_write_script
  E2E_ROBOT_LOG=$E2E_DIR/robot$E2E_ROBOT_RUNS.log
  timeout 150 "$E2E_WINE" 'C:\e2e\robot.exe' "C:\\e2e\\$E2E_SCRIPT_NAME" >"$E2E_ROBOT_LOG" 2>>"$E2E_DIR/robot.err" &
  E2E_ROBOT_PID=$!
}

# The robot's transcript so far, without the console's CRs.
e2e_robot_seen() { tr -d '\r' <"$E2E_ROBOT_LOG" 2>/dev/null; }

# Waits until the robot's transcript has a line matching the pattern (grep -E).
e2e_robot_await() {
  local i
  for i in $(seq 600); do
    e2e_robot_seen | grep -qE "$1" && return 0
    kill -0 "$E2E_ROBOT_PID" 2>/dev/null || break
    sleep 0.1
  done
  e2e_robot_seen | grep -qE "$1"
}

e2e_signal() { : >"$E2E_C/e2e/$1"; }

e2e_robot_join() {
  wait "$E2E_ROBOT_PID"
  local code=$?
  E2E_ROBOT_PID=
  e2e_robot_seen | tee -a "$E2E_OUT/$E2E_NAME.log"
  e2e_check "the robot saw every expected text" e2e_equal "$code" 0
}

# A registry value of the prefix, or nothing when it is absent.
e2e_reg_value() {
  timeout 60 "$E2E_WINE" reg query "$1" /v "$2" 2>/dev/null | tr -d '\r' |
    sed -n "s/^ *$2 *REG_[A-Z_]* *//p"
}

# The installer's working directories ($Pellmor.Tmp under the temp path), if any.
e2e_work_dirs() {
  find "$E2E_C" -maxdepth 6 -name '$Pellmor.Tmp' 2>/dev/null
}

# e2e_screenshot FILE X Y W H: the rectangle of the Xvfb screen.
e2e_screenshot() {
  local file=$1 x=$2 y=$3 w=$4 h=$5
  if ! command -v import >/dev/null; then
    e2e_log "no screenshot: ImageMagick's import is not installed"
    return 0
  fi
  timeout 30 import -display "$DISPLAY" -window root -crop "${w}x${h}+${x}+${y}" +repage "$file" &&
    e2e_log "screenshot: $file"
}

e2e_finish() {
  if [ "$E2E_FAILURES" -eq 0 ]; then
    e2e_log "PASS $E2E_NAME"
    exit 0
  fi
  e2e_log "FAIL $E2E_NAME: $E2E_FAILURES check(s) failed (transcript: $E2E_OUT/$E2E_NAME.log)"
  exit 1
}
