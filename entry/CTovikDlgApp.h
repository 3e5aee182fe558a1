// The library's application object. It adds nothing to the framework's; the
// framework reaches the one instance through the library's module state.
#pragma once
#include "Framework.h"

class CTovikDlgApp : public CWinApp {
public:
    CTovikDlgApp();

    DECLARE_MESSAGE_MAP()
};
