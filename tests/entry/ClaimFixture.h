// Loads a fresh copy of the built library for each test, in a temporary
// current directory where the test puts its Claim.txt.
#pragma once
#include <gtest/gtest.h>
#include <windows.h>
#include <functional>
#include <memory>
#include <string>
#include "TovikDlg.h"
#include "CaseNames.h"
#include "TestFiles.h"
#include "UiDriver.h"

// Texts the player sees, as Big5 bytes.
// "提示訊息" (Notice)
#define BIG5_NOTICE "\xb4\xa3\xa5\xdc\xb0\x54\xae\xa7"
// "重要檔案無法讀取！\n請重新下載更新！"
#define BIG5_FILE_ERROR                                                            \
    "\xad\xab\xad\x6e\xc0\xc9\xae\xd7\xb5\x4c\xaa\x6b\xc5\xaa\xa8\xfa\xa1\x49\x0a" \
    "\xbd\xd0\xad\xab\xb7\x73\xa4\x55\xb8\xfc\xa7\xf3\xb7\x73\xa1\x49"
// "您必需選擇同意才能繼續進行遊戲！"
#define BIG5_MUST_AGREE                                                                 \
    "\xb1\x7a\xa5\xb2\xbb\xdd\xbf\xef\xbe\xdc\xa6\x50\xb7\x4e\xa4\x7e\xaf\xe0\xc4\x7e" \
    "\xc4\xf2\xb6\x69\xa6\xe6\xb9\x43\xc0\xb8\xa1\x49"

// The claim dialog's boxes, as the dialog driver records them.
#define LOG_MUST_AGREE "box: " BIG5_NOTICE ": " BIG5_MUST_AGREE
#define LOG_FILE_ERROR "box: " BIG5_NOTICE ": " BIG5_FILE_ERROR

extern const char kRightCode[];
// A short Big5 claim text with CR LF line ends: "遊戲使用條款" (terms of use), an empty line, "一、本遊戲".
extern const char kSampleClaim[];

// Expects a box of the claim dialog as the player sees it: caption "Notice",
// the text, the error icon or none, one OK button, and the claim dialog as
// its owner, hidden.
void ExpectNoticeBox(const ui::MessageBoxView& box, const char* text, bool errorIcon);


class ClaimFixture : public ::testing::Test {
protected:
    typedef TOVIK_SHOW_MAIN_DIALOG ShowMainDialogFn;

    void SetUp() override;
    void TearDown() override;

    // Loads the library from dllPath (default: the built one).
    void LoadLibraryFrom(const std::string& dllPath);
    void WriteClaim(const std::string& bytes) { ASSERT_TRUE(WriteFileBytes(m_folder + "\\Claim.txt", bytes)); }
    // Starts ShowMainDialog(code) on its own thread.
    std::unique_ptr<ui::DialogRun> Start(const char* code);
    // Runs the dialog with the right code: once it is visible look(hDlg)
    // runs, then the player clicks Agree. Returns the call's result.
    int LookThenAgree(const std::function<void(HWND)>& look);

    std::string m_folder;
    HMODULE m_hLib = nullptr;
    ShowMainDialogFn m_pfnShow = nullptr;

private:
    std::string m_previousFolder;
};
