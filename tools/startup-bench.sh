#!/bin/sh
# Start-up with 10,000 records against Wine's notepad, in the same run.
exec "$(dirname "$0")/gui-tool.sh" startup_bench
