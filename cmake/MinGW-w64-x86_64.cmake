# Cross-compiling the Windows programs on Debian with MinGW-w64 (make windows):
#
#   cmake -S . -B build-windows -DCMAKE_TOOLCHAIN_FILE=cmake/MinGW-w64-x86_64.cmake
#
# The compiler is the posix threading variant of MinGW-w64's GCC, whose C++ library has
# std::thread (the default win32 variant has none). Every program is linked statically, so the
# .exe files need no DLL besides those of Windows itself.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(TRIMORPH_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${TRIMORPH_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TRIMORPH_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${TRIMORPH_MINGW_PREFIX}-windres)

# Libraries and headers of the target only; programs of the build machine.
set(CMAKE_FIND_ROOT_PATH /usr/${TRIMORPH_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT -static)

# The tests run the programs under Wine, in a Wine prefix of the build's own (tools/wine-run), so
# that nothing depends on the user's own Wine set-up.
set(TRIMORPH_WINE_PREFIX ${CMAKE_BINARY_DIR}/wine)
if(CMAKE_HOST_UNIX AND NOT CMAKE_CROSSCOMPILING_EMULATOR)
  get_filename_component(wine_run ${CMAKE_CURRENT_LIST_DIR}/../tools/wine-run ABSOLUTE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${wine_run} ${TRIMORPH_WINE_PREFIX})
endif()
