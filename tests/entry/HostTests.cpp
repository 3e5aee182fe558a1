// tovik-host.exe, the stand-in game: it reports the result of the call in
// words and as its exit code.
#include <gtest/gtest.h>
#include <windows.h>
#include <cstring>
#include <string>
#include "ClaimFixture.h"
#include "ChildProcess.h"

namespace {

// How long the host may take to show a window or to end after its answer.
// Under Wine a process's processor time cannot be read from another, so a
// busy machine cannot be told from a hang: the bound is wide, and only
// decides how long a faulty host runs before it is ended and reported.
const DWORD kHostBoundMs = 30000;

// Runs the host in folder with args and plays it with real keys: each chord
// goes to the host's foreground window once the host has one visible.
ui::ChildResult RunHost(const std::string& folder, const std::string& args, const std::vector<std::vector<WORD>>& chords)
{
    ui::ChildProcess child(ProgramFolder() + "\\tovik-host.exe", args, folder);
    EXPECT_TRUE(child.Started());
    for (const std::vector<WORD>& chord : chords) {
        const bool bFront = ui::WaitFor([&child] {
            HWND hFront = ::GetForegroundWindow();
            DWORD pid = 0;
            ::GetWindowThreadProcessId(hFront, &pid);
            return pid == child.Pid() && ::IsWindowVisible(hFront);
        }, kHostBoundMs);
        EXPECT_TRUE(bFront) << "the host shows a window in the foreground";
        ui::PressKeys(chord);
        ::Sleep(200);
    }
    ui::ChildResult result = child.Finish(kHostBoundMs);
    EXPECT_TRUE(result.ended) << "the host did not end; it was ended";
    EXPECT_TRUE(result.outputEnded) << "something the host started still holds its output";
    return result;
}

} // namespace

// The host is a console program: its dialog and message boxes take the
// player's keys as a windowed game's do, and its exit code and line say how
// the player answered.
TEST(Host, ConsoleCallerReportsEachAnswer)
{
    const struct {
        const char* trace;
        bool claimFile;
        const char* args;
        std::vector<std::vector<WORD>> chords;
        DWORD exitCode;
        const char* line;
    } rows[] = {
        {"wrong code", false, "wrong-code", {{VK_RETURN}}, 8, "ShowMainDialog returned 8: access code refused"},
        {"no claim file", false, "", {{VK_RETURN}}, 1,
         "ShowMainDialog returned 1: the player did not agree (or the claim could not be shown)"},
        {"Enter on Agree", true, "", {{VK_RETURN}}, 0, "ShowMainDialog returned 0: the player agreed"},
        {"Enter on Disagree", true, "", {{VK_TAB}, {VK_RETURN}, {VK_RETURN}}, 1, "ShowMainDialog returned 1:"},
        {"-- passes the next argument as CODE", true, "-- " TOVIK_ACCESS_CODE, {{VK_RETURN}}, 0,
         "ShowMainDialog returned 0: the player agreed"},
        {"a CODE that starts with -", false, "-x", {{VK_RETURN}}, 8, "ShowMainDialog returned 8: access code refused"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.trace);
        std::string folder = MakeTempFolder();
        ASSERT_FALSE(folder.empty());
        if (row.claimFile) {
            ASSERT_TRUE(WriteFileBytes(folder + "\\Claim.txt", "claim\r\n"));
        }
        const ui::ChildResult run = RunHost(folder, row.args, row.chords);
        EXPECT_EQ(run.exitCode, row.exitCode);
        EXPECT_NE(run.out.find(row.line), std::string::npos) << run.out;
        RemoveFolder(folder);
    }
}

// What the host says when it cannot call the library, or is called wrongly:
// exit 2 and one line naming the fault; and what it answers to its options.
TEST(Host, OptionsAndRefusalsExitWithTheirCodeAndLines)
{
    const std::string version =
        std::string("tovik-host ") + TOVIK_VERSION_STRING + (sizeof(void*) == 8 ? " (x64)\r\n" : " (x86)\r\n");
    const std::string folder = MakeTempFolder(), host = folder + "\\tovik-host.exe";
    ASSERT_TRUE(::CopyFileA((ProgramFolder() + "\\tovik-host.exe").c_str(), host.c_str(), FALSE));
    const struct {
        const char* trace;
        const char* dll;  // copied beside the host as TovikDlg.dll, or none
        const char* args;
        const char* line;
        DWORD exitCode = 2;
        const char* out = "";  // the start of the standard output
    } rows[] = {
        {"no library beside it", nullptr, "", "tovik-host: TovikDlg.dll: cannot load (error 126)\r\n"},
        {"a library without the export", "startup_probe.dll", "",
         "tovik-host: TovikDlg.dll: no export ShowMainDialog\r\n"},
        {"two codes", "TovikDlg.dll", "a b", "tovik-host: usage: one CODE at most (see --help)\r\n"},
        {"-- and two codes", "TovikDlg.dll", "a -- b", "tovik-host: usage: one CODE at most (see --help)\r\n"},
        {"an unknown option", "TovikDlg.dll", "--frob", "tovik-host: usage: unknown option --frob (see --help)\r\n"},
        {"-- with nothing after it", nullptr, "--", "tovik-host: usage: unknown option -- (see --help)\r\n"},
        {"--version", nullptr, "--version", "", 0, version.c_str()},
        {"--help", nullptr, "--help", "", 0, "Usage: tovik-host [CODE]\r\n"},
        {"-h", nullptr, "-h", "", 0, "Usage: tovik-host [CODE]\r\n"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.trace);
        const std::string dll = folder + "\\TovikDlg.dll";
        if (row.dll != nullptr) {
            ASSERT_TRUE(::CopyFileA((ProgramFolder() + "\\" + row.dll).c_str(), dll.c_str(), FALSE));
        }
        const ui::ChildResult run = ui::RunChild(host, row.args, folder, 10000, false);
        EXPECT_EQ(run.exitCode, row.exitCode);
        EXPECT_EQ(run.err, row.line);
        EXPECT_EQ(run.out.substr(0, std::strlen(row.out)), row.out);
        EXPECT_EQ(run.out.empty(), *row.out == '\0');
        ::DeleteFileA(dll.c_str());
    }
    RemoveFolder(folder);
}
