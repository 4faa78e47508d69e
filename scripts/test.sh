#!/usr/bin/env bash
# Sets up, builds and runs every test twice: a normal build and an
# AddressSanitizer + UndefinedBehaviorSanitizer build; then the threaded tests
# under ThreadSanitizer, and each fuzz target briefly under the sanitizers.
# Under CI (CI set, or NIVORA_NO_SKIPS=1 as .ci/run sets it) a skipped test
# fails the run: setup installs everything the tests need, so a skip there is
# a broken set-up. Local runs list their skips and pass.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh

jobs=$(nproc)
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1"
export LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"

status=0
no_skips=${NIVORA_NO_SKIPS:-${CI:+1}}
# ctest_in DIR [ctest options]: ctest counts a GTEST_SKIP as "Skipped" but exits 0.
ctest_in() {
  local dir=$1; shift
  (cd "$dir" && ctest --output-on-failure -j "$jobs" --timeout 300 "$@") | tee "$dir/ctest.log" ||
    status=1
  if grep -q '(Skipped)' "$dir/ctest.log"; then
    if [ -n "$no_skips" ]; then
      echo "test.sh: tests were skipped, which fails a CI run:"
      status=1
    fi
    grep '(Skipped)' "$dir/ctest.log"
  fi
}
run_suite() {
  local dir=$1; shift
  cmake -S . -B "$dir" -G Ninja "$@" >/dev/null
  cmake --build "$dir" -j "$jobs"
  ctest_in "$dir"
}

echo "== normal build"
run_suite build -DCMAKE_BUILD_TYPE=RelWithDebInfo
echo "== sanitizer build"
run_suite build-asan -DCMAKE_BUILD_TYPE=Debug -DNIVORA_SANITIZE=ON -DNIVORA_BENCH=OFF

# The tests where two threads meet: the heard clock and the audio device's
# callback, the sync hand-over, the offline clocks and the player's seek
# recorder beside the main thread, a seek heard through a real-time driver.
echo "== thread sanitizer build (threaded tests)"
cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DNIVORA_TSAN=ON \
  -DNIVORA_BENCH=OFF -DNIVORA_DATA=OFF >/dev/null
cmake --build build-tsan -j "$jobs" --target test_music test_player test_core
TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" \
  ctest_in build-tsan -R '^(HeardClock|FrameRing|AudioDeviceTest|ClockTest|OfflineClock|SeekTable|SeekHeard|PlaybackTest)\.'

if [ -f fuzz/CMakeLists.txt ]; then
  echo "== fuzzing"
  seconds=${NIVORA_FUZZ_SECONDS:-30}
  CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DNIVORA_FUZZ=ON -DNIVORA_TESTS=OFF -DNIVORA_BENCH=OFF -DNIVORA_DATA=OFF >/dev/null
  cmake --build build-fuzz -j "$jobs" --target fuzz-all
  bash fuzz/run.sh build-fuzz "$seconds" || status=1
fi

# The package built and installed on a fresh Debian 12: half an hour and the
# network, so only on request.
if [ -n "${NIVORA_CHROOT_TEST:-}" ]; then
  echo "== package built and installed in fresh Debian 12 chroots"
  rc=0
  bash tests/install/chroot_test.sh || rc=$?
  [ $rc -eq 0 ] || [ $rc -eq 77 ] || status=1
fi

exit $status
