# What the tools for claim texts share: one-line errors, file reading and
# writing; real input, window finding and screen capture (also the tests').
add_library(tovik_toolkit STATIC ${CMAKE_SOURCE_DIR}/toolkit/ToolFiles.cpp ${CMAKE_SOURCE_DIR}/toolkit/ScreenInput.cpp)
target_include_directories(tovik_toolkit PUBLIC ${CMAKE_SOURCE_DIR}/toolkit)
target_link_libraries(tovik_toolkit PUBLIC tovik_scoped_handle user32 gdi32)
