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
  libsensors-dev lm-sensors nlohmann-json3-dev
  mingw-w64 wine wine64 xvfb x11-utils imagemagick gdb
  libasio-dev chromium nodejs libstb-dev
)
# npm comes with some Node.js installs; only ask for Debian's when there is none.
command -v npm >/dev/null || packages+=(npm)
build_only=false
if [ "${1:-}" = "--build-only" ]; then
  packages=(cmake ninja-build g++ gcc libasio-dev libstb-dev)
  build_only=true
fi

# The browser test's npm packages (puppeteer-core; it uses the system chromium).
install_npm() {
  $build_only && return 0
  local dir
  dir="$(cd "$(dirname "$0")/.." && pwd)/tests/browser"
  [ -d "$dir/node_modules/puppeteer-core" ] || (cd "$dir" && npm ci --ignore-scripts --no-audit --no-fund)
}

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
if [ ${#missing[@]} -eq 0 ]; then
  install_npm
  exit 0
fi

sudo_cmd=()
[ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
echo "Installing: ${missing[*]}"
"${sudo_cmd[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq "${missing[@]}"
install_npm
