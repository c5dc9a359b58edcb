#!/usr/bin/env bash
# Sets everything up and runs every test, the package on a clean Debian 12
# root when this machine can build one, then the core and screen tests again
# under the sanitizers.
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh
scripts/build.sh
(cd build && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j2 --timeout 300)
if reason="$(scripts/package-test.sh --can-run)"; then
  scripts/package-test.sh build
else
  echo
  echo "######################################################################"
  echo "##  PACKAGE TEST NOT RUN: $reason"
  echo "##  scripts/package-test.sh installs the package on a clean Debian 12"
  echo "##  root; it needs root, mmdebstrap and a Debian mirror that answers."
  echo "######################################################################"
  echo
fi
scripts/sanitize.sh
