#!/usr/bin/env bash
# Installs every package the build, the tests and the demo need (Debian).
# Idempotent: packages already present are left as they are.
set -euo pipefail
packages=(
  cmake g++ ninja-build ccache pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev
  libsqlite3-dev libboost-dev libssl-dev
  qt6-base-dev qt6-qpa-plugins
  python3-olefile libgsf-bin
  clang libclang-rt-14-dev libgsf-1-dev
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if ((${#missing[@]})); then
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO="sudo"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
