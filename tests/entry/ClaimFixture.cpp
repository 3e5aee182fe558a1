#include "ClaimFixture.h"
#include <vector>

const char kRightCode[] = TOVIK_ACCESS_CODE;
const char kSampleClaim[] = "\xb9\x43\xc0\xb8\xa8\xcf\xa5\xce\xb1\xf8\xb4\xda\r\n"  // 遊戲使用條款
                            "\r\n\xa4\x40\xa1\x42\xa5\xbb\xb9\x43\xc0\xb8\r\n";  // 一、本遊戲

void ClaimFixture::SetUp()
{
    char szCurrent[MAX_PATH] = "";
    ::GetCurrentDirectoryA(MAX_PATH, szCurrent);
    m_previousFolder = szCurrent;
    m_folder = MakeTempFolder();
    ASSERT_TRUE(::SetCurrentDirectoryA(m_folder.c_str()));
    LoadLibraryFrom(ProgramFolder() + "\\TovikDlg.dll");
}

void ClaimFixture::LoadLibraryFrom(const std::string& dllPath)
{
    if (m_hLib != nullptr)
        ::FreeLibrary(m_hLib);
    m_hLib = ::LoadLibraryA(dllPath.c_str());
    ASSERT_NE(m_hLib, nullptr) << dllPath;
    m_pfnShow = reinterpret_cast<ShowMainDialogFn>(
        reinterpret_cast<void*>(::GetProcAddress(m_hLib, "ShowMainDialog")));
    ASSERT_NE(m_pfnShow, nullptr);
}

void ClaimFixture::TearDown()
{
    if (m_hLib != nullptr)
        ::FreeLibrary(m_hLib);
    ::SetCurrentDirectoryA(m_previousFolder.c_str());
    RemoveFolder(m_folder);
}

std::unique_ptr<ui::DialogRun> ClaimFixture::Start(const char* code)
{
    ShowMainDialogFn pfnShow = m_pfnShow;
    return std::unique_ptr<ui::DialogRun>(new ui::DialogRun([pfnShow, code] { return pfnShow(code); }));
}

int ClaimFixture::LookThenAgree(const std::function<void(HWND)>& look)
{
    auto run = Start(kRightCode);
    HWND hDlg = run->WaitForClaimDialog();
    EXPECT_NE(hDlg, nullptr) << "the dialog shows";
    if (hDlg == nullptr)
        return run->WaitForResult();
    look(hDlg);
    ui::Click(::GetDlgItem(hDlg, IDOK));
    return run->WaitForResult();
}

void ExpectNoticeBox(const ui::MessageBoxView& box, const char* text, bool errorIcon)
{
    EXPECT_EQ(box.caption, BIG5_NOTICE);
    EXPECT_EQ(box.text, text);
    EXPECT_EQ(box.errorIcon, errorIcon);
    EXPECT_EQ(box.anyIcon, errorIcon);
    EXPECT_EQ(box.buttons, std::vector<int>({IDOK})) << "one OK button only";
    EXPECT_TRUE(ui::IsClaimDialog(box.owner)) << "owned by the claim dialog";
    EXPECT_FALSE(box.claimVisible || ::IsWindowVisible(box.owner)) << "shown while the dialog is hidden";
}
