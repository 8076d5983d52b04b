#!/usr/bin/env bash
# Installs the build into a scratch prefix, then:
# - builds a small component against the library, once through find_package(lumenrt CONFIG) and once
#   through pkg-config, neither naming a C++ standard of its own (the package brings C++20);
# - runs the installed tool from the prefix with no library path set: the demo, --version (the
#   package's version) and plugins options, which loads the recording module from <prefix>/lib/lumenrt;
# - builds the installed example plug-in modules against the package and checks them with the tool;
# - checks that the manual page and the bash completion script are installed.
# Usage: check.sh BUILD_DIR VERSION
set -euo pipefail
build_dir=$1
version=$2
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix=$work/prefix
cmake --install "$build_dir" --prefix "$prefix" >/dev/null
unset LD_LIBRARY_PATH

cmake -S "$here" -B "$work/consumer" -G Ninja -DCMAKE_PREFIX_PATH="$prefix" >/dev/null
cmake --build "$work/consumer" >/dev/null
out=$("$work/consumer/consumer")
[ "$out" = "hi there $version" ] || { echo "find_package consumer printed '$out'"; exit 1; }
[ "$(PKG_CONFIG_PATH="$prefix/lib/pkgconfig" pkg-config --modversion lumenrt)" = "$version" ] ||
  { echo "lumenrt.pc does not carry version $version"; exit 1; }
flags=$(PKG_CONFIG_PATH="$prefix/lib/pkgconfig" pkg-config --cflags --libs lumenrt)
c++ "$here/consumer.cc" $flags -o "$work/pc_consumer"
out=$(LD_LIBRARY_PATH="$prefix/lib" "$work/pc_consumer")
[ "$out" = "hi there $version" ] || { echo "pkg-config consumer printed '$out'"; exit 1; }

tool=$prefix/bin/lumenrt
"$tool" demo >"$work/demo.out" || { echo "the installed tool's demo failed:"; tail "$work/demo.out"; exit 1; }
out=$("$tool" --version)
[ "$out" = "lumenrt $version" ] || { echo "the installed tool's --version printed '$out'"; exit 1; }
[ ! -e "$prefix/bin/lumenrt-recorder.so" ] || { echo "the recording module is installed beside the tool"; exit 1; }
printf 'Backup.EXCH_Backup_Type = incr\nBackup.EXCH_Server_Name = EXSRV\n' >"$work/job.qxc"
out=$("$tool" plugins options --kind exch --backup --source "$work/job.qxc")
expected=$(printf 'position\tname\tvalue\n1\tbackup_type\t1\n2\tdelete_logs\t1\n3\tserver_name\tEXSRV')
[ "$out" = "$expected" ] || { echo "the installed tool's plugins options printed '$out'"; exit 1; }

examples=$prefix/share/doc/lumenrt/examples
cmake -S "$examples" -B "$work/examples" -G Ninja -DCMAKE_PREFIX_PATH="$prefix" >/dev/null
cmake --build "$work/examples" >/dev/null
for kind_module in 2:example_factory_module 1:example_mailbox_module; do
  "$tool" plugins check --kind "${kind_module%%:*}" "$work/examples/${kind_module#*:}.so" >"$work/check.out" ||
    { echo "the installed example ${kind_module#*:} does not pass plugins check:"; cat "$work/check.out"; exit 1; }
done

grep -q '^\.TH LUMENRT "\?1' "$prefix/share/man/man1/lumenrt.1" || { echo "no manual page lumenrt(1)"; exit 1; }
bash -c "source '$prefix/share/bash-completion/completions/lumenrt' && complete -p lumenrt" >/dev/null ||
  { echo "the bash completion script does not register lumenrt"; exit 1; }
echo "package ok"
