#!/bin/sh
# Installs, from Debian's archive, whatever the build and the tests need and this machine lacks.
# Safe to run again: it only calls apt-get when a package is missing.
# Where the kernel runs 32-bit programs it also adds the i386 architecture and installs wine32,
# so that the shipped 32-bit build runs (as on 64-bit Windows, under WOW64); where it does not,
# it says so and sets up everything else.
set -eu
cd "$(dirname "$0")/.."

packages="
  cmake ninja-build g++ python3 googletest
  g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix binutils-mingw-w64 libz-mingw-w64-dev
  wine wine64 xvfb xauth x11-utils imagemagick
  zip unzip 7zip libarchive-tools locales
  libssl-dev nlohmann-json3-dev
  clang libclang-rt-14-dev
"
packages32="wine32:i386"

installed() {
  dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"
}

missing=""
for package in $packages; do
  installed "$package" || missing="$missing $package"
done

with32=""
if why=$(scripts/can-run-32bit --kernel); then
  for package in $packages32; do
    installed "$package" || with32="$with32 $package"
  done
else
  echo "setup-deps: no wine32: $why; the 32-bit build will only be compiled and linked"
fi

if [ -n "$missing$with32" ]; then
  echo "Installing:$missing$with32"
  export DEBIAN_FRONTEND=noninteractive
  sudo_cmd=""
  [ "$(id -u)" -eq 0 ] || sudo_cmd="sudo"
  if [ -n "$with32" ] && ! dpkg --print-foreign-architectures | grep -qx i386; then
    $sudo_cmd dpkg --add-architecture i386
  fi
  $sudo_cmd apt-get update -q
  [ -z "$missing" ] || $sudo_cmd apt-get install -y -q --no-install-recommends $missing
  # wine32's i386 libraries must match the versions of their amd64 twins, so this may also
  # bring some amd64 libraries up to the archive's current version.
  if [ -n "$with32" ] && ! $sudo_cmd apt-get install -y -q --no-install-recommends $with32; then
    echo "setup-deps: WARNING: could not install$with32; the 32-bit tests will not run"
  fi
fi

# Wine takes a system's code pages from the Linux locale it runs in, which must exist: the
# end-to-end tests run a Russian and a Japanese Windows.
for locale in ru_RU ja_JP; do
  if ! locale -a 2>/dev/null | grep -qix "$locale.utf-\?8"; then
    echo "Generating the $locale.UTF-8 locale"
    sudo_cmd=""
    [ "$(id -u)" -eq 0 ] || sudo_cmd="sudo"
    $sudo_cmd localedef -i "$locale" -f UTF-8 "$locale.UTF-8"
  fi
done
