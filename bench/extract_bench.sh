#!/usr/bin/env bash
# Whole-job extraction benchmark: the stub's ExtractArchive (host build over the
# POSIX stand-in, bench/extract_bench.cpp) against unzip -qo, 7z x and bsdtar -xf
# on one archive of about 100 MB of real files gathered from /usr, each run into
# a fresh folder (on tmpfs when /dev/shm is there), medians of RUNS runs after
# one warm-up, all measured in this one run. Goal: ours no slower than the
# fastest. A ratio below 1 is in our favour.
#
# Usage: bench/extract_bench.sh [BUILD_DIR] [CORPUS_MB] [RUNS] [LEVEL]
#   BUILD_DIR  host build holding extract_bench (default build/host)
#   CORPUS_MB  corpus size (default 100); RUNS (default 5); LEVEL: zip -LEVEL (default 6)
set -euo pipefail

BUILD=${1:-build/host}
CORPUS_MB=${2:-100}
RUNS=${3:-5}
LEVEL=${4:-6}
DRIVER=$(readlink -f "$BUILD/extract_bench")
[ -x "$DRIVER" ] || { echo "extract_bench: no driver at $DRIVER (build the host preset)" >&2; exit 1; }
command -v zip >/dev/null || { echo "extract_bench: zip is missing" >&2; exit 1; }

WORK=$(mktemp -d "${TMPDIR:-/tmp}/extract-bench.XXXXXX")
OUT_ROOT=$WORK
if [ -d /dev/shm ] && [ -w /dev/shm ]; then OUT_ROOT=$(mktemp -d /dev/shm/extract-bench.XXXXXX); fi
trap 'rm -rf "$WORK" "$OUT_ROOT"' EXIT

# The corpus: regular files from /usr/bin, /usr/lib, /usr/share and /usr/include,
# a quarter each, in sorted order, each under 8 MB. Names the stub refuses or
# Windows cannot hold (device names, characters outside a plain set, trailing
# dots, names that differ only in letter case) are passed over, as a package
# author would have to.
gather() {
  local root=$1 limit=$(( $2 * 1000000 ))
  find "$root" -xdev -type f -size -8M -readable 2>/dev/null |
    LC_ALL=C sort |
    LC_ALL=C awk '
      /[^A-Za-z0-9._+\/-]/ { next }
      {
        n = split($0, part, "/"); bad = 0
        for (i = 2; i <= n; i++) {
          base = toupper(part[i]); sub(/\..*/, "", base)
          if (base ~ /^(CON|PRN|AUX|NUL|COM[0-9]|LPT[0-9])$/ || part[i] ~ /\.$/) bad = 1
        }
        key = tolower($0)
        if (bad || (key in seen) || (key in folder) || length($0) > 150) next
        prefix = ""
        for (i = 2; i < n; i++) { prefix = prefix "/" tolower(part[i]); if (prefix in seen) bad = 1 }
        if (bad) next
        prefix = ""
        for (i = 2; i < n; i++) { prefix = prefix "/" tolower(part[i]); folder[prefix] = 1 }
        seen[key] = 1
        print
      }' |
    while IFS= read -r path; do
      total=$(( ${total:-0} + $(stat -c %s "$path") ))
      printf '%s\n' "$path"
      [ "$total" -lt "$limit" ] || break
    done || true  # the early break ends find, sort and awk with SIGPIPE
}
mkdir -p "$WORK/corpus"
for root in /usr/bin /usr/lib /usr/share /usr/include; do gather "$root" $((CORPUS_MB / 4)); done > "$WORK/list"
while IFS= read -r path; do
  mkdir -p "$WORK/corpus$(dirname "$path")"
  cp -p "$path" "$WORK/corpus$path"
done < "$WORK/list"
files=$(find "$WORK/corpus" -type f | wc -l)
bytes=$(du -sb "$WORK/corpus" | cut -f1)

# One archive (Info-ZIP, written to a file: sizes and CRCs in every local header),
# and the package around it: a zero stub image and a header without texts.
(cd "$WORK/corpus" && zip -q -r "-$LEVEL" ../archive.zip .)
{ head -c 34304 /dev/zero; printf 'KZB'; head -c 17 /dev/zero; cat "$WORK/archive.zip"; } > "$WORK/package.exe"
archive_bytes=$(stat -c %s "$WORK/archive.zip")

now() { date +%s%N; }
# median_of CMD...: runs CMD (with OUT set to a fresh folder) RUNS times after a
# warm-up and prints the median wall time in seconds.
median_of() {
  local times=() i t0 t1
  for i in $(seq 0 "$RUNS"); do
    rm -rf "$OUT_ROOT/out"; mkdir "$OUT_ROOT/out"; sync
    t0=$(now); "$@" >/dev/null 2>&1 || { echo "extract_bench: failed: $*" >&2; exit 1; }; t1=$(now)
    [ "$i" -eq 0 ] || times+=($(( t1 - t0 )))
  done
  printf '%s\n' "${times[@]}" | sort -n | awk '{ v[NR] = $1 } END { m = (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2; printf "%.3f\n", m / 1e9 }'
}

ours=$(median_of "$DRIVER" "$WORK/package.exe" "$OUT_ROOT/out")
"$DRIVER" "$WORK/package.exe" "$OUT_ROOT/out" >/dev/null 2>&1 || true
diff -r "$WORK/corpus" "$OUT_ROOT/out/W" >/dev/null || { echo "extract_bench: our extraction differs" >&2; exit 1; }

declare -A peer
command -v unzip >/dev/null && peer[unzip]=$(median_of unzip -qo "$WORK/archive.zip" -d "$OUT_ROOT/out")
command -v 7z >/dev/null && peer[7z]=$(median_of 7z x -y -bd "-o$OUT_ROOT/out" "$WORK/archive.zip")
command -v bsdtar >/dev/null && peer[bsdtar]=$(median_of bsdtar -xf "$WORK/archive.zip" -C "$OUT_ROOT/out")

echo "corpus: $files files, $bytes bytes from /usr; archive (zip -$LEVEL) $archive_bytes bytes; median of $RUNS runs"
printf '%-22s %10s %8s\n' "extractor" "seconds" "ours/it"
printf '%-22s %10s %8s\n' "ExtractArchive (ours)" "$ours" "1.000"
fastest=""
for name in unzip 7z bsdtar; do
  [ -n "${peer[$name]:-}" ] || continue
  printf '%-22s %10s %8s\n' "$name" "${peer[$name]}" "$(echo "scale=3; $ours / ${peer[$name]}" | bc)"
  if [ -z "$fastest" ] || [ "$(echo "${peer[$name]} < ${peer[$fastest]}" | bc)" = 1 ]; then fastest=$name; fi
done
[ -z "$fastest" ] || echo "fastest peer: $fastest; ours/fastest = $(echo "scale=3; $ours / ${peer[$fastest]}" | bc)"
