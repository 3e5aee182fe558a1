#include "CTovikDlgApp.h"

BEGIN_MESSAGE_MAP(CTovikDlgApp, CWinApp)
END_MESSAGE_MAP()

CTovikDlgApp::CTovikDlgApp() : CWinApp(nullptr)
{
}

// The one application object, built when the library is loaded.
CTovikDlgApp theApp;
