#!/usr/bin/env bash
# End-to-end cases under Wine: the x86_64 twin of the installer runs real
# packages, the robot plays the person, and Wine's own
# `rundll32 setupapi,InstallHinfSection` runs each package's INF, which copies
# hello.txt to C:\PellmorE2E\<case>\ and writes HKCU\Software\PellmorE2E\<case>.
# Each case checks the texts shown at every step, what the INF did, and that
# the working directory is gone after Close.
#
# Usage: cases.sh CASE        (cases.sh --list prints the cases)
set -u
. "$(dirname "$0")/lib.sh"

CASES="no_licence licence_declined_then_accepted password_wrong_then_right overwrite_prompt
failed_extraction missing_inf setupx_engine_missing needs_admin impostor_never_runs"

# Texts the installer shows (escaped as the robot reads them).
NOTICE='Pellmor setup package. Its files are unpacked to a temporary folder and removed when setup is done.\r\n'
DEFAULT_WELCOME='\r\n\r\n\r\nPlease click "Install" to start setup.'
FINISH_TEXT='\r\n\r\n\r\n\r\nPlease click the "Finish" button to close this window after setup.'
LICENCE_PROMPT='To continue with this installation, you must agree to all terms of this licence agreement.'
PASSWORD_CAPTION='Please enter the password to continue...'
HELLO=$'Hello from the Pellmor end-to-end test.\r\n'

# The INF of a case: copy hello.txt to C:\PellmorE2E\<case> (24 = the system
# drive's root), write one HKCU value.
write_inf() {
  cat >"$E2E_DIR/e2e.inf" <<EOF
[Version]
Signature="\$Chicago\$"

[DefaultInstall]
CopyFiles=E2E.Files
AddReg=E2E.Reg

[DestinationDirs]
E2E.Files=24,PellmorE2E\\$E2E_NAME

[E2E.Files]
hello.txt

[E2E.Reg]
HKCU,Software\\PellmorE2E\\$E2E_NAME,Greeting,,"Hello from $E2E_NAME"
EOF
  printf '%s' "$HELLO" >"$E2E_DIR/hello.txt"
}

# make_e2e_package options shared by most cases: stub, INF field, the INF and hello.txt.
base_options() {
  printf '%s\n' --stub "$E2E_WIN64/pellmor-stub.exe" --inf '><e2e.inf' \
    --file "e2e.inf=$E2E_DIR/e2e.inf" --file "hello.txt=$E2E_DIR/hello.txt"
}

installed_hex() { { e2e_hex <"$E2E_C/PellmorE2E/$E2E_NAME/hello.txt"; } 2>/dev/null; }
registry_value() { e2e_reg_value "HKCU\\Software\\PellmorE2E\\$E2E_NAME" Greeting; }

check_installed() {
  e2e_check "the INF copied hello.txt" e2e_equal "$(installed_hex)" "$(printf '%s' "${1:-$HELLO}" | e2e_hex)"
  e2e_check "the INF wrote the registry value" e2e_equal "$(registry_value)" "Hello from $E2E_NAME"
}

check_not_installed() {
  e2e_check "the INF copied nothing" test ! -e "$E2E_C/PellmorE2E/$E2E_NAME"
  e2e_check "the INF wrote no registry value" e2e_equal "$(registry_value)" ""
}

check_work_dir_gone() {
  e2e_check "the working directory is gone" e2e_equal "$(e2e_work_dirs)" ""
}

# KeepOpen 1, no licence: welcome, Install, finished state, Info twice, Finish.
# The package has a file in a subfolder, so Close must remove that folder too.
case_no_licence() {
  local title='Pellmor E2E: no licence'
  local welcome='\r\n\r\n\r\nWelcome to the Pellmor end-to-end test.\r\nPress Install to go on.'
  local info='Info line of the e2e package.'
  write_inf
  mapfile -t options < <(base_options)
  e2e_package setup.exe "${options[@]}" --title "$title" --keep-open 1 --info "$info" \
    --welcome "$(printf '%b' "$welcome")" --text 'docs/readme.txt=Read me.' --level 0 --text 'stored.txt=stored'
  e2e_start setup.exe
  r window "$title" 3002
  r text 3002 "$welcome"
  r text 1 '&Install'
  r text 2 '&Close'
  r enabled 1 1
  r enabled 2 1
  r rect
  r waitfile 'C:\e2e\screenshot-taken'
  r click 1
  r text 2 '&Finish'
  r text 3002 "$FINISH_TEXT"
  r text 1 '&Info'
  r enabled 1 1
  r enabled 2 1
  r waitfile 'C:\e2e\work-dir-checked'
  r click 1
  r msgbox 'License Information' "$NOTICE$info"
  r window "$title" 3002
  r click 1
  r msgbox 'License Information' "$NOTICE$info"
  r window "$title" 3002
  r text 3002 "$FINISH_TEXT"
  r click 2
  r gone "$title"
  e2e_robot_start
  if e2e_robot_await '^rect '; then
    # shellcheck disable=SC2046
    e2e_screenshot "$E2E_OUT/main-dialog.png" $(e2e_robot_seen | sed -n 's/^rect //p')
  fi
  e2e_signal screenshot-taken
  if e2e_robot_await '^enabled 2 1' && e2e_robot_await '^text 1 "&Info"'; then
    local work
    work=$(e2e_work_dirs)
    e2e_check "while finished, the working directory holds the extracted files" \
      e2e_equal "$(cd "$work" 2>/dev/null && find . -mindepth 1 | sort | tr '\n' ' ')" \
      "./docs ./docs/readme.txt ./e2e.inf ./hello.txt ./stored.txt "
  fi
  e2e_signal work-dir-checked
  e2e_robot_join
  e2e_wait_stub
  check_installed
  check_work_dir_gone
}

# KeepOpen 0 with a licence and the default welcome text: Cancel keeps the
# welcome state; Install again, I agree, and the window closes by itself.
case_licence_declined_then_accepted() {
  local title='Pellmor E2E: licence'
  local licence='Licence of the e2e package.\r\nLine two of the licence.'
  write_inf
  mapfile -t options < <(base_options)
  e2e_package setup.exe "${options[@]}" --title "$title" --keep-open 0 --licence "$(printf '%b' "$licence")"
  e2e_start setup.exe
  r window "$title" 3002
  r text 3002 "$DEFAULT_WELCOME"
  r click 1
  r window 'Licence agreement' 2002
  r text 2002 "$licence"
  r text 2004 "$LICENCE_PROMPT"
  r text 1 'I agree'
  r text 2 '&Cancel'
  r click 2
  r closed
  r window "$title" 3002
  r text 3002 "$DEFAULT_WELCOME"
  r text 1 '&Install'
  r enabled 1 1
  r enabled 2 1
  r click 1
  r window 'Licence agreement' 2002
  r click 1
  r closed
  r gone "$title"
  e2e_robot
  e2e_wait_stub
  check_installed
  check_work_dir_gone
}

# Encrypted entries: a wrong password brings the dialog back, the right one is
# remembered for the next entry.
case_password_wrong_then_right() {
  local title='Pellmor E2E: password'
  write_inf
  e2e_package setup.exe --stub "$E2E_WIN64/pellmor-stub.exe" --inf '><e2e.inf' --title "$title" --keep-open 0 \
    --password 's3cret pass' --file "e2e.inf=$E2E_DIR/e2e.inf" --level 0 --file "hello.txt=$E2E_DIR/hello.txt"
  e2e_start setup.exe
  r window "$title" 3002
  r click 1
  r window "$PASSWORD_CAPTION" 101
  r text 1 '&Ok'
  r text 2 '&Cancel'
  r type 101 'wrong'
  r click 1
  r closed
  r window "$PASSWORD_CAPTION" 101
  r type 101 's3cret pass'
  r click 1
  r closed
  r gone "$title"
  r absent "$PASSWORD_CAPTION"
  e2e_robot
  e2e_wait_stub
  check_installed
  check_work_dir_gone
}

# hello.txt three times: No keeps the first, then "Don't ask again" + Yes lets
# the third replace it without a further prompt.
case_overwrite_prompt() {
  local title='Pellmor E2E: overwrite'
  write_inf
  e2e_package setup.exe --stub "$E2E_WIN64/pellmor-stub.exe" --inf '><e2e.inf' --title "$title" --keep-open 0 \
    --file "e2e.inf=$E2E_DIR/e2e.inf" --text 'hello.txt=first' --text 'hello.txt=second' \
    --text 'hello.txt=third'
  e2e_start setup.exe
  r window "$title" 3002
  r click 1
  r window "$title" 401
  r text 101 'hello.txt already exists - overwrite ?'
  r text 401 "Don't &ask again"
  r text 1 '&Yes'
  r text 2 '&No'
  r click 2
  r closed
  r window "$title" 401
  r text 101 'hello.txt already exists - overwrite ?'
  r tick 401
  r click 1
  r closed
  r gone "$title"
  e2e_robot
  e2e_wait_stub
  check_installed third
  check_work_dir_gone
}

# A damaged entry (wrong CRC): the extraction's message, the dialog ends with
# result 1 and the INF never runs. As designed, files of a failed run stay.
case_failed_extraction() {
  local title='Pellmor E2E: failed extraction'
  write_inf
  e2e_package setup.exe --stub "$E2E_WIN64/pellmor-stub.exe" --inf '><e2e.inf' --title "$title" --keep-open 1 \
    --file "e2e.inf=$E2E_DIR/e2e.inf" --bad-crc --file "hello.txt=$E2E_DIR/hello.txt"
  e2e_start setup.exe
  r window "$title" 3002
  r click 1
  r msgbox Error 'Error extracting file(s).'
  r gone "$title"
  e2e_robot
  e2e_wait_stub
  check_not_installed
  e2e_check "the files of the failed run stay in the working directory" \
    test -f "$(e2e_work_dirs)/e2e.inf"
}

# The INF field names a file the archive does not hold: the engine runs, fails
# quietly (its exit code is not -1), and the window reaches its finished state
# without a message.
case_missing_inf() {
  local title='Pellmor E2E: missing INF'
  write_inf
  e2e_package setup.exe --stub "$E2E_WIN64/pellmor-stub.exe" --inf '><missing.inf' --title "$title" \
    --keep-open 1 --file "e2e.inf=$E2E_DIR/e2e.inf" --file "hello.txt=$E2E_DIR/hello.txt"
  e2e_start setup.exe
  r window "$title" 3002
  r click 1
  r text 2 '&Finish'
  r text 3002 "$FINISH_TEXT"
  r absent Error
  r click 2
  r gone "$title"
  e2e_robot
  e2e_wait_stub
  check_not_installed
  check_work_dir_gone
}

# SetupX.dll in the system directory picks "RunDll.exe SetupX.dll", which a
# Wine prefix does not have: "Couldn't initialize installation.", then the
# finished state as after a setup.
case_setupx_engine_missing() {
  local title='Pellmor E2E: SetupX'
  write_inf
  : >"$E2E_C/windows/system32/SetupX.dll"
  mapfile -t options < <(base_options)
  e2e_package setup.exe "${options[@]}" --title "$title" --keep-open 1
  e2e_start setup.exe
  r window "$title" 3002
  r click 1
  r msgbox Error "Couldn't initialize installation."
  r window "$title" 3002
  r text 2 '&Finish'
  r text 3002 "$FINISH_TEXT"
  r text 1 '&Info'
  r click 2
  r gone "$title"
  e2e_robot
  e2e_wait_stub
  check_not_installed
  check_work_dir_gone
}

# The header demands administrator rights; the stub that asks for elevation
# (requireAdministrator) runs it. Wine grants the rights, so setup goes through.
case_needs_admin() {
  local title='Pellmor E2E: administrator'
  write_inf
  e2e_package setup.exe --stub "$E2E_WIN64/pellmor-stub-admin.exe" --inf '><e2e.inf' --title "$title" \
    --needs-admin 1 --keep-open 0 --file "e2e.inf=$E2E_DIR/e2e.inf" --file "hello.txt=$E2E_DIR/hello.txt"
  e2e_start setup.exe
  r window "$title" 3002
  r absent Error
  r click 1
  r gone "$title"
  e2e_robot
  e2e_wait_stub
  check_installed
  check_work_dir_gone
}

# A program named RunDll32.exe beside the package (the download folder) and one
# inside the archive (the working directory, the engine's current directory):
# neither may run; the system's engine does. The impostor is first run by hand
# to show that it leaves its mark. The run also traces SetDefaultDllDirectories.
case_impostor_never_runs() {
  local title='Pellmor E2E: impostor'
  local mark="$E2E_C/e2e/impostor-ran.txt"
  write_inf
  cp "$E2E_WIN64/pellmor-impostor.exe" "$E2E_C/Downloads/RunDll32.exe"
  (cd "$E2E_C/Downloads" && timeout 60 "$E2E_WINE" 'C:\Downloads\RunDll32.exe') >/dev/null 2>&1
  e2e_check "the impostor leaves its mark when it runs" test -f "$mark"
  rm -f "$mark"
  mapfile -t options < <(base_options)
  e2e_package setup.exe "${options[@]}" --title "$title" --keep-open 0 \
    --file "RunDll32.exe=$E2E_WIN64/pellmor-impostor.exe"
  e2e_start setup.exe WINEDEBUG=-all,+relay
  r window "$title" 3002
  r click 1
  r gone "$title"
  e2e_robot
  e2e_wait_stub
  e2e_check "no impostor ran" test ! -e "$mark"
  check_installed
  check_work_dir_gone
  e2e_check "DLLs load from the system directory only (SetDefaultDllDirectories(0x800) succeeded)" \
    grep -q 'Ret  KERNEL32.SetDefaultDllDirectories() retval=00000001' "$E2E_DIR/stub.log"
  grep -q 'Call KERNEL32.SetDefaultDllDirectories(00000800)' "$E2E_DIR/stub.log" ||
    { e2e_log "not ok - SetDefaultDllDirectories was called with 0x800"; E2E_FAILURES=$((E2E_FAILURES + 1)); }
}

if [ "${1:-}" = --list ]; then
  printf '%s\n' $CASES
  exit 0
fi
[ $# -eq 1 ] && [[ " $(echo $CASES) " == *" $1 "* ]] || { echo "usage: $0 CASE (one of: $(echo $CASES))" >&2; exit 2; }
e2e_init "$1"
"case_$1"
e2e_finish
