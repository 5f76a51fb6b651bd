#!/usr/bin/env bash
# Installs what is missing, builds Kervane and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh kervane
exec build/kervane
