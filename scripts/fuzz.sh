#!/usr/bin/env bash
# Builds the fuzz preset and runs every libFuzzer target of tests/fuzz for SECONDS
# seconds, one after the other (one worker each), under AddressSanitizer and
# UndefinedBehaviorSanitizer. Each target starts from a scratch copy of its seed
# corpus, so the repository is left as it was. Prints the executions each target
# reached; exits 1 when any target found a fault, whose input is kept under
# build-fuzz/findings/<target>/.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:?usage: scripts/fuzz.sh SECONDS [TARGET...]}
shift
bash scripts/install-deps.sh
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz

targets=("$@")
if ((${#targets[@]} == 0)); then
  for seeds in tests/fuzz/corpus/*/; do targets+=("$(basename "$seeds")"); done
fi

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
failed=()
for target in "${targets[@]}"; do
  corpus=$scratch/$target
  findings=build-fuzz/findings/$target
  mkdir -p "$corpus" "$findings"
  cp -r "tests/fuzz/corpus/$target/." "$corpus/"
  log=$scratch/$target.log
  # The targets' own scratch files go to the scratch folder too.
  if TMPDIR=$scratch build-fuzz/bin/"$target" "$corpus" -max_total_time="$seconds" -print_final_stats=1 \
       -timeout=10 -rss_limit_mb=2048 -artifact_prefix="$findings/" >"$log" 2>&1; then
    status=ok
  else
    status=FAULT
    failed+=("$target")
    grep -E -A25 "^==[0-9]+==ERROR|runtime error|invariant broken|deadly signal|Test unit written" "$log" | head -60 || true
  fi
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  printf '%-22s %-6s %s executions in %s s\n' "$target" "$status" "${runs:-?}" "$seconds"
done

if ((${#failed[@]} > 0)); then
  echo "Faults found by: ${failed[*]} (inputs under build-fuzz/findings/)"
  exit 1
fi
