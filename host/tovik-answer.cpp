// The demo's player: runs a program and answers what TovikDlg.dll shows it,
// as a player would: the first message box with OK, or the claim dialog with
// Agree. tools/demo runs the stand-in game with it, and the package test the
// SDK's samples.
//
// Usage: tovik-answer ok|agree [--after FILE] PROGRAM [ARGS...]
//   --after FILE  answer only once FILE exists (the demo first takes its
//                 screenshot), waiting at most 15 s for it
// Prints one line per window answered ("box: CAPTION: TEXT" or "dialog"),
// then "exit N", and exits with the program's exit status; 101 when nothing
// to answer appeared within 15 s, 102 when the program did not end after.
#include <windows.h>
#include "DialogClass.h"
#include "resource.h"
#include "ScreenInput.h"

#include <cstdio>
#include <cwchar>
#include <string>

namespace {

const DWORD kAppearMs = 15000;
const DWORD kEndMs = 10000;
const int kNothingShown = 101;
const int kDidNotEnd = 102;

struct Search {
    DWORD pid = 0;
    HWND box = nullptr;     // a message box: text static 0xFFFF
    HWND dialog = nullptr;  // the claim dialog: text box 1000
};

BOOL CALLBACK FindWindows(HWND hWnd, LPARAM lParam)
{
    Search* pSearch = reinterpret_cast<Search*>(lParam);
    DWORD pid = 0;
    ::GetWindowThreadProcessId(hWnd, &pid);
    if (pid != pSearch->pid || !::IsWindowVisible(hWnd) || !IsDialogWindow(hWnd))
        return TRUE;
    if (::GetDlgItem(hWnd, 0xFFFF) != nullptr)
        pSearch->box = hWnd;
    else if (::GetDlgItem(hWnd, IDC_CLAIM_TEXT) != nullptr)
        pSearch->dialog = hWnd;
    return TRUE;
}

// A window's text on one line.
std::string Text(HWND hWnd)
{
    std::string text = toolkit::WindowText(hWnd);
    for (char& c : text)
        if (c == '\n' || c == '\r')
            c = ' ';
    return text;
}

// A left click at the centre of the window, through the input queue.
void Click(HWND hWnd)
{
    toolkit::MovePointer(toolkit::WindowCentre(hWnd));
    toolkit::PressLeftButton(true);
    toolkit::PressLeftButton(false);
}

}  // namespace

int wmain(int argc, wchar_t** argv)  // wide: a program's path may hold any character
{
    int nProgram = 2;
    const wchar_t* pszAfter = nullptr;
    if (argc > 2 && std::wcscmp(argv[2], L"--after") == 0) {
        pszAfter = argv[3];
        nProgram = 4;
    }
    if (argc <= nProgram || (std::wcscmp(argv[1], L"ok") != 0 && std::wcscmp(argv[1], L"agree") != 0)) {
        std::fprintf(stderr, "usage: tovik-answer ok|agree [--after FILE] PROGRAM [ARGS...]\n");
        return 2;
    }
    const bool bAgree = std::wcscmp(argv[1], L"agree") == 0;
    std::wstring cmd;
    for (int i = nProgram; i < argc; ++i)
        cmd += (i > nProgram ? L" \"" : L"\"") + std::wstring(argv[i]) + L"\"";
    STARTUPINFOW si = {};
    si.cb = sizeof(si);
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = ::GetStdHandle(STD_INPUT_HANDLE);
    si.hStdOutput = ::GetStdHandle(STD_OUTPUT_HANDLE);
    si.hStdError = ::GetStdHandle(STD_ERROR_HANDLE);
    std::fflush(stdout);
    PROCESS_INFORMATION pi = {};
    if (!::CreateProcessW(nullptr, &cmd[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi)) {
        std::fprintf(stderr, "tovik-answer: %ls: cannot start (error %lu)\n", argv[nProgram], ::GetLastError());
        return 2;
    }
    const CScopedHandle<KernelHandleTraits> process(pi.hProcess), thread(pi.hThread);  // closed on return

    // Wait for what the player is to answer; a program that ends first has
    // shown nothing.
    Search search;
    search.pid = pi.dwProcessId;
    HWND hTarget = nullptr;
    const DWORD start = ::GetTickCount();
    while (hTarget == nullptr && ::GetTickCount() - start < kAppearMs &&
           ::WaitForSingleObject(pi.hProcess, 20) == WAIT_TIMEOUT) {
        ::EnumWindows(FindWindows, reinterpret_cast<LPARAM>(&search));
        hTarget = search.box != nullptr ? search.box : (bAgree ? search.dialog : nullptr);
    }
    int status = 0;
    if (hTarget == nullptr) {
        std::printf("nothing shown\n");
        status = kNothingShown;
    } else {
        HWND hButton = ::GetDlgItem(hTarget, IDOK);
        if (hTarget == search.box)
            std::printf("box: %s: %s\n", Text(hTarget).c_str(), Text(::GetDlgItem(hTarget, 0xFFFF)).c_str());
        else
            std::printf("dialog\n");
        std::fflush(stdout);
        for (DWORD waited = 0; pszAfter != nullptr && waited < kAppearMs &&
                               ::GetFileAttributesW(pszAfter) == INVALID_FILE_ATTRIBUTES;
             waited += 50)
            ::Sleep(50);
        // Click again if the first click came before the window took input.
        for (int i = 0; i < 20 && ::WaitForSingleObject(pi.hProcess, 500) == WAIT_TIMEOUT; ++i)
            if (::IsWindow(hButton))
                Click(hButton);
    }
    if (::WaitForSingleObject(pi.hProcess, kEndMs) != WAIT_OBJECT_0) {
        std::printf("did not end\n");
        ::TerminateProcess(pi.hProcess, kDidNotEnd);
        ::WaitForSingleObject(pi.hProcess, 5000);
        status = kDidNotEnd;
    }
    DWORD exitCode = 0;
    ::GetExitCodeProcess(pi.hProcess, &exitCode);
    std::printf("exit %lu\n", exitCode);
    return status != 0 ? status : static_cast<int>(exitCode);
}
