#!/usr/bin/env bash
# Sets up and builds Hexaloom if needed, then runs the whole test suite headless.
#   ./test.sh
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
"$here/scripts/setup"
export QT_QPA_PLATFORM=offscreen
cd "$here/build"
ctest --output-on-failure -j "$(nproc)" --timeout 300
