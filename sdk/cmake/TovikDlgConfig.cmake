# TovikDlg for a game's CMake build: find_package(TovikDlg CONFIG) defines
# the imported target TovikDlg::TovikDlg (the DLL, its import library and the
# folder of TovikDlg.h), the function tovik_copy_dll(TARGET) and
# TovikDlg_ARCH (x86 or x64, the architecture taken).
#
#   find_package(TovikDlg 1.1 REQUIRED CONFIG)   # CMAKE_PREFIX_PATH names the SDK's folder
#                                                 # (or TovikDlg_DIR its lib/cmake/TovikDlg)
#   add_executable(game main.cpp)
#   target_link_libraries(game PRIVATE TovikDlg::TovikDlg)
#   tovik_copy_dll(game)                          # TovikDlg.dll beside game.exe after each build
#
# The build's pointer size picks the architecture: bin/x86 and lib/x86 for a
# 32-bit game, bin/x64 and lib/x64 for a 64-bit one. The import library is
# the one the compiler's linker reads: TovikDlg.lib for Microsoft's (MSVC,
# clang-cl, clang for an *-msvc target), libTovikDlg.dll.a for MinGW-w64's.

# This file lies in lib/cmake/TovikDlg of the SDK.
get_filename_component(_tovik_root "${CMAKE_CURRENT_LIST_DIR}/../../.." ABSOLUTE)

if(NOT WIN32)
    set(${CMAKE_FIND_PACKAGE_NAME}_FOUND FALSE)
    set(${CMAKE_FIND_PACKAGE_NAME}_NOT_FOUND_MESSAGE "TovikDlg is a Windows DLL; this build is for ${CMAKE_SYSTEM_NAME}")
    return()
endif()
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(_tovik_arch x64)
elseif(CMAKE_SIZEOF_VOID_P EQUAL 4)
    set(_tovik_arch x86)
else()
    set(${CMAKE_FIND_PACKAGE_NAME}_FOUND FALSE)
    set(${CMAKE_FIND_PACKAGE_NAME}_NOT_FOUND_MESSAGE
        "the pointer size of this build is unknown (enable C or CXX before find_package(TovikDlg))")
    return()
endif()

if(MSVC OR CMAKE_C_SIMULATE_ID STREQUAL "MSVC" OR CMAKE_CXX_SIMULATE_ID STREQUAL "MSVC")
    set(_tovik_implib "${_tovik_root}/lib/${_tovik_arch}/TovikDlg.lib")
else()
    set(_tovik_implib "${_tovik_root}/lib/${_tovik_arch}/libTovikDlg.dll.a")
endif()

foreach(_tovik_file "${_tovik_root}/bin/${_tovik_arch}/TovikDlg.dll" "${_tovik_implib}" "${_tovik_root}/include/TovikDlg.h")
    if(NOT EXISTS "${_tovik_file}")
        set(${CMAKE_FIND_PACKAGE_NAME}_FOUND FALSE)
        set(${CMAKE_FIND_PACKAGE_NAME}_NOT_FOUND_MESSAGE "${_tovik_file}: missing from the SDK")
        return()
    endif()
endforeach()

if(NOT TARGET TovikDlg::TovikDlg)
    add_library(TovikDlg::TovikDlg SHARED IMPORTED)
    set_target_properties(TovikDlg::TovikDlg PROPERTIES
        IMPORTED_LOCATION "${_tovik_root}/bin/${_tovik_arch}/TovikDlg.dll"
        IMPORTED_IMPLIB "${_tovik_implib}"
        INTERFACE_INCLUDE_DIRECTORIES "${_tovik_root}/include")
endif()
set(TovikDlg_ARCH ${_tovik_arch})

# tovik_copy_dll(TARGET): after each build of TARGET, copy the TovikDlg.dll of
# its architecture beside its program (when it changed). CMake 3.21 and later
# can do the same for every DLL a program links with
# $<TARGET_RUNTIME_DLLS:TARGET>.
function(tovik_copy_dll target)
    add_custom_command(TARGET ${target} POST_BUILD
        COMMAND "${CMAKE_COMMAND}" -E copy_if_different "$<TARGET_FILE:TovikDlg::TovikDlg>" "$<TARGET_FILE_DIR:${target}>"
        VERBATIM)
endfunction()

unset(_tovik_file)
unset(_tovik_implib)
unset(_tovik_arch)
unset(_tovik_root)
