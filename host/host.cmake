# tovik-host: the stand-in for a game, which loads the DLL and calls its export.
add_executable(tovik-host ${CMAKE_SOURCE_DIR}/host/tovik-host.cpp)
target_link_libraries(tovik-host PRIVATE tovik_sdk_header)

# tovik-answer: the demo's player, which runs a program and answers the
# dialog or box it shows (also the package test's). Its entry point is wmain:
# the programs it starts may lie in folders named outside the system's code
# page.
add_executable(tovik-answer ${CMAKE_SOURCE_DIR}/host/tovik-answer.cpp)
target_link_libraries(tovik-answer PRIVATE tovik_toolkit user32)
target_link_options(tovik-answer PRIVATE -municode)
