# Cross build for 64-bit Windows with mingw-w64 (Debian's g++-mingw-w64-x86-64).
# The -posix compilers give std::thread and friends; -static links the C and
# C++ run-time libraries in, so the .exe files need no DLLs. Test programs run
# under wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)

set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

# The wine loader by its full path: Debian does not put wine64 on PATH.
set(CMAKE_CROSSCOMPILING_EMULATOR /usr/lib/wine/wine64)
