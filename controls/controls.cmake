# The skinned controls: the background picture dialog, the hover picture
# button and the colour edit.
add_library(tovik_controls STATIC
    ${CMAKE_SOURCE_DIR}/controls/CBitmapDialog.cpp
    ${CMAKE_SOURCE_DIR}/controls/CHoverButton.cpp
    ${CMAKE_SOURCE_DIR}/controls/CColorEdit.cpp)
target_include_directories(tovik_controls PUBLIC ${CMAKE_SOURCE_DIR}/controls ${CMAKE_SOURCE_DIR}/dib)
target_link_libraries(tovik_controls PUBLIC tovik_dib tovik_framework comctl32)
