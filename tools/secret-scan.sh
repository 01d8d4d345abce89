#!/bin/sh
# The copies of a protected value and of the master password in the running program's memory, step by step.
exec "$(dirname "$0")/gui-tool.sh" secret_scan
