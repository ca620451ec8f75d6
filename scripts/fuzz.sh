#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, AddressSanitizer, UndefinedBehaviorSanitizer) in
# build/fuzz (the `fuzz` preset) and runs each for SECONDS (default 600), one after the other
# (or only the TARGETs named after SECONDS: scripts/fuzz.sh 180 png), starting from seeds the
# project generates itself. An input that crashes, hangs or runs out of memory is copied to
# tests/fuzz/<target>/, where the ordinary test run replays it; the script then fails.
# FUZZ_JOBS=2 runs two targets at a time.
# The figures of the run (executions, coverage, time) end up in build/fuzz/summary.txt.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-600}
shift || true
root=$PWD
out=$root/build/fuzz

bash scripts/install-deps.sh
if ! command -v clang++ >/dev/null || ! ls /usr/lib/llvm-*/lib/clang/*/lib/linux/libclang_rt.fuzzer-x86_64.a >/dev/null 2>&1; then
  sudo=""
  if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
  $sudo apt-get update
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends clang libclang-rt-dev
fi

cmake --preset fuzz
targets=(bmp jpeg png probe settings registration batch_options)
if [ "$#" -gt 0 ]; then targets=("$@"); fi
cmake --build --preset fuzz --target make_fuzz_seeds "${targets[@]/#/fuzz_}"

rm -rf "$out/seeds"
"$out/fuzz/make_fuzz_seeds" "$root" "$out/seeds"

export ASAN_OPTIONS="detect_leaks=1:allocator_may_return_null=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
summary=$out/summary.txt
rm -rf "$out/summary.d"
mkdir -p "$out/summary.d"

fuzz_one() {
  local t=$1
  local corpus=$out/corpus/$t findings=$out/findings/$t log=$out/$t.log
  mkdir -p "$corpus" "$findings"
  local dict=()
  [ -f "fuzz/$t.dict" ] && dict=(-dict="fuzz/$t.dict")
  local start elapsed execs last cov ft found=0
  start=$(date +%s)
  "$out/fuzz/fuzz_$t" "$corpus" "$out/seeds/$t" "${dict[@]}" -max_total_time="$seconds" \
    -timeout=10 -rss_limit_mb=2048 -max_len=16384 -print_final_stats=1 \
    -artifact_prefix="$findings/" >"$log" 2>&1 || true
  elapsed=$(( $(date +%s) - start ))
  execs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$' || true)
  last=$(grep -E '^#[0-9]+' "$log" | tail -1 || true)
  cov=$(grep -o 'cov: [0-9]*' <<<"$last" | grep -o '[0-9]*' || true)
  ft=$(grep -o 'ft: [0-9]*' <<<"$last" | grep -o '[0-9]*' || true)
  for f in "$findings"/*; do
    [ -e "$f" ] || continue
    mkdir -p "tests/fuzz/$t"
    mv "$f" "tests/fuzz/$t/$(basename "$f")"
    found=$((found + 1))
  done
  printf '%-14s %12s %8s %8s %8s %s\n' "$t" "${execs:-?}" "${cov:-?}" "${ft:-?}" "$elapsed" \
    "$found" >"$out/summary.d/$t"
}

# FUZZ_JOBS targets run side by side, each on one core (default: one at a time).
jobs_max=${FUZZ_JOBS:-1}
for t in "${targets[@]}"; do
  while [ "$(jobs -rp | wc -l)" -ge "$jobs_max" ]; do wait -n || true; done
  fuzz_one "$t" &
done
wait

printf '%-14s %12s %8s %8s %8s %s\n' target executions cov features seconds findings >"$summary"
failed=0
for t in "${targets[@]}"; do
  cat "$out/summary.d/$t" >>"$summary"
  [ "$(awk '{print $6}' "$out/summary.d/$t")" = 0 ] || failed=1
done
cat "$summary"
if [ "$failed" -ne 0 ]; then
  echo "Findings were copied to tests/fuzz/; fix them and keep the inputs for the replay test." >&2
  exit 1
fi
