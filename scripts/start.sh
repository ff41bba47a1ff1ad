#!/usr/bin/env bash
# Builds the program and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh >&2
cmake --preset native >/dev/null
cmake --build --preset native -j "$(nproc)" >&2
exec build/native/bin/melodrift-cli "$@"
