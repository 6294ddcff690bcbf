#!/usr/bin/env bash
# Installs what is missing, builds, and runs the main job on the embedded SQLite
# default: registers the plug-in and lists the classes the host can create.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh default
tolm=build/bin/tolm
"$tolm" register build/bin/libTolmBaseQelPlugin.so
"$tolm" classes
