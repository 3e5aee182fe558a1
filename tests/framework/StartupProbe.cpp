// A DLL on the framework's start-up whose application object logs what
// happens to it (to the file named by TOVIK_PROBE_LOG). TOVIK_PROBE_FAIL_INIT
// makes its InitInstance fail. It also runs dialogs of its own resources.
#include <cstdio>
#include "Framework.h"
#include "FrameworkTestIds.h"
#include "ThreadState.h"

namespace {

void Log(const char* event)
{
    char szPath[MAX_PATH];
    if (::GetEnvironmentVariableA("TOVIK_PROBE_LOG", szPath, MAX_PATH) == 0)
        return;
    if (FILE* f = std::fopen(szPath, "a")) {
        std::fprintf(f, "%s\n", event);
        std::fclose(f);
    }
}

// The library's own module state is current, set explicitly (not by default).
bool LibraryStateIsCurrent()
{
    return AfxGetThreadState()->m_pModuleState == AfxGetStaticModuleState();
}

class CProbeApp : public CWinApp {
public:
    CProbeApp()
    {
        Log(LibraryStateIsCurrent() && AfxGetApp() == this ? "construct" : "construct outside the library's state");
    }
    ~CProbeApp() override { Log("destroy"); }

    BOOL InitInstance() override
    {
        bool bReady = LibraryStateIsCurrent() && m_hInstance == ::GetModuleHandleA("startup_probe.dll") &&
                      AfxGetInstanceHandle() == m_hInstance && m_lpCmdLine != nullptr && *m_lpCmdLine == '\0';
        Log(bReady ? "InitInstance" : "InitInstance before AfxWinInit");
        return ::GetEnvironmentVariableA("TOVIK_PROBE_FAIL_INIT", nullptr, 0) == 0;
    }
    int ExitInstance() override
    {
        Log(LibraryStateIsCurrent() ? "ExitInstance" : "ExitInstance outside the library's state");
        return 0;
    }
};

CProbeApp theProbeApp;

// Ends during its initialisation, with 7, or with 10 plus the result of the
// dialog it runs modally first.
struct CNestingDialog : CDialog {
    CNestingDialog() : CDialog(IDD_AT_ORIGIN) {}
    BOOL OnInitDialog() override
    {
        EndDialog(m_pInner != nullptr ? 10 + static_cast<int>(m_pInner->DoModal()) : 7);
        return TRUE;
    }
    CDialog* m_pInner = nullptr;
};

} // namespace

// 1 when the caller's module state (none) is current again after the load.
extern "C" __declspec(dllexport) int ProbeCallerStateRestored()
{
    return AfxGetThreadState()->m_pModuleState == nullptr;
}

// Runs a modal dialog from another's initialisation, on an object of its own
// or on the other's (which already has a window); returns the outer result.
extern "C" __declspec(dllexport) int ProbeNestedDialogs(int bSameObject)
{
    AFX_MANAGE_STATE(AfxGetStaticModuleState());
    CNestingDialog inner, outer;
    outer.m_pInner = bSameObject ? &outer : &inner;
    return static_cast<int>(outer.DoModal());
}
