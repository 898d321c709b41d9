#!/usr/bin/env bash
# Makes the Wine prefix that every scenario starts from a copy of: a fresh
# 64-bit prefix whose windows go to the null graphics driver, so that they
# work without a display.
#   make_prefix.sh PREFIX
set -euo pipefail
[ $# -eq 1 ] || { echo "usage: $0 PREFIX" >&2; exit 2; }
source "$(dirname "$0")/wine_env.sh" "$1"

rm -rf "$WINEPREFIX"
wine wineboot -i
wineserver -w
wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null
wineserver -w
echo "Wine prefix ready in $WINEPREFIX"
