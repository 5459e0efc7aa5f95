#!/usr/bin/env bash
# CI's fuzz stage: it proves, it does not search. Builds the libFuzzer target
# (clang 14, ASan + UBSan), replays the seed corpus and every past finding
# (fuzz/regressions/) through all of the target's checks, then fuzzes a fixed
# number of runs from a fixed seed, so that the same commit gives the same
# result on every machine. New faults are searched for by fuzz/campaign.sh,
# randomised and long, outside CI.
#
# Any crash, leak, timeout or memory-limit hit fails the run; the input that
# caused it is copied into fuzz/regressions/, which the unit test suite
# replays once committed.
#
#   FUZZ_RUNS     inputs to run after the replay (default 60000)
#   FUZZ_SEED     the fuzzer's seed (default 1)
set -euo pipefail
cd "$(dirname "$0")/../.."
start=$SECONDS
runs=${FUZZ_RUNS:-60000}
seed=${FUZZ_SEED:-1}

bash scripts/install-deps.sh clang-14 libclang-rt-14-dev

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j 2

# The fuzzer adds what it finds to its corpus: keep that out of the repo.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/corpus" "$work/findings"
cp fuzz/corpus/* examples/sample_chart.txt "$work/corpus/"
find fuzz/regressions tests/data -maxdepth 1 -type f ! -name '.*' -exec cp {} "$work/corpus/" \; 2>/dev/null || true

# Limits: an allocation sized by a declared count rather than by the data
# trips the malloc or RSS limit (no input of at most 64 KB needs even 1 MB in
# one piece); a hang or a quadratic scan trips the timeout. ASan's quarantine
# of freed memory is cut from 256 MB so that it does not count against the RSS
# limit.
export ASAN_OPTIONS=detect_leaks=1:allocator_may_return_null=0:quarantine_size_mb=64
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
limits=(-malloc_limit_mb=128 -rss_limit_mb=512 -timeout=10 -max_len=65536)

# Every file once, through every check: what was found once stays fixed.
status=0
build/fuzz/fuzz/fuzz_readdata14 "${limits[@]}" -artifact_prefix="$work/findings/" \
  "$work/corpus"/* >"$work/replay.log" 2>&1 || status=$?
if ((status != 0)); then
  tail -n 60 "$work/replay.log"
  echo "fuzz: the replay of the corpus and the regressions FAILED (exit $status)"
  exit 1
fi
echo "fuzz: replayed $(ls "$work/corpus" | wc -l) files of the corpus and the regressions"

# The -max_total_time is a guard against a machine far slower than ours, not
# the bound: the runs are.
build/fuzz/fuzz/fuzz_readdata14 "${limits[@]}" \
    -dict=fuzz/readdata14.dict \
    -seed="$seed" -runs="$runs" -max_total_time=1800 \
    -artifact_prefix="$work/findings/" \
    -print_final_stats=1 \
    "$work/corpus" >"$work/fuzz.log" 2>&1 || status=$?

grep -E '^stat::(number_of_executed_units|average_exec_per_sec|peak_rss_mb)' "$work/fuzz.log" || true
if ((status != 0)) || [ -n "$(ls -A "$work/findings")" ]; then
  tail -n 60 "$work/fuzz.log"
  mkdir -p fuzz/regressions
  cp "$work/findings/"* fuzz/regressions/ 2>/dev/null || true
  echo "fuzz: FAILED (exit $status) after $((SECONDS - start)) s; the input is in fuzz/regressions/:"
  ls "$work/findings"
  exit 1
fi
echo "fuzz: passed, $runs runs from seed $seed with no crash, leak, timeout or limit hit ($((SECONDS - start)) s in all)"
