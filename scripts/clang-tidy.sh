#!/usr/bin/env bash
# Runs clang-tidy (.clang-tidy at the root) over the product's sources (plugin/ stream/ panel/ scene/), in
# parallel, with the compile database of a configured build: build/ or $ORVANE_BUILD_DIR. Fails on any
# finding. Generated moc sources and everything outside the product are left out.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${ORVANE_BUILD_DIR:-$root/build}
[ -f "$build/compile_commands.json" ] || { echo "clang-tidy: no $build/compile_commands.json (configure first)"; exit 1; }
tidy=$(command -v clang-tidy-14 || command -v clang-tidy)
runner=$(command -v run-clang-tidy-14 || command -v run-clang-tidy)
start=$(date +%s)
# The compile database without the GCC-only flags clang does not know (-fno-gnu-unique: see OrvaneTargets.cmake).
database=$(mktemp -d)
trap 'rm -rf "$database"' EXIT
sed 's/ -fno-gnu-unique//g' "$build/compile_commands.json" >"$database/compile_commands.json"
"$runner" -clang-tidy-binary "$tidy" -p "$database" -j "$(nproc)" -quiet \
  "^$root/(plugin|stream|panel|scene)/[^/]+\.cpp\$" >"$build/clang-tidy.log" 2>&1 || {
  grep -E "(warning|error):" "$build/clang-tidy.log" | sort -u
  echo "clang-tidy: findings in the product (full output: $build/clang-tidy.log)"
  exit 1
}
echo "clang-tidy: product sources clean ($(($(date +%s) - start)) s)"
