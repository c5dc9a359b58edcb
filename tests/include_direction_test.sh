#!/usr/bin/env bash
# Fails when a source file includes a folder above its own in the layering:
#   core/common < core/sound < core/results < core/startup < core/practice < core/menus < core/views
#   < screens/kit < screens/results < … < screens/views < shell < admin (the administrator's tool, core only)
# so core never includes a screen (it could not build one anyway: romaji_core does not see Qt Widgets), and a
# subsystem never includes one above it in its own layer.
set -euo pipefail
src="$1/src"
order=(core/common core/sound core/results core/startup core/practice core/menus core/views
       screens/kit screens/results screens/startup screens/practice screens/menus screens/views shell admin)
rank() { local i; for i in "${!order[@]}"; do [ "${order[$i]}" = "$1" ] && { echo "$i"; return; }; done; echo -1; }
# The folder a path names: its layer and subsystem (core/results), or its top folder (shell).
folder() { case "$1" in core/*|screens/*) cut -d/ -f1-2 <<<"$1" ;; *) cut -d/ -f1 <<<"$1" ;; esac; }
bad=0
while IFS= read -r line; do
  file=${line%%:*}
  rest=${line#*:}
  rel=${file#"$src"/}
  [ "$rel" = main.cpp ] && continue  # main.cpp sits on top
  from=$(folder "$rel")
  inc=$(folder "$(sed -E 's/.*#include "([^"]+)".*/\1/' <<<"$rest")")
  rf=$(rank "$from"); ri=$(rank "$inc")
  [ "$rf" -lt 0 ] && { echo "folder outside the layering: $file"; bad=1; continue; }
  [ "$ri" -lt 0 ] && continue
  if [ "$ri" -gt "$rf" ]; then
    echo "include points up: $line"
    bad=1
  fi
done < <(grep -rn --include='*.h' --include='*.cpp' -E '^#include "[a-z]+/' "$src")
exit $bad
