#!/usr/bin/env bash
# Installs what is missing, builds and runs every test of one preset.
set -euo pipefail
cd "$(dirname "$0")/.."
preset=${1:-default}
bash scripts/build.sh "$preset"
ctest --preset "$preset"
