#!/usr/bin/env bash
# Time of 'binario decompile' (its check included) against 'binario compile' of the
# same generated scenario, 1000 km by default; prints both medians and the ratio.
#
#   bench/decompile_timing.sh [LENGTH]
#
# Environment: BINARIO_BUILD (default build/bench; it must hold binario and
# bench/binario_genera), RUNS (default 5), NO_BUILD=1 to use the binaries as they are.
set -euo pipefail

radice="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${BINARIO_BUILD:-$radice/build/bench}"
runs="${RUNS:-5}"
lunghezza="${1:-1000000}"
if [[ "${NO_BUILD:-0}" != 1 ]]; then
    (cd "$radice" && cmake --preset bench >/dev/null && cmake --build "$build" -j2)
fi

lavoro="$(mktemp -d "${TMPDIR:-/tmp}/binario-decompile.XXXXXX")"
trap 'rm -rf "$lavoro"' EXIT
mkdir -p "$lavoro/src" "$lavoro/out"
mapfile -t sorgenti < <("$build/bench/binario_genera" "$lunghezza" "$lavoro/src")

mediana() {  # command...: median wall time of RUNS runs, in seconds
    local tempi=()
    for ((i = 0; i < runs; i++)); do
        local t0 t1
        t0=$(date +%s.%N)
        "$@" >/dev/null
        t1=$(date +%s.%N)
        tempi+=("$(echo "$t1 - $t0" | bc -l)")
    done
    printf '%s\n' "${tempi[@]}" | sort -g | sed -n "$(((runs + 1) / 2))p"
}

compila=$(mediana "$build/binario" compile "${sorgenti[0]}" "${sorgenti[1]}" --out "$lavoro/out")
decompila=$(mediana "$build/binario" decompile "$lavoro/out" -o "$lavoro/rec" --force)
"$build/binario" decompile "$lavoro/out" -o "$lavoro/rec" --force | tail -1
printf 'compile   %8.3f s\ndecompile %8.3f s (check included)\nratio     %8.2f\n' \
    "$compila" "$decompila" "$(echo "$decompila / $compila" | bc -l)"
