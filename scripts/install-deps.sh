#!/usr/bin/env bash
# Installs the Debian packages the project builds and tests with. Quick when they are there.
set -euo pipefail
PKGS=(build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-base-dev-tools qt6-charts-dev libqt6sql6-sqlite libqt6sql6-psql
  libqpdf-dev qpdf libhunspell-dev hunspell-en-us libsqlite3-dev libpq-dev
  libcurl4-openssl-dev fonts-liberation fonts-liberation2 poppler-utils
  libgtest-dev libgmock-dev libbenchmark-dev nlohmann-json3-dev libfmt-dev
  libxlsxwriter-dev unzip postgresql python3-aiosmtpd xvfb clang-format sqlite3
  clang libclang-rt-14-dev ccache libsodium-dev)
missing=()
for p in "${PKGS[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
echo "Installing: ${missing[*]}"
$SUDO apt-get update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
