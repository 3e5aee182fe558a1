# Debugging information of the shipped binaries (TovikDlg.dll and the
# programs of the SDK's bin folders). They are compiled with -g, linked
# unstripped, then stripped in place after the link: the file in bin/ is the
# one the tests load, the size checks measure and the package ships. What
# was stripped goes to NAME.debug beside it (objcopy --only-keep-debug), and
# the stripped file names it in a .gnu_debuglink section, so a debugger or
# llvm-symbolizer that finds both files in one folder resolves addresses to
# source lines. Every other program is linked with -s (CMakeLists.txt).
#
# Each of them is also linked with --build-id, for which GNU ld writes a
# CodeView entry into the PE debug directory (an RSDS record: a GUID and an
# age), the record Windows' symbol servers, crash reporters and debuggers
# match a binary and its symbols by. objcopy keeps the entry in both the
# stripped file and its .debug file, so the two carry the same id.
#
# Source paths in the debugging information (and in __FILE__) are relative:
# the source folder becomes ".", the build folder's files its path relative
# to the source folder, and the compiler's working folder (the build folder)
# ".", so that a symbolizer joins them to paths of the repository and no
# path of the build machine is left in a binary or its .debug file.
#
# Each link also writes a map, maps/NAME.map in the build tree: the list of
# the libraries linked in, which the notices must cover: those of the DLL
# THIRD-PARTY-NOTICES.txt, those of the programs THIRD-PARTY-NOTICES-TOOLS.txt
# (tools/notices checks them).
find_program(TOVIK_OBJCOPY ${TOOLCHAIN_PREFIX}-objcopy REQUIRED)
file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/maps)

# GCC tries the last map given first: the build folder's files before the
# source folder's, the working folder itself (no slash after it) to ".".
file(RELATIVE_PATH TOVIK_BINARY_DIR_RELATIVE ${CMAKE_SOURCE_DIR} ${CMAKE_BINARY_DIR})
add_compile_options(
    $<$<COMPILE_LANGUAGE:C,CXX>:-ffile-prefix-map=${CMAKE_SOURCE_DIR}/=>
    $<$<COMPILE_LANGUAGE:C,CXX>:-ffile-prefix-map=${CMAKE_BINARY_DIR}=.>
    $<$<COMPILE_LANGUAGE:C,CXX>:-ffile-prefix-map=${CMAKE_BINARY_DIR}/=${TOVIK_BINARY_DIR_RELATIVE}/>)

# Adds -g to the static libraries target links, and to theirs in turn.
function(tovik_debug_info_for_libraries target)
    get_target_property(links ${target} LINK_LIBRARIES)
    foreach(lib IN LISTS links)
        if(TARGET ${lib})
            get_target_property(type ${lib} TYPE)
            get_target_property(done ${lib} TOVIK_DEBUG_INFO)
            if(NOT done AND type MATCHES "STATIC_LIBRARY|OBJECT_LIBRARY")
                set_target_properties(${lib} PROPERTIES TOVIK_DEBUG_INFO ON)
                target_compile_options(${lib} PRIVATE $<$<AND:$<CONFIG:Release>,$<COMPILE_LANGUAGE:C,CXX>>:-g>)
                tovik_debug_info_for_libraries(${lib})
            endif()
        endif()
    endforeach()
endfunction()

# tovik_shipped_binaries(TARGET...): built with debugging information,
# stripped after the link, symbols in bin/NAME.debug.
function(tovik_shipped_binaries)
    foreach(target IN LISTS ARGN)
        set_target_properties(${target} PROPERTIES TOVIK_SHIPPED ON)
        target_compile_options(${target} PRIVATE $<$<AND:$<CONFIG:Release>,$<COMPILE_LANGUAGE:C,CXX>>:-g>)
        tovik_debug_info_for_libraries(${target})
        target_link_options(${target} PRIVATE -Wl,-Map=${CMAKE_BINARY_DIR}/maps/${target}.map -Wl,--build-id)
        add_custom_command(TARGET ${target} POST_BUILD
            COMMAND ${TOVIK_OBJCOPY} --only-keep-debug $<TARGET_FILE_NAME:${target}> $<TARGET_FILE_NAME:${target}>.debug
            COMMAND ${TOVIK_OBJCOPY} --strip-all --add-gnu-debuglink=$<TARGET_FILE_NAME:${target}>.debug
                $<TARGET_FILE_NAME:${target}>
            WORKING_DIRECTORY $<TARGET_FILE_DIR:${target}>
            COMMENT "Stripping ${target}, its symbols kept beside it in a .debug file"
            VERBATIM)
    endforeach()
endfunction()
