#!/usr/bin/env bash
# Sets everything up on a fresh machine, lays out the demo school under
# build/demo-school/ and starts the program from it.
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh
scripts/build.sh
school="$PWD/build/demo-school"
build/demo/make_demo_school "$school" "$PWD/build/romaji"
exec "$school/CAI/ローマ字/romaji" "$@"
