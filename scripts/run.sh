#!/usr/bin/env bash
# Installs what is missing, builds, and runs the main job on the embedded SQLite
# default: registers the plug-in, sets up a demonstration company in tolm.db (kept
# when it exists) and lists its exchange rates; with a display, it then opens the
# desktop client on that company.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh default
tolm=build/bin/tolm
"$tolm" register build/bin/libTolmBaseQelPlugin.so
"$tolm" classes
# Demonstration data goes into a new company only; an existing one is brought up to date.
if [[ -e tolm.db ]]; then
  "$tolm" --db tolm.db init
else
  "$tolm" --db tolm.db init --demo
fi
"$tolm" --db tolm.db rates
if [[ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" && -x build/bin/tolm-client ]]; then
  build/bin/tolm-client --db tolm.db
fi
