#!/usr/bin/env bash
# Installs what bramle needs on a Debian machine; packages already present are
# left alone. "example": what building and running the Linux program takes;
# "test" (the default): also the Windows cross build, Wine and what the tests
# and benchmarks use.
set -euo pipefail

purpose=${1:-test}
have() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }

# libasio-dev: the event loop of the distributed build (header-only).
pkgs=(cmake ninja-build g++ gcc binutils libgtest-dev googletest libasio-dev)
if [ "$purpose" = test ]; then
  # iproute2 and util-linux: the network namespaces of the cluster tests.
  pkgs+=(make time python3 locales g++-mingw-w64-i686 wine wine32:i386 iproute2 util-linux)
  # The Linux windows (Qt 6 Widgets, optional for the core program), and a
  # virtual display with Japanese fonts for the window tests and screenshots.
  pkgs+=(qt6-base-dev xvfb fonts-noto-cjk)
  # The standard dialogs' translations (Qt's file dialog in Japanese), and
  # keys typed into a Qt window by the tests that drive a windowed run.
  pkgs+=(qt6-translations-l10n xdotool)
  # scripts/screenshots.sh: a window manager, a notification area and a
  # screen grabber, so that the pictures show what a person sees.
  pkgs+=(openbox trayer imagemagick)
  # scripts/trace-picture.py: a -Z trace drawn as lanes in a PNG.
  pkgs+=(python3-pil)
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
  fi
fi

missing=()
for p in "${pkgs[@]}"; do have "$p" || missing+=("$p"); done
if [ ${#missing[@]} -gt 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# 32-bit Wine cannot start on a kernel without IA32 emulation: there the
# Windows tests use a 64-bit build under 64-bit Wine (scripts/wine-env.sh).
if [ "$purpose" = test ] && ! /usr/lib/wine/wine --version >/dev/null 2>&1; then
  missing=()
  for p in wine64 g++-mingw-w64-x86-64-posix; do have "$p" || missing+=("$p"); done
  if [ ${#missing[@]} -gt 0 ]; then
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
  fi
fi

# Wine gives code page 932 only when the glibc locale exists.
if [ "$purpose" = test ] && ! locale -a 2>/dev/null | grep -qi '^ja_JP\.utf-\?8$'; then
  localedef -i ja_JP -f UTF-8 ja_JP.UTF-8
fi
