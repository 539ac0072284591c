#!/bin/sh
# The test machine's first process: the kernel's USB gadget stack with uMTP-Responder serving
# /data as an MTP player on the dummy host controller, so that a libmtp client in the same
# machine sees a real MTP device; QEMU's own usb-mtp device is a second player on the xHCI
# controller. Then the scenario runs, its output between markers on the serial console, and
# the machine powers off.
mount -t proc proc /proc
mount -t sysfs sys /sys
mount -t devtmpfs dev /dev
mount -t tmpfs tmp /tmp
# A storage of its own size (parlowen.data= on the kernel's line, 256m unless given): filling it
# (the room test) must not take the machine's memory.
data_size=$(sed -n 's/.*parlowen\.data=\([0-9]*m\).*/\1/p' /proc/cmdline)
mount -t tmpfs -o "size=${data_size:-256m}" data /data
if [ -x /bin/systemd-udevd ]; then
    mount -t tmpfs run /run
    /bin/systemd-udevd --daemon 2>/dev/null || echo "machine: udevd did not start"
fi
for module in usb-common usbcore configfs udc-core libcomposite usb_f_fs dummy_hcd xhci-hcd \
    xhci-pci; do
    insmod "/lib/modules/$module.ko" || echo "machine: insmod $module failed"
done
mount -t configfs none /cfg
gadget=/cfg/usb_gadget/g1
mkdir "$gadget" "$gadget/configs/c.1" "$gadget/functions/ffs.mtp" "$gadget/strings/0x409" \
      "$gadget/configs/c.1/strings/0x409"
echo 0x0100 > "$gadget/idProduct"
echo 0x1D6B > "$gadget/idVendor"
echo 0001 > "$gadget/strings/0x409/serialnumber"
echo Parlowen > "$gadget/strings/0x409/manufacturer"
echo "Test Player" > "$gadget/strings/0x409/product"
echo "Conf 1" > "$gadget/configs/c.1/strings/0x409/configuration"
ln -s "$gadget/functions/ffs.mtp" "$gadget/configs/c.1"
mkdir /dev/ffs-mtp
mount -t functionfs mtp /dev/ffs-mtp
umtprd > /tmp/umtprd.log 2>&1 &
sleep 1
ls /sys/class/udc/ > "$gadget/UDC"
sleep 2
echo "=== SCENARIO BEGIN"
sh /scenario.sh 2>&1
echo "=== SCENARIO END"
poweroff -f
