# Cross-compiling for 64-bit Windows with Debian's MinGW-w64 toolchain (the posix-threads
# variant: the win32 one lacks std::mutex and std::thread). Programs are linked statically, so
# that they need no runtime DLLs beside the system's own, and run under Wine through
# CMAKE_CROSSCOMPILING_EMULATOR, as CTest does with the tests.
#   cmake -DCMAKE_TOOLCHAIN_FILE=cmake/windows-x86_64.cmake -DPLUVINA_WINDOWS_DEPS=<prefix> ...
# PLUVINA_WINDOWS_DEPS is where scripts/windows-deps.sh installed the libraries Debian ships
# no Windows build of (freeglut, libjpeg-turbo, libspng).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(PLUVINA_MINGW x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${PLUVINA_MINGW}-gcc-posix)
set(CMAKE_CXX_COMPILER ${PLUVINA_MINGW}-g++-posix)
set(CMAKE_RC_COMPILER ${PLUVINA_MINGW}-windres)
set(CMAKE_ASM_NASM_COMPILER nasm)

# try_compile projects see the same variables.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES PLUVINA_WINDOWS_DEPS)
set(CMAKE_FIND_ROOT_PATH /usr/${PLUVINA_MINGW} ${PLUVINA_WINDOWS_DEPS})
# Searched as prefixes of their own (include/, lib/) within those roots.
set(CMAKE_PREFIX_PATH ${PLUVINA_WINDOWS_DEPS} /usr/${PLUVINA_MINGW})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# pkg-config looks only at the Windows libraries' files, never at the build machine's.
set(ENV{PKG_CONFIG_LIBDIR}
    "${PLUVINA_WINDOWS_DEPS}/lib/pkgconfig:/usr/${PLUVINA_MINGW}/lib/pkgconfig")
set(ENV{PKG_CONFIG_PATH} "")

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
# Static archives only (libz.a, not the import library libz.dll.a beside it).
set(CMAKE_FIND_LIBRARY_SUFFIXES .a)
# Wine in a prefix of the build's own.
get_filename_component(PLUVINA_SOURCE_ROOT "${CMAKE_CURRENT_LIST_DIR}/.." ABSOLUTE)
set(CMAKE_CROSSCOMPILING_EMULATOR ${PLUVINA_SOURCE_ROOT}/scripts/wine.sh ${CMAKE_BINARY_DIR}/wine)
