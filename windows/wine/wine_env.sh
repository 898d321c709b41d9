# Sourced by the Wine test scripts: Wine quiet, without the .NET and HTML
# engines (nothing here needs them and their installers would stop to ask),
# for the prefix in $1.
export WINEPREFIX=$1
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY
