# Sourced by the scripts that run the product under Wine: installs what is missing, builds,
# makes the build tree's prefix, and defines run (a Windows program, CRLF removed) and bin.
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
bash "$root/scripts/install-deps.sh"
bash "$root/scripts/build.sh" >/dev/null
export WINE_TEST_PREFIX="$root/build/wineprefix"
bash "$root/cmake/wine-prefix.sh" "$WINE_TEST_PREFIX"
run() { "$root/cmake/wine-run.sh" "$@" 2>&1 | tr -d '\r'; }
bin="$root/build/bin"
