# The framework layer, on which the rooms above stand, shared by the DLL and
# the tests (and its twin tovik_framework_dll for the DLL; see
# tovik_room_library in CMakeLists.txt). A DLL on the framework takes its
# start-up (DllStartup.cpp) from here by naming AfxDllEntry as its entry
# point; a program never does.
tovik_room_library(tovik_framework
    SOURCES ${CMAKE_SOURCE_DIR}/framework/AfxState.cpp ${CMAKE_SOURCE_DIR}/framework/CCmdTarget.cpp
        ${CMAKE_SOURCE_DIR}/framework/CWnd.cpp ${CMAKE_SOURCE_DIR}/framework/CDialog.cpp
        ${CMAKE_SOURCE_DIR}/framework/CButton.cpp ${CMAKE_SOURCE_DIR}/framework/CString.cpp
        ${CMAKE_SOURCE_DIR}/framework/CWinApp.cpp ${CMAKE_SOURCE_DIR}/framework/CDC.cpp
        ${CMAKE_SOURCE_DIR}/framework/CGdiObject.cpp ${CMAKE_SOURCE_DIR}/framework/CFile.cpp
        ${CMAKE_SOURCE_DIR}/framework/PtrMap.cpp ${CMAKE_SOURCE_DIR}/framework/AfxDebug.cpp
        ${CMAKE_SOURCE_DIR}/framework/DllStartup.cpp
    INCLUDES ${CMAKE_SOURCE_DIR}/framework
    LINKS user32 gdi32 comctl32)
# The owners of raw handles (ScopedHandle.h), header only: also for the
# tools, which do not link the framework.
add_library(tovik_scoped_handle INTERFACE)
target_include_directories(tovik_scoped_handle INTERFACE ${CMAKE_SOURCE_DIR}/framework)
