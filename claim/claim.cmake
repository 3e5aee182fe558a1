# The claim dialog (and its twin tovik_claim_dll for the DLL; see
# tovik_room_library in CMakeLists.txt); its resource ids (claim/) also
# serve the tools that find its controls.
tovik_room_library(tovik_claim
    SOURCES ${CMAKE_SOURCE_DIR}/claim/CClaimDialog.cpp
    INCLUDES ${CMAKE_SOURCE_DIR}/claim ${TOVIK_SDK_INCLUDE_DIR}
    LINKS tovik_controls)

# The claim dialog's resources (template, artwork, version block), compiled
# once for the DLL and the tests that link the dialog's classes. The version
# block takes generated/version.h, written by CMakeLists.txt.
set(CMAKE_RC_FLAGS "${CMAKE_RC_FLAGS} -c 950 -I${CMAKE_SOURCE_DIR}/claim -I${CMAKE_BINARY_DIR}/generated")
add_library(tovik_claim_resources OBJECT ${CMAKE_SOURCE_DIR}/claim/TovikDlg.rc)
set_source_files_properties(${CMAKE_SOURCE_DIR}/claim/TovikDlg.rc PROPERTIES OBJECT_DEPENDS
    "${CMAKE_SOURCE_DIR}/claim/res/background.bmp;${CMAKE_SOURCE_DIR}/claim/res/agree.bmp;${CMAKE_SOURCE_DIR}/claim/res/disagree.bmp;${CMAKE_SOURCE_DIR}/claim/resource.h;${CMAKE_BINARY_DIR}/generated/version.h")
