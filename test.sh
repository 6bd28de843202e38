#!/usr/bin/env bash
# Builds Quorvelin and runs every test, the windows' tests headless and the
# smoke test on a virtual X server; then the store's and the tool's tests
# again under AddressSanitizer and UndefinedBehaviorSanitizer, and the fuzz
# targets on their seed corpora.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")"
bash scripts/setup.sh
ctest --test-dir build --output-on-failure -j"$(nproc)" --timeout 300
bash scripts/sanitize.sh
bash scripts/fuzz.sh
