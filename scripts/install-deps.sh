#!/usr/bin/env bash
# Installs every Debian package the build, the Wine test bench and the screenshots need.
# Idempotent: packages already present are skipped, and apt is only asked when one is missing.
set -euo pipefail

packages=(
  g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 mingw-w64-x86-64-dev
  wine64 fonts-wine
  cmake ninja-build googletest nlohmann-json3-dev
  clang libclang-rt-14-dev
  xvfb imagemagick x11-utils xdotool
  unixodbc unixodbc-dev
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "install-deps: installing ${missing[*]}"
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# The posix thread model is the one we build with; make it the default so plain tools agree.
for tool in x86_64-w64-mingw32-gcc x86_64-w64-mingw32-g++; do
  if update-alternatives --list "$tool" >/dev/null 2>&1; then
    update-alternatives --set "$tool" "/usr/bin/${tool}-posix" >/dev/null 2>&1 || true
  fi
done
test -x /usr/lib/wine/wine64 || { echo "install-deps: /usr/lib/wine/wine64 missing" >&2; exit 1; }
echo "install-deps: ok"
