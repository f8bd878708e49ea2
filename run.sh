#!/usr/bin/env bash
# Builds keyloom and shows the configuration of the shipped default model.
set -euo pipefail
cd "$(dirname "$0")"
scripts/deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build --target keyloomctl -j "$(nproc)"
exec build/bin/keyloomctl config "$@"
