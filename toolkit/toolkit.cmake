# What the tools for claim texts share: one-line errors, file reading and writing.
add_library(tovik_toolkit STATIC ${CMAKE_SOURCE_DIR}/toolkit/ToolFiles.cpp)
target_include_directories(tovik_toolkit PUBLIC ${CMAKE_SOURCE_DIR}/toolkit)
