// The demo's player: runs a program and answers what TovikDlg.dll shows it,
// as a player would. tools/demo runs the stand-in game with it, and the
// package test the SDK's samples.
#include <windows.h>
#include "DialogPlayer.h"
#include "ScreenInput.h"

#include <cstdio>
#include <cwchar>
#include <string>

namespace {

const DWORD kAppearMs = 15000;
const DWORD kEndMs = 10000;
// Its own outcomes, told apart from what the program returns: bit 29 is set
// (the customer bit of Windows status codes, which the system's own codes
// never carry), and the low byte, all a POSIX shell sees of it under Wine,
// is none of the small codes programs return, nor a shell's own.
const int kNotStarted = 0x200000F0;    // wrong command line, or the program cannot start
const int kNothingShown = 0x200000F1;  // nothing to answer appeared within 15 s
const int kDidNotEnd = 0x200000F2;     // the program did not end after the answer

const char kHelp[] =
    "Usage: tovik-answer ok|agree [--after FILE] PROGRAM [ARGS...]\n"
    "\n"
    "Runs PROGRAM with ARGS and answers what it shows as a player would: the\n"
    "first message box with OK, or (agree) the claim dialog with Agree. Prints\n"
    "one line per window answered (\"box: CAPTION: TEXT\" or \"dialog\"), then\n"
    "\"exit N\" with the program's exit code.\n"
    "\n"
    "  --after FILE  answer only once FILE exists, waiting at most 15 s for it\n"
    "  --help        show this text\n"
    "\n"
    "Exit status: the program's, or one of its own, chosen to be unlikely for a\n"
    "program (under Wine a POSIX shell sees the low byte, given in brackets):\n"
    "  536871152 (240) wrong command line, or PROGRAM cannot start\n"
    "  536871153 (241) nothing to answer appeared within 15 s\n"
    "  536871154 (242) PROGRAM did not end in time, and was stopped\n";

struct Search {
    DWORD pid = 0;
    HWND box = nullptr;
    HWND dialog = nullptr;
};

BOOL CALLBACK FindWindows(HWND hWnd, LPARAM lParam)
{
    Search* pSearch = reinterpret_cast<Search*>(lParam);
    DWORD pid = 0;
    ::GetWindowThreadProcessId(hWnd, &pid);
    if (pid != pSearch->pid || !::IsWindowVisible(hWnd))
        return TRUE;
    if (toolkit::IsMessageBox(hWnd))
        pSearch->box = hWnd;
    else if (toolkit::IsClaimDialog(hWnd))
        pSearch->dialog = hWnd;
    return TRUE;
}

std::string OneLine(std::string text)
{
    for (char& c : text)
        if (c == '\n' || c == '\r')
            c = ' ';
    return text;
}

// An argument as CommandLineToArgvW reads it back: as it is when it is not
// empty and holds no blank or quote; otherwise quoted, each quote escaped and
// the backslashes before a quote, or before the closing one, doubled.
std::wstring Quoted(const std::wstring& arg)
{
    if (!arg.empty() && arg.find_first_of(L" \t\"") == std::wstring::npos)
        return arg;
    std::wstring quoted = L"\"";
    size_t nBackslashes = 0;
    for (wchar_t c : arg) {
        if (c == L'"')
            quoted.append(nBackslashes + 1, L'\\');
        nBackslashes = c == L'\\' ? nBackslashes + 1 : 0;
        quoted += c;
    }
    return quoted.append(nBackslashes, L'\\') + L"\"";
}

}  // namespace

int wmain(int argc, wchar_t** argv)  // wide: a program's path may hold any character
{
    if (argc > 1 && std::wcscmp(argv[1], L"--help") == 0) {
        std::fputs(kHelp, stdout);
        return 0;
    }
    int nProgram = 2;
    const wchar_t* pszAfter = nullptr;
    if (argc > 2 && std::wcscmp(argv[2], L"--after") == 0) {
        pszAfter = argv[3];
        nProgram = 4;
    }
    if (argc <= nProgram || (std::wcscmp(argv[1], L"ok") != 0 && std::wcscmp(argv[1], L"agree") != 0)) {
        std::fprintf(stderr, "usage: tovik-answer ok|agree [--after FILE] PROGRAM [ARGS...] (see --help)\n");
        return kNotStarted;
    }
    const bool bAgree = std::wcscmp(argv[1], L"agree") == 0;
    std::wstring cmd;
    for (int i = nProgram; i < argc; ++i)
        cmd += (i > nProgram ? L" " : L"") + Quoted(argv[i]);
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
        return kNotStarted;
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
            std::printf("box: %s: %s\n", OneLine(toolkit::WindowText(hTarget)).c_str(),
                        OneLine(toolkit::MessageBoxText(hTarget)).c_str());
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
                toolkit::Click(hButton);
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
