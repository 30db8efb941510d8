# Sourced by scripts/test.sh and scripts/stress.sh (after setting $root): how the sanitizer builds are configured
# and how their runtimes are set. The suppression files hold only what lies inside Qt or the system, each with
# its reason.
# shellcheck shell=bash disable=SC2034
ORVANE_ASAN_CONFIGURE=(-DORVANE_SANITIZER=address,undefined -DORVANE_BUILD_BENCH=OFF)
ORVANE_TSAN_CONFIGURE=(-DORVANE_SANITIZER=thread -DORVANE_BUILD_BENCH=OFF)
ORVANE_ASAN_OPTIONS="detect_leaks=1:check_initialization_order=1:strict_string_checks=1"
ORVANE_LSAN_OPTIONS="suppressions=$root/tests/sanitizers/lsan.supp:print_suppressions=0"
ORVANE_UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
ORVANE_TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1:suppressions=$root/tests/sanitizers/tsan.supp"
