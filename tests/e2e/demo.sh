#!/usr/bin/env bash
# The demo: builds a package from examples/hello, runs it under Wine on a virtual
# display (the x86_64 twin of the installer), lets the robot read the welcome
# text, accept the licence, press Install, show the Info box and press Finish,
# and then prints what the package's INF did and where the screenshots are.
#
# Needs the host and win64 builds (./run.sh demo builds them first). Screenshots
# and the transcript go to build/demo unless PELLMOR_E2E_OUT says otherwise.
set -u
SOURCE=$(cd "$(dirname "$0")/../.." && pwd)
export PELLMOR_E2E_OUT=${PELLMOR_E2E_OUT:-$SOURCE/build/demo}
. "$SOURCE/tests/e2e/lib.sh"
E2E_SKIP=1  # a demo that cannot run is a failure, not a skipped test

HELLO=$SOURCE/examples/hello
TITLE='Pellmor Hello Example'
e2e_init demo
e2e_log "Building the package: pellmor-pack build --config examples/hello/package.ini ..."
mkdir -p "$E2E_C/Downloads"
"$SOURCE/build/host/pellmor-pack" build --config "$HELLO/package.ini" \
  --stub "$E2E_WIN64/pellmor-stub.exe" -o "$E2E_C/Downloads/hello-setup.exe" ||
  { e2e_log "could not build hello-setup.exe"; exit 1; }
cp "$E2E_C/Downloads/hello-setup.exe" "$E2E_OUT/hello-setup.exe"
e2e_log "Running C:\\Downloads\\hello-setup.exe under Wine (display $DISPLAY) ..."
e2e_start hello-setup.exe

r window "$TITLE" 3002
r show 3002
r rect
r waitfile 'C:\e2e\shot-welcome'
r click 1
r window 'Licence agreement' 2002
r show 2002
r rect
r waitfile 'C:\e2e\shot-licence'
r click 1
r closed
r window "$TITLE" 3002
r text 2 '&Finish'
r show 3002
r rect
r waitfile 'C:\e2e\shot-finished'
r click 1
r msgbox 'License Information'
r window "$TITLE" 3002
r click 2
r gone "$TITLE"
e2e_robot_start

# Waits for the robot's n-th window rectangle, takes a screenshot of it, then
# signals the robot to go on.
rect_count() { e2e_robot_seen | grep -c '^rect '; }
shoot() {
  local n=$1 file=$2 signal=$3 i
  for i in $(seq 300); do
    [ "$(rect_count)" -ge "$n" ] && break
    kill -0 "$E2E_ROBOT_PID" 2>/dev/null || return 0
    sleep 0.1
  done
  # shellcheck disable=SC2046
  [ "$(rect_count)" -ge "$n" ] &&
    e2e_screenshot "$E2E_OUT/$file" $(e2e_robot_seen | grep '^rect ' | sed -n "${n}p" | cut -d' ' -f2-)
  e2e_signal "$signal"
}
shoot 1 main-dialog.png shot-welcome
shoot 2 licence-dialog.png shot-licence
shoot 3 finished.png shot-finished
e2e_robot_join
e2e_wait_stub

e2e_log ""
e2e_log "What the INF did:"
copied="$E2E_C/Pellmor Hello/hello.txt"
if [ -f "$copied" ]; then
  e2e_log "  C:\\Pellmor Hello\\hello.txt:"
  tr -d '\r' <"$copied" | sed 's/^/    | /'
else
  e2e_log "  C:\\Pellmor Hello\\hello.txt is missing"
  E2E_FAILURES=$((E2E_FAILURES + 1))
fi
for name in Greeting InstalledFile; do
  value=$(e2e_reg_value 'HKCU\Software\Pellmor\Hello' "$name")
  e2e_log "  HKCU\\Software\\Pellmor\\Hello  $name = ${value:-(missing)}"
  [ -n "$value" ] || E2E_FAILURES=$((E2E_FAILURES + 1))
done
if [ -z "$(e2e_work_dirs)" ]; then
  e2e_log "  the working directory \$Pellmor.Tmp is gone"
else
  e2e_log "  the working directory is still there: $(e2e_work_dirs)"
  E2E_FAILURES=$((E2E_FAILURES + 1))
fi
e2e_log ""
e2e_log "Package:     $E2E_OUT/hello-setup.exe"
e2e_log "Screenshots: $E2E_OUT/main-dialog.png, licence-dialog.png, finished.png"
e2e_log "Transcript:  $E2E_OUT/demo.log"
e2e_finish
