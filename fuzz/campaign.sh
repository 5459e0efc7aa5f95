#!/usr/bin/env bash
# A fuzzing campaign to find new faults (CI's fuzz stage only proves the
# known ones stay fixed): every fuzz target the fuzz preset builds, on every
# core, from a random seed, for DURATION (seconds, or 30m, 2h) split evenly
# between the targets. libFuzzer's fork mode keeps all cores busy and goes on
# after a crash, so one campaign can find several faults. Prints, per
# target, the executions, the coverage and the crashes. Any input that
# crashed, leaked, hung or ran out of memory fails the campaign; all are kept
# in the target's campaign folder, and the ten smallest are copied into
# fuzz/regressions/ (replayed by the unit tests once committed): one fault
# is often found many times over.
#
#   fuzz/campaign.sh DURATION
#
# The corpus grows from campaign to campaign in build/fuzz/campaign/ (kept
# out of the repository), seeded from fuzz/corpus, the sample, tests/data and
# fuzz/regressions.
set -euo pipefail
cd "$(dirname "$0")/.."

usage() { echo "usage: fuzz/campaign.sh DURATION   (seconds, or e.g. 30m, 2h)" >&2; exit 2; }
(($# == 1)) || usage
case $1 in
  *h) seconds=$(( ${1%h} * 3600 )) ;;
  *m) seconds=$(( ${1%m} * 60 )) ;;
  *s) seconds=${1%s} ;;
  *) seconds=$1 ;;
esac
[[ $seconds =~ ^[0-9]+$ ]] && ((seconds > 0)) || usage

bash scripts/install-deps.sh clang-14 libclang-rt-14-dev
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j "$(nproc)"

mapfile -t targets < <(find build/fuzz/fuzz -maxdepth 1 -type f -name 'fuzz_*' -perm -u+x | sort)
((${#targets[@]})) || { echo "campaign: no fuzz target was built" >&2; exit 1; }
cores=${FUZZ_CORES:-$(nproc)}  # fewer when the machine has other work
per_target=$(( seconds / ${#targets[@]} ))
((per_target > 0)) || per_target=1
seed=$(od -An -N4 -tu4 /dev/urandom | tr -d ' ')
echo "campaign: ${#targets[@]} target(s), ${per_target} s each on ${cores} cores, seed ${seed}"

failed=0
for target in "${targets[@]}"; do
  name=$(basename "$target")
  work=build/fuzz/campaign/$name
  findings=$work/findings-$seed
  mkdir -p "$work/corpus" "$findings"
  cp -n fuzz/corpus/* examples/sample_chart.txt "$work/corpus/" || true  # kept: what earlier campaigns grew
  find fuzz/regressions tests/data -maxdepth 1 -type f ! -name '.*' -exec cp -n {} "$work/corpus/" \;
  # The limits of CI's fuzz stage (scripts/ci/fuzz.sh); a crash does not
  # end the campaign, it is counted and kept.
  status=0
  ASAN_OPTIONS=detect_leaks=1:allocator_may_return_null=0:quarantine_size_mb=64 \
  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    "$target" \
      -fork="$cores" -ignore_crashes=1 -ignore_timeouts=1 -ignore_ooms=1 \
      -seed="$seed" \
      -dict=fuzz/readdata14.dict \
      -max_total_time="$per_target" \
      -malloc_limit_mb=128 -rss_limit_mb=512 -timeout=10 -max_len=65536 \
      -artifact_prefix="$findings/" \
      "$work/corpus" >"$work/campaign.log" 2>&1 || status=$?
  # Fork mode's progress lines: "#RUNS: cov: C ft: F corp: N exec/s E oom/timeout/crash: O/T/X time: Ss ...".
  last=$(grep -E '^#[0-9]+: cov: ' "$work/campaign.log" | tail -n 1 || true)
  read -r runs cov ft corp oom_timeout_crash <<<"$(sed -E \
    's/^#([0-9]+): cov: ([0-9]+) ft: ([0-9]+) corp: ([0-9]+).*oom\/timeout\/crash: ([0-9]+\/[0-9]+\/[0-9]+).*/\1 \2 \3 \4 \5/' <<<"$last")"
  found=$(find "$findings" -type f | wc -l)
  echo "$name: ${runs:-?} executions, coverage ${cov:-?} edges (${ft:-?} features), corpus ${corp:-?} inputs," \
       "oom/timeout/crash ${oom_timeout_crash:-?}, ${found} input(s) kept (exit ${status}; log: $work/campaign.log)"
  if ((found > 0)); then
    echo "  all in $findings; the smallest in fuzz/regressions/:"
    mapfile -t smallest < <(ls -Sr "$findings" | head -n 10)
    for input in "${smallest[@]}"; do
      cp "$findings/$input" fuzz/regressions/
      echo "  fuzz/regressions/$input"
    done
    failed=1
  elif ((status != 0)); then
    tail -n 30 "$work/campaign.log"
    failed=1
  fi
done
if ((failed)); then
  echo "campaign: FAILED; make each input above a regression test and fix it"
  exit 1
fi
echo "campaign: no crash, leak, timeout or memory-limit hit in ${seconds} s"
