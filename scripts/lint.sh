#!/usr/bin/env bash
# Cheap house rules: Qt stays in the desktop shell; text files end with a
# newline and carry no trailing blanks or CR LF (generated data excepted).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"
status=0
if grep -rn -E '#include *<Q[A-Za-z]+' src --exclude-dir=shell --exclude=main_gui.cpp; then
  echo "lint: Qt is included outside src/shell" >&2
  status=1
fi
# Folders include only folders below them; app and platform lean on each
# other, and siblings (publish and exchange, cli and shell) stay apart.
declare -A rank=([app]=0 [platform]=0 [store]=1 [settings]=2 [generator]=3
                 [publish]=4 [exchange]=4 [program]=4 [desktop]=5 [cli]=6 [shell]=6)
while IFS=: read -r file _ inc; do
  from=${file#src/}; from=${from%%/*}
  to=$(sed -E 's/.*#include "([a-z_]+)\/.*/\1/' <<<"$inc")
  [ -n "${rank[$from]:-}" ] && [ -n "${rank[$to]:-}" ] || continue
  [ "$from" = "$to" ] && continue
  if [ "${rank[$to]}" -gt "${rank[$from]}" ] ||
     { [ "${rank[$to]}" -eq "${rank[$from]}" ] && [ "${rank[$to]}" -ne 0 ]; }; then
    echo "lint: $file includes $to/, which is not below $from/" >&2
    status=1
  fi
done < <(grep -rn -E '#include "[a-z_]+/' src --include='*.h' --include='*.cc')
while IFS= read -r f; do
  [ -s "$f" ] || continue
  if [ "$(tail -c1 "$f" | od -An -tx1 | tr -d ' ')" != "0a" ]; then
    echo "lint: $f: no final newline" >&2; status=1
  fi
  if grep -q $'\r' "$f"; then echo "lint: $f: CR LF line ends" >&2; status=1; fi
  if grep -n -E '[[:blank:]]+$' "$f" >/dev/null; then
    echo "lint: $f: trailing blanks" >&2; status=1
  fi
done < <(git ls-files -- src tests tools bench scripts fuzz CMakeLists.txt '*.md' 2>/dev/null \
         | grep -E '\.(cc|h|cpp|sh|py|txt|md|cmake)$' | grep -v '^tests/data/')
exit $status
