#!/bin/sh
# The category protection switch with 10,000 records in the running program.
exec "$(dirname "$0")/gui-tool.sh" protection_bench
