#!/usr/bin/env bash
# Installs a build into <build>/install and builds and runs the example consumers against it.
# Usage: scripts/consumers-installed.sh <build> [--no-subproject]
set -euo pipefail
cd "$(dirname "$0")/.."
dir=$1
shift
rm -rf "$dir/install"
cmake --install "$dir" --prefix "$dir/install" >/dev/null
scripts/consumers.sh "$dir/install" "$dir/consumers" build/app/p6155961.bmp "$@" </dev/null
