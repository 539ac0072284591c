#!/usr/bin/env bash
# The MTP test machine: QEMU (software emulation) boots a Debian 12 kernel with a busybox
# initramfs in which uMTP-Responder is a real MTP player on the kernel's dummy USB gadget, and
# runs a scenario against it there. Prints what the scenario printed.
# QEMU's own usb-mtp device is attached too, serving the folder $MTP_SECOND_PLAYER (a fresh
# empty one when that is unset): a player that cannot rename and reports an odd free space.
# The folder $MTP_GUEST_FILES, when set, is copied into the machine as /files; the kernel
# modules named in $MTP_EXTRA_MODULES are put beside the others in /lib/modules (the scenario
# loads them), and $MTP_QEMU_ARGS are given to QEMU. A scenario line "=== MONITOR COMMAND" has
# QEMU's monitor run COMMAND, with @OUT@ standing for the folder $MTP_OUT of this machine.
# Usage: machine.sh CACHE_DIR SCENARIO [PROGRAM...]
#   CACHE_DIR  where the kernel package is kept between runs (the build folder's mtp/)
#   SCENARIO   a shell script run inside the machine once the player is attached
#   PROGRAM    programs the scenario runs, copied in with the libraries they need
# Exits 77, saying why, where the machine cannot be made or started.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
cache=$1 scenario=$2
shift 2
skip() { echo "SKIP: $*"; exit 77; }

for tool in qemu-system-x86_64 busybox umtprd cpio gzip; do
    command -v "$tool" >/dev/null || skip "$tool is not installed"
done
mkdir -p "$cache"
# The kernel of the Debian 12 release the machines run, taken from its package once.
kernel=$(find "$cache" -path '*/boot/vmlinuz-*' 2>/dev/null | head -1)
if [ -z "$kernel" ]; then
    package=$(apt-cache depends linux-image-amd64 2>/dev/null | awk '/Depends: linux-image-/ {print $2; exit}')
    [ -n "$package" ] || skip "no linux-image package is known to apt (apt-get update first)"
    (cd "$cache" && apt-get download "$package" >/dev/null 2>&1) || skip "apt-get download $package failed"
    dpkg -x "$cache"/linux-image-*.deb "$cache/kernel" || skip "the kernel package could not be unpacked"
    rm -f "$cache"/linux-image-*.deb
    kernel=$(find "$cache" -path '*/boot/vmlinuz-*' | head -1)
fi
modules=$(dirname "$(find "$cache/kernel/lib/modules" -name usbcore.ko | head -1)")/../../..
# udev's daemon from its package, also kept: without it libusb in a long-lived process never
# hears of a player plugged in again (as on a desktop, where it runs). Left out where it cannot
# be had; the scenarios that need it then fail plainly.
udevd=$(find "$cache/udev" -path '*/bin/udevadm' 2>/dev/null | head -1)
if [ -z "$udevd" ]; then
    (cd "$cache" && apt-get download udev >/dev/null 2>&1) &&
        dpkg -x "$cache"/udev_*.deb "$cache/udev" && rm -f "$cache"/udev_*.deb
    udevd=$(find "$cache/udev" -path '*/bin/udevadm' 2>/dev/null | head -1)
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
root=$work/root
mkdir -p "$root"/{bin,etc/umtprd,proc,sys,dev,tmp,run,data,cfg,lib/modules,lib64}
cp "$(command -v busybox)" "$root/bin/"
for applet in sh mount mkdir ln echo sleep cat ls insmod poweroff cp rm stat cmp find sort sed \
    diff dd kill touch wc grep head tail tr time mv cut date seq tee mkfifo awk; do
    ln -s busybox "$root/bin/$applet"
done
for module in usb-common usbcore configfs udc-core libcomposite usb_f_fs dummy_hcd xhci-hcd \
    xhci-pci; do
    found=$(find "$modules" -name "$module.ko" | head -1)
    [ -n "$found" ] || skip "the kernel has no $module module"
    cp "$found" "$root/lib/modules/"
done
for module in ${MTP_EXTRA_MODULES:-}; do
    found=$(find "$modules" -name "$module.ko" | head -1)
    [ -n "$found" ] || skip "the kernel has no $module module"
    cp "$found" "$root/lib/modules/"
done
# The programs with their libraries, the loader, and the converters libmtp opens (UCS-2).
for program in "$(command -v umtprd)" ${udevd:+"$udevd"} "$@"; do
    cp "$program" "$root/bin/"
    for library in $(ldd "$program" | awk '/=> \// {print $3}'); do
        mkdir -p "$root$(dirname "$library")"
        cp -n "$library" "$root$library"
    done
done
cp /lib64/ld-linux-x86-64.so.2 "$root/lib64/"
[ -n "$udevd" ] && ln -s udevadm "$root/bin/systemd-udevd" # one program, named as the daemon
gconv=$(dirname "$(find /usr/lib -name UTF-16.so -path '*gconv*' | head -1)")
mkdir -p "$root$gconv"
cp "$gconv"/{UTF-16.so,UNICODE.so,gconv-modules} "$root$gconv/"
cp -r "$gconv/gconv-modules.d" "$root$gconv/" 2>/dev/null
cp "$here/umtprd.conf" "$root/etc/umtprd/umtprd.conf"
cp "$here/guest_init.sh" "$root/init"
cp "$scenario" "$root/scenario.sh"
[ -n "${MTP_GUEST_FILES:-}" ] && cp -a "$MTP_GUEST_FILES" "$root/files"
chmod +x "$root/init"
(cd "$root" && find . | cpio -o -H newc 2>/dev/null | gzip -1 >"$work/initrd.gz")

# KVM is not usable on these machines: software emulation, a boot in some 15 s.
second=${MTP_SECOND_PLAYER:-$work/second}
mkdir -p "$second"
# QEMU never sets its locale, so usb-mtp would mangle non-ASCII names without this.
preload=
if ${CC:-cc} -shared -fPIC -o "$work/utf8_locale.so" "$here/utf8_locale.c" 2>/dev/null; then
    preload=$work/utf8_locale.so
else
    echo "machine: no C compiler, so QEMU's player shows non-ASCII names as 'Oops'" >&2
fi
# After a client dies in the middle of an upload, usb-mtp aborts every later one until it is
# unplugged and plugged in again: a scenario that prints "=== REPLUG SECOND PLAYER" gets that
# done through QEMU's monitor.
second_player="usb-mtp,id=second,rootdir=$second,readonly=off,desc=Card"
mkfifo "$work/monitor.in" "$work/monitor.out"
: >"$work/console"
(
    tail -F "$work/console" 2>/dev/null | while IFS= read -r line; do
        case $line in
        *"=== REPLUG SECOND PLAYER"*)
            echo "device_del second" >"$work/monitor.in"
            sleep 2
            echo "device_add $second_player" >"$work/monitor.in"
            ;;
        *"=== MONITOR "*)
            command=${line#*=== MONITOR }
            echo "${command//@OUT@/${MTP_OUT:-$work}}" | tr -d '\r' >"$work/monitor.in"
            ;;
        esac
    done
) &
watcher=$!
cat "$work/monitor.out" >"$work/monitor.log" &
LD_PRELOAD=$preload timeout "${MTP_TIMEOUT:-300}" qemu-system-x86_64 -accel tcg -m "${MTP_MEMORY:-1024}" -nographic -no-reboot \
    -kernel "$kernel" -initrd "$work/initrd.gz" -monitor "pipe:$work/monitor" \
    -device qemu-xhci -device "$second_player" ${MTP_QEMU_ARGS:-} \
    -append "console=ttyS0 quiet panic=-1 parlowen.data=${MTP_DATA:-256m}" >>"$work/console" 2>&1
status=$?
pkill -P "$watcher" 2>/dev/null
kill "$watcher" 2>/dev/null
[ -n "${MTP_MONITOR_LOG:-}" ] && cp "$work/monitor.log" "$MTP_MONITOR_LOG"
[ "$status" = 124 ] && { echo "FAIL: the machine did not end within ${MTP_TIMEOUT:-300} s"; exit 1; }
grep -q "=== SCENARIO BEGIN" "$work/console" || {
    [ "$status" != 0 ] && skip "qemu could not start the machine (status $status)"
    echo "FAIL: the scenario did not run:"; tail -20 "$work/console"; exit 1
}
sed -n '/=== SCENARIO BEGIN/,/=== SCENARIO END/p' "$work/console" | sed '1d;$d' | tr -d '\r'
grep -q "=== SCENARIO END" "$work/console" ||
    echo "FAIL: the machine ended before the scenario did (qemu status $status)"
