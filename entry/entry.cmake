# TovikDlg.dll: the export and the application object over the claim dialog,
# its resources and the runtime built on Win32 threads (cmake/win32-threads;
# README.md, "Size budget"); the entry symbol brings the framework's DLL
# start-up.
add_library(TovikDlg SHARED
    ${CMAKE_SOURCE_DIR}/entry/ShowMainDialog.cpp ${CMAKE_SOURCE_DIR}/entry/CTovikDlgApp.cpp
    ${CMAKE_SOURCE_DIR}/entry/TerminateHandler.cpp ${CMAKE_SOURCE_DIR}/entry/TovikDlg.def)
target_link_libraries(TovikDlg PRIVATE tovik_claim_dll tovik_claim_resources tovik_sdk_header)
set_target_properties(TovikDlg PROPERTIES PREFIX "" OUTPUT_NAME TovikDlg
    CXX_COMPILER_LAUNCHER ${TOVIK_WIN32_THREADS} CXX_LINKER_LAUNCHER ${TOVIK_WIN32_THREADS})
target_link_options(TovikDlg PRIVATE -Wl,-e,${TOVIK_DLL_ENTRY} -Wl,--kill-at)
