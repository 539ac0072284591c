#!/usr/bin/env bash
# Installs the Debian packages Parlowen needs (only those missing) and builds it in build/.
# Usage: scripts/setup.sh [extra cmake options...]
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(cmake g++ make pkg-config qt6-base-dev qt6-svg-dev libgtest-dev libmtp-dev
          libavformat-dev libavcodec-dev libswresample-dev libswscale-dev libavutil-dev
          libtag1-dev fonts-liberation)
# The tests also mount real player file systems (exFAT through FUSE on a loop device), set
# ACLs, start the program under Xvfb with a window manager, pin named time zones, make and
# check the Debian package, and boot the MTP test machine (QEMU, busybox, uMTP-Responder and
# libmtp's tools inside it).
if [ "${PARLOWEN_TEST_PACKAGES:-0}" = 1 ]; then
    packages+=(exfatprogs exfat-fuse acl xvfb openbox x11-utils xdotool wmctrl tzdata
               dpkg-dev appstream desktop-file-utils groff-base lintian
               qemu-system-x86 busybox-static umtp-responder mtp-tools cpio flac)
fi

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    if [ "$(id -u)" -eq 0 ]; then
        sudo_cmd=()
    elif command -v sudo >/dev/null; then
        sudo_cmd=(sudo)
    else
        echo "error: these packages are missing and neither root nor sudo is available: ${missing[*]}" >&2
        exit 1
    fi
    export DEBIAN_FRONTEND=noninteractive
    "${sudo_cmd[@]}" apt-get update -qq
    "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

build_type=${PARLOWEN_BUILD_TYPE:-RelWithDebInfo}
cmake -S . -B build -DCMAKE_BUILD_TYPE="$build_type" "$@" >/dev/null
cmake --build build -j"$(nproc)"
