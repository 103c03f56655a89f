#!/usr/bin/env bash
# Installs what is missing, builds the program and starts it. With no USB
# serial adapter attached it runs against the built-in simulated scanner;
# pass --real to use the configured serial devices anyway.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh
cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=Release -DROZIVODA_BENCH=OFF > /dev/null
cmake --build build-release --target rozivoda

args=()
if [ "${1:-}" = "--real" ]; then
  shift
elif ! compgen -G "/dev/ttyUSB*" > /dev/null && ! compgen -G "/dev/ttyACM*" > /dev/null; then
  echo "No USB serial adapter found: starting with the simulated scanner (--demo)."
  args+=(--demo)
fi
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  echo "No display found: run this from a desktop session (or set DISPLAY)." >&2
  exit 1
fi
exec build-release/app/rozivoda "${args[@]}" "$@"
