# Sourced by the Wine helpers: one place for the environment every Wine run needs.
# WINE_TEST_PREFIX must be set (an absolute path) before sourcing.
export WINEPREFIX="${WINE_TEST_PREFIX:?WINE_TEST_PREFIX not set}"
export WINEARCH=win64
export WINEDEBUG="${WINEDEBUG:--all}"
# DSNSET_DLL_OVERRIDES lets a test load its own copy of a library Wine also builds in.
export WINEDLLOVERRIDES="mscoree,mshtml=${DSNSET_DLL_OVERRIDES:+;$DSNSET_DLL_OVERRIDES}"
WINE64=/usr/lib/wine/wine64
WINESERVER=/usr/lib/wine/wineserver
