#!/usr/bin/env bash
# Builds the libFuzzer targets of fuzz/ with clang and the sanitizers in
# build-fuzz/ and runs each from its seeds (fuzz/corpus/<target>/) for a
# bounded time. Fails on any crash, sanitizer report, broken expectation,
# leak or hang; the input that showed it is kept in build-fuzz/findings/.
#
#   bash scripts/fuzz.sh [seconds per target (20)] [target...]
#
# The inputs each run finds are kept in build-fuzz/corpus/<target>/, so a
# later run goes on from them.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
seconds=${1:-20}
[ "$#" -gt 0 ] && shift
case "$seconds" in '' | *[!0-9]*) echo "fuzz.sh: seconds must be a whole number: $seconds" >&2; exit 2 ;; esac

cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DQV_FUZZ=ON >/dev/null
cmake --build build-fuzz --target qv_fuzz

if [ "$#" -gt 0 ]; then
  targets=("$@")
else
  targets=()
  for d in fuzz/corpus/*/; do targets+=("$(basename "$d")"); done
fi

# The targets write their files into a scratch folder, in memory when it
# can, and run in it: nothing a fuzzed input names lands in the sources.
base=/dev/shm
[ -d "$base" ] && [ -w "$base" ] || base=$root/build-fuzz
scratch=$(mktemp -d "$base/qvfuzz.XXXXXX")
trap 'rm -rf "$scratch"' EXIT

symbolizer=/usr/lib/llvm-14/bin/llvm-symbolizer
[ -x "$symbolizer" ] && export ASAN_SYMBOLIZER_PATH=$symbolizer
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

failed=()
for t in "${targets[@]}"; do
  bin=$root/build-fuzz/fuzz/fuzz_$t
  if [ ! -x "$bin" ] || [ ! -d "fuzz/corpus/$t" ]; then
    echo "fuzz.sh: no fuzz target $t (fuzz/<target>.cpp and fuzz/corpus/<target>/)" >&2
    failed+=("$t")
    continue
  fi
  mkdir -p "build-fuzz/corpus/$t" "build-fuzz/findings/$t" build-fuzz/logs
  log=build-fuzz/logs/$t.log
  echo "fuzz.sh: $t for ${seconds}s"
  # -timeout: one input running 10 s is a hang. The outer timeout catches a
  # run that never gets going.
  if (cd "$scratch" && TMPDIR=$scratch timeout --kill-after=10 $((seconds + 120)) "$bin" \
      -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
      -artifact_prefix="$root/build-fuzz/findings/$t/" "$root/build-fuzz/corpus/$t" "$root/fuzz/corpus/$t") \
      >"$log" 2>&1; then
    grep -E '^Done' "$log" || true
  else
    echo "fuzz.sh: $t FAILED; the end of $log:" >&2
    tail -n 60 "$log" >&2
    failed+=("$t")
  fi
done

if [ "${#failed[@]}" -gt 0 ]; then
  echo "fuzz.sh: failed: ${failed[*]} (inputs in build-fuzz/findings/, logs in build-fuzz/logs/)" >&2
  exit 1
fi
echo "fuzz.sh: ${#targets[@]} targets ran ${seconds}s each without a finding"
