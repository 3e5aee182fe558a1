// tovik-host.exe, the stand-in game: it reports the result of the call in
// words and as its exit code.
#include <gtest/gtest.h>
#include <windows.h>
#include <string>
#include "ClaimFixture.h"
#include "ChildProcess.h"

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
    ui::ChildProcess child(ProgramFolder() + "\\tovik-host.exe", args, folder);
    EXPECT_TRUE(child.Started());
    std::pair<DWORD, HWND> box(child.Pid(), nullptr);
    for (int i = 0; i < 500 && box.second == nullptr && child.Started(); ++i) {
        ::Sleep(10);
        ::EnumWindows(FindProcessBox, reinterpret_cast<LPARAM>(&box));
    }
    EXPECT_NE(box.second, nullptr) << "the host shows a message box";
    // Click OK as a player would, again if the first click came too early.
    bool bEnded = false;
    for (int i = 0; i < 20 && box.second != nullptr && !bEnded; ++i) {
        if (::IsWindow(box.second))
            ui::Click(::GetDlgItem(box.second, IDOK));
        bEnded = child.Wait(500);
    }
    ui::ChildResult result = child.Finish(5000);
    EXPECT_TRUE(result.ended) << "the host did not end";
    HostRun run;
    run.exitCode = result.exitCode;
    run.output = result.out;
    return run;
}

} // namespace

TEST(Host, WrongCodeFromTheCommandLineExitsWith8)
{
    std::string folder = MakeTempFolder();
    ASSERT_FALSE(folder.empty());
    HostRun run = RunHost(folder, "wrong-code");
    EXPECT_EQ(run.exitCode, 8u);
    EXPECT_NE(run.output.find("ShowMainDialog returned 8: access code refused"), std::string::npos) << run.output;
    RemoveFolder(folder);
}

TEST(Host, RightCodeWithoutClaimFileExitsWith1)
{
    std::string folder = MakeTempFolder();
    ASSERT_FALSE(folder.empty());
    HostRun run = RunHost(folder, "");
    EXPECT_EQ(run.exitCode, 1u);
    EXPECT_NE(run.output.find("ShowMainDialog returned 1:"), std::string::npos) << run.output;
    RemoveFolder(folder);
}
