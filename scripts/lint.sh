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
