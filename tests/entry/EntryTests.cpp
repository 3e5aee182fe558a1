// End-to-end tests of ShowMainDialog as a game calls it: the built DLL,
// loaded with LoadLibraryA, driven as a player would.
#include "ClaimFixture.h"
#include "LayoutBoundFiles.h"
#include "PeImage.h"
#include "CaseNames.h"

using ui::DialogRun;

namespace {

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
    EXPECT_EQ(run->TakeEvents(), std::vector<std::string>({"box: Warning: Access Denied!!"}));
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

// --- The player's seat: every way out, with real keys and pointer ----------

// One thing the player does.
struct Act {
    enum Kind { Keys, Click, PressReleasedOutside, GamePosts } kind;
    std::vector<WORD> keys;
    int control;  // for the pointer: IDOK (Agree), IDCANCEL (Disagree) or 1000 (the text)
    UINT message;  // what the game posts to the dialog, with control as wParam
};
Act Keys(std::vector<WORD> chord) { return {Act::Keys, chord, 0, 0}; }
Act Click(int control) { return {Act::Click, {}, control, 0}; }
Act PressReleasedOutside(int control) { return {Act::PressReleasedOutside, {}, control, 0}; }
Act GamePosts(UINT message, int wParam) { return {Act::GamePosts, {}, wParam, message}; }

struct WayOut {
    const char* trace;
    std::vector<Act> acts;
    int result;     // what ShowMainDialog returns
    bool mustAgree; // the Disagree message comes first, after the dialog hid
};

class PlayerSeat : public ClaimFixture, public ::testing::WithParamInterface<WayOut> {
};

// Every act but the last leaves the dialog up with no result; the last ends
// it. The Disagree message is the dialog's own box, shown once the dialog is
// hidden, dismissed with Enter as a player would.
TEST_P(PlayerSeat, EndsTheDialogAsThePlayerChose)
{
    const WayOut& way = GetParam();
    WriteClaim(kSampleClaim);
    auto run = Start(kRightCode);
    HWND hDlg = run->WaitForClaimDialog();
    ASSERT_NE(hDlg, nullptr);
    ASSERT_TRUE(ui::WaitFor([hDlg] { return ::GetForegroundWindow() == hDlg; }, 2000));
    for (size_t i = 0; i < way.acts.size(); ++i) {
        const Act& act = way.acts[i];
        if (act.kind == Act::Keys)
            ui::PressKeys(act.keys);
        else if (act.kind == Act::Click)
            ui::Click(::GetDlgItem(hDlg, act.control));
        else if (act.kind == Act::PressReleasedOutside)
            ui::PressReleasedOutside(::GetDlgItem(hDlg, act.control));
        else
            ::PostMessageA(hDlg, act.message, static_cast<WPARAM>(act.control), 0);
        if (i + 1 < way.acts.size()) {
            ASSERT_EQ(run->WaitForResult(300), DialogRun::kNoResult) << "after act " << i + 1;
            ASSERT_TRUE(::IsWindowVisible(hDlg)) << "after act " << i + 1;
        }
    }
    if (way.mustAgree) {
        HWND hBox = run->WaitForMessageBox();
        ASSERT_NE(hBox, nullptr);
        ExpectNoticeBox(run->Boxes().at(0), BIG5_MUST_AGREE, false);
        EXPECT_EQ(run->Boxes().at(0).owner, hDlg);
        EXPECT_EQ(run->WaitForResult(200), DialogRun::kNoResult) << "the call waits for the box";
        ui::WaitFor([hBox] { return ::GetForegroundWindow() == hBox; }, 2000);
        ui::PressKeys({VK_RETURN});
    }
    EXPECT_EQ(run->WaitForResult(), way.result);
    std::vector<std::string> events = {"claim shown", "claim hidden"};
    if (way.mustAgree)
        events.push_back(LOG_MUST_AGREE);
    EXPECT_EQ(run->TakeEvents(), events);
}

INSTANTIATE_TEST_SUITE_P(Ways, PlayerSeat,
    ::testing::Values(
        WayOut{"Enter on Agree, which has the focus at the start", {Keys({VK_RETURN})}, 0, false},
        WayOut{"Space on Agree", {Keys({VK_SPACE})}, 0, false},
        WayOut{"Tab, then Enter on Disagree", {Keys({VK_TAB}), Keys({VK_RETURN})}, 1, true},
        WayOut{"Tab, then Space on Disagree", {Keys({VK_TAB}), Keys({VK_SPACE})}, 1, true},
        WayOut{"Tab, Shift+Tab back, then Enter on Agree",
               {Keys({VK_TAB}), Keys({VK_SHIFT, VK_TAB}), Keys({VK_RETURN})}, 0, false},
        WayOut{"Shift+Tab round to Disagree, then Enter", {Keys({VK_SHIFT, VK_TAB}), Keys({VK_RETURN})}, 1, true},
        WayOut{"Tab twice skips the text box, then Enter on Agree",
               {Keys({VK_TAB}), Keys({VK_TAB}), Keys({VK_RETURN})}, 0, false},
        WayOut{"Escape", {Keys({VK_ESCAPE})}, 1, true},
        WayOut{"Alt+F4", {Keys({VK_MENU, VK_F4})}, 1, true},
        WayOut{"a click on Agree", {Click(IDOK)}, 0, false},
        WayOut{"a click on Disagree", {Click(IDCANCEL)}, 1, true},
        WayOut{"a press on Agree released outside, then Escape", {PressReleasedOutside(IDOK), Keys({VK_ESCAPE})},
               1, true},
        WayOut{"a press on Disagree released outside, then Enter on Disagree",
               {PressReleasedOutside(IDCANCEL), Keys({VK_RETURN})}, 1, true},
        WayOut{"a click into the text, Enter does nothing, then Escape",
               {Click(1000), Keys({VK_RETURN}), Keys({VK_ESCAPE})}, 1, true},
        WayOut{"the game sends WM_CLOSE", {GamePosts(WM_CLOSE, 0)}, 1, true},
        WayOut{"the game sends IDCANCEL", {GamePosts(WM_COMMAND, IDCANCEL)}, 1, true}),
    NameCaseByTrace());

// Page Up and Down, Ctrl+Home and Ctrl+End scroll the text while the focus
// stays where it is; the arrow keys still move the focus and leave the text.
TEST_F(DialogEnd, KeysScrollTheTextWhileTheFocusStaysOnTheButtons)
{
    std::string text;
    for (int i = 0; i < 300; ++i)
        text += "line " + std::to_string(i) + "\r\n";
    WriteClaim(text);
    auto run = Start(kRightCode);
    HWND hDlg = run->WaitForClaimDialog();
    ASSERT_NE(hDlg, nullptr);
    ASSERT_TRUE(ui::WaitFor([hDlg] { return ::GetForegroundWindow() == hDlg; }, 2000));
    HWND hEdit = ::GetDlgItem(hDlg, 1000);
    auto firstLine = [hEdit] { return static_cast<int>(::SendMessageA(hEdit, EM_GETFIRSTVISIBLELINE, 0, 0)); };
    auto focus = [&run] {
        GUITHREADINFO info = {};
        info.cbSize = sizeof(info);
        ::GetGUIThreadInfo(run->ThreadId(), &info);
        return ::GetDlgCtrlID(info.hwndFocus);
    };
    const int lastLine = static_cast<int>(::SendMessageA(hEdit, EM_GETLINECOUNT, 0, 0)) - 1;
    ui::PressKeys({VK_NEXT});
    ASSERT_TRUE(ui::WaitFor([&] { return firstLine() > 0; }, 2000));
    const int page = firstLine();
    EXPECT_GT(page, 5);
    const struct {
        const char* trace;
        std::vector<WORD> keys;
        int first;  // the first visible line afterwards; -1: the page that ends with the last line
        int focus;
    } rows[] = {
        {"Page Down again", {VK_NEXT}, 2 * page, IDOK},
        {"End alone", {VK_END}, 2 * page, IDOK},
        {"Home alone", {VK_HOME}, 2 * page, IDOK},
        {"Page Up", {VK_PRIOR}, page, IDOK},
        {"Ctrl+End", {VK_CONTROL, VK_END}, -1, IDOK},
        {"Ctrl+Home", {VK_CONTROL, VK_HOME}, 0, IDOK},
        {"Down moves the focus to Disagree", {VK_DOWN}, 0, IDCANCEL},
        {"Page Down on Disagree", {VK_NEXT}, page, IDCANCEL},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.trace);
        const int before = firstLine();
        ui::PressKeys(row.keys);
        ui::WaitFor([&] { return firstLine() != before; }, row.first == before ? 300 : 2000);
        if (row.first < 0) {
            EXPECT_GT(firstLine(), 2 * page);
            EXPECT_GE(firstLine() + page, lastLine);
        } else {
            EXPECT_EQ(firstLine(), row.first);
        }
        EXPECT_EQ(focus(), row.focus);
    }
    ui::PostKey(hDlg, VK_NEXT);  // a key that reaches the dialog window itself
    EXPECT_TRUE(ui::WaitFor([&] { return firstLine() == 2 * page; }, 2000));
    ui::Click(::GetDlgItem(hDlg, IDOK));
    EXPECT_EQ(run->WaitForResult(), 0);
}

// The game's own window, active on the calling thread, owns none of the
// library's windows, stays enabled throughout, and its keys still reach it.
TEST_F(DialogEnd, GameWindowOnTheCallingThreadOwnsNothingAndStaysEnabled)
{
    WriteClaim(kSampleClaim);
    for (const char* code : {"wrong", kRightCode}) {
        SCOPED_TRACE(code);
        HWND hGame = nullptr;
        ShowMainDialogFn pfnShow = m_pfnShow;
        DialogRun run([&hGame, pfnShow, code] {
            hGame = ::CreateWindowExA(0, "EDIT", "game", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 300, 200, nullptr,
                                      nullptr, nullptr, nullptr);
            ::SetForegroundWindow(hGame);
            ::SetActiveWindow(hGame);
            int nResult = pfnShow(code);
            ::DestroyWindow(hGame);
            return nResult;
        });
        HWND hDlg = code == kRightCode ? run.WaitForClaimDialog() : nullptr;
        if (hDlg != nullptr) {
            EXPECT_EQ(::GetWindow(hDlg, GW_OWNER), nullptr);
            EXPECT_TRUE(::IsWindowEnabled(hGame));
            ::PostMessageA(hGame, WM_KEYDOWN, VK_DELETE, 0);  // deletes the letter at the caret
            EXPECT_TRUE(ui::WaitFor([hGame] { return ui::WindowText(hGame) == "ame"; }, 2000));
            ui::WaitFor([hDlg] { return ::GetForegroundWindow() == hDlg; }, 2000);
            ui::PressKeys({VK_TAB});
            ui::PressKeys({VK_RETURN});
        }
        HWND hBox = run.WaitForMessageBox();
        ASSERT_NE(hBox, nullptr);
        EXPECT_EQ(run.Boxes().at(0).owner, hDlg) << "the access box has none, the Disagree message the dialog";
        EXPECT_TRUE(::IsWindowEnabled(hGame));
        ui::WaitFor([hBox] { return ::GetForegroundWindow() == hBox; }, 2000);
        ui::PressKeys({VK_RETURN});
        EXPECT_EQ(run.WaitForResult(), hDlg != nullptr ? 1 : 8);
    }
}

// Shown centred on the screen, without a caption, active and in the
// foreground: the player's keys reach it without a click first.
TEST_F(DialogEnd, ShownCentredActiveAndInTheForeground)
{
    WriteClaim(kSampleClaim);
    EXPECT_EQ(LookThenAgree([](HWND hDlg) {
        RECT rc = ui::ScreenRect(hDlg), work;
        ::SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
        EXPECT_NEAR((rc.left + rc.right) / 2, (work.left + work.right) / 2, 1);
        EXPECT_NEAR((rc.top + rc.bottom) / 2, (work.top + work.bottom) / 2, 1);
        EXPECT_GT(rc.right - rc.left, 200);
        EXPECT_EQ(::GetWindowLongA(hDlg, GWL_STYLE) & WS_CAPTION, 0) << "no caption";
        EXPECT_TRUE(ui::WaitFor([hDlg] { return ::GetForegroundWindow() == hDlg; }, 1000));
        GUITHREADINFO info = {};
        info.cbSize = sizeof(info);
        ::GetGUIThreadInfo(::GetWindowThreadProcessId(hDlg, nullptr), &info);
        EXPECT_EQ(info.hwndActive, hDlg);
    }), 0);
}

namespace {
HWND WINAPI NoDialog(HINSTANCE, LPCDLGTEMPLATEA, HWND, DLGPROC, LPARAM)
{
    ::SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
}
// Out of memory for all but the smallest blocks, which the C++ runtime takes
// for a thread's exception state: the failure is thrown, not fatal.
void* __cdecl NoMemory(size_t n) { return n < 64 ? ::malloc(n) : nullptr; }
} // namespace

// A dialog that cannot be created, or an exception inside the call (the
// library out of memory while it sets the dialog up), ends the call as "not
// agreed", with no message of the library's own.
TEST_F(DialogEnd, DialogThatCannotBeCreatedReturns1WithoutAMessage)
{
    const struct { const char* dll; const char* function; void* replacement; } rows[] = {
        {"user32.dll", "CreateDialogIndirectParamA", reinterpret_cast<void*>(&NoDialog)},
        {"msvcrt.dll", "malloc", reinterpret_cast<void*>(&NoMemory)},
    };
    WriteClaim(kSampleClaim);
    for (const auto& row : rows) {
        SCOPED_TRACE(row.function);
        pe::ImportPatch failing(m_hLib, row.dll, row.function, row.replacement);
        ASSERT_NE(failing.Original(), nullptr);
        auto run = Start(kRightCode);
        EXPECT_EQ(run->WaitForResult(), 1);
        EXPECT_TRUE(run->TakeEvents().empty());
    }
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
        std::string text = "<no dialog>";
        EXPECT_EQ(LookThenAgree([&text](HWND hDlg) { text = ui::WindowText(::GetDlgItem(hDlg, 1000)); }), 0);
        return text;
    }

    // Expects the file error box and the end without the dialog ever shown.
    void ExpectFileError()
    {
        auto run = Start(kRightCode);
        HWND hBox = run->WaitForMessageBox();
        ASSERT_NE(hBox, nullptr);
        ExpectNoticeBox(run->Boxes().at(0), BIG5_FILE_ERROR, true);
        ui::Click(::GetDlgItem(hBox, IDOK));
        EXPECT_EQ(run->WaitForResult(), 1);
        EXPECT_EQ(run->TakeEvents(), std::vector<std::string>({LOG_FILE_ERROR})) << "no dialog, no second box";
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
    EXPECT_EQ(LookThenAgree([](HWND hDlg) {
        EXPECT_EQ(::SendMessageA(::GetDlgItem(hDlg, 1000), EM_GETLINECOUNT, 0, 0), 4);
    }), 0);
}

// The size decides before anything is read: a file at the cap shows whole,
// one a byte over it, or of 4 GiB and a few bytes (not taken for a few
// bytes), or far over it, is unreadable.
TEST_F(ClaimFile, FilesOverTheCapAreUnreadable)
{
    // Lines of 100 Chinese characters up to the cap: the largest real text it admits.
    std::string atCap;
    while (atCap.size() < TOVIK_CLAIM_MAX_BYTES)
        atCap += std::string(200, '\xa4') + "\r\n";
    atCap.resize(TOVIK_CLAIM_MAX_BYTES);
    WriteClaim(atCap);
    EXPECT_EQ(ShownText().size(), atCap.size());
    WriteClaim(atCap + "a");
    ExpectFileError();
    for (ULONGLONG size : {(1ull << 32) + 10, 256ull << 20}) {
        SCOPED_TRACE(size);
        HANDLE h = ::CreateFileA((m_folder + "\\Claim.txt").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0,
                                 nullptr);
        ASSERT_NE(h, INVALID_HANDLE_VALUE);
        DWORD written = 0;
        ::WriteFile(h, "short\r\n", 7, &written, nullptr);
        LARGE_INTEGER end;
        end.QuadPart = static_cast<LONGLONG>(size);
        const bool grown = ::SetFilePointerEx(h, end, nullptr, FILE_BEGIN) && ::SetEndOfFile(h);
        ::CloseHandle(h);
        if (grown)
            ExpectFileError();
    }
}

// Lines the box would take too long to lay out make the file unreadable,
// judged from the bytes as Windows' box ends lines, only at CR LF.
TEST_F(ClaimFile, LinesOverTheLayoutBoundAreUnreadable)
{
    for (const LayoutBoundFile& file : LayoutBoundFiles()) {
        SCOPED_TRACE(file.name);
        WriteClaim(file.bytes);
        if (file.shows)
            EXPECT_EQ(ShownText(), file.bytes);
        else
            ExpectFileError();
    }
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
    EXPECT_EQ(run->TakeEvents(), std::vector<std::string>({"claim shown", "claim hidden"}));
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
