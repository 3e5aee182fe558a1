# The SDK's release is the version of project() in CMakeLists.txt. The
# public header takes it through the copy of sdk/TovikDlg.h made here, whose
# @PROJECT_VERSION_...@ lines become numbers; the version block names it
# through generated/version.h (claim/version.h.in), beside its own fixed file
# version. Everything in the tree compiles against that copy
# (tovik_sdk_header), and tools/package ships it, with the CMake package's
# version file made from the same release (tovik-version, CMakeLists.txt).
configure_file(${CMAKE_SOURCE_DIR}/sdk/TovikDlg.h ${CMAKE_BINARY_DIR}/generated/sdk/TovikDlg.h @ONLY)
set(TOVIK_SDK_INCLUDE_DIR ${CMAKE_BINARY_DIR}/generated/sdk)

