# Cross build for 32-bit Windows with MinGW-w64 (the posix thread variant,
# which std::thread needs). Tests run under Wine.
#
# BRAMLE_WINDOWS_CPU=x86_64 in the environment builds the same sources for
# 64-bit Windows instead: scripts/test.sh does so on a machine that cannot
# run 32-bit programs (a kernel without IA32 emulation), where 32-bit Wine
# cannot start, so that the Windows code is still tested, under 64-bit Wine.
set(CMAKE_SYSTEM_NAME Windows)
if("$ENV{BRAMLE_WINDOWS_CPU}" STREQUAL "x86_64")
  set(BRAMLE_MINGW x86_64-w64-mingw32)
  set(CMAKE_SYSTEM_PROCESSOR x86_64)
else()
  set(BRAMLE_MINGW i686-w64-mingw32)
  set(CMAKE_SYSTEM_PROCESSOR i686)
endif()
set(CMAKE_C_COMPILER ${BRAMLE_MINGW}-gcc-posix)
set(CMAKE_CXX_COMPILER ${BRAMLE_MINGW}-g++-posix)
set(CMAKE_RC_COMPILER ${BRAMLE_MINGW}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${BRAMLE_MINGW})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_CROSSCOMPILING_EMULATOR wine)
