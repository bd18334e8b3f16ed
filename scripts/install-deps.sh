#!/usr/bin/env bash
# Installs what building and testing bramle needs on a Debian machine.
# Idempotent: packages already present are left alone.
set -euo pipefail

need_apt=()
have() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }

pkgs=(cmake ninja-build g++ gcc binutils make time libgtest-dev googletest locales
      g++-mingw-w64-i686 qt6-base-dev xvfb iproute2 python3)
if [ "${BRAMLE_NO_WINE:-0}" != 1 ]; then
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
    APT_UPDATED=0
  fi
  pkgs+=(wine wine32:i386)
fi
for p in "${pkgs[@]}"; do have "$p" || need_apt+=("$p"); done
if [ ${#need_apt[@]} -gt 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${need_apt[@]}" >/dev/null
fi

# Wine gives code page 932 only when the glibc locale exists.
if ! locale -a 2>/dev/null | grep -qi '^ja_JP\.utf-\?8$'; then
  localedef -i ja_JP -f UTF-8 ja_JP.UTF-8
fi
