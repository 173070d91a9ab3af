#!/usr/bin/env bash
# Builds Brindlepad when needed and starts it: ./run.sh [file.qpl]
set -euo pipefail
root="$(cd "$(dirname "$0")" && pwd)"
"$root/tools/setup.sh"
if [ ! -f "$root/build/CMakeCache.txt" ]; then
  cmake -S "$root" -B "$root/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
fi
cmake --build "$root/build" -j2 --target brindlepad
exec "$root/build/brindlepad" "$@"
