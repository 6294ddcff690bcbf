#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need. Idempotent: when
# everything is present it does nothing; otherwise it runs apt-get update once.
set -euo pipefail

packages=(
  build-essential cmake pkg-config
  libsqlite3-dev sqlite3
  libpq-dev postgresql
  libcli11-dev nlohmann-json3-dev libutfcpp-dev libutf8proc-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  libxlsxwriter-dev libzip-dev libexpat1-dev python3-xlrd
  libcurl4-openssl-dev ca-certificates
  python3
  qt6-base-dev qt6-charts-dev qt6-translations-l10n fonts-wqy-microhei
  # Qt Charts' CMake package needs Qt OpenGL's, which qt6-charts-dev does not bring
  libqt6opengl6-dev
  # the desktop client driven with real keyboard and mouse events in the tests
  xvfb xdotool
  libxlsxwriter-dev libhpdf-dev
  libsodium-dev
  clang libclang-rt-14-dev
  # the manual pages of the build, and the Debian package: its dependencies,
  # its check and the manual's index
  help2man dpkg-dev file lintian man-db
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if ((${#missing[@]} == 0)); then
  exit 0
fi

echo "Installing: ${missing[*]}"
sudo_cmd=()
if [[ $(id -u) -ne 0 ]]; then sudo_cmd=(sudo); fi
"${sudo_cmd[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
