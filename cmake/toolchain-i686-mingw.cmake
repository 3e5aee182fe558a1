# The x86 build (32-bit Windows, PE32), cross-compiled with MinGW-w64.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(TOOLCHAIN_PREFIX i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-cross.cmake)

# What differs between the two builds.
set(TOVIK_ARCH x86)
# The DLL entry point is stdcall on x86: its symbol carries the decoration.
set(TOVIK_DLL_ENTRY _AfxDllEntry@12)
