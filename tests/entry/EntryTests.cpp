// End-to-end tests of ShowMainDialog as a game calls it: the built DLL,
// loaded with LoadLibraryA, driven as a player would.
#include "ClaimFixture.h"
#include "PeImage.h"
#include "CaseNames.h"

using ui::DialogRun;

namespace {

const char kSampleClaim[] = "\xb9\x43\xc0\xb8\xa8\xcf\xa5\xce\xb1\xf8\xb4\xda\r\n"  // 遊戲使用條款
                            "\r\n"
                            "\xa4\x40\xa1\x42\xa5\xbb\xb9\x43\xc0\xb8\r\n";  // 一、本遊戲

// The right code changed at one place.
std::string RightCodeWith(size_t pos, size_t count, const std::string& replacement)
{
    return std::string(kRightCode).replace(pos, count, replacement);
}

} // namespace

// --- Access code -----------------------------------------------------------

struct WrongCodeCase {
    const char* trace;
    std::string code;
    bool isNull;
};

class WrongCode : public ClaimFixture, public ::testing::WithParamInterface<WrongCodeCase> {
};

// Each wrong code gives exactly the access box and 8: no claim dialog, and no
// claim file is read (the file is missing, yet no file error appears).
TEST_P(WrongCode, ShowsAccessDeniedAndReturns8)
{
    const WrongCodeCase& c = GetParam();
    auto run = Start(c.isNull ? nullptr : c.code.c_str());
    HWND hBox = run->WaitForMessageBox();
    ASSERT_NE(hBox, nullptr);
    ui::MessageBoxView box = ui::ReadMessageBox(hBox);
    EXPECT_EQ(box.caption, "Warning");
    EXPECT_EQ(box.text, "Access Denied!!");
    EXPECT_TRUE(box.errorIcon);
    EXPECT_EQ(box.buttons, std::vector<int>({IDOK})) << "one OK button only";
    EXPECT_EQ(box.owner, nullptr);
    ui::Click(::GetDlgItem(hBox, IDOK));
    EXPECT_EQ(run->WaitForResult(), 8);
    EXPECT_EQ(run->Events(), std::vector<std::string>({"box: Warning"}));
}

INSTANTIATE_TEST_SUITE_P(Codes, WrongCode,
    ::testing::Values(WrongCodeCase{"upper-case letter", RightCodeWith(7, 1, "K"), false},
                      WrongCodeCase{"trailing blank", RightCodeWith(10, 0, " "), false},
                      WrongCodeCase{"one more character", RightCodeWith(10, 0, "x"), false},
                      WrongCodeCase{"one character short", RightCodeWith(9, 1, ""), false},
                      WrongCodeCase{"leading blank", RightCodeWith(0, 0, " "), false},
                      WrongCodeCase{"empty", "", false},
                      WrongCodeCase{"null", "", true},
                      WrongCodeCase{"very long", RightCodeWith(10, 0, std::string(70000, 'x')), false}),
    NameCaseByTrace());

// --- Ways out of the dialog ------------------------------------------------

class DialogEnd : public ClaimFixture {
};

TEST_F(DialogEnd, AgreeReturns0WithoutMessage)
{
    WriteClaim(kSampleClaim);
    auto run = Start(kRightCode);
    HWND hDlg = run->WaitForClaimDialog();
    ASSERT_NE(hDlg, nullptr);
    ui::Click(::GetDlgItem(hDlg, IDOK));
    EXPECT_EQ(run->WaitForResult(), 0);
    EXPECT_EQ(run->Events(), std::vector<std::string>({"claim shown", "claim hidden"}));
}

TEST_F(DialogEnd, EnterAgreesSinceAgreeHasTheFocus)
{
    WriteClaim(kSampleClaim);
    auto run = Start(kRightCode);
    HWND hDlg = run->WaitForClaimDialog();
    ASSERT_NE(hDlg, nullptr);
    GUITHREADINFO info = {};
    info.cbSize = sizeof(info);
    ::GetGUIThreadInfo(run->ThreadId(), &info);
    EXPECT_EQ(info.hwndFocus, ::GetDlgItem(hDlg, IDOK));
    ui::PressKey(hDlg, VK_RETURN);
    EXPECT_EQ(run->WaitForResult(), 0);
}

struct RefusalCase {
    const char* trace;
    bool useEscape;  // else the Disagree button
};

class Refusal : public ClaimFixture, public ::testing::WithParamInterface<RefusalCase> {
};

// Disagree and Escape hide the dialog first, then ask the player to agree
// (no icon, owned by the dialog), then end with 1.
TEST_P(Refusal, HidesDialogThenShowsMustAgreeAndReturns1)
{
    SCOPED_TRACE(GetParam().trace);
    WriteClaim(kSampleClaim);
    auto run = Start(kRightCode);
    HWND hDlg = run->WaitForClaimDialog();
    ASSERT_NE(hDlg, nullptr);
    if (GetParam().useEscape)
        ui::PressKey(hDlg, VK_ESCAPE);
    else
        ui::Click(::GetDlgItem(hDlg, IDCANCEL));
    HWND hBox = run->WaitForMessageBox();
    ASSERT_NE(hBox, nullptr);
    ui::MessageBoxView box = run->Boxes().at(0);
    EXPECT_EQ(box.caption, BIG5_NOTICE);
    EXPECT_EQ(box.text, BIG5_MUST_AGREE);
    EXPECT_FALSE(box.anyIcon);
    EXPECT_EQ(box.owner, hDlg);
    EXPECT_FALSE(box.claimVisible);
    EXPECT_EQ(box.buttons, std::vector<int>({IDOK})) << "one OK button only";
    EXPECT_EQ(run->WaitForResult(200), DialogRun::kNoResult) << "the call waits for the box";
    ui::Click(::GetDlgItem(hBox, IDOK));
    EXPECT_EQ(run->WaitForResult(), 1);
    EXPECT_EQ(run->Events(), std::vector<std::string>({"claim shown", "claim hidden", "box: " BIG5_NOTICE}));
}

INSTANTIATE_TEST_SUITE_P(Ways, Refusal,
    ::testing::Values(RefusalCase{"Disagree button", false}, RefusalCase{"Escape key", true}),
    NameCaseByTrace());

TEST_F(DialogEnd, DialogIsCentredOnTheScreen)
{
    WriteClaim(kSampleClaim);
    auto run = Start(kRightCode);
    HWND hDlg = run->WaitForClaimDialog();
    ASSERT_NE(hDlg, nullptr);
    RECT rc = ui::ScreenRect(hDlg);
    RECT work;
    ::SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    EXPECT_NEAR((rc.left + rc.right) / 2, (work.left + work.right) / 2, 1);
    EXPECT_NEAR((rc.top + rc.bottom) / 2, (work.top + work.bottom) / 2, 1);
    EXPECT_GT(rc.right - rc.left, 200);
    EXPECT_EQ(::GetWindowLongA(hDlg, GWL_STYLE) & WS_CAPTION, 0) << "no caption";
    ui::Click(::GetDlgItem(hDlg, IDOK));
    EXPECT_EQ(run->WaitForResult(), 0);
}

// Shown active and in the foreground: the player's keys reach it without a
// click first.
TEST_F(DialogEnd, ShownDialogIsActiveAndInTheForeground)
{
    WriteClaim(kSampleClaim);
    auto run = Start(kRightCode);
    HWND hDlg = run->WaitForClaimDialog();
    ASSERT_NE(hDlg, nullptr);
    ui::PumpUntil([hDlg] { return ::GetForegroundWindow() == hDlg; }, 1000);
    EXPECT_EQ(::GetForegroundWindow(), hDlg);
    GUITHREADINFO info = {};
    info.cbSize = sizeof(info);
    ::GetGUIThreadInfo(run->ThreadId(), &info);
    EXPECT_EQ(info.hwndActive, hDlg);
    ui::Click(::GetDlgItem(hDlg, IDOK));
    EXPECT_EQ(run->WaitForResult(), 0);
}

namespace {
HWND WINAPI NoDialog(HINSTANCE, LPCDLGTEMPLATEA, HWND, DLGPROC, LPARAM)
{
    ::SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
}
} // namespace

// A dialog that cannot be created ends the call as "not agreed", with no
// message of the library's own.
TEST_F(DialogEnd, DialogThatCannotBeCreatedReturns1WithoutAMessage)
{
    WriteClaim(kSampleClaim);
    pe::ImportPatch noDialog(m_hLib, "user32.dll", "CreateDialogIndirectParamA", reinterpret_cast<void*>(&NoDialog));
    ASSERT_NE(noDialog.Original(), nullptr);
    auto run = Start(kRightCode);
    EXPECT_EQ(run->WaitForResult(), 1);
    EXPECT_TRUE(run->Events().empty());
}

TEST_F(DialogEnd, TwoCallsShowTwoFreshDialogs)
{
    WriteClaim(kSampleClaim);
    for (int call = 0; call < 2; ++call) {
        SCOPED_TRACE("call " + std::to_string(call + 1));
        auto run = Start(kRightCode);
        HWND hDlg = run->WaitForClaimDialog();
        ASSERT_NE(hDlg, nullptr);
        EXPECT_EQ(ui::WindowText(::GetDlgItem(hDlg, 1000)), kSampleClaim);
        ui::Click(::GetDlgItem(hDlg, call == 0 ? IDOK : IDCANCEL));
        if (call == 1) {
            HWND hBox = run->WaitForMessageBox();
            ASSERT_NE(hBox, nullptr);
            ui::Click(::GetDlgItem(hBox, IDOK));
        }
        EXPECT_EQ(run->WaitForResult(), call == 0 ? 0 : 1);
        EXPECT_FALSE(::IsWindow(hDlg)) << "the dialog window is gone after the call";
    }
}

// --- The claim file --------------------------------------------------------

class ClaimFile : public ClaimFixture {
protected:
    // Runs the dialog and returns what its text box holds, then agrees.
    std::string ShownText()
    {
        auto run = Start(kRightCode);
        HWND hDlg = run->WaitForClaimDialog();
        if (hDlg == nullptr)
            return "<no dialog>";
        std::string text = ui::WindowText(::GetDlgItem(hDlg, 1000));
        ui::Click(::GetDlgItem(hDlg, IDOK));
        EXPECT_EQ(run->WaitForResult(), 0);
        return text;
    }

    // Expects the file error box and the end without the dialog ever shown.
    void ExpectFileError()
    {
        auto run = Start(kRightCode);
        HWND hBox = run->WaitForMessageBox();
        ASSERT_NE(hBox, nullptr);
        ui::MessageBoxView box = run->Boxes().at(0);
        EXPECT_EQ(box.caption, BIG5_NOTICE);
        EXPECT_EQ(box.text, BIG5_FILE_ERROR);
        EXPECT_TRUE(box.errorIcon);
        EXPECT_EQ(box.buttons, std::vector<int>({IDOK})) << "one OK button only";
        EXPECT_TRUE(ui::IsClaimDialog(box.owner)) << "owned by the hidden dialog";
        EXPECT_FALSE(::IsWindowVisible(box.owner));
        ui::Click(::GetDlgItem(hBox, IDOK));
        EXPECT_EQ(run->WaitForResult(), 1);
        EXPECT_EQ(run->Events(), std::vector<std::string>({"box: " BIG5_NOTICE})) << "no dialog, no second box";
    }
};

struct TextCase {
    const char* trace;
    std::string fileBytes;
    std::string shown;
};

class ClaimText : public ClaimFile, public ::testing::WithParamInterface<TextCase> {
};

TEST_P(ClaimText, ShowsTheFileBytesUpToTheFirstNul)
{
    SCOPED_TRACE(GetParam().trace);
    WriteClaim(GetParam().fileBytes);
    EXPECT_EQ(ShownText(), GetParam().shown);
}

INSTANTIATE_TEST_SUITE_P(Files, ClaimText,
    ::testing::Values(
        TextCase{"empty file", "", ""},
        TextCase{"Big5 with CR LF", kSampleClaim, kSampleClaim},
        TextCase{"NUL in the middle", std::string("\xa4\x40\r\nfirst\0second", 14), "\xa4\x40\r\nfirst"},
        TextCase{"UTF-8 byte-order mark kept as raw bytes", "\xef\xbb\xbf" "abc", "\xef\xbb\xbf" "abc"}),
    NameCaseByTrace());

TEST_F(ClaimFile, Big5LinesShowLineByLine)
{
    WriteClaim(kSampleClaim);
    auto run = Start(kRightCode);
    HWND hDlg = run->WaitForClaimDialog();
    ASSERT_NE(hDlg, nullptr);
    HWND hEdit = ::GetDlgItem(hDlg, 1000);
    EXPECT_EQ(::SendMessageA(hEdit, EM_GETLINECOUNT, 0, 0), 4);
    ui::Click(::GetDlgItem(hDlg, IDOK));
    EXPECT_EQ(run->WaitForResult(), 0);
}

TEST_F(ClaimFile, MissingFileShowsErrorAndNeverTheDialog)
{
    ExpectFileError();
}

TEST_F(ClaimFile, FileHeldOpenForWritingIsUnreadable)
{
    WriteClaim(kSampleClaim);
    HANDLE hWriter = ::CreateFileA((m_folder + "\\Claim.txt").c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                   OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(hWriter, INVALID_HANDLE_VALUE);
    ExpectFileError();
    ::CloseHandle(hWriter);
}

TEST_F(ClaimFile, FileOnlyBesideTheLibraryCountsAsMissing)
{
    std::string dllFolder = MakeTempFolder();
    ASSERT_TRUE(::CopyFileA((ProgramFolder() + "\\TovikDlg.dll").c_str(), (dllFolder + "\\TovikDlg.dll").c_str(), FALSE));
    ASSERT_TRUE(WriteFileBytes(dllFolder + "\\Claim.txt", kSampleClaim));
    LoadLibraryFrom(dllFolder + "\\TovikDlg.dll");
    ExpectFileError();
    ::FreeLibrary(m_hLib);
    m_hLib = nullptr;
    RemoveFolder(dllFolder);
}

TEST_F(ClaimFile, DirectoryNamedClaimTxtIsUnreadable)
{
    ASSERT_TRUE(::CreateDirectoryA((m_folder + "\\Claim.txt").c_str(), nullptr));
    ExpectFileError();
}

// After a call that found no claim file, a later call in the same load shows
// the dialog as usual but Disagree ends it without its message.
TEST_F(ClaimFile, ReadFailureOutlivesTheCall)
{
    ExpectFileError();
    WriteClaim(kSampleClaim);
    auto run = Start(kRightCode);
    HWND hDlg = run->WaitForClaimDialog();
    ASSERT_NE(hDlg, nullptr);
    ui::Click(::GetDlgItem(hDlg, IDCANCEL));
    EXPECT_EQ(run->WaitForResult(), 1);
    EXPECT_EQ(run->Events(), std::vector<std::string>({"claim shown", "claim hidden"}));
}

TEST_F(ClaimFile, ReloadingTheLibraryClearsTheReadFailure)
{
    ExpectFileError();
    LoadLibraryFrom(ProgramFolder() + "\\TovikDlg.dll");
    WriteClaim(kSampleClaim);
    auto run = Start(kRightCode);
    HWND hDlg = run->WaitForClaimDialog();
    ASSERT_NE(hDlg, nullptr);
    ui::Click(::GetDlgItem(hDlg, IDCANCEL));
    HWND hBox = run->WaitForMessageBox();
    ASSERT_NE(hBox, nullptr);
    ui::Click(::GetDlgItem(hBox, IDOK));
    EXPECT_EQ(run->WaitForResult(), 1);
}
