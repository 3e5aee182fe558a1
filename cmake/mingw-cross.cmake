# What both MinGW-w64 toolchain files share; they set CMAKE_SYSTEM_PROCESSOR
# and TOOLCHAIN_PREFIX first. The posix thread variant is needed for
# std::mutex and GoogleTest; TovikDlg.dll and the twins of the room libraries
# it links are built with the win32 variant of the same compiler, through
# cmake/win32-threads (CMakeLists.txt says why).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_C_COMPILER   ${TOOLCHAIN_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TOOLCHAIN_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER  ${TOOLCHAIN_PREFIX}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${TOOLCHAIN_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
