# Cross-build for 64-bit Windows with MinGW-w64. The posix thread model is the
# one GoogleTest builds with; -static keeps libgcc, libstdc++ and winpthread
# inside the executables so they need only system DLLs.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)

set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

# Tests run under Wine; their environment (prefix, quiet debug output) is set
# per test in tests/CMakeLists.txt.
set(CMAKE_CROSSCOMPILING_EMULATOR /usr/lib/wine/wine64)
