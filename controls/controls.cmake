# The skinned controls: the background picture dialog, the hover picture
# button and the colour edit (and their twin tovik_controls_dll for the DLL;
# see tovik_room_library in CMakeLists.txt).
tovik_room_library(tovik_controls
    SOURCES ${CMAKE_SOURCE_DIR}/controls/CBitmapDialog.cpp
        ${CMAKE_SOURCE_DIR}/controls/CHoverButton.cpp
        ${CMAKE_SOURCE_DIR}/controls/CColorEdit.cpp
    INCLUDES ${CMAKE_SOURCE_DIR}/controls ${CMAKE_SOURCE_DIR}/dib
    LINKS tovik_dib tovik_framework comctl32)
