#!/bin/sh
# Installs, from Debian's archive, whatever the build and the tests need and this machine lacks.
# Safe to run again: it only calls apt-get when a package is missing.
set -eu

packages="
  cmake ninja-build g++ python3 googletest
  g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix binutils-mingw-w64 libz-mingw-w64-dev
  wine wine64 xvfb xauth x11-utils imagemagick
  zip unzip 7zip libarchive-tools
"
missing=""
for package in $packages; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
    missing="$missing $package"
  fi
done
if [ -n "$missing" ]; then
  echo "Installing:$missing"
  export DEBIAN_FRONTEND=noninteractive
  sudo_cmd=""
  [ "$(id -u)" -eq 0 ] || sudo_cmd="sudo"
  $sudo_cmd apt-get update -q
  # Wine stays 64-bit only: no i386 architecture, never wine32.
  $sudo_cmd apt-get install -y -q --no-install-recommends $missing
fi
