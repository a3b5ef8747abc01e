#!/usr/bin/env bash
# Sets up and builds the editor if needed, then starts it, optionally on FILE.
#   ./run.sh [FILE]...
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
"$here/scripts/setup" --program
exec "$here/build/hexaloom" "$@"
