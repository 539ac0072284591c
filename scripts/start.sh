#!/usr/bin/env bash
# Installs what is missing, builds, and starts Parlowen.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ "${QT_QPA_PLATFORM:-}" != "offscreen" ]; then
    echo "Parlowen is built (build/parlowen) but cannot start here: no display was found" >&2
    echo "(neither DISPLAY nor WAYLAND_DISPLAY is set). Run this from a desktop session." >&2
    exit 1
fi
exec build/parlowen "$@"
