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
  echo "Starting with the simulated scanner (--demo): no USB serial adapter is attached" \
    "(nothing matches /dev/ttyUSB* or /dev/ttyACM*)."
  echo "To use the scanner, plug in its adapter and run this again, or pass --real to use" \
    "the devices chosen under Set > Serial Port > Serial Devices."
  args+=(--demo)
else
  for device in /dev/ttyUSB* /dev/ttyACM*; do
    if [ -e "$device" ] && ! [ -r "$device" -a -w "$device" ]; then
      group=$(stat -c %G "$device")
      echo "$device is there but not open to $(id -un): run" \
        "\"sudo usermod -aG $group $(id -un)\", then log out and log in again." >&2
    fi
  done
fi
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  echo "No display found: run this from a desktop session (or set DISPLAY)." >&2
  exit 1
fi
exec build-release/app/rozivoda "${args[@]}" "$@"
