#!/usr/bin/env bash
# Boots Debian's kernel under QEMU (TCG: no KVM) with the host's root shared read-only and runs
# one script inside it. Usage: run_guest.sh SCRIPT OUT_DIR [TIMEOUT_SECONDS]
# OUT_DIR is shared writable at the same path; the serial console goes to OUT_DIR/serial.log.
# The exit code is the script's, 124 when the guest did not finish in time, 125 when it did not
# report one.
# One emulated CPU of the plain qemu64 kind: under TCG the wake-ups between the kernel's USB/IP
# threads, halvric-usbsim and halvricctl cost far less on one CPU than across two (halvricctl list
# 2.3 s instead of 8 s, a level-0 read-all 20 s instead of 38 s on a loaded 2-core machine), and
# glibc's SSE2 paths are cheaper to emulate than its AVX ones.
set -euo pipefail
script="$(realpath "$1")"
out="$(realpath -m "$2")"
limit="${3:-600}"
here="$(cd "$(dirname "$0")" && pwd)"
command -v qemu-system-x86_64 >/dev/null || { echo "run_guest: qemu-system-x86_64 is not installed (scripts/bootstrap installs qemu-system-x86)" >&2; exit 2; }
cache=$("$here/guest_kernel.sh")
kver=$(cat "$cache"/*.ready)
mkdir -p "$out"
log="$out/serial.log"
: >"$log"
set +e
# The host CPU the guest used (QEMU's user and system seconds) goes to OUT_DIR/qemu_cpu.txt: on a
# shared machine the guest's own clock counts the time other work took the CPU away too.
TIMEFORMAT='%U %S'
{ time timeout --foreground -k 5 "$limit" qemu-system-x86_64 \
  -machine q35,accel=tcg -cpu "${HALVRIC_GUEST_CPU:-qemu64}" -smp "${HALVRIC_GUEST_CPUS:-1}" -m 1024 \
  -kernel "$cache/root/boot/vmlinuz-$kver" -initrd "$cache/initrd.img" \
  -append "console=ttyS0 quiet loglevel=4 panic=-1 halvric.script=$script halvric.out=$out" \
  -virtfs local,path=/,mount_tag=hostroot,security_model=none,readonly=on,multidevs=remap \
  -virtfs local,path="$out",mount_tag=out,security_model=none,multidevs=remap \
  -display none -monitor none -serial "file:$log" -no-reboot -nodefaults </dev/null 2>&3; } 3>&2 2>"$out/qemu_cpu.txt"
qemu_rc=$?
set -e
[ $qemu_rc -eq 124 ] && exit 124
rc=$(sed -n 's/.*halvric-guest-exit \([0-9]*\).*/\1/p' "$log" | tail -1)
[ -n "$rc" ] || exit 125
exit "$rc"
