#!/bin/sh
# Runs one fuzz target on its corpus folder for QUORREL_FUZZ_SECONDS (default
# 30). Usage: run-target.sh TARGET CORPUS FINDINGS-PREFIX
set -e
seconds=${QUORREL_FUZZ_SECONDS:-30}
exec "$1" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix="$3" "$2"
