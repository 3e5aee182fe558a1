// tovik-preview.exe run as a child process: its picture against a capture of
// the live dialog with the same claim text, the pointer and focus states it
// shows, and how it fails.
#include <gtest/gtest.h>
#include "ChildProcess.h"
#include <windows.h>

#include <string>
#include <vector>

#include "ClaimFixture.h"
#include "LayoutBoundFiles.h"
#include "SkinTestSupport.h"

using namespace skintest;

namespace {

const POINT kOffDialog = { 1000, 740 };

// More lines than the box holds: the scroll bar gets a thumb.
std::string LongText()
{
    std::string text;
    for (int i = 1; i <= 60; ++i)
        text += std::to_string(i) + ". \xbd\xd0\xbf\xed\xa6\x75\xb9\x43\xc0\xb8\xb3\x57\xbd\x64\xa1\x43\r\n";
    return text;
}

// Runs program with args in folder, bounded; output and errors together.
ui::ChildResult RunProgram(const std::string& program, const std::string& args, const std::string& folder)
{
    ui::ChildResult run = ui::RunChild(program, args, folder, 30000);
    EXPECT_TRUE(run.started && run.ended) << program << " " << args << " did not start or end within 30 s";
    return run;
}

std::string PreviewProgram() { return ProgramFolder() + "\\tovik-preview.exe"; }

bool Exists(const std::string& path) { return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// The folder a preview run works in, by its process id.
std::string ScratchFolderOf(DWORD pid)
{
    char szTemp[MAX_PATH] = "";
    ::GetTempPathA(MAX_PATH, szTemp);
    return std::string(szTemp) + "tovik-preview-" + std::to_string(pid) + "-1";
}

// A BMP file as the system's own loader reads it; empty if it cannot.
Image LoadPicture(const std::string& path)
{
    HBITMAP hBitmap = static_cast<HBITMAP>(
        ::LoadImageA(nullptr, path.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE | LR_CREATEDIBSECTION));
    if (hBitmap == nullptr)
        return Image();
    BITMAP bm = {};
    ::GetObjectA(hBitmap, sizeof(bm), &bm);
    Canvas canvas(bm.bmWidth, bm.bmHeight);
    HDC hMem = ::CreateCompatibleDC(canvas.hdc());
    HGDIOBJ hOld = ::SelectObject(hMem, hBitmap);
    ::BitBlt(canvas.hdc(), 0, 0, bm.bmWidth, bm.bmHeight, hMem, 0, 0, SRCCOPY);
    ::SelectObject(hMem, hOld);
    ::DeleteDC(hMem);
    ::DeleteObject(hBitmap);
    return canvas.Read();
}

// Red, or a blend of red into the picture under it: the caption's face is
// smoothed, so few of its pixels are pure red.
bool IsReddish(COLORREF c) { return GetRValue(c) > GetGValue(c) + 80 && GetRValue(c) > GetBValue(c) + 80; }
bool Differs(COLORREF a, COLORREF b) { return a != b; }
bool TurnedRed(COLORREF a, COLORREF b) { return IsReddish(a) && !IsReddish(b); }
bool IsMarked(COLORREF c) { return c == 1; }

// Marks (value 1) the pixels where changed(shown, before) holds; pictures
// of different sizes are marked all over.
Image Mark(const Image& shown, const Image& before, bool (*changed)(COLORREF, COLORREF))
{
    Image marks = shown;
    for (size_t i = 0; i < marks.px.size(); ++i)
        marks.px[i] = before.px.size() != shown.px.size() || changed(shown.px[i], before.px[i]) ? 1 : 0;
    return marks;
}

int CountMarks(const Image& marks) { return marks.Count({ 0, 0, marks.cx, marks.cy }, IsMarked); }

std::string Describe(const RECT& rc)
{
    return "(" + std::to_string(rc.left) + "," + std::to_string(rc.top) + ")-(" + std::to_string(rc.right) + "," +
           std::to_string(rc.bottom) + ")";
}

// The live dialog as the player sees it, and where its buttons stand in
// the picture.
struct LiveView {
    Image picture;
    RECT agree = {}, disagree = {};
    RECT onScreen = {};
};

class PreviewTest : public ClaimFixture {
protected:
    // Runs ShowMainDialog in this process with claim as Claim.txt, keeps the
    // pointer off it, captures it once its pixels stay the same for three
    // frames, and presses Agree.
    LiveView CaptureLive(const std::string& claim)
    {
        LiveView view;
        WriteClaim(claim);
        MoveCursor(kOffDialog);
        std::unique_ptr<ui::DialogRun> run = Start(kRightCode);
        HWND hDlg = run->WaitForClaimDialog();
        if (hDlg == nullptr) {
            ADD_FAILURE() << "the live dialog did not appear";
            return view;
        }
        view.onScreen = ui::ScreenRect(hDlg);
        Image last = CaptureScreen(view.onScreen);
        for (int i = 0, nSame = 0; i < 50 && nSame < 3; ++i) {
            ::Sleep(100);
            Image now = CaptureScreen(view.onScreen);
            nSame = now.px == last.px ? nSame + 1 : 0;
            last = now;
        }
        view.picture = last;
        view.agree = ui::ScreenRect(::GetDlgItem(hDlg, IDOK));
        view.disagree = ui::ScreenRect(::GetDlgItem(hDlg, IDCANCEL));
        for (RECT* rc : { &view.agree, &view.disagree })
            ::OffsetRect(rc, -view.onScreen.left, -view.onScreen.top);
        ui::Click(::GetDlgItem(hDlg, IDOK));
        EXPECT_EQ(run->WaitForResult(), 0);
        return view;
    }

    // Runs the preview of claim, saved under another name than Claim.txt,
    // and loads its picture.
    Image RunPreview(const std::string& claim, const std::string& options, ui::ChildResult& run)
    {
        EXPECT_TRUE(WriteFileBytes(m_folder + "\\terms.txt", claim));
        ::DeleteFileA((m_folder + "\\preview.bmp").c_str());
        run = RunProgram(PreviewProgram(), "terms.txt preview.bmp " + options, m_folder);
        EXPECT_EQ(run.exitCode, 0u) << run.out;
        EXPECT_FALSE(Exists(ScratchFolderOf(run.pid))) << "the temporary folder is left behind";
        Image picture = LoadPicture(m_folder + "\\preview.bmp");
        EXPECT_EQ(run.out.substr(0, run.out.find_last_not_of("\r\n") + 1),
                  "tovik-preview: preview.bmp: the dialog with terms.txt, " + std::to_string(picture.cx) + " x " +
                      std::to_string(picture.cy) + " pixels");
        return picture;
    }

    // A copy of the preview beside the stand-in library, in a folder of its own.
    std::string StubPreview()
    {
        const std::string stub = m_folder + "\\stub";
        ::CreateDirectoryA(stub.c_str(), nullptr);
        EXPECT_TRUE(::CopyFileA(PreviewProgram().c_str(), (stub + "\\tovik-preview.exe").c_str(), FALSE));
        EXPECT_TRUE(::CopyFileA((ProgramFolder() + "\\preview-stub\\TovikDlg.dll").c_str(),
                                (stub + "\\TovikDlg.dll").c_str(), FALSE));
        return stub + "\\tovik-preview.exe";
    }
};

// The preview shows what the player sees: every pixel of the live dialog's
// window, at the same place, size and state (pointer off it, focus on
// Agree). Both are the same library drawing the same text on the same
// display, so no difference is allowed.
TEST_F(PreviewTest, MatchesTheLiveDialog)
{
    const struct Row { const char* trace; std::string claim; } rows[] = {
        { "Big5 text with CR LF", kSampleClaim },
        { "empty file", "" },
        { "text longer than the box", LongText() },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.trace);
        LiveView live = CaptureLive(row.claim);
        ui::ChildResult run;
        Image shown = RunPreview(row.claim, "", run);
        ASSERT_GT(shown.cx, 300) << "no picture: " << run.out;
        EXPECT_EQ(shown.cx, live.picture.cx);
        EXPECT_EQ(shown.cy, live.picture.cy);
        const Image diff = Mark(shown, live.picture, Differs);
        EXPECT_EQ(CountMarks(diff), 0) << "differing pixels within " << Describe(diff.Bounds(IsMarked));
        EXPECT_NE(run.out.find("preview.bmp: the dialog with terms.txt"), std::string::npos) << run.out;
    }
}

// The pointer's and the focus's states: a caption is red exactly while the
// pointer rests on its button; the focus rectangle moves and nothing else
// changes. A pointer already on the dialog is moved off it first, and put
// back afterwards.
TEST_F(PreviewTest, PointerAndFocusStates)
{
    LiveView live = CaptureLive(kSampleClaim);
    ASSERT_GT(live.picture.cx, 300);
    const POINT ptOnAgree = { live.onScreen.left + (live.agree.left + live.agree.right) / 2,
                              live.onScreen.top + (live.agree.top + live.agree.bottom) / 2 };
    const struct Row {
        const char* trace;
        const char* options;
        POINT cursorBefore;
        bool redAgree, redDisagree;
        bool focusMoved;  // the picture differs from the live one in both buttons alone
    } rows[] = {
        { "pointer left on Agree, no option", "", ptOnAgree, false, false, false },
        { "--hover agree", "--hover agree", kOffDialog, true, false, false },
        { "--hover disagree", "--hover disagree", ptOnAgree, false, true, false },
        { "--focus disagree", "--focus disagree", kOffDialog, false, false, true },
        { "--focus agree", "--focus agree", kOffDialog, false, false, false },
        { "--hover agree --focus disagree", "--hover agree --focus disagree", kOffDialog, true, false, true },
        { "--hover disagree --focus disagree", "--hover disagree --focus disagree", kOffDialog, false, true, true },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.trace);
        MoveCursor(row.cursorBefore);
        ui::ChildResult run;
        Image shown = RunPreview(kSampleClaim, row.options, run);
        ASSERT_EQ(shown.cx, live.picture.cx) << run.out;
        const Image red = Mark(shown, live.picture, TurnedRed);
        const int nRedAgree = red.Count(live.agree, IsMarked), nRedDisagree = red.Count(live.disagree, IsMarked);
        EXPECT_EQ(nRedAgree > 50, row.redAgree) << nRedAgree;
        EXPECT_EQ(nRedDisagree > 50, row.redDisagree) << nRedDisagree;
        EXPECT_EQ(CountMarks(red), nRedAgree + nRedDisagree) << "red outside the buttons";
        POINT cur;
        ::GetCursorPos(&cur);
        EXPECT_TRUE(cur.x == row.cursorBefore.x && cur.y == row.cursorBefore.y) << "the pointer is not put back";

        // A red caption is drawn anew: only pictures without one are
        // compared pixel by pixel. They are the live one, or differ from it
        // in both buttons alone when the focus moved.
        if (row.redAgree || row.redDisagree)
            continue;
        const Image diff = Mark(shown, live.picture, Differs);
        const int nAgree = diff.Count(live.agree, IsMarked), nDisagree = diff.Count(live.disagree, IsMarked);
        if (!row.focusMoved) {
            EXPECT_EQ(CountMarks(diff), 0) << "differing pixels within " << Describe(diff.Bounds(IsMarked));
            continue;
        }
        EXPECT_GT(nAgree, 20) << "the focus rectangle is still on Agree";
        EXPECT_GT(nDisagree, 20) << "no focus rectangle on Disagree";
        EXPECT_EQ(nAgree + nDisagree, CountMarks(diff))
            << "changes outside the buttons, within " << Describe(diff.Bounds(IsMarked));
    }
}

// Each fault ends the run with its exit status and a line naming the file
// and the fault; no picture is written and no temporary folder is left.
TEST_F(PreviewTest, Failures)
{
    ASSERT_TRUE(WriteFileBytes(m_folder + "\\terms.txt", kSampleClaim));
    ASSERT_TRUE(WriteFileBytes(m_folder + "\\big.txt", std::string(TOVIK_CLAIM_MAX_BYTES + 1, 'a')));
    ::CreateDirectoryA((m_folder + "\\sub").c_str(), nullptr);
    // A preview with no library beside it, and one with a library that shows
    // no dialog.
    const std::string alone = m_folder + "\\alone", stubPreview = StubPreview(),
                      version = std::string("tovik-preview ") + TOVIK_VERSION_STRING +
                                (sizeof(void*) == 8 ? " (x64)\r\n" : " (x86)\r\n");
    ::CreateDirectoryA(alone.c_str(), nullptr);
    ASSERT_TRUE(::CopyFileA(PreviewProgram().c_str(), (alone + "\\tovik-preview.exe").c_str(), FALSE));

    const struct Row {
        const char* trace;
        std::string program;
        const char* args;
        const char* stubMode;
        DWORD exitCode;
        const char* says;
    } rows[] = {
        { "claim file missing", PreviewProgram(), "nosuch.txt preview.bmp", "", 2,
          "tovik-preview: nosuch.txt: cannot read: no such file" },
        { "claim file is a folder", PreviewProgram(), "sub preview.bmp", "", 2,
          "tovik-preview: sub: cannot read: a folder, not a file" },
        { "claim file over the game's cap", PreviewProgram(), "big.txt preview.bmp", "", 2,
          "tovik-preview: big.txt: too large: 1048577 bytes, over the game's cap of 1048576 bytes; the game shows "
          "\"Important file cannot be read!\" instead of the dialog" },
        { "output folder missing", PreviewProgram(), "terms.txt nodir\\preview.bmp", "", 3,
          "tovik-preview: nodir\\preview.bmp: cannot write: no such folder" },
        { "output is a folder", PreviewProgram(), "terms.txt sub", "", 3,
          "tovik-preview: sub: cannot write: a folder, not a file" },
        { "no arguments", PreviewProgram(), "", "", 2, "tovik-preview: usage: tovik-preview CLAIM_FILE OUT.bmp" },
        { "one argument", PreviewProgram(), "terms.txt", "", 2, "usage" },
        { "three files", PreviewProgram(), "terms.txt a.bmp b.bmp", "", 2, "one CLAIM_FILE and one OUT.bmp" },
        { "hover on no button", PreviewProgram(), "terms.txt preview.bmp --hover ok", "", 2,
          "--hover needs agree or disagree" },
        { "focus without a button", PreviewProgram(), "terms.txt preview.bmp --focus", "", 2,
          "--focus needs agree or disagree" },
        { "unknown option", PreviewProgram(), "terms.txt preview.bmp --zoom", "", 2, "unknown option --zoom" },
        { "no library beside the program", alone + "\\tovik-preview.exe", "terms.txt preview.bmp", "", 1,
          "TovikDlg.dll: cannot load" },
        { "library returns without a dialog", stubPreview, "terms.txt preview.bmp", "", 1,
          "tovik-preview: dialog: ShowMainDialog returned 1 without showing the dialog" },
        { "library shows a message box", stubPreview, "terms.txt preview.bmp", "box", 1,
          "message box instead of the dialog (\"Access Denied!!\")" },
        { "claim file is the device NUL", PreviewProgram(), "NUL preview.bmp", "", 2,
          "tovik-preview: NUL: cannot read: a device name, not a file\r\n" },
        { "a name that starts with -", PreviewProgram(), "-x.txt preview.bmp", "", 2,
          "tovik-preview: usage: unknown option -x.txt (see --help)\r\n" },
        { "--version", PreviewProgram(), "--version", "", 0, version.c_str() },
        { "--help", PreviewProgram(), "--help", "", 0,
          "Usage: tovik-preview CLAIM_FILE OUT.bmp [--hover agree|disagree] [--focus agree|disagree]\r\n" },
        { "-h", PreviewProgram(), "-h terms.txt preview.bmp", "", 0, "Usage: tovik-preview CLAIM_FILE OUT.bmp" },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.trace);
        ::SetEnvironmentVariableA("TOVIK_STUB", row.stubMode);
        ui::ChildResult run = RunProgram(row.program, row.args, m_folder);
        EXPECT_EQ(run.exitCode, row.exitCode) << run.out;
        EXPECT_NE(run.out.find(row.says), std::string::npos) << run.out;
        if (row.exitCode != 0) {
            EXPECT_EQ(run.out.find('\n'), run.out.size() - 1) << "one line: " << run.out;
        }
        EXPECT_FALSE(Exists(m_folder + "\\preview.bmp"));
        EXPECT_FALSE(Exists(ScratchFolderOf(run.pid)));
    }
    {
        SCOPED_TRACE("an existing picture, then no dialog: the old picture stays");
        ASSERT_TRUE(WriteFileBytes(m_folder + "\\preview.bmp", "old picture"));
        EXPECT_EQ(RunProgram(stubPreview, "terms.txt preview.bmp", m_folder).exitCode, 1u);
        std::string kept;
        EXPECT_TRUE(ReadFileBytes(m_folder + "\\preview.bmp", kept) && kept == "old picture") << kept;
        ::DeleteFileA((m_folder + "\\preview.bmp").c_str());
    }
    ::SetEnvironmentVariableA("TOVIK_STUB", nullptr);
    EXPECT_FALSE(Exists(m_folder + "\\sub\\Claim.txt"));
}

// The same files as the game's: a file the game shows is previewed, one
// whose lines are over the layout bound is refused in one line, as the game
// refuses it.
TEST_F(PreviewTest, LinesOverTheLayoutBound)
{
    for (const LayoutBoundFile& file : LayoutBoundFiles()) {
        SCOPED_TRACE(file.name);
        if (file.shows) {
            ui::ChildResult run;
            RunPreview(file.bytes, "", run);
            continue;
        }
        ASSERT_TRUE(WriteFileBytes(m_folder + "\\terms.txt", file.bytes));
        ASSERT_TRUE(WriteFileBytes(m_folder + "\\preview.bmp", "an older picture"));
        ui::ChildResult run = RunProgram(PreviewProgram(), "terms.txt preview.bmp", m_folder);
        EXPECT_EQ(run.exitCode, 2u) << run.out;
        EXPECT_EQ(run.out, "tovik-preview: terms.txt: lines too long for the text box, which ends a line only at CR "
                           "LF: the squares of their lengths in characters and 16 for each byte add up to " +
                           std::string(file.work) + ", over the game's bound of 69000000; the game shows \"Important file cannot be read!\" "
                           "instead of the dialog (tovik-claimcheck names the longest lines)\r\n");
        std::string kept;
        EXPECT_TRUE(ReadFileBytes(m_folder + "\\preview.bmp", kept) && kept == "an older picture");
    }
}

// A library whose dialog, agreed to, returns another result than 0 fails
// the run, although the picture was taken and saved.
TEST_F(PreviewTest, AnotherResultAfterAgreeFailsTheRun)
{
    ASSERT_TRUE(WriteFileBytes(m_folder + "\\terms.txt", kSampleClaim));
    const std::string stubPreview = StubPreview();
    ::SetEnvironmentVariableA("TOVIK_STUB", "dialog");
    ui::ChildResult run = RunProgram(stubPreview, "terms.txt preview.bmp", m_folder);
    ::SetEnvironmentVariableA("TOVIK_STUB", nullptr);
    EXPECT_EQ(run.exitCode, 1u) << run.out;
    EXPECT_NE(run.out.find("tovik-preview: dialog: ShowMainDialog returned 1 after Agree, not 0"),
              std::string::npos) << run.out;
}

}  // namespace
