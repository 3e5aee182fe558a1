// tovik-host.exe, the stand-in game: it reports the result of the call in
// words and as its exit code.
#include <gtest/gtest.h>
#include <windows.h>
#include <string>
#include "ClaimFixture.h"

namespace {

struct HostRun {
    DWORD exitCode = 0;
    std::string output;
};

BOOL CALLBACK FindProcessBox(HWND hWnd, LPARAM lParam)
{
    auto* p = reinterpret_cast<std::pair<DWORD, HWND>*>(lParam);
    DWORD pid = 0;
    ::GetWindowThreadProcessId(hWnd, &pid);
    if (pid == p->first && ui::IsMessageBox(hWnd) && ::IsWindowVisible(hWnd)) {
        p->second = hWnd;
        return FALSE;
    }
    return TRUE;
}

// Runs the host in folder with args; dismisses the first message box it shows.
HostRun RunHost(const std::string& folder, const std::string& args)
{
    HostRun run;
    SECURITY_ATTRIBUTES sa = {sizeof(sa), nullptr, TRUE};
    HANDLE hRead = nullptr, hWrite = nullptr;
    ::CreatePipe(&hRead, &hWrite, &sa, 0);
    ::SetHandleInformation(hRead, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOA si = {};
    si.cb = sizeof(si);
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = hWrite;
    si.hStdError = hWrite;
    si.hStdInput = ::GetStdHandle(STD_INPUT_HANDLE);
    PROCESS_INFORMATION pi = {};
    std::string cmd = "\"" + ProgramFolder() + "\\tovik-host.exe\" " + args;
    EXPECT_TRUE(::CreateProcessA(nullptr, &cmd[0], nullptr, nullptr, TRUE, 0, nullptr, folder.c_str(), &si, &pi));
    ::CloseHandle(hWrite);

    std::pair<DWORD, HWND> box(pi.dwProcessId, nullptr);
    for (int i = 0; i < 500 && box.second == nullptr; ++i) {
        ::Sleep(10);
        ::EnumWindows(FindProcessBox, reinterpret_cast<LPARAM>(&box));
    }
    EXPECT_NE(box.second, nullptr) << "the host shows a message box";
    // Click OK as a player would, again if the first click came too early.
    DWORD dwWait = WAIT_TIMEOUT;
    for (int i = 0; i < 20 && box.second != nullptr && dwWait == WAIT_TIMEOUT; ++i) {
        if (::IsWindow(box.second))
            ui::Click(::GetDlgItem(box.second, IDOK));
        dwWait = ::WaitForSingleObject(pi.hProcess, 500);
    }
    if (::WaitForSingleObject(pi.hProcess, 5000) != WAIT_OBJECT_0) {
        ADD_FAILURE() << "the host did not end";
        ::TerminateProcess(pi.hProcess, 99);
    }
    char buf[512];
    DWORD n = 0;
    while (::ReadFile(hRead, buf, sizeof(buf), &n, nullptr) && n > 0)
        run.output.append(buf, n);
    ::GetExitCodeProcess(pi.hProcess, &run.exitCode);
    ::CloseHandle(hRead);
    ::CloseHandle(pi.hProcess);
    ::CloseHandle(pi.hThread);
    return run;
}

} // namespace

TEST(Host, WrongCodeFromTheCommandLineExitsWith8)
{
    std::string folder = MakeTempFolder();
    HostRun run = RunHost(folder, "wrong-code");
    EXPECT_EQ(run.exitCode, 8u);
    EXPECT_NE(run.output.find("ShowMainDialog returned 8: access code refused"), std::string::npos) << run.output;
    RemoveFolder(folder);
}

TEST(Host, RightCodeWithoutClaimFileExitsWith1)
{
    std::string folder = MakeTempFolder();
    HostRun run = RunHost(folder, "");
    EXPECT_EQ(run.exitCode, 1u);
    EXPECT_NE(run.output.find("ShowMainDialog returned 1:"), std::string::npos) << run.output;
    RemoveFolder(folder);
}
