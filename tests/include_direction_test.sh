#!/usr/bin/env bash
# Fails when a source folder includes a folder above it in the layering
# (common < kit < sound < results < startup < practice < menus < views < shell, and
# admin, the administrator's tool, on top beside the shell),
# or when a core file includes a widget header.
set -euo pipefail
src="$1/src"
order=(common kit sound results startup practice menus views shell admin)
rank() { local i; for i in "${!order[@]}"; do [ "${order[$i]}" = "$1" ] && { echo "$i"; return; }; done; echo -1; }
bad=0
while IFS= read -r line; do
  file=${line%%:*}
  rest=${line#*:}
  inc=$(sed -E 's/.*#include "([a-z]+)\/.*/\1/' <<<"$rest")
  from=$(basename "$(dirname "$file")")
  [ "$from" = src ] && continue  # main.cpp sits on top
  rf=$(rank "$from"); ri=$(rank "$inc")
  [ "$ri" -lt 0 ] && continue
  if [ "$ri" -gt "$rf" ]; then
    echo "include points up: $line"
    bad=1
  fi
done < <(grep -rn --include='*.h' --include='*.cpp' -E '^#include "[a-z]+/' "$src")
exit $bad
