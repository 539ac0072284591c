#!/usr/bin/env bash
# Installs what is missing, builds, and makes the Debian package build/parlowen_<version>_amd64.deb.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
command -v dpkg-shlibdeps >/dev/null || {
    echo "error: dpkg-shlibdeps is missing: install dpkg-dev" >&2
    exit 1
}
(cd build && cpack -G DEB)
ls build/parlowen_*_amd64.deb
