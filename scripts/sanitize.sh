#!/usr/bin/env bash
# Builds the core library, the screens and their tests (the core tests and the
# screen tests, which run offscreen) with AddressSanitizer and
# UndefinedBehaviorSanitizer into build-asan/ and runs them. Any report stops
# the test it occurs in, so it fails the run: an out-of-range number read from
# a file, or a screen deleted under its own handler, shows up here, not at a
# school.
set -euo pipefail
cd "$(dirname "$0")/.."
flags="-O1 -fno-omit-frame-pointer -fsanitize=address,undefined -fno-sanitize-recover=all"
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug \
  "-DCMAKE_CXX_FLAGS=$flags" "-DCMAKE_EXE_LINKER_FLAGS=-fsanitize=address,undefined" >/dev/null
cmake --build build-asan --target romaji_core_tests romaji_screen_tests -j2
cd build-asan
export ASAN_OPTIONS="abort_on_error=0:halt_on_error=1:detect_stack_use_after_return=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export LSAN_OPTIONS="suppressions=$(realpath ../scripts/lsan.supp)"
QT_QPA_PLATFORM=offscreen ctest -L 'core|screens' --output-on-failure -j2 --timeout 600
