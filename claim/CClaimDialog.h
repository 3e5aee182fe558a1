// The modal dialog that shows the claim text and asks the player to agree.
#pragma once
#include "Framework.h"
#include "CBitmapDialog.h"
#include "CColorEdit.h"
#include "CHoverButton.h"
#include "resource.h"

// Set when a claim file could not be read; stays set while the library is
// loaded, and then Disagree ends the dialog without its message.
extern BOOL g_bClaimReadFailed;

class CClaimDialog : public CBitmapDialog {
public:
    explicit CClaimDialog(CWnd* pParent = nullptr);

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;
    // Page Up and Page Down, Ctrl+Home and Ctrl+End scroll the claim text
    // while the focus stays on the buttons; Enter in the text box presses
    // no button.
    BOOL PreTranslateMessage(MSG* pMsg) override;

    void OnSysCommand(UINT nID, LPARAM lParam);
    void OnPaint();

    CHoverButton m_btnAgree;
    CHoverButton m_btnDisagree;
    CColorEdit m_editClaim;

    DECLARE_MESSAGE_MAP()

private:
    // Gives the dialog and its controls their look: background picture,
    // button colours and pictures, text box colours.
    void ApplySkin();
    // Reads the whole claim file into the text box; false when it cannot be
    // opened, its size cannot be had, or it is larger than the cap.
    bool ReadAndShowClaimText();
};
