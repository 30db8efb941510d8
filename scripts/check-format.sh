#!/usr/bin/env bash
# Fails when a tracked C++ file differs from what clang-format makes of it; lists those files.
# With --fix, formats them in place.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
# The version matters: another clang-format formats some constructs differently.
format=$(command -v clang-format-14 || command -v clang-format)
fix=0
[ "${1:-}" = "--fix" ] && fix=1
mapfile -t files < <(git ls-files '*.cpp' '*.h' '*.cc' '*.hpp')
if [ $fix -eq 1 ]; then
  "$format" -i "${files[@]}"
  exit 0
fi
# One run over every file; only when it fails, one per file to name them.
if "$format" --dry-run --Werror "${files[@]}" >/dev/null 2>&1; then
  echo "format: ${#files[@]} files match .clang-format"
  exit 0
fi
bad=()
for f in "${files[@]}"; do
  "$format" --dry-run --Werror "$f" >/dev/null 2>&1 || bad+=("$f")
done
if [ ${#bad[@]} -gt 0 ]; then
  echo "format: ${#bad[@]} file(s) differ from .clang-format (run scripts/check-format.sh --fix):"
  printf '  %s\n' "${bad[@]}"
  exit 1
fi
echo "format: ${#files[@]} files match .clang-format"
