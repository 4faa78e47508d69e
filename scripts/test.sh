#!/usr/bin/env bash
# Sets up, builds and runs every test twice: a normal build and an
# AddressSanitizer + UndefinedBehaviorSanitizer build; then runs each fuzz
# target briefly under the sanitizers.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh

jobs=$(nproc)
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1"
export LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"

status=0
run_suite() {
  local dir=$1; shift
  cmake -S . -B "$dir" -G Ninja "$@" >/dev/null
  cmake --build "$dir" -j "$jobs"
  (cd "$dir" && ctest --output-on-failure -j "$jobs" --timeout 300) || status=1
}

echo "== normal build"
run_suite build -DCMAKE_BUILD_TYPE=RelWithDebInfo
echo "== sanitizer build"
run_suite build-asan -DCMAKE_BUILD_TYPE=Debug -DNIVORA_SANITIZE=ON -DNIVORA_BENCH=OFF

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
