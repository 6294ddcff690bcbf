#!/usr/bin/env bash
# Builds the default preset (only what changed, when scripts/test.sh built it
# already) and makes the Debian package of it: build/packages/tolm_<version>_<arch>.deb.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh default
rm -f build/packages/tolm_*.deb
cpack --config build/CPackConfig.cmake -B "$PWD/build/packages" >/dev/null
ls build/packages/tolm_*.deb
