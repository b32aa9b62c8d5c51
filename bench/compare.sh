#!/usr/bin/env bash
# Whole-process timings of binario against the floor of the files it writes.
#
#   bench/compare.sh            build the bench preset, then time with hyperfine:
#                               (a) 'binario run --dir' into an empty folder against
#                                   copying its six files from a warm folder;
#                               (b) 'binario compile' of a generated 1000 km scenario
#                                   against copying its three compiled files;
#                               print each ratio (program / floor) and the peak
#                               memory of each program run (GNU time -v).
#   bench/compare.sh --smoke    build the bench preset and run binario_bench once,
#                               briefly, on the built-in scenario only (for CI).
#
# Environment: BINARIO_BUILD (default build/bench), BINARIO_COMPARE_DIR (scratch
# folder, default BINARIO_BUILD/compare), RUNS (hyperfine runs, default 30),
# NO_BUILD=1 to use the binaries as they are.
set -euo pipefail

radice="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${BINARIO_BUILD:-$radice/build/bench}"
runs="${RUNS:-30}"

costruisci() {
    if [[ "${NO_BUILD:-0}" != 1 ]]; then
        (cd "$radice" && cmake --preset bench >/dev/null && cmake --build "$build" -j2)
    fi
}

if [[ "${1:-}" == "--smoke" ]]; then
    costruisci
    exec "$build/bench/binario_bench" --benchmark_filter='/builtin(/real_time)?$' --benchmark_min_time=0.01
fi
if [[ $# -gt 0 ]]; then
    echo "usage: bench/compare.sh [--smoke]" >&2
    exit 64
fi

manca=()
command -v hyperfine >/dev/null || manca+=("hyperfine")
[[ -x /usr/bin/time ]] && /usr/bin/time -v true >/dev/null 2>&1 || manca+=("time (GNU time, for /usr/bin/time -v)")
if [[ ${#manca[@]} -gt 0 ]]; then
    echo "compare.sh: missing: ${manca[*]}; install them, e.g. apt-get install hyperfine time" >&2
    exit 69
fi

costruisci
binario="$build/binario"
genera="$build/bench/binario_genera"

lavoro="${BINARIO_COMPARE_DIR:-$build/compare}"
rm -rf "$lavoro"
mkdir -p "$lavoro"
cd "$lavoro"

# Mean and median time in seconds of the command named $2 in hyperfine's CSV export $1.
media() { awk -F, -v n="$2" 'NR > 1 && $1 == n { print $2 }' "$1"; }
mediana() { awk -F, -v n="$2" 'NR > 1 && $1 == n { print $4 }' "$1"; }

# Peak resident memory in MB of one run of the command.
memoria() {
    local kb
    kb=$(/usr/bin/time -v "$@" 2>&1 >/dev/null | awk -F': ' '/Maximum resident set size/ { print $2 }')
    awk -v kb="$kb" 'BEGIN { printf "%.1f", kb / 1024 }'
}

# The files of a folder as shell words, for a command that hyperfine runs without
# a shell (-N): no glob, and the blanks in the names are quoted.
elenco() { local f; for f in "$1"/*; do printf "'%s' " "$f"; done; }

# hyperfine without a shell, so that no shell start-up is timed with the commands;
# the folders are emptied by --prepare, outside the timing.
confronta() { hyperfine -N --warmup 5 --runs "$runs" --export-csv "$@"; }
svuota() { printf "sh -c 'rm -rf %s && mkdir %s'" "$1" "$1"; }

rapporto() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
ms() { awk -v s="$1" 'BEGIN { printf "%.2f", s * 1000 }'; }

# Other work on the machine shows as noise in every figure: say how busy it is.
carico() { cut -d' ' -f1 /proc/loadavg; }
carico_iniziale=$(carico)

# One summary line: means, ratio of the means and of the medians.
riga() {
    local csv=$1 prog=$2 floor=$3
    local t f tm fm
    t=$(media "$csv" "$prog")
    f=$(media "$csv" "$floor")
    tm=$(mediana "$csv" "$prog")
    fm=$(mediana "$csv" "$floor")
    printf '%s ms, floor %s ms, ratio %s (medians: %s)' "$(ms "$t")" "$(ms "$f")" \
        "$(rapporto "$t" "$f")" "$(rapporto "$tm" "$fm")"
}

risultati=()

# (a) The one-shot run of the built-in scenario against copying its six files.
mkdir caldo_run
"$binario" run --dir caldo_run 2>/dev/null
echo "== one-shot run: $(ls caldo_run | wc -l) files, $(du -sb caldo_run | cut -f1) bytes"
confronta run.csv \
    -n run --prepare "$(svuota vuota_run)" "'$binario' run --dir vuota_run" \
    -n floor_run --prepare "$(svuota vuota_copia)" "cp $(elenco caldo_run)vuota_copia/"
rm -rf mem_run && mkdir mem_run
mem_a=$(memoria "$binario" run --dir mem_run)
risultati+=("one-shot run:     $(riga run.csv run floor_run), target <= 1.5; peak memory ${mem_a} MB")

# (b) The compile of a generated 1000 km scenario against copying its three files.
if "$binario" --help | grep -qE '^ +compile '; then
    mkdir sorgenti caldo_compile
    mapfile -t sorgenti < <("$genera" 1000000 sorgenti)
    "$binario" compile "${sorgenti[0]}" "${sorgenti[1]}" --out caldo_compile >/dev/null 2>&1
    echo "== 1000 km compile: $(ls caldo_compile | wc -l) files, $(du -sb caldo_compile | cut -f1) bytes"
    confronta compile.csv \
        -n compile --prepare "$(svuota vuota_compile)" \
        "'$binario' compile '${sorgenti[0]}' '${sorgenti[1]}' --out vuota_compile" \
        -n floor_compile --prepare "$(svuota vuota_copia)" "cp $(elenco caldo_compile)vuota_copia/"
    rm -rf mem_compile && mkdir mem_compile
    mem_b=$(memoria "$binario" compile "${sorgenti[0]}" "${sorgenti[1]}" --out mem_compile)
    risultati+=("1000 km compile:  $(riga compile.csv compile floor_compile), target <= 1.5; peak memory ${mem_b} MB, target <= 64")
else
    risultati+=("1000 km compile:  skipped, this binario has no 'compile' command")
fi

echo
echo "== summary (hyperfine, $runs runs each; load average $carico_iniziale at the start, $(carico) at the end)"
printf '%s\n' "${risultati[@]}"
if awk -v a="$carico_iniziale" -v b="$(carico)" 'BEGIN { exit !(a > 1 || b > 1) }'; then
    echo "note: the machine was busy; the ratios are unreliable, run again when it is idle"
fi
