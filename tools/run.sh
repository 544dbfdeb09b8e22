#!/usr/bin/env bash
# Installs what is missing, builds, and starts ソルビナ.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/install-deps.sh
cmake --preset default >/dev/null
cmake --build --preset default -j"$(nproc)"
exec ./build/solvina "$@"
