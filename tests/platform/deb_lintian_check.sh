#!/bin/sh
# Builds the Debian package from a build tree with cpack and runs lintian on it: any error or
# warning fails. Exits 77 (skipped) where lintian or the Debian packaging tools are missing.
#
#   deb_lintian_check.sh BUILD_DIR WORK_DIR
set -eu
build_dir=$1
work=$2
for tool in lintian cpack dpkg-shlibdeps; do
  if ! command -v "$tool" >/dev/null 2>&1; then
    echo "SKIPPED: $tool is not installed"
    exit 77
  fi
done
rm -rf "$work"
mkdir -p "$work"
if ! cpack --config "$build_dir/CPackConfig.cmake" -G DEB -B "$work" >"$work/cpack.log" 2>&1; then
  cat "$work/cpack.log"
  echo "cpack failed"
  exit 1
fi
set -- "$work"/*.deb
if [ ! -f "$1" ]; then
  cat "$work/cpack.log"
  echo "cpack made no .deb"
  exit 1
fi
# --fail-on makes errors and warnings the exit status; informational tags are shown, not fatal.
# lintian says root is not recommended; that note is not a finding.
status=0
lintian --fail-on error,warning --display-info "$1" >"$work/lintian.log" 2>&1 || status=$?
grep -v '^running with root privileges' "$work/lintian.log" || true
if [ "$status" -ne 0 ]; then
  echo "lintian reports errors or warnings for $(basename "$1") (exit $status)"
  exit 1
fi
echo "lintian: no errors or warnings for $(basename "$1")"
