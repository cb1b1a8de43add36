#!/usr/bin/env bash
# A Linux library exports exactly the entry points named in the module definition, and carries
# its SONAME. Usage: check_exports.sh library.so tarvik.def expected-soname
set -euo pipefail
lib=$1 def=$2 soname=$3
expected=$(awk '$1 ~ /^FP_/ { sub(/@.*/, "", $1); print $1 }' "$def" | sort)
actual=$(nm -D --defined-only "$lib" | awk '{ print $3 }' | sort)
if [ "$expected" != "$actual" ]; then
  echo "exports of $lib differ from $def:"; diff <(echo "$expected") <(echo "$actual") || true
  exit 1
fi
readelf -d "$lib" | grep -q "Library soname: \[$soname\]" || { echo "$lib: SONAME is not $soname"; exit 1; }
echo "$lib: $(echo "$actual" | wc -l) entry points, SONAME $soname"
