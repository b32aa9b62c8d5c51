#!/usr/bin/env bash
# binario.exe under Wine writes the same bytes as the Linux build: the one-shot
# run's six files, and `compile` of the built-in scenario and of the generated
# 34, 340 and 1000 km ones. Exits 1 on the first difference.
#
# Usage: scripts/windows_same_bytes.sh [LINUX_BINARIO [BINARIO_EXE [BINARIO_GENERA]]]
# (defaults: build/release/binario, build/windows/binario.exe and
# build/bench/bench/binario_genera, as CI builds them).
set -euo pipefail
radice="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
linux="$(realpath "${1:-$radice/build/release/binario}")"
exe="$(realpath "${2:-$radice/build/windows/binario.exe}")"
genera="$(realpath "${3:-$radice/build/bench/bench/binario_genera}")"
wine="$(command -v wine64 || echo /usr/lib/wine/wine64)"
export WINEPREFIX="${WINEPREFIX:-$(dirname "$exe")/wineprefix}" WINEDEBUG=-all
unset DISPLAY WAYLAND_DISPLAY

lavoro="$(mktemp -d)"
trap 'rm -rf "$lavoro"' EXIT

# The names and SHA-256 of the files of two folders, the same or exit 1.
uguali() {
    local cosa="$1" a="$2" b="$3"
    if ! diff <(cd "$a" && sha256sum -- *) <(cd "$b" && sha256sum -- *) >/dev/null; then
        echo "windows_same_bytes: $cosa differs:" >&2
        diff <(cd "$a" && sha256sum -- *) <(cd "$b" && sha256sum -- *) >&2 || true
        exit 1
    fi
    echo "$cosa: $(ls "$a" | wc -l) files the same"
}

mkdir "$lavoro/run_linux" "$lavoro/run_windows"
"$linux" run --dir "$lavoro/run_linux" 2>/dev/null || { echo "windows_same_bytes: the Linux run failed" >&2; exit 1; }
"$wine" "$exe" run --dir "$lavoro/run_windows" 2>/dev/null || { echo "windows_same_bytes: the run under Wine failed" >&2; exit 1; }
# The Windows build keeps its folder lock in a file of the folder.
rm -f "$lavoro/run_windows/.binario.lock"
uguali "one-shot run" "$lavoro/run_linux" "$lavoro/run_windows"

mkdir "$lavoro/builtin"
"$linux" example "$lavoro/builtin" >/dev/null
for n in 34000 340000 1000000; do
    mkdir "$lavoro/g$n"
    "$genera" "$n" "$lavoro/g$n" >/dev/null
done
for d in builtin g34000 g340000 g1000000; do
    linea="$(ls "$lavoro/$d"/*_linea.txt)"
    treno="$(ls "$lavoro/$d"/*-.txt)"
    mkdir "$lavoro/$d/linux" "$lavoro/$d/windows"
    "$linux" compile "$linea" "$treno" --out "$lavoro/$d/linux" >/dev/null
    "$wine" "$exe" compile "$linea" "$treno" --out "$lavoro/$d/windows" >/dev/null
    rm -f "$lavoro/$d/windows/.binario.lock"
    uguali "compile $d" "$lavoro/$d/linux" "$lavoro/$d/windows"
done
