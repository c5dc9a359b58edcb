#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the demo need, skipping
# those already installed. Works as root or through sudo.
set -euo pipefail

packages=(
  build-essential cmake pkg-config
  qt6-base-dev libicu-dev libssl-dev
  libsndfile1-dev libpulse-dev pulseaudio
  libsodium-dev
  fonts-noto-cjk
  libgtest-dev libgmock-dev libbenchmark-dev
  xvfb
  cups cups-client printer-driver-cups-pdf ghostscript poppler-utils
  dpkg-dev file desktop-file-utils lintian
  mmdebstrap
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  echo "All packages are installed."
  exit 0
fi

if [ "$(id -u)" -eq 0 ]; then sudo=(); else sudo=(sudo); fi
echo "Installing: ${missing[*]}"
"${sudo[@]}" apt-get update
DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
