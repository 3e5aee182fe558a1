# tovik-preview: the real claim dialog with a given claim text, captured from
# the screen and saved as a BMP file through the library's image class.
add_executable(tovik-preview ${CMAKE_CURRENT_LIST_DIR}/tovik-preview.cpp ${CMAKE_CURRENT_LIST_DIR}/LivePreview.cpp)
target_link_libraries(tovik-preview PRIVATE tovik_dib tovik_sdk_header tovik_toolkit)
# The bounds of the claim text the dialog shows (claim_layout.h).
target_include_directories(tovik-preview PRIVATE ${CMAKE_SOURCE_DIR}/claim)
add_dependencies(tovik-preview TovikDlg)
