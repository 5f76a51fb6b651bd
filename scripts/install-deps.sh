#!/usr/bin/env bash
# Installs every Debian package Kervane needs to build, test and run. Debian 12.
set -euo pipefail

packages=(
  # build
  build-essential cmake pkg-config ninja-build lld
  qt6-base-dev libgl-dev
  qt6-translations-l10n
  unixodbc unixodbc-dev odbcinst
  libsqlite3-dev sqlite3
  # the files attached to Access 2007 records are kept compressed
  zlib1g-dev
  # the hashes and AES of encrypted Access 2007 and later files
  libssl-dev
  mdbtools-dev
  # mdb-export, a reader of Access files of its own the Jet writer tests read back with
  mdbtools
  libxlsxwriter-dev
  googletest libgtest-dev
  # run
  xdg-utils fonts-dejavu-core
  # tests and screenshots without a display
  xvfb xauth x11-apps imagemagick
  python3 python3-openpyxl python3-pyodbc poppler-utils
  # the independent Access file tools of the shared test data (jetcheck, jetgen)
  default-jre-headless libcommons-lang3-java libcommons-logging-java
  # printing: CUPS and a PDF queue for the print tests
  cups printer-driver-cups-pdf
  # the Debian package (scripts/package.sh) and its checks (scripts/check-package.sh)
  dpkg-dev lintian desktop-file-utils man-db
)

run_as_root() {
  if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ "${#missing[@]}" -eq 0 ] && [ "${1:-}" != "--update" ]; then
  echo "Paquets Debian : tout est installé."
  exit 0
fi
export DEBIAN_FRONTEND=noninteractive
run_as_root apt-get update -q
run_as_root apt-get install -y -q --no-install-recommends "${packages[@]}"
