#!/usr/bin/env bash
# Installs the built library into a scratch prefix and builds a small component against it, once
# through find_package(lumenrt CONFIG) and once through pkg-config.
set -euo pipefail
build_dir=$1
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cmake --install "$build_dir" --prefix "$work/prefix" >/dev/null
cmake -S "$here" -B "$work/consumer" -G Ninja -DCMAKE_PREFIX_PATH="$work/prefix" >/dev/null
cmake --build "$work/consumer" >/dev/null
out=$(LD_LIBRARY_PATH="$work/prefix/lib" "$work/consumer/consumer")
[ "$out" = "hi there" ] || { echo "find_package consumer printed '$out'"; exit 1; }
flags=$(PKG_CONFIG_PATH="$work/prefix/lib/pkgconfig" pkg-config --cflags --libs lumenrt)
c++ -std=c++20 "$here/consumer.cc" $flags -o "$work/pc_consumer"
out=$(LD_LIBRARY_PATH="$work/prefix/lib" "$work/pc_consumer")
[ "$out" = "hi there" ] || { echo "pkg-config consumer printed '$out'"; exit 1; }
echo "package ok"
