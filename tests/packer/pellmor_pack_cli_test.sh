#!/usr/bin/env bash
# pellmor-pack from the outside: build -> list / test / extract round trips, every
# refusal with its message and exit status, reproducibility, package.ini, and
# that a failed build leaves nothing behind.
#
# Usage: bash pellmor_pack_cli_test.sh PATH_TO_pellmor-pack SOURCE_DIR
set -u

PACK=$(readlink -f "$1")
WORK=$(mktemp -d "${TMPDIR:-/tmp}/pellmor-pack-cli.XXXXXX")
trap 'chmod -R u+w "$WORK" 2>/dev/null; rm -rf "$WORK"' EXIT
cd "$WORK" || exit 1
export LC_ALL=C.UTF-8
unset SOURCE_DATE_EPOCH PELLMOR_STUB_DIR

failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}

# run CMD...: runs pellmor-pack, keeping its status, stdout and stderr.
run() {
  "$PACK" "$@" >out.txt 2>err.txt
  status=$?
}
# expect STATUS WHAT: the last run ended with STATUS.
expect_status() {
  [ "$status" -eq "$1" ] || fail "$2: exit status $status, expected $1; stderr: $(cat err.txt)"
}
# expect_err TEXT WHAT: stderr of the last run contains TEXT (fixed string).
expect_err() {
  grep -qF -- "$1" err.txt || fail "$2: stderr lacks \"$1\"; it was: $(cat err.txt)"
}
expect_out() {
  grep -qF -- "$1" out.txt || fail "$2: stdout lacks \"$1\"; it was: $(cat out.txt)"
}
# refused STATUS TEXT WHAT ARGS...: a build that must fail with STATUS and TEXT,
# writing nothing: no package and no temporary file in out/.
refused() {
  local want=$1 text=$2 what=$3
  shift 3
  rm -rf out && mkdir out
  run build "$@"
  expect_status "$want" "$what"
  expect_err "$text" "$what"
  [ -z "$(ls -A out)" ] || fail "$what: the failed build left $(ls -A out)"
}

# A small stand-in stub: the packer pads it to the stub size.
printf 'MZ stand-in stub' > stub.exe
STUB=(--stub "$WORK/stub.exe")

# --- the source tree ----------------------------------------------------------
mkdir -p src/docs/deep src/empty
printf '[Version]\r\nSignature="$Windows NT$"\r\n' > src/setup.inf
seq 1 20000 > src/docs/numbers.txt
head -c 70000 /dev/urandom > src/docs/deep/random.bin
: > src/docs/empty.txt
printf 'caf\xc3\xa9\n' > 'src/docs/café.txt'
touch -d '2021-06-15 10:20:31' src/setup.inf
printf 'Welcome to the test package.\nIt says caf\xc3\xa9 and \xe2\x82\xac.\n' > welcome.txt
printf 'Licence line one.\nLine two.\n' > licence.txt

# --- help, version, usage ---------------------------------------------------------
run --version; expect_status 0 "--version"; expect_out "pellmor-pack " "--version"
run --help; expect_status 0 "--help"; expect_out "Exit status" "--help"
for command in build list test extract; do
  run "$command" --help; expect_status 0 "$command --help"; expect_out "Usage: pellmor-pack $command" "$command --help"
done
run frobnicate; expect_status 2 "unknown command"; expect_err 'unknown command "frobnicate"' "unknown command"
run; expect_status 2 "no command"
run build src -o out.exe --frobnicate "${STUB[@]}"; expect_status 2 "unknown option"; expect_err 'unknown option "frobnicate"' "unknown option"
run build src -o out.exe --level 13 "${STUB[@]}"; expect_status 2 "level 13"; expect_err "level" "level 13"
run build src -o; expect_status 2 "-o without value"; expect_err "-o needs a value" "-o without value"
run extract nothing.exe; expect_status 2 "extract without -d"; expect_err "-d DIR" "extract without -d"

# --- round trip -------------------------------------------------------------------
rm -rf out && mkdir out
run build src -o out/Setup.exe "${STUB[@]}" --title "Test Package" --welcome welcome.txt --licence licence.txt \
  --info "Version 1.2" --keep-open
expect_status 0 "build"
[ -s err.txt ] && fail "build: a build without warnings wrote to stderr (not a terminal): $(cat err.txt)"
[ "$(ls -A out)" = "Setup.exe" ] || fail "build: out/ holds $(ls -A out)"
[ "$(head -c 16 out/Setup.exe)" = "MZ stand-in stub" ] || fail "build: the stub does not open the package"
[ "$(dd if=out/Setup.exe bs=1 skip=34304 count=3 2>/dev/null)" = "KZB" ] || fail "build: no header at 34304"
[ "$(od -An -tu1 -j34307 -N1 out/Setup.exe | tr -d ' ')" = "1" ] || fail "build: KeepOpen not set"
[ "$(od -An -tu1 -j34310 -N1 out/Setup.exe | tr -d ' ')" = "0" ] || fail "build: NeedsAdmin set without --needs-admin"

run list out/Setup.exe
expect_status 0 "list"
expect_out "Title         Test Package" "list title"
expect_out "INF field     ><setup.inf" "list default INF field"
expect_out "Keep open     yes" "list keep-open"
expect_out "Integrity     passed" "list integrity"
expect_out "    Version 1.2" "list info text"
expect_out "    It says café and €." "list welcome text unscrambled, back in UTF-8"
expect_out "    Line two." "list licence text"
expect_out "docs/café.txt" "list name back in UTF-8"
expect_out "2021-06-15 10:20:30  setup.inf" "list DOS time (2-second units)"
expect_out "stored             0          0  00000000  no   " "list empty directory entry"
expect_out "empty/" "list empty directory"
grep -q '^deflated .*docs/numbers.txt$' out.txt || fail "list: numbers.txt not deflated: $(cat out.txt)"
grep -q '^stored .*docs/deep/random.bin$' out.txt || fail "list: incompressible random.bin not stored"
expect_out "6 entries" "list entry count"
# Entries in byte order of their names.
names=$(sed -n '/^Method/,/entries,/p' out.txt | awk 'NR > 1 && $NF != "packed" {print $NF}')
[ "$names" = "$(printf '%s\n' "$names" | LC_ALL=C sort)" ] || fail "list: entries not sorted: $names"

run test out/Setup.exe
expect_status 0 "test"; expect_out "sound: 6 entries" "test summary"
run test -q out/Setup.exe; expect_status 0 "test -q"; [ -s out.txt ] && fail "test -q printed: $(cat out.txt)"

run extract out/Setup.exe -d extracted
expect_status 0 "extract"
diff -r src extracted >/dev/null || fail "extract: the tree differs from the source: $(diff -r src extracted | head -5)"
[ "$(stat -c %Y extracted/setup.inf)" = "$(date -d '2021-06-15 10:20:30' +%s)" ] || fail "extract: file time not restored"

# Welcome text: LF became CR LF in the package.
command -v python3 >/dev/null || fail "python3 is missing: the byte checks cannot run"
python3 - out/Setup.exe <<'EOF' || fail "welcome text is not stored with CR LF"
import sys
data = open(sys.argv[1], 'rb').read()
title_len, inf_len, info_len = data[34308], data[34309], data[34311]
welcome_len = int.from_bytes(data[34312:34316], 'little')
start = 34324 + title_len + inf_len + info_len
raw = bytearray(data[start:start + welcome_len])
seed = 947
for i in range(1, len(raw)):
    seed = (seed * 134775813 + 1) & 0xFFFFFFFF
    raw[i] ^= (seed >> 25) | 0x80
text = bytes(raw)
assert text == 'Welcome to the test package.\r\nIt says café and €.\r\n'.encode('cp1252'), text
EOF

# Level 0 stores everything.
run build src -o out/stored.exe "${STUB[@]}" --level 0
expect_status 0 "build --level 0"
run list out/stored.exe
grep -q '^deflated' out.txt && fail "--level 0: an entry is deflated"
run test out/stored.exe; expect_status 0 "test level 0"

# --needs-admin sets the flag.
run build src -o out/admin.exe "${STUB[@]}" --needs-admin
expect_status 0 "build --needs-admin"
[ "$(od -An -tu1 -j34310 -N1 out/admin.exe | tr -d ' ')" = "1" ] || fail "--needs-admin: flag not set"

# --extra: stored between the texts and the archive, skipped by the reader.
printf 'EXTRA-DATA' > extra.bin
run build src -o out/extra.exe "${STUB[@]}" --extra extra.bin
expect_status 0 "build --extra"
run list out/extra.exe; expect_out "Extra data    10 bytes" "list extra"
run test out/extra.exe; expect_status 0 "test with extra data"

# --- passwords ----------------------------------------------------------------------
run build src -o out/locked.exe "${STUB[@]}" --password 'sesame'
expect_status 0 "build --password"
expect_err "ZipCrypto" "password warning"
expect_err "weak" "password warning"
run list out/locked.exe; grep -q 'yes  .*numbers.txt' out.txt || fail "list: encrypted entry not marked"
run test out/locked.exe; expect_status 5 "test without password"; expect_err "give --password" "test without password"
run test out/locked.exe --password wrong; expect_status 5 "test wrong password"; expect_err "wrong password" "wrong password"
run test out/locked.exe --password sesame; expect_status 0 "test right password"
printf 'sesame\n' > pw.txt
run extract out/locked.exe -d unlocked --password-file pw.txt
expect_status 0 "extract --password-file"
diff -r src unlocked >/dev/null || fail "extract with password: the tree differs"
run build src -o out/locked2.exe "${STUB[@]}" --password-file pw.txt
expect_status 0 "build --password-file"
run test out/locked2.exe --password sesame; expect_status 0 "password from file"
refused 3 "the password is empty" "empty password" src -o out/x.exe "${STUB[@]}" --password ''
refused 3 "at most 79" "long password" src -o out/x.exe "${STUB[@]}" --password "$(printf 'p%.0s' $(seq 80))"
refused 2 "not both" "both password options" src -o out/x.exe "${STUB[@]}" --password a --password-file pw.txt

# --- reproducibility ----------------------------------------------------------------
run build src -o out/a.exe "${STUB[@]}"; run build src -o out/b.exe "${STUB[@]}"
cmp -s out/a.exe out/b.exe || fail "two builds of the same inputs differ"
SOURCE_DATE_EPOCH=1700000000 "$PACK" build src -o out/c.exe "${STUB[@]}" || fail "build with SOURCE_DATE_EPOCH"
touch src/docs/numbers.txt src/setup.inf
SOURCE_DATE_EPOCH=1700000000 "$PACK" build src -o out/d.exe "${STUB[@]}" || fail "build with SOURCE_DATE_EPOCH"
cmp -s out/c.exe out/d.exe || fail "SOURCE_DATE_EPOCH: new file times changed the package"
run list out/c.exe; expect_out "2023-11-14 22:13:20  setup.inf" "SOURCE_DATE_EPOCH time (UTC)"
run build src -o out/e.exe "${STUB[@]}" --password sesame
run build src -o out/f.exe "${STUB[@]}" --password sesame
cmp -s out/e.exe out/f.exe && fail "two encrypted builds share their encryption headers"
SOURCE_DATE_EPOCH=soon "$PACK" build src -o out/g.exe "${STUB[@]}" 2>err.txt; status=$?
expect_status 2 "malformed SOURCE_DATE_EPOCH"; expect_err "SOURCE_DATE_EPOCH" "malformed SOURCE_DATE_EPOCH"

# --- package.ini ------------------------------------------------------------------------
mkdir -p proj/files
cp src/setup.inf proj/files/
cp welcome.txt proj/
cat > proj/package.ini <<'EOF'
; the test package
[package]
source = files
output = ../out/ini.exe
title = "  From the ini  "
welcome = welcome.txt
keep-open = yes
needs-admin = no
level = 9
EOF
echo "stub = $WORK/stub.exe" >> proj/package.ini
rm -rf out && mkdir out
run build --config proj/package.ini
expect_status 0 "build --config"
run list out/ini.exe
expect_out "Title           From the ini  " "ini: quoted value keeps its blanks"
expect_out "Keep open     yes" "ini: keep-open"
expect_out "It says café" "ini: welcome path relative to the ini"
run build --config proj/package.ini --title "From the command line" --keep-open=no
expect_status 0 "build --config with overrides"
run list out/ini.exe
expect_out "Title         From the command line" "command line wins over the ini"
expect_out "Keep open     no" "--keep-open=no wins over the ini"
# Exclusions, and an output folder that does not exist yet.
cp welcome.txt proj/files/notes.bak && mkdir -p proj/files/.git && echo x > proj/files/.git/HEAD
printf 'exclude = *.bak .git\n' >> proj/package.ini
run build --config proj/package.ini -o out/new/folder/ini.exe
expect_status 0 "build --config with exclude into a new folder"
run list out/new/folder/ini.exe
grep -qE 'notes.bak|HEAD' out.txt && fail "exclude: excluded files were packed: $(cat out.txt)"
expect_out "setup.inf" "exclude keeps the rest"
run build --config proj/package.ini -o out/ini2.exe --exclude 'setup.*'
expect_status 3 "--exclude adds to the ini's patterns"; expect_err "holds no file" "--exclude adds to the ini's patterns"
printf 'title = x\ncolour = blue\n' > bad.ini
run build --config bad.ini; expect_status 2 "unknown ini key"; expect_err 'bad.ini:2: unknown option "colour"' "unknown ini key"
printf 'title = x\ntitle = y\n' > twice.ini
run build --config twice.ini; expect_status 2 "ini key twice"; expect_err "twice.ini:2" "ini key twice"

# --- refusals ------------------------------------------------------------------------------
refused 3 "--title: line 1, column 3: the character 'ż' (U+017C) has no place in code page 1252" \
  "title outside the code page" src -o out/x.exe "${STUB[@]}" --title 'Zażółć'
rm -rf out && mkdir out
run build src -o out/pl.exe "${STUB[@]}" --title 'Zażółć' --codepage 1250
expect_status 0 "--codepage 1250 holds the title"
run list out/pl.exe --codepage 1250; expect_out "Title         Zażółć" "list --codepage 1250"
refused 2 "not a Windows ANSI code page" "unknown code page" src -o out/x.exe "${STUB[@]}" --codepage utf-8
refused 3 "--title is 256 bytes" "long title" src -o out/x.exe "${STUB[@]}" --title "$(printf 't%.0s' $(seq 256))"
refused 3 "--info is 256 bytes" "long info" src -o out/x.exe "${STUB[@]}" --info "$(printf 'i%.0s' $(seq 256))"
refused 3 "--inf is 258 bytes" "long INF field" src -o out/x.exe "${STUB[@]}" --inf "><$(printf 'f%.0s' $(seq 256))"
refused 3 "--title: line 1, column 4: the control character U+000A" "title with a line break" \
  src -o out/x.exe "${STUB[@]}" --title "$(printf 'one\ntwo')"
printf 'bad \xff byte\n' > badwelcome.txt
refused 3 "--welcome (badwelcome.txt): line 1, column 5: not valid UTF-8" "welcome not UTF-8" \
  src -o out/x.exe "${STUB[@]}" --welcome badwelcome.txt
refused 4 "cannot read nowhere.txt" "missing welcome file" src -o out/x.exe "${STUB[@]}" --licence nowhere.txt

refused 3 "names \"missing.inf\", which is not a file of the package" "INF not in the package" \
  src -o out/x.exe "${STUB[@]}" --inf '><missing.inf'
refused 3 "does not name a file of the package" "INF outside the package" \
  src -o out/x.exe "${STUB[@]}" --inf 'C:\Windows\inf\x.inf'
rm -rf out && mkdir out
run build src -o out/sub.exe "${STUB[@]}" --inf '><DOCS\NUMBERS.TXT|ignored'
expect_status 0 "INF field matched without regard to case and separator"

mkdir -p noinf && echo x > noinf/a.txt
refused 3 "no .inf file at the top" "no INF file" noinf -o out/x.exe "${STUB[@]}"
mkdir -p twoinf && echo x > twoinf/a.inf && echo y > twoinf/b.INF
refused 3 "several .inf files at the top of the source folder (a.inf, b.INF)" "two INF files" twoinf -o out/x.exe "${STUB[@]}"
mkdir -p emptysrc
refused 3 "holds no file" "empty source" emptysrc -o out/x.exe "${STUB[@]}" --inf '><x.inf'

bad_name() {  # bad_name FILE TEXT WHAT
  rm -rf badsrc && mkdir -p "badsrc/$(dirname "$1")" && cp src/setup.inf badsrc/ && echo x > "badsrc/$1"
  refused 3 "$2" "$3" badsrc -o out/x.exe "${STUB[@]}"
}
bad_name 'CON.txt' '"CON.txt" is a reserved device name' "device name"
bad_name 'sub/aux' '"aux" is a reserved device name' "device name in a folder"
bad_name 'a:b.txt' "holds a ':'" "colon in a name"
bad_name 'what?.txt' "a character Windows forbids" "question mark in a name"
bad_name 'trailing.' "ends with a dot or a blank" "trailing dot"
bad_name 'zażółć.txt' "has no place in code page 1252" "name outside the code page"
bad_name "$(printf 'n%.0s' $(seq 250))/$(printf 'm%.0s' $(seq 10))" "the installer reads at most 257" "long name"
rm -rf badsrc && mkdir badsrc && cp src/setup.inf badsrc/ && echo 1 > badsrc/Read.me && echo 2 > badsrc/READ.ME
refused 3 "would be the same name on Windows" "names differing in case" badsrc -o out/x.exe "${STUB[@]}"
rm -rf badsrc && mkdir -p badsrc/Data && cp src/setup.inf badsrc/ && echo 1 > badsrc/data && echo 2 > badsrc/Data/x
refused 3 "would be the same name on Windows" "file beside a folder differing in case" badsrc -o out/x.exe "${STUB[@]}"
rm -rf badsrc && mkdir -p badsrc && cp src/setup.inf badsrc/ && ln -s nowhere badsrc/dangling
refused 4 "points at nothing" "dangling link" badsrc -o out/x.exe "${STUB[@]}"
rm -rf badsrc && mkdir -p badsrc/loop && cp src/setup.inf badsrc/ && ln -s .. badsrc/loop/up
refused 4 "leads back to a folder above it" "link loop" badsrc -o out/x.exe "${STUB[@]}"
rm -rf badsrc && mkdir -p badsrc && cp src/setup.inf badsrc/ && mkfifo badsrc/pipe
refused 4 "neither a file nor a folder" "named pipe" badsrc -o out/x.exe "${STUB[@]}"

head -c 34305 /dev/zero > big-stub.exe
refused 3 "is 34305 bytes, more than 34304" "stub too large" src -o out/x.exe --stub big-stub.exe
# The default stub: $PELLMOR_STUB_DIR comes first; win64 and the administrator
# variant are picked by name.
mkdir -p stubs/win64
printf 'MZ win32 plain' > stubs/pellmor-stub.exe
printf 'MZ win32 admin' > stubs/pellmor-stub-admin.exe
printf 'MZ win64 plain' > stubs/win64/pellmor-stub.exe
printf 'MZ win64 admin' > stubs/win64/pellmor-stub-admin.exe
for pick in "win32 plain:" "win32 admin:--needs-admin" "win64 plain:--stub-arch win64" "win64 admin:--stub-arch win64 --needs-admin"; do
  rm -f out/stub.exe
  # shellcheck disable=SC2086
  PELLMOR_STUB_DIR="$WORK/stubs" "$PACK" build src -o out/stub.exe ${pick#*:} 2>/dev/null || fail "default stub $pick"
  [ "$(head -c 14 out/stub.exe)" = "MZ ${pick%%:*}" ] || fail "default stub: ${pick#*:} took $(head -c 14 out/stub.exe)"
done
# Sizes: sparse files, refused before a byte of them is read.
rm -rf huge && mkdir huge && cp src/setup.inf huge/ && truncate -s 4G huge/four.bin
refused 3 "4 GiB or larger" "a file of 4 GiB" huge -o out/x.exe "${STUB[@]}"
rm -rf huge && mkdir huge && cp src/setup.inf huge/ && truncate -s 2200M huge/two.bin
refused 3 "the installer reads packages of at most 2147483647 bytes" "package over 2 GiB" huge -o out/x.exe "${STUB[@]}" --level 0
rm -rf huge && mkdir huge && cp src/setup.inf huge/ && truncate -s 3G huge/a.bin && truncate -s 3G huge/b.bin
refused 3 "more than 4 GiB" "inputs over 4 GiB" huge -o out/x.exe "${STUB[@]}"
rm -rf huge

# A failed build keeps the old package as it was.
rm -rf out && mkdir out
"$PACK" build src -o out/Setup.exe "${STUB[@]}" || fail "build for the keep test"
cp out/Setup.exe old.exe
run build src -o out/Setup.exe "${STUB[@]}" --title 'Zażółć'
expect_status 3 "refused rebuild"
cmp -s old.exe out/Setup.exe || fail "a refused build changed the existing package"
[ "$(ls -A out)" = "Setup.exe" ] || fail "a refused build left $(ls -A out)"
# The output inside the source folder is not packed into the next build.
cp -r src selfsrc
"$PACK" build selfsrc -o selfsrc/Setup.exe "${STUB[@]}" && "$PACK" build selfsrc -o selfsrc/Setup.exe "${STUB[@]}" ||
  fail "build into the source folder"
"$PACK" list selfsrc/Setup.exe | grep -q 'Setup.exe$' && fail "the previous package was packed into the next"

# --- damaged packages ----------------------------------------------------------------
cp out/Setup.exe damaged.exe
offset=$(python3 -c "
import sys
d = open('damaged.exe', 'rb').read()
i = d.index(b'PK\x03\x04', 34304)
while True:
    name_len = int.from_bytes(d[i+26:i+28], 'little'); extra = int.from_bytes(d[i+28:i+30], 'little')
    size = int.from_bytes(d[i+18:i+22], 'little')
    if d[i+30:i+30+name_len] == b'docs/numbers.txt': print(i + 30 + name_len + extra + size // 2); break
    i = i + 30 + name_len + extra + size
")
printf '\x55' | dd of=damaged.exe bs=1 seek="$offset" conv=notrunc 2>/dev/null
run test damaged.exe; expect_status 1 "test of damaged data"
expect_err "docs/numbers.txt" "damaged entry named"
run extract damaged.exe -d dmg; expect_status 1 "extract of damaged data"
[ -e dmg/docs/numbers.txt ] && fail "extract left the damaged file behind"
[ -e dmg/setup.inf ] || fail "extract did not write the sound entries"

head -c -1 out/Setup.exe > short.exe
run test short.exe; expect_status 1 "truncated package"; expect_err "Incorrect file size" "truncated package"
run list short.exe; expect_status 1 "list of a truncated package"; expect_out "Integrity     FAILED" "list truncated"
{ cat out/Setup.exe; printf 'x'; } > long.exe
run test long.exe; expect_status 1 "lengthened package"; expect_err "integrity check fails" "lengthened package"
head -c 50000 /dev/urandom > random.exe
run test random.exe; expect_status 1 "not a package"; expect_err "not a Pellmor package" "not a package"
run test does-not-exist.exe; expect_status 4 "missing package"; expect_err "cannot open" "missing package"

# --- extraction confinement -----------------------------------------------------------
mkdir -p trap elsewhere && ln -s "$WORK/elsewhere" trap/docs
run extract out/Setup.exe -d trap; expect_status 4 "extract through a symbolic link"
expect_err "symbolic link" "extract through a symbolic link"
[ -z "$(ls -A elsewhere)" ] || fail "extract wrote through a symbolic link: $(ls -A elsewhere)"
mkdir -p trap2 && ln -s "$WORK/elsewhere/target.inf" trap2/setup.inf
run extract out/Setup.exe -d trap2; expect_status 4 "extract onto a symbolic link"
[ -e elsewhere/target.inf ] && fail "extract followed a symbolic link to a file"

if [ "$failures" -ne 0 ]; then
  echo "$failures check(s) failed" >&2
  exit 1
fi
echo "all pellmor-pack CLI checks passed"
