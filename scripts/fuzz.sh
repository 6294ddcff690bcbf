#!/usr/bin/env bash
# Builds the fuzz preset and runs every libFuzzer target of tests/fuzz for SECONDS
# seconds, one after the other (one worker each), under AddressSanitizer and
# UndefinedBehaviorSanitizer. Prints the executions each target reached; exits 1
# when any target found a fault, whose input is kept under build-fuzz/findings/<target>/.
#
# Each target starts from its committed seeds; the workbook targets also from a
# workbook of a few thousand rates that the host's own writers produce (fuzz_seeds),
# and each is given inputs as long as the files it reads in use (MAX_LEN below).
# By default the corpus is a scratch copy, so the repository is left as it was; with
# TOLM_FUZZ_CORPUS=DIR the corpus of each target is DIR/<target> instead, which
# keeps growing from one run to the next.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:?usage: [TOLM_FUZZ_CORPUS=DIR] scripts/fuzz.sh SECONDS [TARGET...]}
shift
bash scripts/install-deps.sh
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz

# The longest input of each target: a workbook of a few thousand rows for the
# workbook readers, a text far longer than any the program reads for the others.
declare -A MAX_LEN=([fuzz_xls]=1048576 [fuzz_xlsx]=1048576)
default_max_len=65536
# The targets whose seeds fuzz_seeds adds to.
declare -A WORKBOOK=([fuzz_xls]=1 [fuzz_xlsx]=1)

targets=("$@")
if ((${#targets[@]} == 0)); then
  for seeds in tests/fuzz/corpus/*/; do targets+=("$(basename "$seeds")"); done
fi

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
if [[ -n ${TOLM_FUZZ_CORPUS:-} ]]; then
  mkdir -p "$TOLM_FUZZ_CORPUS"
  corpora=$(cd "$TOLM_FUZZ_CORPUS" && pwd)
else
  corpora=$scratch/corpus
fi
generated=$scratch/generated
mkdir -p "$generated"
build-fuzz/bin/fuzz_seeds "$generated"

failed=()
for target in "${targets[@]}"; do
  corpus=$corpora/$target
  findings=build-fuzz/findings/$target
  mkdir -p "$corpus" "$findings"
  # Seeds join a kept corpus without replacing what it grew.
  cp -rn "tests/fuzz/corpus/$target/." "$corpus/"
  if [[ -n ${WORKBOOK[$target]:-} ]]; then
    extension=${target#fuzz_}
    cp "$generated/large.$extension" "$corpus/generated-large.$extension"
  fi
  log=$scratch/$target.log
  # The targets' own scratch files go to the scratch folder too.
  if TMPDIR=$scratch build-fuzz/bin/"$target" "$corpus" -max_total_time="$seconds" -print_final_stats=1 \
       -max_len="${MAX_LEN[$target]:-$default_max_len}" \
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
