#!/usr/bin/env bash
# Drives headless Neovim with its built-in language client against `binario lsp`
# on a copy of the built-in scenario (tests/lsp_neovim.lua says what it checks).
#   tests/lsp_neovim.sh BINARIO
# Exit 77 (skipped) when nvim is not installed.
set -uo pipefail
exe=$1
here=$(cd "$(dirname "$0")" && pwd)
if ! command -v nvim >/dev/null 2>&1; then
  echo "SKIP: nvim is not installed (Debian package neovim); the editor test did not run"
  exit 77
fi
work=$(mktemp -d "${TMPDIR:-/tmp}/binario-nvim.XXXXXX")
trap 'rm -rf "$work"' EXIT
mkdir "$work/scenario" && "$exe" example "$work/scenario" >/dev/null || exit 1
before=$(cd "$work/scenario" && ls -l --time-style=full-iso && sha256sum ./*)
# No user configuration, no swap or shada files; the whole run is bounded.
BINARIO_EXE=$exe SCENARIO_DIR=$work/scenario HOME=$work \
  timeout 90 nvim --headless --clean -n -i NONE \
  -c "luafile $here/lsp_neovim.lua" >"$work/nvim.log" 2>&1
status=$?
cat "$work/nvim.log"
if [ $status -ne 0 ]; then
  echo "FAIL: nvim exited with $status"
  exit 1
fi
after=$(cd "$work/scenario" && ls -l --time-style=full-iso && sha256sum ./*)
if [ "$before" != "$after" ]; then
  echo "FAIL: the scenario folder changed"
  exit 1
fi
grep -q "^OK" "$work/nvim.log" || { echo "FAIL: the script did not finish"; exit 1; }
