#!/usr/bin/env bash
# Installs the Debian packages the build and every test need. Idempotent:
# packages already present are skipped and nothing is fetched then.
set -euo pipefail

packages=(
  cmake ninja-build g++ gcc pkg-config ccache
  libgtest-dev libgmock-dev libbenchmark-dev
  clang libclang-rt-dev python3 tmux lcdproc
  dpkg-dev lintian
  mosquitto mosquitto-clients libmosquitto-dev
  mingw-w64 wine wine64 xvfb x11-utils imagemagick
  libstb-dev
)
if [ "${1:-}" = "--build-only" ]; then
  packages=(cmake ninja-build g++ gcc libstb-dev)
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo_cmd=()
[ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
echo "Installing: ${missing[*]}"
"${sudo_cmd[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq "${missing[@]}"
