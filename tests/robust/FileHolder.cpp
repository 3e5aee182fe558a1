// Holds a file the way another process might while a test runs:
//   file_holder exclusive|range PATH READY_EVENT QUIT_EVENT
// "exclusive" opens PATH with no sharing at all; "range" opens it shared and
// locks every byte of it. Sets READY_EVENT once held, then waits for
// QUIT_EVENT (at most 60 s) and exits, which lets the file go.
#include <windows.h>
#include <cstring>

int main(int argc, char** argv)
{
    if (argc != 5)
        return 2;
    const bool bExclusive = std::strcmp(argv[1], "exclusive") == 0;
    HANDLE hFile = ::CreateFileA(argv[2], bExclusive ? GENERIC_READ | GENERIC_WRITE : GENERIC_READ,
                                 bExclusive ? 0 : FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
    if (hFile == INVALID_HANDLE_VALUE)
        return 3;
    if (!bExclusive && !::LockFile(hFile, 0, 0, 0xFFFFFFFF, 0))
        return 4;
    HANDLE hReady = ::OpenEventA(EVENT_MODIFY_STATE, FALSE, argv[3]);
    HANDLE hQuit = ::OpenEventA(SYNCHRONIZE, FALSE, argv[4]);
    if (hReady == nullptr || hQuit == nullptr)
        return 5;
    ::SetEvent(hReady);
    ::WaitForSingleObject(hQuit, 60000);
    ::CloseHandle(hFile);
    return 0;
}
