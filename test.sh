#!/usr/bin/env bash
# Sets everything up and runs every test, then the core tests again under the
# sanitizers.
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh
scripts/build.sh
(cd build && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j2 --timeout 300)
scripts/sanitize.sh
