# Sourced by scripts/test.sh and scripts/stress.sh (after setting $root): how the sanitizer builds are configured
# and how their runtimes are set. The suppression files hold only what lies inside Qt or the system, each with
# its reason.
# shellcheck shell=bash disable=SC2034,SC2154
# Every part (-U: a tree configured by an older script for a few parts takes the default again), assertions on;
# -O1 with line tables only (file:line in every report) builds in about half the time of -O2 -g.
ORVANE_SANITIZER_FLAGS=(-UORVANE_PARTS -DCMAKE_BUILD_TYPE=Debug
                        "-DCMAKE_CXX_FLAGS_DEBUG=-O1 -g1" "-DCMAKE_C_FLAGS_DEBUG=-O1 -g1")
# The AddressSanitizer build is CI's one build of everything: the product with -pedantic -Werror, and the
# benchmarks, so that they are compiled too.
ORVANE_ASAN_CONFIGURE=("${ORVANE_SANITIZER_FLAGS[@]}" "-DORVANE_SANITIZER=address,undefined" -DORVANE_WERROR=ON
                       -DORVANE_BUILD_BENCH=ON)
ORVANE_TSAN_CONFIGURE=("${ORVANE_SANITIZER_FLAGS[@]}" -DORVANE_SANITIZER=thread -DORVANE_BUILD_BENCH=OFF)
# The executables of the tests labelled "threads" (ctest -L threads), and what they start.
ORVANE_TSAN_TARGETS=(stream_tests panel_tests plugin_tests probe_tests orvane_net_stream_tests standin_tracker_tests
                     standin_maya_tests host_tests stress_tests)
ORVANE_ASAN_OPTIONS="detect_leaks=1:check_initialization_order=1:strict_string_checks=1"
ORVANE_LSAN_OPTIONS="suppressions=$root/tests/sanitizers/lsan.supp:print_suppressions=0"
ORVANE_UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
ORVANE_TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1:suppressions=$root/tests/sanitizers/tsan.supp"
