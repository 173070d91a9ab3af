#!/usr/bin/env bash
# Installs what is missing, builds with warnings as errors, checks formatting, runs every test
# headless, runs clang-tidy over src/, gives each fuzz target a short run (with clang), then
# runs the tests again under AddressSanitizer + UBSan.
#   ./test.sh           the whole run (what CI does)
#   ./test.sh --quick   skips the fuzz smoke and the sanitizer pass
# ccache (installed by the setup) keeps every build folder's compiles, so a second run
# compiles only what changed; clang-tidy remembers the files that passed.
set -euo pipefail
root="$(cd "$(dirname "$0")" && pwd)"
cd "$root"
quick=0
[ "${1:-}" = "--quick" ] && quick=1
started=$SECONDS
step() { echo "== $1 (at $((SECONDS - started)) s)"; }

tools/setup.sh --tests

step "formatting"
mapfile -t sources < <(git ls-files 'src/*.cpp' 'src/*.h' 'tests/*.cpp' 'tests/*.h' 'bench/*.cpp' 'bench/*.h' 'fuzz/*.cpp' 'fuzz/*.h' 'packaging/*.cpp')
if [ ${#sources[@]} -gt 0 ]; then
  clang-format --dry-run --Werror "${sources[@]}"
fi

export QT_QPA_PLATFORM=offscreen

# A build folder keeps the generator it was made with (a plain `cmake -B build` uses Makefiles).
generator() { [ -f "$1/CMakeCache.txt" ] || echo "-GNinja"; }

step "build (warnings are errors)"
cmake -S . -B build $(generator build) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBP_WERROR=ON > /dev/null
cmake --build build -j2
step "tests"
ctest --test-dir build --output-on-failure -j2

step "clang-tidy"
tools/tidy.sh build

if [ $quick -eq 0 ]; then
  if command -v clang++ > /dev/null; then
    step "fuzz smoke (clang, libFuzzer)"
    fuzz/run.sh --smoke
  else
    echo "== fuzz smoke skipped: clang++ not found"
  fi

  # No benchmarks, install files or package: what the plain build checked once is not
  # built again.
  step "build (AddressSanitizer + UndefinedBehaviorSanitizer)"
  cmake -S . -B build-asan $(generator build-asan) -DCMAKE_BUILD_TYPE=Debug -DBP_WERROR=ON \
    -DBP_SANITIZE=ON -DBP_BENCH=OFF > /dev/null
  cmake --build build-asan -j2
  step "tests under sanitizers"
  ctest --test-dir build-asan --output-on-failure -j2
fi
step "all tests passed"
