# tovik-host: the stand-in for a game, which loads the DLL and calls its export.
add_executable(tovik-host ${CMAKE_SOURCE_DIR}/host/tovik-host.cpp)
target_link_libraries(tovik-host PRIVATE tovik_sdk_header)
