#!/usr/bin/env bash
# Whole-job comparison of pellmor-pack with Info-ZIP on about 100 MB of real
# files gathered from /usr, all measured in this one run:
#   pellmor-pack build (default level)  against  zip -9 -r   (size and time)
#   pellmor-pack test                   against  unzip -tq   (time)
#   pellmor-pack extract                against  unzip -qo   (time)
# Goals: a smaller package than zip -9 in no more time; test and extract at
# least as fast as unzip. A ratio below 1 is in pellmor-pack's favour.
#
# Usage: bench/packer_bench.sh [PATH_TO_pellmor-pack] [CORPUS_MB]
set -euo pipefail

PACK=${1:-build/host/pellmor-pack}
CORPUS_MB=${2:-100}
PACK=$(readlink -f "$PACK")
for tool in zip unzip tar awk; do
  command -v "$tool" >/dev/null || { echo "packer_bench: $tool is missing" >&2; exit 1; }
done
[ -x "$PACK" ] || { echo "packer_bench: no pellmor-pack at $PACK" >&2; exit 1; }

WORK=$(mktemp -d "${TMPDIR:-/tmp}/packer-bench.XXXXXX")
trap 'rm -rf "$WORK"' EXIT

# The corpus: a quarter each from /usr/bin, /usr/lib, /usr/share and
# /usr/include (programs, libraries, data and documentation, headers): regular
# files in sorted order, each under 8 MB. Names Windows cannot hold (device
# names, characters it forbids, names that differ only in letter case) are
# passed over, as a package author would have to.
gather() {
  local root=$1 limit=$(( $2 * 1000000 ))
  find "$root" -xdev -type f -size -8M -readable -printf '%p\t%s\n' 2>/dev/null |
    LC_ALL=C sort |
    LC_ALL=C awk -F '\t' -v limit="$limit" '
      $1 ~ /[^A-Za-z0-9._+\/-]/ { next }
      {
        n = split($1, part, "/"); bad = 0
        for (i = 2; i <= n; i++) {
          base = toupper(part[i]); sub(/\..*/, "", base)
          if (base ~ /^(CON|PRN|AUX|NUL|COM[0-9]|LPT[0-9])$/ || part[i] ~ /\.$/) bad = 1
        }
        key = tolower($1)
        if (bad || (key in seen) || (key in folder) || length($1) > 150) next
        prefix = ""
        for (i = 2; i < n; i++) {
          prefix = prefix "/" tolower(part[i])
          if (prefix in seen) bad = 1
        }
        if (bad) next
        prefix = ""
        for (i = 2; i < n; i++) { prefix = prefix "/" tolower(part[i]); folder[prefix] = 1 }
        seen[key] = 1
        print $1
        total += $2
        if (total >= limit) exit
      }' || true  # the early exit ends find and sort with SIGPIPE
}
mkdir -p "$WORK/corpus"
for root in /usr/bin /usr/lib /usr/share /usr/include; do gather "$root" $((CORPUS_MB / 4)); done > "$WORK/list"
tar -cf - --files-from="$WORK/list" 2>/dev/null | tar -xf - -C "$WORK/corpus"
printf '[Version]\nSignature="$Windows NT$"\n' > "$WORK/corpus/bench.inf"
files=$(find "$WORK/corpus" -type f | wc -l)
bytes=$(du -sb "$WORK/corpus" | cut -f1)

# A stand-in stub of the full stub size: the bench measures packing, not the stub.
{ printf 'MZ'; head -c 34302 /dev/zero; } > "$WORK/stub.exe"

# best_of N CMD...: the shortest wall time of N runs, in seconds. The machine may
# be shared; the best run is the one least disturbed.
best_of() {
  local n=$1 best="" i t0 t1
  shift
  for i in $(seq "$n"); do
    t0=$(date +%s%N)
    "$@" >/dev/null
    t1=$(date +%s%N)
    best=$(awk -v a="$best" -v b=$(( t1 - t0 )) 'BEGIN { print (a == "" || b < a) ? b : a }')
  done
  awk -v ns="$best" 'BEGIN { printf "%.3f", ns / 1e9 }'
}
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.3f", a / b }'; }
ROUNDS=3

cd "$WORK"
zip_build() { rm -f zip9.zip && (cd corpus && zip -9 -r -q ../zip9.zip .); }
pack_build=$(best_of $ROUNDS "$PACK" build corpus -o pack.exe --stub stub.exe)
zip_build=$(best_of $ROUNDS zip_build)
pack_size=$(stat -c %s pack.exe)
zip_size=$(stat -c %s zip9.zip)

pack_test=$(best_of $ROUNDS "$PACK" test -q pack.exe)
unzip_test=$(best_of $ROUNDS unzip -tq zip9.zip)

pack_extract=$(best_of $ROUNDS "$PACK" extract pack.exe -d out-pack)
unzip_extract=$(best_of $ROUNDS unzip -qo zip9.zip -d out-unzip)
diff -r out-pack out-unzip >/dev/null || { echo "packer_bench: the two extractions differ" >&2; exit 1; }

echo "corpus: $files files, $bytes bytes from /usr"
echo "times: best of $ROUNDS runs, wall clock, $(nproc) processors"
printf '%-34s %12s %12s %8s\n' "job" "pellmor-pack" "Info-ZIP" "ratio"
printf '%-34s %12s %12s %8s\n' "package size (bytes), zip -9 -r" "$pack_size" "$zip_size" "$(ratio "$pack_size" "$zip_size")"
printf '%-34s %12s %12s %8s\n' "build time (s), zip -9 -r" "$pack_build" "$zip_build" "$(ratio "$pack_build" "$zip_build")"
printf '%-34s %12s %12s %8s\n' "test time (s), unzip -tq" "$pack_test" "$unzip_test" "$(ratio "$pack_test" "$unzip_test")"
printf '%-34s %12s %12s %8s\n' "extract time (s), unzip -qo" "$pack_extract" "$unzip_extract" "$(ratio "$pack_extract" "$unzip_extract")"
