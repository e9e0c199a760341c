# Cross-build for 32-bit Windows (i686-w64-mingw32) on Debian, with the
# posix-thread compilers of g++-mingw-w64-i686-posix. Test programs run under
# wine32 as CTest's cross-compiling emulator.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86)

set(RB_MINGW_TRIPLET i686-w64-mingw32)
# The explicit -posix names: the unsuffixed ones are update-alternatives links
# that may point at the win32 thread model.
set(CMAKE_C_COMPILER /usr/bin/${RB_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER /usr/bin/${RB_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER /usr/bin/${RB_MINGW_TRIPLET}-windres)
set(CMAKE_AR /usr/bin/${RB_MINGW_TRIPLET}-gcc-ar-posix CACHE FILEPATH "")
set(CMAKE_RANLIB /usr/bin/${RB_MINGW_TRIPLET}-gcc-ranlib-posix CACHE FILEPATH "")

# Libraries, headers and packages come from the target's sysroot only;
# programs from the build machine.
set(CMAKE_FIND_ROOT_PATH /usr/${RB_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Doubles in SSE2 registers, as on x86_64: x87 registers keep 80-bit
# intermediates, which would change results in the last bit (and so every
# truncation to an integer that follows).
set(CMAKE_C_FLAGS_INIT "-msse2 -mfpmath=sse")
set(CMAKE_CXX_FLAGS_INIT "-msse2 -mfpmath=sse")

# The C and C++ runtimes go into every .exe and .dll, so that each imports
# system DLLs only. -static is what brings in libwinpthread, which the posix
# thread model needs besides libgcc and libstdc++.
set(_rb_static_runtime "-static -static-libgcc -static-libstdc++")
set(CMAKE_EXE_LINKER_FLAGS_INIT "${_rb_static_runtime}")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "${_rb_static_runtime}")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "${_rb_static_runtime}")

# /usr/lib/wine/wine is the 32-bit loader of wine32:i386 (/usr/bin/wine is a
# shell wrapper that picks it). One prefix per build folder: test runs in two
# folders never share, and so never stop each other's wineserver.
set(RB_WINE_LOADER /usr/lib/wine/wine CACHE FILEPATH "The wine32 loader")
if(NOT EXISTS ${RB_WINE_LOADER})
  message(WARNING "${RB_WINE_LOADER} is missing (package wine32:i386): tests cannot run")
endif()
set(RB_WINE_PREFIX "${CMAKE_BINARY_DIR}/wine-prefix" CACHE PATH "WINEPREFIX of the tests")
set(RB_WINE_ENV
    WINEPREFIX=${RB_WINE_PREFIX}
    WINEARCH=win32
    WINEDEBUG=-all
    # Never offer to install Mono or Gecko.
    "WINEDLLOVERRIDES=mscoree,mshtml=")
set(CMAKE_CROSSCOMPILING_EMULATOR /usr/bin/env ${RB_WINE_ENV} sh
    ${CMAKE_CURRENT_LIST_DIR}/wine-run.sh ${RB_WINE_LOADER})

# pkg-config answers for the target only, never with the build machine's
# libraries.
set(ENV{PKG_CONFIG_LIBDIR} /usr/${RB_MINGW_TRIPLET}/lib/pkgconfig)
unset(ENV{PKG_CONFIG_PATH})
