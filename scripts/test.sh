#!/usr/bin/env bash
# Installs what is missing, builds with warnings as errors, and runs every test headless.
set -euo pipefail
cd "$(dirname "$0")/.."
PARLOWEN_TEST_PACKAGES=1 scripts/setup.sh -DPARLOWEN_WERROR=ON
export QT_QPA_PLATFORM=offscreen
ctest --test-dir build --output-on-failure -j"$(nproc)"
