#!/bin/sh
# The guest's first process: loads the modules, mounts the host's root (shared read-only over
# 9p) and runs the test script named on the kernel command line inside it, with fresh /dev, /proc,
# /sys, /run and /tmp (/run/tmp when the checkout is under /tmp). When the script ends the guest powers off; its exit code goes to the serial
# console as "halvric-guest-exit N".
export PATH=/bin
busybox mount -t proc proc /proc
busybox mount -t sysfs sysfs /sys
busybox mount -t devtmpfs devtmpfs /dev
for m in $(busybox cat /modules/order); do
  busybox insmod "/modules/$m" || echo "halvric-guest: insmod $m failed"
done
script=""
out=""
for arg in $(busybox cat /proc/cmdline); do
  case "$arg" in
    halvric.script=*) script="${arg#halvric.script=}" ;;
    halvric.out=*) out="${arg#halvric.out=}" ;;
  esac
done
if busybox mount -t 9p -o trans=virtio,version=9p2000.L,ro,msize=262144,cache=loose hostroot /host; then
  busybox mount -t proc proc /host/proc
  busybox mount -t sysfs sysfs /host/sys
  busybox mount -t devtmpfs devtmpfs /host/dev
  busybox mkdir -p /host/dev/pts /host/dev/shm
  busybox mount -t devpts devpts /host/dev/pts
  busybox mount -t tmpfs tmpfs /host/dev/shm
  busybox mount -t tmpfs tmpfs /host/run
  # A fresh /tmp, unless the programs under test live there (a checkout in /tmp): a tmpfs over it
  # would hide them, so the guest's temporary files go to /run/tmp instead.
  case "$script:$out" in
    /tmp/*|*:/tmp/*)
      busybox mkdir -p /host/run/tmp
      busybox chmod 1777 /host/run/tmp
      export TMPDIR=/run/tmp
      ;;
    *) busybox mount -t tmpfs tmpfs /host/tmp ;;
  esac
  # The results folder, writable, at the same path as on the host.
  if [ -n "$out" ]; then
    busybox mount -t 9p -o trans=virtio,version=9p2000.L,msize=262144 out "/host$out" ||
      echo "halvric-guest: cannot mount the results folder $out"
  fi
  # switch_root rather than chroot: udevadm refuses to wait for udev inside a chroot.
  exec busybox switch_root /host /bin/sh -c \
    'bash "$0"; echo "halvric-guest-exit $?"; sync; echo o >/proc/sysrq-trigger; sleep 10' "$script"
fi
echo "halvric-guest: cannot mount the host root"
echo "halvric-guest-exit 99"
echo o >/proc/sysrq-trigger
busybox sleep 10
