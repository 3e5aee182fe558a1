# What the tools for claim texts share: one-line errors, file reading and
# writing; real input, window finding and screen capture; the claim dialog
# and message boxes told apart and clicked (also the tests'). The claim
# dialog is known by its resource ids (claim/) and the system's dialog class
# (framework/), headers only.
add_library(tovik_toolkit STATIC ${CMAKE_SOURCE_DIR}/toolkit/ToolFiles.cpp ${CMAKE_SOURCE_DIR}/toolkit/ScreenInput.cpp
    ${CMAKE_SOURCE_DIR}/toolkit/DialogPlayer.cpp)
target_include_directories(tovik_toolkit PUBLIC ${CMAKE_SOURCE_DIR}/toolkit)
target_include_directories(tovik_toolkit PRIVATE ${CMAKE_SOURCE_DIR}/framework ${CMAKE_SOURCE_DIR}/claim)
target_link_libraries(tovik_toolkit PUBLIC tovik_scoped_handle user32 gdi32)
