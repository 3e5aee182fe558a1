// The smallest DLL built as the library is (same compiler, the C++ runtime
// linked in statically, C++ exceptions): what loading and unloading it
// leaves in the process is the runtime's, not the library's.
#include <windows.h>

extern "C" __declspec(dllexport) int __cdecl RuntimeFloor(int n)
{
    try {
        if (n != 0)
            throw n;
    } catch (int) {
        return 1;
    }
    return 0;
}
