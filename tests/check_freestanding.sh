#!/usr/bin/env bash
# The driver libraries must build as Windows kernel drivers: no floating
# point, no mutable globals, no exceptions, no heap allocation behind the
# kernel pool, and only freestanding headers plus our kernel header.
set -u
root=${1:-.}
cd "$root" || exit 2
fail=0
files=$(find sorvex0 sorvex1 -name '*.cpp' -o -name '*.h' | sort)
report() { echo "$1"; fail=1; }
strip_comments() { sed -e 's://.*$::' -e 's:/\*.*\*/::g' "$1"; }
for f in $files; do
  body=$(strip_comments "$f")
  echo "$body" | grep -nwE 'float|double|long double' >/dev/null && report "$f: floating point"
  echo "$body" | grep -nE '\b(throw|try|catch|dynamic_cast|typeid)\b' >/dev/null && report "$f: exceptions or RTTI"
  echo "$body" | grep -nE '\bnew\b|\bdelete\b|\bmalloc\b|\bcalloc\b|\brealloc\b|\bfree\(' >/dev/null && report "$f: allocation outside the kernel pool"
  echo "$body" | grep -nE '\bstd::' >/dev/null && report "$f: standard library"
  bad=$(grep -hoE '^\s*#\s*include\s*<[^>]+>' "$f" | grep -vE '<(stdint\.h|stddef\.h|stdarg\.h)>')
  [ -n "$bad" ] && report "$f: non-freestanding include: $bad"
  # Namespace-scope variables must be const or constexpr.
  grep -nE '^(static\s+)?(u?int(8|16|32|64)_t|int|unsigned|char|bool|[A-Z][A-Za-z0-9]*)\s+[a-zA-Z_][A-Za-z0-9_]*(\[[^]]*\])*\s*(=|;)' "$f" \
    | grep -vE '\b(const|constexpr|typedef|using|return|extern "C")\b' | grep -v '^\s*//' >/dev/null && report "$f: mutable global"
done
if [ $fail -eq 0 ]; then echo "freestanding rules: $(echo "$files" | wc -l) files clean"; fi
exit $fail
