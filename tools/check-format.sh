#!/bin/sh
# Fails when a product source file differs from the layout in .clang-format.
# With --fix, rewrites those files instead.
cd "$(dirname "$0")/.."
files=$(git ls-files 'app/*' 'views/*' 'dialogs/*' 'security/*' 'model/*' 'storage/*' 'exchange/*' 'platform/*' \
    'tools/cli/*' 'res/*.h' | grep -E '\.(cpp|h)$')
if [ "$1" = "--fix" ]; then
    # shellcheck disable=SC2086
    exec clang-format -i $files
fi
status=0
for f in $files; do
    if ! clang-format --dry-run --Werror "$f" >/dev/null 2>&1; then
        echo "not formatted: $f (tools/check-format.sh --fix)"
        status=1
    fi
done
exit $status
