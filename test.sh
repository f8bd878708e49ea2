#!/usr/bin/env bash
# Builds keyloom and runs every test: the normal build (widget tests on Qt's
# offscreen platform, then again on X11 under Xvfb, and those of windows and
# pop-ups on Wayland under a headless Weston), everything again under
# AddressSanitizer and UndefinedBehaviorSanitizer, the threaded parts under
# ThreadSanitizer, the Debian package unpacked and run, and (with clang) the
# fuzzers for a bounded time. Exits
# non-zero on any failure.
set -euo pipefail
cd "$(dirname "$0")"
scripts/deps.sh

jobs=$(nproc)
fuzz_seconds=${KEYLOOM_FUZZ_SECONDS:-20}

echo "== build and test"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$jobs"
ctest --test-dir build --output-on-failure -j "$jobs"

echo "== Debian package: built, unpacked into a root of its own, run from there"
cmake --build build --target package
tests/package/check-deb.sh "$(ls -t build/keyloom_*.deb | head -n 1)"

echo "== widgets on X11 (Xvfb): windows, menus and the knob pop-up where they are placed"
xvfb-run -a -s "-screen 0 1920x1080x24" env KEYLOOM_TEST_PLATFORM=xcb \
  build/bin/keyloom_widgets_tests --gtest_brief=1

echo "== widgets on Wayland (headless Weston): pop-ups, the knob pop-up and clicks on controls"
tests/wayland/run-on-weston.sh build/bin/keyloom_widgets_tests --gtest_brief=1 \
  --gtest_filter='Windows.*:MenuWindow.*:ComboBtn.*:PopView.*'

echo "== core and widgets under AddressSanitizer and UndefinedBehaviorSanitizer"
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DKEYLOOM_SANITIZE=ON \
  -DKEYLOOM_GUI=ON -DKEYLOOM_BENCH=OFF >/dev/null
cmake --build build-asan -j "$jobs"
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir build-asan --output-on-failure -j "$jobs"

echo "== threads under ThreadSanitizer: link, apply worker, poll loop, simulated keyboard"
cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKEYLOOM_TSAN=ON \
  -DKEYLOOM_GUI=OFF -DKEYLOOM_BENCH=OFF >/dev/null
cmake --build build-tsan --target keyloom_thread_tests -j "$jobs"
TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" build-tsan/bin/keyloom_thread_tests --gtest_brief=1

# libFuzzer needs clang and its runtime; probe both with a one-line target.
fuzz_probe=$(mktemp -d)
if command -v clang++ >/dev/null 2>&1 &&
   echo 'extern "C" int LLVMFuzzerTestOneInput(const char*, unsigned long) { return 0; }' |
     clang++ -fsanitize=fuzzer -x c++ - -o "$fuzz_probe/probe" >/dev/null 2>&1; then
  echo "== fuzzers (${fuzz_seconds}s each)"
  KEYLOOM_FUZZ_JOBS=$jobs scripts/fuzz-campaign.sh "$fuzz_seconds"
else
  echo "== fuzzers skipped: clang++ with libFuzzer not installed"
fi
rm -rf "$fuzz_probe"
