#!/usr/bin/env bash
# The driver libraries must build as Windows kernel drivers: no floating
# point, no mutable globals, no exceptions, no heap allocation behind the
# kernel pool, and only freestanding headers plus our kernel header. The
# vector units (in vector/ folders) may also include the compiler's
# intrinsics headers, and, of our headers outside vector/, only ones that
# define no inline functions: a copy of one compiled with a vector unit's
# flags could be the copy the linker keeps for every caller.
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
  allowed='stdint\.h|stddef\.h|stdarg\.h'
  case "$f" in */vector/*) allowed="$allowed|[a-z0-9]+intrin\.h" ;; esac
  bad=$(grep -hoE '^\s*#\s*include\s*<[^>]+>' "$f" | grep -vE "<($allowed)>")
  [ -n "$bad" ] && report "$f: non-freestanding include: $bad"
  case "$f" in
    */vector/*)
      for header in $(sed -n 's/^\s*#\s*include\s*"\([^"]*\)".*/\1/p' "$f"); do
        [ -e "$(dirname "$f")/$header" ] && continue
        path=""
        for candidate in "sorvex0/$header" "sorvex1/src/$header"; do
          [ -e "$candidate" ] && path=$candidate
        done
        [ -n "$path" ] && strip_comments "$path" | grep -qE '\binline\b|\bconstexpr\b[^=;]*\(' &&
          report "$f: includes $header, which defines inline functions"
      done ;;
  esac
  # Namespace-scope variables must be const or constexpr.
  grep -nE '^(static\s+)?(u?int(8|16|32|64)_t|int|unsigned|char|bool|[A-Z][A-Za-z0-9]*)\s+[a-zA-Z_][A-Za-z0-9_]*(\[[^]]*\])*\s*(=|;)' "$f" \
    | grep -vE '\b(const|constexpr|typedef|using|return|extern "C")\b' | grep -v '^\s*//' >/dev/null && report "$f: mutable global"
done
if [ $fail -eq 0 ]; then echo "freestanding rules: $(echo "$files" | wc -l) files clean"; fi
exit $fail
