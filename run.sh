#!/usr/bin/env bash
# Sets everything up on a fresh machine, lays out the demo school under
# build/demo-school/ and starts the program from it.
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh
scripts/build.sh
school="$PWD/build/demo-school"
build/demo/make_demo_school "$school" "$PWD/build/romaji"

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "run.sh: no display (DISPLAY is not set). Start one first, e.g.:" >&2
  echo "  Xvfb :11 -screen 0 1280x1024x24 & export DISPLAY=:11" >&2
  exit 1
fi
# Without a sound server every answer sound would fail and the program would
# stop; the silent back end stands in, and says so here.
if [ -z "${ROMAJI_SILENT_SOUND:-}" ] && ! pactl info >/dev/null 2>&1; then
  echo "run.sh: no sound server answers; starting with silent sound (ROMAJI_SILENT_SOUND=1)."
  export ROMAJI_SILENT_SOUND=1
fi
exec "$school/CAI/ローマ字/romaji" "$@"
