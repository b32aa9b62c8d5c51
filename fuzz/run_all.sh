#!/usr/bin/env bash
# Builds the fuzz targets (the `fuzz` preset: clang, libFuzzer, ASan + UBSan), replays
# every input in fuzz/regressions/, then fuzzes each target for SECONDS (default 60)
# on a copy of its seed corpus. Exits non-zero on any finding (crash, broken rule,
# leak, timeout, out of memory); the input that found it is left in
# build/fuzz/findings/<target>/ and the path is printed.
#   fuzz/run_all.sh [SECONDS]
set -uo pipefail
seconds=${1:-60}
cd "$(dirname "$0")/.."
root=$PWD

cmake --preset fuzz >/dev/null || exit 1
cmake --build --preset fuzz -j 2 --target fuzz_all || exit 1

bin=$root/build/fuzz/fuzz
findings=$root/build/fuzz/findings
work=$(mktemp -d "${TMPDIR:-/tmp}/binario-fuzz.XXXXXX")
trap 'rm -rf "$work"' EXIT
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
common=(-rss_limit_mb=2048 -timeout=30 -max_len=65536)
status=0

for target in fuzz_item_reader fuzz_compile fuzz_compile_long fuzz_inspect fuzz_write_set \
  fuzz_lsp_reader fuzz_decompile fuzz_decompile_files; do
  mkdir -p "$findings/$target"
  dict=()
  case $target in
    fuzz_inspect | fuzz_write_set | fuzz_decompile | fuzz_decompile_files) ;;
    fuzz_lsp_reader) dict=(-dict="$root/fuzz/lsp.dict") ;;
    *) dict=(-dict="$root/fuzz/keywords.dict") ;;
  esac

  # Every input that ever found a fault, and the seeds, run once each.
  replay=()
  dirs=("$root/fuzz/regressions/$target" "$root/fuzz/corpus/$target")
  # The long compile builds the plan that the short one leaves out.
  [ "$target" = fuzz_compile_long ] && dirs+=("$root/fuzz/regressions/fuzz_compile")
  for dir in "${dirs[@]}"; do
    [ -d "$dir" ] && while IFS= read -r -d '' f; do replay+=("$f"); done \
      < <(find "$dir" -type f ! -name '.*' -print0)
  done
  if [ ${#replay[@]} -gt 0 ]; then
    echo "== $target: replaying ${#replay[@]} inputs"
    if ! "$bin/$target" "${common[@]}" "${replay[@]}" >"$work/$target.replay.log" 2>&1; then
      tail -40 "$work/$target.replay.log"
      cp "$work/$target.replay.log" "$findings/$target/replay.log"
      echo "FAIL $target: a stored input fails again; log in $findings/$target/replay.log"
      status=1
      continue
    fi
  fi

  echo "== $target: fuzzing for $seconds s"
  mkdir -p "$work/$target"
  cp "$root/fuzz/corpus/$target/"* "$work/$target/" 2>/dev/null
  "$bin/$target" "${common[@]}" "${dict[@]}" -max_total_time="$seconds" -print_final_stats=1 \
    -artifact_prefix="$findings/$target/" "$work/$target" >"$work/$target.log" 2>&1
  rc=$?
  grep -E '^(stat::number_of_executed_units|stat::peak_rss_mb|#[0-9]+ +DONE)' "$work/$target.log"
  if [ $rc -ne 0 ]; then
    tail -60 "$work/$target.log"
    cp "$work/$target.log" "$findings/$target/fuzz.log"
    echo "FAIL $target (exit $rc): input(s) in $findings/$target/:"
    ls -t "$findings/$target" | grep -E '^(crash|leak|timeout|oom|slow-unit)-' | head -5
    echo "Keep a finding as fuzz/regressions/$target/<what-it-does> once understood."
    status=1
  fi
done
exit $status
