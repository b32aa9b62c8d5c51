# Cross-compiling binario.exe for 64-bit Windows with Debian's MinGW-w64
# (the posix thread model, which std::thread and std::mutex need).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(BINARIO_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${BINARIO_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${BINARIO_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${BINARIO_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${BINARIO_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
# CLI11 and nlohmann-json are header-only: the host's packages serve the target.
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE BOTH)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE BOTH)

# Tests and tools built for Windows run under Wine on the build machine: in a
# Wine prefix of the build's own (made on first use), with no display and
# without Wine's debug chatter, so that a fresh machine or a CI runner needs
# nothing set up beforehand.
find_program(BINARIO_WINE NAMES wine64 wine PATHS /usr/lib/wine)
find_program(BINARIO_WINESERVER NAMES wineserver PATHS /usr/lib/wine)
set(BINARIO_WINEPREFIX ${CMAKE_BINARY_DIR}/wineprefix)
set(BINARIO_WINE_ENV env -u DISPLAY -u WAYLAND_DISPLAY WINEPREFIX=${BINARIO_WINEPREFIX}
    WINEDEBUG=-all WINEDLLOVERRIDES=mscoree,mshtml=)
if(BINARIO_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${BINARIO_WINE_ENV} ${BINARIO_WINE})
endif()
