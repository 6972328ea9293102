#!/usr/bin/env bash
# Builds Glancer and shows the demo screens in this terminal with the
# shipped Terminal driver and SystemInfo data source.
#
#   scripts/demo.sh        run until Ctrl-C
#   scripts/demo.sh 10     run 10 seconds, then stop it with SIGTERM
#
# On a fresh Debian or Ubuntu machine it first installs cmake, ninja-build
# and g++ when they are missing (with sudo when not root).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

duration=${1:-}
if [ -n "$duration" ] && ! [[ "$duration" =~ ^[0-9]+$ ]]; then
  echo "usage: scripts/demo.sh [SECONDS]" >&2
  exit 2
fi

scripts/install-test-deps.sh --build-only
cmake --preset release >/dev/null
cmake --build --preset release

# A working directory of its own: plugins, screens, settings and log.txt.
demo=$root/build/demo
mkdir -p "$demo"
rm -rf "$demo/screens" "$demo"/*.so
cp -r examples/demo/screens "$demo/"
cp build/release/plugins/*.so "$demo/"
export GLANCER_REGISTRY=$demo/registry.reg
glancer=$root/build/release/bin/glancer

cd "$demo"
"$glancer" use-driver Terminal >/dev/null
[ -t 1 ] || echo "demo: standard output is not a terminal, so the panel is not drawn here" >&2

if [ -z "$duration" ]; then
  exec "$glancer"
fi
"$glancer" &
pid=$!
trap 'kill -TERM "$pid" 2>/dev/null || true' INT TERM
sleep "$duration" || true
kill -TERM "$pid" 2>/dev/null || true
wait "$pid"
