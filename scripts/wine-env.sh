# Sourced by the scripts that run the Windows build under Wine: sets
# WINEPREFIX (build/wineprefix), WINEARCH, WINEDEBUG, LC_ALL (code page 932)
# and BRAMLE_WINDOWS_CPU.
#
# The Windows program is 32-bit and runs under 32-bit Wine. A kernel without
# IA32 emulation cannot start 32-bit programs at all; there the same sources
# are built for 64-bit Windows (BRAMLE_WINDOWS_CPU=x86_64, read by
# cmake/mingw-i686.cmake) and run under 64-bit Wine, whose loader and server
# come first on PATH as "wine" and "wineserver".
# Expects $root, the project's folder.
if [ -x /usr/lib/wine/wine ] && ! /usr/lib/wine/wine --version >/dev/null 2>&1 &&
   [ -x /usr/lib/wine/wine64 ]; then
  export BRAMLE_WINDOWS_CPU=x86_64 WINEARCH=win64
  wine_bin="$root/build/wine64-bin"
  mkdir -p "$wine_bin"
  printf '#!/bin/sh\nexport WINELOADER=/usr/lib/wine/wine64\nexec /usr/lib/wine/wine64 "$@"\n' > "$wine_bin/wine"
  printf '#!/bin/sh\nexec /usr/lib/wine/wineserver64 "$@"\n' > "$wine_bin/wineserver"
  chmod +x "$wine_bin/wine" "$wine_bin/wineserver"
  export PATH="$wine_bin:$PATH"
else
  export BRAMLE_WINDOWS_CPU=i686 WINEARCH=win32
fi
export WINEPREFIX="$root/build/wineprefix" WINEDEBUG=-all LC_ALL=ja_JP.UTF-8
# A build or prefix made for the other processor is made again. The
# toolchain file names the compiler, so the cache records only its tools.
if [ -f "$root/build/windows/CMakeCache.txt" ] &&
   ! grep -q "^CMAKE_CXX_COMPILER_AR:FILEPATH=.*/${BRAMLE_WINDOWS_CPU}-w64-mingw32-" "$root/build/windows/CMakeCache.txt"; then
  rm -rf "$root/build/windows"
fi
if [ -f "$WINEPREFIX/system.reg" ] && ! grep -q "^#arch=$WINEARCH" "$WINEPREFIX/system.reg"; then
  rm -rf "$WINEPREFIX"
fi
