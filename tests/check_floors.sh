#!/usr/bin/env bash
# sorvex0 is cut into floors, and a folder includes only itself and the
# folders below it:
#   zoom, face, core   themselves only
#   platform           + core
#   exposure           + core
#   store              + core, exposure, platform
#   frame              + core, exposure, face, zoom
#   api                everything
# Headers outside sorvex0 (the public headers, sorvex1's, the kernel's) are
# not floors. An include that climbs out of its folder with ".." is refused
# too, since it hides which floor it reaches.
set -u
root=${1:-.}
cd "$root/sorvex0" || exit 2

allowed() {
  case "$1" in
    zoom | face | core) echo "$1" ;;
    platform) echo "platform core" ;;
    exposure) echo "exposure core" ;;
    store) echo "store core exposure platform" ;;
    frame) echo "frame core exposure face zoom" ;;
    api) echo "api core exposure face frame platform store zoom" ;;
    *) echo "" ;;
  esac
}

floors="api core exposure face frame platform store zoom"
fail=0
count=0
for f in $(find . -name '*.cpp' -o -name '*.h' | sed 's#^\./##' | sort); do
  folder=${f%%/*}
  if [ "$folder" = "$f" ] || ! echo " $floors " | grep -q " $folder "; then
    echo "$f: outside the floors ($floors)"
    fail=1
    continue
  fi
  count=$((count + 1))
  ok=" $(allowed "$folder") "
  while IFS=: read -r line target; do
    [ -z "$target" ] && continue
    case "$target" in
      *..*)
        echo "$f:$line: includes \"$target\" through .."
        fail=1
        continue
        ;;
    esac
    case "$target" in
      */*) reached=${target%%/*} ;;
      *) continue ;;  # beside the file, or a header outside sorvex0
    esac
    echo " $floors " | grep -q " $reached " || continue
    if ! echo "$ok" | grep -q " $reached "; then
      echo "$f:$line: $folder includes $reached (\"$target\"); $folder may include:$ok"
      fail=1
    fi
  done < <(grep -nE '^\s*#\s*include\s*"[^"]+"' "$f" | sed -E 's/^([0-9]+):.*"([^"]+)".*/\1:\2/')
done
if [ $fail -eq 0 ]; then echo "floors: $count files, every include within its floor"; fi
exit $fail
