#!/usr/bin/env bash
# Starts the desktop program from a staged program directory.
set -euo pipefail
dir=$1
if [ ! -x "$dir/kestrelwave" ]; then
  echo "The desktop program was not built (Qt 6 missing?); try: make CMAKE_FLAGS=-DKW_BUILD_GUI=ON run" >&2
  exit 1
fi
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display: Kestrel Wave is a desktop program and needs a graphical session (DISPLAY or WAYLAND_DISPLAY)." >&2
  echo "To try it without one: xvfb-run -a make run" >&2
  exit 1
fi
exec "$dir/kestrelwave"
