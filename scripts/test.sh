#!/usr/bin/env bash
# Installs what is needed, builds everything (benchmarks included) and runs the whole test suite
# (with the drive-dependent programs once more on emulated drives only, label "emulated"); then the
# whole suite again under AddressSanitizer, LeakSanitizer and UndefinedBehaviorSanitizer
# (scripts/sanitize.sh asan), the parts that run threads under ThreadSanitizer
# (scripts/sanitize.sh tsan), and the fuzzers.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh

jobs=$(nproc)
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j "$jobs"
QT_QPA_PLATFORM=offscreen ctest --test-dir build --output-on-failure -j "$jobs"

bash scripts/sanitize.sh asan
bash scripts/sanitize.sh tsan
bash scripts/fuzz.sh
