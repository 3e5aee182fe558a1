# The x64 build (64-bit Windows, PE32+), cross-compiled with MinGW-w64.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(TOOLCHAIN_PREFIX x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-cross.cmake)

# What differs between the two builds.
set(TOVIK_ARCH x64)
# x64 has one calling convention and no symbol decoration.
set(TOVIK_DLL_ENTRY AfxDllEntry)
