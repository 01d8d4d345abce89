#!/bin/sh
# Import and export of 100,000 records through the program's own commands.
exec "$(dirname "$0")/gui-tool.sh" exchange_bench
