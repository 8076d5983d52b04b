#!/usr/bin/env bash
# Checks the shared library's exported symbols.
#
# Linux (check_exports.sh LIBRARY [LIST]): nothing of an internal namespace (anonymous,
# lumenrt::platform::sqlite), of the C++ standard library, of SQLite or OpenSSL; and, given LIST, the
# exports of `nm -D --defined-only` (demangled, sorted, without addresses or types) are exactly the
# checked-in list: a change of the library's binary interface changes that list in the same commit.
# The sanitizer builds give no LIST (their instrumentation exports symbols of its own).
#
# Windows (check_exports.sh --pe OBJDUMP DLL LIST): the DLL's export table (the names of
# `objdump -p`'s "[Ordinal/Name Pointer] Table") is exactly LIST.
#
# Regenerate a list after a deliberate change of the interface with UPDATE_EXPORTS=1.
set -euo pipefail
export LC_ALL=C

compare() {  # compare ACTUAL_NAMES LIST LIBRARY
  local actual=$1 list=$2 lib=$3
  if [ "${UPDATE_EXPORTS:-0}" = 1 ]; then
    printf '%s\n' "$actual" >"$list"
    echo "wrote $list ($(printf '%s\n' "$actual" | wc -l) symbols)"
    return 0
  fi
  [ -f "$list" ] || { echo "no list of exports $list (UPDATE_EXPORTS=1 writes it)"; exit 1; }
  local diff
  if ! diff=$(diff -u --label "$list (checked in)" --label "$(basename "$lib") (built)" "$list" - <<<"$actual"); then
    echo "the exports of $(basename "$lib") differ from $list"
    echo "(lines with - are in the list only, lines with + in the library only):"
    printf '%s\n' "$diff"
    exit 1
  fi
}

if [ "${1:-}" = --pe ]; then
  objdump=$2 lib=$3 list=$4
  names=$("$objdump" -p "$lib" | awk '
    /^\[Ordinal\/Name Pointer\] Table/ { table = 1; next }
    table && /^[ \t]*\[ *[0-9]+\]/ { sub(/^[ \t]*\[ *[0-9]+\][ \t]*/, ""); print; next }
    table && NF == 0 { table = 0 }' | sort)
  [ -n "$names" ] || { echo "$(basename "$lib") has no export table"; exit 1; }
  compare "$names" "$list" "$lib"
  echo "exports ok ($(printf '%s\n' "$names" | wc -l) names)"
  exit 0
fi

lib=$1
list=${2:-}
symbols=$(nm -D --defined-only -C "$lib" | awk '{ $1 = ""; $2 = ""; sub(/^  /, ""); print }' | sort)
bad=$(printf '%s\n' "$symbols" | grep -E \
  '\(anonymous namespace\)|lumenrt::platform::sqlite|^std::|^(typeinfo|vtable|VTT|guard variable) for std::|^sqlite3|^(EVP|OPENSSL|CRYPTO|DES|BF|AES)_' || true)
if [ -n "$bad" ]; then
  echo "$(basename "$lib") exports internals:"
  printf '%s\n' "$bad" | head -40
  exit 1
fi
if [ -n "$list" ]; then
  compare "$symbols" "$list" "$lib"
fi
echo "exports ok ($(printf '%s\n' "$symbols" | wc -l) symbols)"
