# Cross-compiling Qt, its serial port module and QCustomPlot for 64-bit Windows with Debian's
# MinGW-w64 (posix thread model). Unlike cmake/mingw-w64-x86_64.cmake nothing is linked
# statically: the Qt DLLs and the programs share one C++ runtime (libstdc++-6.dll and friends,
# shipped beside them), so exceptions and allocations may cross a DLL boundary.
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
