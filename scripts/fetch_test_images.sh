#!/usr/bin/env bash
# Fetches the photographs the image tests use: coffee.png and chelsea.png (the
# conversion tests measure against them) and astronaut.png (the face tracker
# follows the face in it), taken from Debian's python3-skimage package, and
# IMG_5952.CR2 (a 12-bit RGGB camera raw file, 3596 x 2360, that the camera
# front end reads), taken from Debian's rawtran-doc package.
# Usage: scripts/fetch_test_images.sh [DIR]   (DIR defaults to testdata/)
# Safe to run again: does nothing when all images are already there.
set -euo pipefail

dest=${1:-testdata}
images=(coffee.png chelsea.png astronaut.png)
camera_raw=IMG_5952.CR2

missing=0
for image in "${images[@]}" "$camera_raw"; do
  [ -s "$dest/$image" ] || missing=1
done
if [ "$missing" -eq 0 ]; then
  echo "test images already in $dest"
  exit 0
fi

work=$(mktemp -d)
chmod 0777 "$work"  # apt-get download writes here as the unprivileged _apt user
trap 'rm -rf "$work"' EXIT

(cd "$work" && apt-get download python3-skimage rawtran-doc >/dev/null)
deb=$(ls "$work"/python3-skimage_*.deb)
dpkg-deb -x "$deb" "$work/root"
dpkg-deb -x "$(ls "$work"/rawtran-doc_*.deb)" "$work/root"

mkdir -p "$dest"
for image in "${images[@]}"; do
  found=$(find "$work/root" -path '*/skimage/data/*' -name "$image" | head -n 1)
  if [ -z "$found" ]; then
    echo "error: $image not found in $(basename "$deb")" >&2
    exit 1
  fi
  cp "$found" "$dest/$image"
done
found=$(find "$work/root" -name "$camera_raw" | head -n 1)
if [ -z "$found" ]; then
  echo "error: $camera_raw not found in rawtran-doc" >&2
  exit 1
fi
cp "$found" "$dest/$camera_raw"
echo "test images copied to $dest"
