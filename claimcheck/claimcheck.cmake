# tovik-claimcheck: checks claim text files for what the player sees of them.
# The core (with the system's code page 950 conversion) is a library so that
# the tests can call it directly.
add_library(tovik_claimcheck_core STATIC
    ${CMAKE_CURRENT_LIST_DIR}/claim_check.cpp ${CMAKE_CURRENT_LIST_DIR}/system_big5.cpp)
# It judges a text by the game's own layout rule (claim/claim_layout.h).
target_include_directories(tovik_claimcheck_core PUBLIC ${CMAKE_CURRENT_LIST_DIR} ${CMAKE_SOURCE_DIR}/claim)

add_executable(tovik-claimcheck ${CMAKE_CURRENT_LIST_DIR}/tovik-claimcheck.cpp)
target_link_libraries(tovik-claimcheck PRIVATE tovik_claimcheck_core tovik_toolkit tovik_sdk_header)
