#!/usr/bin/env bash
# Builds Glancer and shows the demo screens in this terminal on the
# "Virtual display" driver, a 122 x 32 panel drawn with Unicode half blocks,
# fed by the "System" and "Demo" data sources.
#
#   scripts/demo.sh        run until Ctrl-C
#   scripts/demo.sh 10     run 10 seconds, then stop it with SIGTERM
#
# On a fresh Debian or Ubuntu machine it first installs cmake, ninja-build
# and g++ when they are missing (with sudo when not root), then builds the
# release preset. Everything the demo writes stays in build/demo: plugins,
# screens, log.txt and its own settings file, so your own settings are
# never touched.
#
# Environment:
#   GLANCER_DEMO_BUILD=DIR  use the program and plugins of an existing build
#                           (DIR/bin, DIR/plugins) instead of building
#   GLANCER_DEMO_DIR=DIR    the working directory (default build/demo)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

duration=${1:-}
if [ -n "$duration" ] && ! [[ "$duration" =~ ^[0-9]+$ ]]; then
  echo "usage: scripts/demo.sh [SECONDS]" >&2
  exit 2
fi

build=${GLANCER_DEMO_BUILD:-}
if [ -z "$build" ]; then
  scripts/install-test-deps.sh --build-only
  cmake --preset release >/dev/null
  cmake --build --preset release
  build=$root/build/release
fi
build=$(cd "$build" && pwd)
glancer=$build/bin/glancer
plugins=(virtual system demo)
for name in "${plugins[@]}"; do
  if [ ! -f "$build/plugins/$name.so" ]; then
    echo "demo: $build/plugins/$name.so is missing" >&2
    exit 1
  fi
done

# A working directory of its own: plugins, screens, settings and log.txt.
demo=${GLANCER_DEMO_DIR:-$root/build/demo}
mkdir -p "$demo"
demo=$(cd "$demo" && pwd)
rm -rf "$demo/screens" "$demo"/*.so
cp -r examples/demo/screens "$demo/"
# The Sensors source where it was built: the CPU temperature screen needs it.
[ -f "$build/plugins/sensors.so" ] && plugins+=(sensors)
for name in "${plugins[@]}"; do
  cp "$build/plugins/$name.so" "$demo/"
done
export GLANCER_REGISTRY=$demo/registry.reg

cd "$demo"
"$glancer" use-driver "Virtual display" >/dev/null
[ -t 1 ] || echo "demo: standard output is not a terminal, so the panel is not drawn here" >&2

# Whatever happens to the program, leave the terminal with a cursor.
restore_cursor() { [ -t 1 ] && printf '\033[?25h' || true; }
trap restore_cursor EXIT

status=0
if [ -z "$duration" ]; then
  # Ctrl-C reaches the program too; it shuts down cleanly and exits 0, and
  # the shell then carries on here because the program did not die of it.
  "$glancer" || status=$?
  exit "$status"
fi
"$glancer" &
pid=$!
trap 'kill -TERM "$pid" 2>/dev/null || true' INT TERM
sleep "$duration" || true
kill -TERM "$pid" 2>/dev/null || true
wait "$pid" || status=$?
exit "$status"
