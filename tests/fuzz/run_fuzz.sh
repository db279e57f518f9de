#!/usr/bin/env bash
# Runs every *_fuzz binary in TARGET_DIR for SECONDS each, starting from its seed
# corpus (tests/fuzz/corpus/<target>/, copied to a scratch folder so that the
# tree is never written). Crash inputs land in the scratch folder, whose path is
# printed. Exits non-zero when any target finds a crash, a leak or a timeout.
#   usage: tests/fuzz/run_fuzz.sh TARGET_DIR SECONDS
set -u
if [ $# -ne 2 ]; then
  echo "usage: $0 TARGET_DIR SECONDS" >&2
  exit 2
fi
target_dir=$1
seconds=$2
corpus_root="$(cd "$(dirname "$0")" && pwd)/corpus"
scratch=$(mktemp -d /tmp/pellmor-fuzz-run-XXXXXX)
status=0
found=0
for binary in "$target_dir"/*_fuzz; do
  [ -x "$binary" ] || continue
  found=1
  name=$(basename "$binary")
  work="$scratch/$name"
  mkdir -p "$work/corpus" "$work/artifacts"
  if [ -d "$corpus_root/$name" ]; then cp -R "$corpus_root/$name/." "$work/corpus/"; fi
  echo "== $name: ${seconds}s"
  if ! "$binary" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
       -artifact_prefix="$work/artifacts/" "$work/corpus" >"$work/log" 2>&1; then
    echo "!! $name failed; log and inputs in $work" >&2
    tail -n 40 "$work/log" >&2
    status=1
  else
    grep -E '^stat::number_of_executed_units|^Done' "$work/log" || true
  fi
done
if [ $found -eq 0 ]; then
  echo "no *_fuzz binaries in $target_dir" >&2
  exit 2
fi
if [ $status -eq 0 ]; then rm -rf "$scratch"; fi
exit $status
