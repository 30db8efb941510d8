#!/usr/bin/env bash
# Installs the Debian packages the project needs, only those missing. Safe to run again.
set -euo pipefail
# Toolchain; clang-format and clang-tidy 14 (scripts/check-format.sh, scripts/clang-tidy.sh); clang with
# libFuzzer and the sanitizer runtimes, llvm-symbolizer for their stack traces (the fuzzers); Qt 5 (the panel,
# the stand-in host); GoogleTest and Google Benchmark; iproute2 and util-linux for the multicast test's private
# network namespace. The recorded captures live in the repository (data/).
packages=(build-essential cmake ninja-build clang-format-14 clang-tidy-14 clang libclang-rt-14-dev llvm
          qtbase5-dev qtbase5-dev-tools
          libgtest-dev libbenchmark-dev
          iproute2 util-linux)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  sudo_cmd=""
  [ "$(id -u)" -eq 0 ] || sudo_cmd="sudo"
  $sudo_cmd apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
