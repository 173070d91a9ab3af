#!/usr/bin/env bash
# Builds the fuzz targets with clang (folder build-fuzz) and runs them.
#   fuzz/run.sh [--time SECONDS] [TARGET...]   fuzz each target for SECONDS (default 600), one
#                                             after the other, growing a working corpus in
#                                             build-fuzz/fuzz-work/TARGET/corpus that starts
#                                             from fuzz/corpus/TARGET; new crashes land beside it
#   fuzz/run.sh --smoke [TARGET...]           replay the seed corpus and fuzz/regressions/,
#                                             then a fixed number of runs from the seeds with a
#                                             fixed random seed (test.sh): the same inputs on
#                                             every machine, so a pass here is a pass in CI
# A failing input is replayed with `build-fuzz/fuzz/TARGET FILE`; BP_FUZZ_TRACE=1 makes the
# edit model target print each step, BP_FUZZ_STRICT=1 checks faults not yet mended too.
# Every compile and run is niced: the machine is shared. Ends non-zero when a target fails,
# after printing its report; the summary gives executions and coverage (cov, ft) per target.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"

seconds=600
smoke=0
targets=()
while [ $# -gt 0 ]; do
  case "$1" in
    --time) seconds="$2"; shift 2 ;;
    --smoke) smoke=1; shift ;;
    -h|--help) sed -n '2,13p' "$0"; exit 0 ;;
    *) targets+=("$1"); shift ;;
  esac
done
all=(fuzz_text_file fuzz_qpile_scanner fuzz_library_file fuzz_word_file fuzz_window_settings
     fuzz_edit_model fuzz_recovery_file fuzz_update_manifest fuzz_qpile_reference
     fuzz_incremental_check)
[ ${#targets[@]} -eq 0 ] && targets=("${all[@]}")

# Executions of each target in the smoke run: about five seconds each on this machine.
declare -A smoke_runs=([fuzz_text_file]=800 [fuzz_qpile_scanner]=60000
  [fuzz_library_file]=30000 [fuzz_word_file]=50000 [fuzz_window_settings]=1200
  [fuzz_edit_model]=3500 [fuzz_recovery_file]=15000 [fuzz_update_manifest]=80000
  [fuzz_qpile_reference]=50000 [fuzz_incremental_check]=250)

build="${BP_FUZZ_BUILD_DIR:-$root/build-fuzz}"
launcher=()
command -v ccache > /dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
if [ ! -f "$build/CMakeCache.txt" ]; then
  CC=clang CXX=clang++ nice -n 15 cmake -S . -B "$build" -GNinja -DCMAKE_BUILD_TYPE=Debug \
    -DBP_FUZZ=ON -DBP_TESTS=OFF -DBP_BENCH=OFF "${launcher[@]}"
fi
nice -n 15 cmake --build "$build" -j2 --target "${targets[@]}"

export QT_QPA_PLATFORM=offscreen
# Halt on the first report; a leak found after the run counts as a failure too.
export ASAN_OPTIONS="${ASAN_OPTIONS:-abort_on_error=1:detect_leaks=1}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"

work="$build/fuzz-work"
summary=()
failed=0
for target in "${targets[@]}"; do
  binary="$build/fuzz/$target"
  seeds="$root/fuzz/corpus/$target"
  regressions="$root/fuzz/regressions/$target"
  dictionary="$root/fuzz/dict/$target.dict"
  mkdir -p "$work/$target"
  log="$work/$target/run.log"
  options=(-max_len=4096 -timeout=20 -rss_limit_mb=4096 -print_final_stats=1
           "-artifact_prefix=$work/$target/")
  [ -f "$dictionary" ] && options+=("-dict=$dictionary")

  if [ $smoke -eq 1 ]; then
    # Every seed and every input that once failed must pass as it is. Inputs of faults not
    # mended yet end in .open; they fail only with BP_FUZZ_STRICT=1 and are left out here.
    mapfile -t fixed < <(find "$regressions" -type f ! -name '*.open' ! -name '*.md' 2> /dev/null)
    status=0
    nice -n 15 "$binary" -runs=0 "${options[@]}" "$seeds" > "$log" 2>&1 || status=$?
    if [ $status -eq 0 ] && [ ${#fixed[@]} -gt 0 ]; then
      nice -n 15 "$binary" "${options[@]}" "${fixed[@]}" >> "$log" 2>&1 || status=$?
    fi
    if [ $status -ne 0 ]; then
      tail -n 60 "$log"
      echo "FAILED: $target on a seed or regression input ($log)"
      failed=1
      continue
    fi
    corpus="$(mktemp -d)"
    cp "$seeds"/* "$corpus"/
  else
    corpus="$work/$target/corpus"
    mkdir -p "$corpus"
    cp -n "$seeds"/* "$corpus"/ 2> /dev/null || true
  fi

  if [ $smoke -eq 1 ]; then
    runs="${smoke_runs[$target]:-1000}"
    echo "== $target: $runs runs from random seed 1"
    limit=(-seed=1 -runs="$runs")
  else
    echo "== $target: fuzzing for $seconds s"
    limit=(-max_total_time="$seconds")
  fi
  status=0
  nice -n 19 "$binary" "${options[@]}" "${limit[@]}" "$corpus" > "$log" 2>&1 || status=$?
  [ $smoke -eq 1 ] && rm -rf "$corpus"
  runs=$(sed -n 's/^stat::number_of_executed_units: //p' "$log" | tail -n 1)
  coverage=$(grep -Eo 'cov: [0-9]+ ft: [0-9]+' "$log" | tail -n 1)
  summary+=("$target: ${runs:-?} runs, ${coverage:-no coverage figures}")
  if [ $status -ne 0 ]; then
    tail -n 60 "$log"
    echo "FAILED: $target (exit $status); the input is saved under $work/$target/"
    failed=1
  fi
done

echo "== fuzz summary"
printf '%s\n' "${summary[@]}"
exit $failed
