#!/usr/bin/env bash
# Runs the kernel suite: boots Debian's kernel under QEMU and runs suite.sh inside it against the
# programs of BUILD_DIR. Usage: run_suite.sh BUILD_DIR [SOURCE_DIR]
# Prints the suite's checks, its closing "N passed, N failed" line and the time; on failure the
# tail of the guest's serial log (kept in BUILD_DIR/tests/kernel/serial.log).
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
build="$(realpath "$1")"
source_dir="$(realpath "${2:-$here/../..}")"
out="$build/tests/kernel"
mkdir -p "$out"
rm -f "$out"/*.txt "$out/serial.log"
for f in "$build/src/halvricctl" "$build/src/halvric-usbsim"; do
  [ -x "$f" ] || { echo "kernel suite: $f is missing (build first)"; exit 1; }
done
cat >"$out/guest.sh" <<GUEST
export HALVRIC_BUILD="$build" HALVRIC_SOURCE="$source_dir" HALVRIC_OUT="$out"
exec bash "$source_dir/tests/kernel/suite.sh"
GUEST
start=$SECONDS
set +e
"$here/run_guest.sh" "$out/guest.sh" "$out" "${HALVRIC_KERNEL_SUITE_TIMEOUT:-1200}"
rc=$?
set -e
took=$((SECONDS - start))
cpu=$(awk 'NF == 2 {printf "%.0f", $1 + $2}' "$out/qemu_cpu.txt" 2>/dev/null || true)
grep -E '^(PASS|FAIL|FIGURE|----) ' "$out/serial.log" || true
grep -E '^(kernel suite took|---- the suite starts)' "$out/serial.log" || true
line=$(grep -E '^kernel: [0-9]+ passed, [0-9]+ failed' "$out/serial.log" | tail -1 || true)
if [ $rc -eq 0 ] && [ -n "$line" ]; then
  echo "kernel suite with boot: ${took} s (host CPU of the guest: ${cpu:-?} s)"
  echo "$line"
  exit 0
fi
case $rc in
  124) why="the guest did not finish within ${HALVRIC_KERNEL_SUITE_TIMEOUT:-1200} s" ;;
  125) why="the guest reported no exit code" ;;
  *) why="exit code $rc" ;;
esac
echo "kernel suite FAILED ($why, ${took} s, host CPU of the guest: ${cpu:-?} s); last lines of $out/serial.log:"
tail -n 40 "$out/serial.log"
if [ -n "$line" ]; then echo "$line"; else echo "kernel: 0 passed, 1 failed"; fi
exit 1
