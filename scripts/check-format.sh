#!/usr/bin/env bash
# Fails when a tracked C++ file differs from what clang-format makes of it; lists those files.
# With --fix, formats them in place.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
fix=0
[ "${1:-}" = "--fix" ] && fix=1
mapfile -t files < <(git ls-files '*.cpp' '*.h' '*.cc' '*.hpp')
if [ $fix -eq 1 ]; then
  clang-format -i "${files[@]}"
  exit 0
fi
bad=()
for f in "${files[@]}"; do
  clang-format --dry-run --Werror "$f" >/dev/null 2>&1 || bad+=("$f")
done
if [ ${#bad[@]} -gt 0 ]; then
  echo "format: ${#bad[@]} file(s) differ from .clang-format (run scripts/check-format.sh --fix):"
  printf '  %s\n' "${bad[@]}"
  exit 1
fi
echo "format: ${#files[@]} files match .clang-format"
