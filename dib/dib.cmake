# The DIB image and the portable BMP format core it uses.
add_library(tovik_dib STATIC
    ${CMAKE_SOURCE_DIR}/dib/CDibImage.cpp ${CMAKE_SOURCE_DIR}/dib/bmp_format.cpp)
target_include_directories(tovik_dib PUBLIC ${CMAKE_SOURCE_DIR}/dib)
target_link_libraries(tovik_dib PUBLIC tovik_framework)
