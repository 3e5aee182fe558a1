# The DIB image and the portable BMP format core it uses (and its twin
# tovik_dib_dll for the DLL; see tovik_room_library in CMakeLists.txt).
tovik_room_library(tovik_dib
    SOURCES ${CMAKE_SOURCE_DIR}/dib/CDibImage.cpp ${CMAKE_SOURCE_DIR}/dib/bmp_format.cpp
    INCLUDES ${CMAKE_SOURCE_DIR}/dib
    LINKS tovik_framework)
