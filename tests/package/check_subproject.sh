#!/usr/bin/env bash
# Configures and builds a parent project (tests/package/subproject) that takes the library in with
# add_subdirectory() of this source tree, runs what it built and checks the library's version.
# Usage: check_subproject.sh SOURCE_DIR WORK_DIR VERSION (WORK_DIR is kept for the next run).
set -euo pipefail
source_dir=$1
work=$2
version=$3
here=$(cd "$(dirname "$0")" && pwd)
cmake -S "$here/subproject" -B "$work" -G Ninja -DLUMENRT_SOURCE="$source_dir" >/dev/null
cmake --build "$work" --target parent >/dev/null
out=$("$work/parent")
[ "$out" = "built by the parent project $version" ] || { echo "the parent project printed '$out'"; exit 1; }
echo "subproject ok"
