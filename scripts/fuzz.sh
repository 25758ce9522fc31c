#!/usr/bin/env bash
# Builds every libFuzzer target (clang, with AddressSanitizer and UndefinedBehaviorSanitizer) and
# runs each for a short time over its committed seeds in tests/*/fuzz/corpus/<name>; fails
# when one finds a crash, a leak, a timeout or runs out of memory (the input is then kept under
# build-fuzz/artifacts/). FUZZ_SECONDS sets the time per target (default 60).
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${FUZZ_SECONDS:-60}
build=build-fuzz
launcher=()
if command -v ccache >/dev/null; then
  launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
# Ostrelle and its platform layers are all the fuzzers need; QtCore is looked for on its own.
CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DQUAVREL_FUZZ=ON -DQUAVREL_ONLY_OSTRELLE=ON "${launcher[@]}" >/dev/null
cmake --build "$build" --target fuzzers

mkdir -p "$build/artifacts"
for fuzzer in "$build"/bin/*_fuzzer; do
  name=$(basename "$fuzzer")
  seeds=${name%_fuzzer}
  seeds=$(ls -d tests/*/fuzz/corpus/"${seeds#ostrelle_}")
  # New inputs go to a scratch folder: the committed seeds stay as they are.
  work=$(mktemp -d)
  log=$build/artifacts/$name.log
  echo "== $name: ${seconds} s over $seeds"
  if ! "$fuzzer" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
      -artifact_prefix="$build/artifacts/$name-" "$work" "$seeds" >"$log" 2>&1; then
    rm -rf "$work"
    tail -n 60 "$log"
    echo "$name failed; its input is in $build/artifacts/" >&2
    exit 1
  fi
  rm -rf "$work"
  grep -E '^#[0-9]+[[:space:]]+(INITED|DONE)|stat::(number_of_executed_units|new_units_added|peak_rss_mb)' "$log"
done
