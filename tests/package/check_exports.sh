#!/usr/bin/env bash
# Checks that liblumenrt.so exports the library's public API and nothing of its internals: no symbol
# of an internal namespace (anonymous, lumenrt::platform::sqlite), of the C++ standard library, of
# SQLite or OpenSSL, and that the public names agents rely on are there.
set -euo pipefail
lib=$1
symbols=$(nm -D --defined-only -C "$lib" | awk '{ $1 = ""; $2 = ""; sub(/^  /, ""); print }')
bad=$(printf '%s\n' "$symbols" | grep -E \
  '\(anonymous namespace\)|lumenrt::platform::sqlite|^std::|^(typeinfo|vtable|VTT|guard variable) for std::|^sqlite3|^(EVP|OPENSSL|CRYPTO|DES|BF|AES)_' || true)
if [ -n "$bad" ]; then
  echo "liblumenrt.so exports internals:"
  printf '%s\n' "$bad" | head -40
  exit 1
fi
for name in 'ZString::ZString()' 'ZError::ZError' 'CreateCipher' 'LogWrite' 'ReportMessage' 'cfg_get_string' \
  'lumenrt::platform::SubstituteFileService' 'MessageModule'; do
  printf '%s\n' "$symbols" | grep -qF "$name" || { echo "liblumenrt.so does not export $name"; exit 1; }
done
echo "exports ok ($(printf '%s\n' "$symbols" | wc -l) symbols)"
