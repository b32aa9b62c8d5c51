#!/usr/bin/env bash
# Installs the Debian packages of scripts/packages.txt that are not installed yet,
# and nothing else. Needs root (or sudo) only when something is missing.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"

missing=()
while read -r p; do
  p="${p%%#*}"; p="${p//[[:space:]]/}"
  [ -n "$p" ] || continue
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done < "$here/packages.txt"

[ ${#missing[@]} -eq 0 ] && exit 0
echo "installing: ${missing[*]}" >&2
sudo=()
[ "$(id -u)" -eq 0 ] || sudo=(sudo)
"${sudo[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq "${missing[@]}"
