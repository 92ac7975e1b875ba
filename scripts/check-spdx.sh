#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Lists every tracked source file whose first lines lack the licence's SPDX
# line; exits non-zero when there is one, so test.sh stops on it.
set -euo pipefail
cd "$(dirname "$0")/.."
missing=$(git ls-files -- '*.cpp' '*.h' '*.hpp' '*.cc' '*.sh' 'CMakeLists.txt' '*/CMakeLists.txt' '*.cmake' |
    while read -r file; do
        [ -f "$file" ] || continue
        head -3 "$file" | grep -q 'SPDX-License-Identifier: GPL-3.0-or-later' || echo "$file"
    done)
if [ -n "$missing" ]; then
    echo "Source files without 'SPDX-License-Identifier: GPL-3.0-or-later' in their first three lines:" >&2
    echo "$missing" >&2
    exit 1
fi
