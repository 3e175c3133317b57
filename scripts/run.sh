#!/usr/bin/env bash
# Sets up, builds and runs one program: scripts/run.sh sparkfield|boxpair [arguments...]
set -euo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
program=${1:-}
case "$program" in
    sparkfield | boxpair) shift ;;
    *) echo "usage: $0 sparkfield|boxpair" >&2; exit 2 ;;
esac

"$here/scripts/setup.sh" release >/dev/null
exec "$here/build/$program/$program" "$@"
