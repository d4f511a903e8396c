#!/usr/bin/env bash
# Data files at scale: 100,000-entry library load/save, 10,000-entry playlist load.
set -euo pipefail
build=${1:-build}
"$build/bench/data_files/data_files_bench" "$build/fixtures"
