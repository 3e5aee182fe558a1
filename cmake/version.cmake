# The one version of the library is that of project() in CMakeLists.txt. The
# version block takes it through generated/version.h (claim/version.h.in);
# the public header through the copy of sdk/TovikDlg.h made here, whose
# @PROJECT_VERSION_...@ lines become numbers. Everything in the tree compiles
# against that copy (tovik_sdk_header), and tools/package ships it.
configure_file(${CMAKE_SOURCE_DIR}/sdk/TovikDlg.h ${CMAKE_BINARY_DIR}/generated/sdk/TovikDlg.h @ONLY)
set(TOVIK_SDK_INCLUDE_DIR ${CMAKE_BINARY_DIR}/generated/sdk)
