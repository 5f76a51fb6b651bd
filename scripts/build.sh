#!/usr/bin/env bash
# Configures and builds Kervane in build/ (targets given as arguments, everything by default).
set -euo pipefail
cd "$(dirname "$0")/.."
# Ninja for a new build folder (it keeps both cores busy across targets); a folder configured
# earlier keeps its generator.
generator=()
if [ ! -f build/CMakeCache.txt ] && command -v ninja > /dev/null; then generator=(-G Ninja); fi
cmake -S . -B build "${generator[@]}" -DCMAKE_BUILD_TYPE=RelWithDebInfo > /dev/null
if [ "$#" -gt 0 ]; then
  targets=()
  for t in "$@"; do targets+=(--target "$t"); done
  cmake --build build -j"$(nproc)" "${targets[@]}"
else
  cmake --build build -j"$(nproc)"
fi
