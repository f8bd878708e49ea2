#!/bin/sh
# Kills a saving keyloom process KILLS times (1000 by default) at random
# points and checks every stored file after each kill: the crash test of the
# test run, with more kills. Needs a build in ./build (or BUILD_DIR).
#   scripts/crash-save-campaign.sh [KILLS]
set -eu
kills=${1:-1000}
case $kills in ''|*[!0-9]*) echo "usage: $0 [KILLS]" >&2; exit 2 ;; esac
root=$(cd "$(dirname "$0")/.." && pwd)
tests=${BUILD_DIR:-$root/build}/bin/keyloom_reliability_tests
if [ ! -x "$tests" ]; then
    echo "$tests not found: build first (cmake --build build)" >&2
    exit 1
fi
start=$(date +%s)
out=$(KEYLOOM_CRASH_KILLS=$kills "$tests" --gtest_filter='CrashSave.*' --gtest_brief=1) || {
    printf '%s\n' "$out"
    echo "crash-save campaign FAILED" >&2
    exit 1
}
printf '%s\n' "$out" | grep '^crash-save:'
echo "crash-save campaign passed in $(( $(date +%s) - start )) s"
