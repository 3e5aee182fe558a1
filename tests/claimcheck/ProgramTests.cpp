// tovik-claimcheck.exe run as a child process in a folder of crafted files:
// exit codes, what it prints, the corrected copies it writes and the files it
// leaves alone.
#include <gtest/gtest.h>
#include "ChildProcess.h"
#include <windows.h>

#include <algorithm>
#include <iterator>
#include <string>
#include <vector>

#include "CheckTestSupport.h"
#include "PeImage.h"
#include "LayoutBoundFiles.h"
#include "TestFiles.h"
#include "ToolFiles.h"
#include "TovikDlg.h"

namespace {

// The program writes CR LF line ends; compare lines with LF alone.
std::string WithoutCr(std::string text)
{
    text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
    return text;
}

// Runs the checker in folder with args; both output streams, with LF line ends.
ui::ChildResult RunChecker(const std::string& folder, const std::string& args)
{
    ui::ChildResult run = ui::RunChild(ProgramFolder() + "\\tovik-claimcheck.exe", args, folder, 30000, false);
    EXPECT_TRUE(run.started) << "cannot start the checker";
    EXPECT_TRUE(!run.started || run.ended) << "the checker did not end";
    run.out = WithoutCr(run.out);
    run.err = WithoutCr(run.err);
    return run;
}

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// What --version prints after the program's name.
const std::string kVersionArch = std::string(TOVIK_VERSION_STRING) + (sizeof(void*) == 8 ? " (x64)" : " (x86)");

// The sample text's first lines, in Big5 with CR LF.
const std::string kGood = kBig5Game + B("\r\n\r\nOK\r\n");

class Program : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_folder = MakeTempFolder();
        ASSERT_FALSE(m_folder.empty());
    }
    void TearDown() override { RemoveFolder(m_folder); }

    std::string PathOf(const std::string& name) const { return m_folder + "\\" + name; }
    void Write(const std::string& name, const std::string& bytes) const
    {
        ASSERT_TRUE(WriteFileBytes(PathOf(name), bytes)) << name;
    }
    std::string ReadBytes(const std::string& name) const
    {
        std::string bytes;
        return ReadFileBytes(PathOf(name), bytes) ? bytes : "(missing)";
    }
    bool Exists(const std::string& name) const
    {
        return ::GetFileAttributesA(PathOf(name).c_str()) != INVALID_FILE_ATTRIBUTES;
    }
    ui::ChildResult Check(const std::string& args) const { return RunChecker(m_folder, args); }

    std::string m_folder;
};

TEST_F(Program, ExitCodesAndWhatItPrints)
{
    const struct {
        const char* trace;
        std::string args;
        DWORD exitCode;
        std::vector<std::string> out;  // parts of the output, in this order
        std::string err;               // the error line, or empty for none
    } rows[] = {
        {"a clean file", "Good.txt", 0,
         {"Good.txt: OK: the player sees this text as written (12 bytes, 3 lines).\n"}, ""},
        {"a file that does not show as written", "Bad.txt", 1,
         {"Bad.txt: line 1, byte 1 (0x1): LF line end without CR", "Bad.txt: NOT OK"}, ""},
        {"a missing file", "Missing.txt", 2, {}, "tovik-claimcheck: Missing.txt: cannot read: no such file\n"},
        {"a clean file and a bad one", "Good.txt Bad.txt", 1, {"Good.txt: OK", "Bad.txt: NOT OK"}, ""},
        {"every file is reported after one that cannot be read", "Bad.txt Missing.txt Good.txt", 2,
         {"Bad.txt: NOT OK", "Good.txt: OK"}, "tovik-claimcheck: Missing.txt: cannot read: no such file\n"},
        {"a folder", "Sub", 2, {}, "tovik-claimcheck: Sub: cannot read: a folder, not a file\n"},
        {"no FILE", "", 2, {}, "tovik-claimcheck: usage: no FILE given (see --help)\n"},
        {"an unknown option", "--frobnicate Good.txt", 2, {},
         "tovik-claimcheck: usage: unknown option --frobnicate (see --help)\n"},
        {"--out with two files", "--out X.txt Good.txt Bad.txt", 2, {},
         "tovik-claimcheck: usage: --out takes exactly one FILE\n"},
        {"--help", "--help", 0, {"Usage: tovik-claimcheck [--fix] [--out PATH] [--all] FILE...", "Exit status:"}, ""},
        {"-h", "-h", 0, {"Usage: tovik-claimcheck [--fix] [--out PATH] [--all] FILE...\n"}, ""},
        {"/?", "/?", 0, {"Usage: tovik-claimcheck [--fix] [--out PATH] [--all] FILE...\n"}, ""},
        {"--version alone", "--version", 0, {std::string("tovik-claimcheck ") + kVersionArch + "\n"}, ""},
        {"-- then a name that starts with -", "-- -x.txt", 0, {"-x.txt: OK: the player sees this text as written"}, ""},
        {"a name that starts with - is an option", "-x.txt", 2, {},
         "tovik-claimcheck: usage: unknown option -x.txt (see --help)\n"},
        {"--out without a PATH", "Good.txt --out", 2, {}, "tovik-claimcheck: usage: --out needs a PATH\n"},
        {"the device NUL", "NUL", 2, {}, "tovik-claimcheck: NUL: cannot read: a device name, not a file\n"},
        {"the device CON", "CON", 2, {}, "tovik-claimcheck: CON: cannot read: a device name, not a file\n"},
        {"a read-only file", "ReadOnly.txt", 0, {"ReadOnly.txt: OK"}, ""},
        {"a file another program reads", "Held.txt", 0, {"Held.txt: OK"}, ""},
    };
    Write("Good.txt", kGood);
    Write("Bad.txt", B("a\nb\r\n"));
    Write("-x.txt", kGood);
    Write("ReadOnly.txt", kGood);
    Write("Held.txt", kGood);
    ASSERT_TRUE(::SetFileAttributesA(PathOf("ReadOnly.txt").c_str(), FILE_ATTRIBUTE_READONLY));
    HANDLE hHeld = ::CreateFileA(PathOf("Held.txt").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                 0, nullptr);
    ASSERT_NE(hHeld, INVALID_HANDLE_VALUE);
    ASSERT_TRUE(::CreateDirectoryA(PathOf("Sub").c_str(), nullptr));
    for (const auto& row : rows) {
        SCOPED_TRACE(row.trace);
        const ui::ChildResult run = Check(row.args);
        EXPECT_EQ(run.exitCode, row.exitCode);
        size_t at = 0;
        for (const std::string& part : row.out) {
            const size_t found = run.out.find(part, at);
            EXPECT_NE(found, std::string::npos) << "missing: " << part << "\nin:\n" << run.out;
            at = found == std::string::npos ? at : found + part.size();
        }
        if (row.out.empty()) {
            EXPECT_EQ(run.out, "");
        }
        EXPECT_EQ(run.err, row.err);
    }
    ::CloseHandle(hHeld);
    ::SetFileAttributesA(PathOf("ReadOnly.txt").c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_FALSE(Exists("X.txt"));
}

// This program's WriteFile: it fails at once, or writes half and says so (a
// full disk either way).
bool g_bWriteShort = false;
decltype(&::WriteFile) g_pfnWriteFile = nullptr;
BOOL WINAPI WriteOnAFullDisk(HANDLE hFile, LPCVOID pData, DWORD nBytes, LPDWORD pnWritten, LPOVERLAPPED pOv)
{
    if (g_bWriteShort)
        return g_pfnWriteFile(hFile, pData, nBytes / 2, pnWritten, pOv);
    ::SetLastError(ERROR_DISK_FULL);
    return FALSE;
}

// A corrected copy that the disk cannot take whole is not left half written.
TEST_F(Program, ACopyCutShortIsNotLeftBehind)
{
    pe::ImportPatch fullDisk(::GetModuleHandleA(nullptr), "kernel32.dll", "WriteFile",
                             reinterpret_cast<void*>(&WriteOnAFullDisk));
    g_pfnWriteFile = reinterpret_cast<decltype(&::WriteFile)>(fullDisk.Original());
    ASSERT_NE(g_pfnWriteFile, nullptr);
    for (bool bShort : {false, true}) {
        SCOPED_TRACE(bShort ? "half written" : "nothing written");
        g_bWriteShort = bShort;
        DWORD error = 0;
        EXPECT_FALSE(toolkit::WriteNewFile(PathOf("Claim.fixed.txt"), kGood, error));
        EXPECT_EQ(toolkit::FileFault(error), "the disk is full");
        EXPECT_FALSE(Exists("Claim.fixed.txt"));
    }
}

TEST_F(Program, AllListsEveryFinding)
{
    Write("Claim.txt", Repeat("a\n", 13) + "z");
    const ui::ChildResult some = Check("Claim.txt");
    EXPECT_TRUE(Contains(some.out, "Claim.txt: ... and 3 more LF line ends without CR, up to line 13"));
    const ui::ChildResult all = Check("--all Claim.txt");
    EXPECT_TRUE(Contains(all.out, "Claim.txt: line 13, byte 25 (0x19): LF line end without CR"));
    EXPECT_FALSE(Contains(all.out, "more LF line ends"));
}

TEST_F(Program, FixWritesACopyThatChecksClean)
{
    const std::string original = B("\xEF\xBB\xBF") + kUtf8Game + B("\n\nOK\n");
    Write("Claim.txt", original);
    const ui::ChildResult run = Check("--fix Claim.txt");
    EXPECT_EQ(run.exitCode, 1u) << "--fix reports on the file as it is";
    EXPECT_TRUE(Contains(run.out, "Claim.txt: corrected copy written to Claim.fixed.txt: UTF-8 byte-order mark "
                                  "removed; UTF-8 converted to Big5 (2 non-ASCII characters); 3 LF line ends made "
                                  "CR LF. It checks OK.\n"))
        << run.out;
    EXPECT_EQ(ReadBytes("Claim.fixed.txt"), kGood);
    EXPECT_EQ(ReadBytes("Claim.txt"), original);

    const ui::ChildResult again = Check("Claim.fixed.txt");
    EXPECT_EQ(again.exitCode, 0u);
    EXPECT_EQ(again.out, "Claim.fixed.txt: OK: the player sees this text as written (12 bytes, 3 lines).\n");
}

TEST_F(Program, FixNeverWritesOverAFile)
{
    Write("Claim.txt", B("a\nb"));
    Write("Claim.fixed.txt", "keep");
    {
        SCOPED_TRACE("the default copy name is taken");
        const ui::ChildResult run = Check("--fix Claim.txt");
        EXPECT_EQ(run.exitCode, 1u);
        EXPECT_TRUE(Contains(run.out, "Claim.txt: not corrected: Claim.fixed.txt already exists and is left as it "
                                      "is; delete it or name another file with --out.\n"))
            << run.out;
        EXPECT_EQ(ReadBytes("Claim.fixed.txt"), "keep");
    }
    {
        SCOPED_TRACE("--out names the original");
        const ui::ChildResult run = Check("--out Claim.txt Claim.txt");
        EXPECT_TRUE(Contains(run.out, "not corrected: Claim.txt already exists")) << run.out;
        EXPECT_EQ(ReadBytes("Claim.txt"), B("a\nb"));
    }
    {
        SCOPED_TRACE("--out names a new file");
        const ui::ChildResult run = Check("--out New.txt Claim.txt");
        EXPECT_EQ(run.exitCode, 1u);
        EXPECT_EQ(ReadBytes("New.txt"), B("a\r\nb"));
    }
    {
        SCOPED_TRACE("--out names a file in a folder that does not exist");
        const ui::ChildResult run = Check("--out None\\New.txt Claim.txt");
        EXPECT_EQ(run.exitCode, 2u);
        EXPECT_EQ(run.err, "tovik-claimcheck: None\\New.txt: cannot write: no such folder\n");
    }
}

TEST_F(Program, FixRefusesWhatNeedsAPerson)
{
    const struct {
        const char* trace;
        std::string bytes;
        DWORD exitCode;
        std::string message;
    } rows[] = {
        {"a character with no Big5 form", B("OK\n\xF0\x9F\x98\x80"), 1,
         "Claim.txt: not corrected: characters with no Big5 form must be replaced by hand.\n"},
        {"a NUL inside the text", B("ab\0cd"), 1, "Claim.txt: not corrected: a NUL byte inside the text"},
        {"a clean file", kGood, 0, "Claim.txt: nothing to correct; no copy written.\n"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.trace);
        Write("Claim.txt", row.bytes);
        const ui::ChildResult run = Check("--fix Claim.txt");
        EXPECT_EQ(run.exitCode, row.exitCode);
        EXPECT_TRUE(Contains(run.out, row.message)) << run.out;
        EXPECT_FALSE(Exists("Claim.fixed.txt"));
    }
}

TEST_F(Program, FilesTooLargeToShowInFull)
{
    // Lines of 100 Chinese characters up to the cap: the largest real text it admits.
    std::string mib = Repeat(Repeat(kBig5Game, 50) + "\r\n", claimcheck::kShowLimit / 202 + 1);
    mib.resize(claimcheck::kShowLimit);
    Write("Limit.txt", mib);
    Write("Over.txt", mib + "a");
    const ui::ChildResult run = Check("Limit.txt Over.txt");
    EXPECT_EQ(run.exitCode, 1u);
    EXPECT_TRUE(Contains(run.out, "Limit.txt: OK: the player sees this text as written (1048576 bytes, 5191 lines).")) << run.out;
    EXPECT_TRUE(Contains(run.out, "Over.txt: line 5191, byte 1048576 (0x100000): file too large: 1048577 bytes, over "
                                  "the game's cap of 1048576 bytes: the game reports the file as unreadable"))
        << run.out;

    // 4 GiB and 10 bytes, as a sparse file: too large, not 10 bytes.
    HANDLE h = ::CreateFileA(PathOf("Huge.txt").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    ::WriteFile(h, "Hi\r\nthere!", 10, &written, nullptr);
    LARGE_INTEGER size;
    size.QuadPart = (1ll << 32) + 10;
    const bool grown = ::SetFilePointerEx(h, size, nullptr, FILE_BEGIN) && ::SetEndOfFile(h);
    ::CloseHandle(h);
    if (!grown)
        GTEST_SKIP() << "this volume cannot hold a 4 GiB file";
    const ui::ChildResult huge = Check("Huge.txt");
    EXPECT_EQ(huge.exitCode, 1u);
    EXPECT_TRUE(Contains(huge.out, "Huge.txt: line 2, byte 1048576 (0x100000): file too large: 4294967306 bytes, "
                                   "over the game's cap of 1048576 bytes"))
        << huge.out;
}

// The same files as the game's: the lines the box would take too long to
// lay out, named with their lengths, and what --fix makes of them.
TEST_F(Program, LinesOverTheLayoutBound)
{
    const struct {
        const char* longest;  // the finding's words for a file over the bound
        const char* fix;      // what --fix says after "NAME: "
    } over[] = {
        {"line 1 (8291 characters)",
         "not corrected: lines too long for the text box must be split by hand with CR LF line ends.\n"},
        {"lines 1 to 2 (8291 characters)",
         "corrected copy written to CrOnly8291.fixed.txt: 1 CR line end made CR LF. It checks OK.\n"},
        {"lines 1 to 2 (8291 characters)",
         "corrected copy written to LfOnly8291.fixed.txt: 1 LF line end made CR LF. It checks OK.\n"},
        {"line 1 (2061 characters), line 2 (2061 characters), line 3 (2061 characters)",
         "not corrected: lines too long for the text box must be split by hand with CR LF line ends.\n"},
        {"line 1 (8299 characters)",
         "not corrected: lines too long for the text box must be split by hand with CR LF line ends.\n"},
    };
    size_t nOver = 0;
    for (const LayoutBoundFile& file : LayoutBoundFiles()) {
        SCOPED_TRACE(file.name);
        const std::string name = file.name;
        Write(name, file.bytes);
        const bool bareEnds = file.bytes.find_first_of("\r\n") < file.bytes.find("\r\n");
        const ui::ChildResult run = Check("--fix " + name);
        EXPECT_EQ(run.exitCode, file.shows && !bareEnds ? 0u : 1u) << run.out;
        if (file.shows) {
            EXPECT_FALSE(Contains(run.out, "lines too long")) << run.out;
            continue;
        }
        ASSERT_LT(nOver, std::size(over));
        const auto& words = over[nOver++];
        EXPECT_TRUE(Contains(run.out, name + ": line 1, byte 0 (0x0): lines too long for the text box, which ends a "
                                             "line only at CR LF: the longest are " + words.longest +
                                             "; the squares of the line lengths (in characters, a tab as 32, a line "
                                             "as at least 64) and 16 for each byte add up to " + file.work +
                                             ", over the game's bound of 69000000, so the game reports the file as "
                                             "unreadable (\"Important file cannot be read!\") and shows no dialog "
                                             "rather than keep the player waiting.\n"))
            << run.out;
        EXPECT_TRUE(Contains(run.out, name + ": " + words.fix)) << run.out;
    }
    EXPECT_EQ(nOver, std::size(over));
}

TEST_F(Program, AFileOpenForWritingCannotBeRead)
{
    // Another program writing the file keeps the game from opening it too.
    Write("Claim.txt", kGood);
    HANDLE h = ::CreateFileA(PathOf("Claim.txt").c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                             nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    const ui::ChildResult run = Check("Claim.txt");
    ::CloseHandle(h);
    EXPECT_EQ(run.exitCode, 2u);
    EXPECT_EQ(run.err, "tovik-claimcheck: Claim.txt: cannot read: in use by another program (the game could not "
                       "read it now either)\n");
}

}  // namespace
