/*
 * A C++ game's start: makes its own folder the current directory, so that
 * the library finds the Claim.txt shipped beside the game's program however
 * the game was started (from a shortcut, a launcher, another folder), then
 * asks the player to agree. Linked against the import library.
 *
 * The folder is found and entered with the wide calls GetModuleFileNameW and
 * SetCurrentDirectoryW: the folder a player installs the game in may have a
 * name outside the system's code page (Greek, Cyrillic or an emoji on a
 * Traditional Chinese system), which the ANSI calls cannot name.
 *
 * Usage: game [ACCESS_CODE]   (the right code by default)
 * Exit status: the result of ShowMainDialog, or 2 when the program's folder
 * cannot be entered.
 *
 * Build with MinGW-w64 (from the samples folder; x64: lib/x64 and out/x64):
 *   i686-w64-mingw32-g++ -I../include game.cpp -L../lib/x86 -lTovikDlg -static -o out/x86/game.exe
 * (-static: with the C++ runtime linked in, not as DLLs of its own)
 * Build with MSVC: cl /EHsc /I..\include game.cpp ..\lib\x86\TovikDlg.lib
 * or with CMake: samples/CMakeLists.txt.
 */
#include <windows.h>

#include <cstdio>
#include <string>

#include "TovikDlg.h"

namespace {

// Makes the folder of this program the current directory.
bool EnterProgramFolder()
{
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        DWORD length = ::GetModuleFileNameW(nullptr, &path[0], static_cast<DWORD>(path.size()));
        if (length == 0)
            return false;
        if (length < path.size()) {  // otherwise the name was cut short: try a larger buffer
            path.resize(length);
            break;
        }
        if (path.size() >= 32768)
            return false;
        path.resize(path.size() * 2);
    }
    std::wstring::size_type slash = path.find_last_of(L"\\/");
    if (slash == std::wstring::npos)
        return false;
    path.resize(slash + 1);  // keep the backslash: "C:\" stays the root, not "C:"
    return ::SetCurrentDirectoryW(path.c_str()) != FALSE;
}

}  // namespace

int main(int argc, char** argv)
{
    if (!EnterProgramFolder()) {
        std::fprintf(stderr, "game: cannot enter the program's folder (error %lu)\n", ::GetLastError());
        return 2;
    }
    const char* code = argc > 1 ? argv[1] : TOVIK_ACCESS_CODE;
    const int result = ShowMainDialog(code);
    switch (result) {
    case TOVIK_RESULT_AGREED:
        std::printf("ShowMainDialog returned %d: agreed, the game goes on\n", result);
        break;
    case TOVIK_RESULT_CODE_REFUSED:
        std::printf("ShowMainDialog returned %d: access code refused\n", result);
        break;
    default:
        std::printf("ShowMainDialog returned %d: not agreed, the game ends\n", result);
        break;
    }
    return result;
}
