// The framework's start-up and shut-down of a regular DLL, seen through a
// probe DLL whose application object logs each step.
#include <gtest/gtest.h>
#include <windows.h>
#include <fstream>
#include <optional>
#include <string>
#include <vector>
#include "ImportLedger.h"
#include "PeImage.h"
#include "TestFiles.h"
#include "UiDriver.h"

namespace {

class DllStartup : public ::testing::Test {
protected:
    void SetUp() override
    {
        char szTemp[MAX_PATH];
        ::GetTempPathA(MAX_PATH, szTemp);
        m_log = std::string(szTemp) + "tovik-probe-" + std::to_string(::GetCurrentProcessId()) + ".log";
        ::DeleteFileA(m_log.c_str());
        ::SetEnvironmentVariableA("TOVIK_PROBE_LOG", m_log.c_str());
        m_dll = ProgramFolder() + "\\startup_probe.dll";
    }
    void TearDown() override
    {
        ::SetEnvironmentVariableA("TOVIK_PROBE_LOG", nullptr);
        ::SetEnvironmentVariableA("TOVIK_PROBE_FAIL_INIT", nullptr);
        ::DeleteFileA(m_log.c_str());
    }
    std::vector<std::string> Log()
    {
        std::vector<std::string> lines;
        std::ifstream in(m_log);
        for (std::string line; std::getline(in, line);)
            lines.push_back(line);
        return lines;
    }

    std::string m_log;
    std::string m_dll;
};

// The probe DLL loaded for one test, unloaded at the latest when the test
// ends, so that a failed assertion does not leave it loaded for the next.
class LoadedProbe {
public:
    explicit LoadedProbe(const std::string& path) : m_hModule(::LoadLibraryA(path.c_str())) {}
    ~LoadedProbe() { Unload(); }
    LoadedProbe(const LoadedProbe&) = delete;
    LoadedProbe& operator=(const LoadedProbe&) = delete;

    HMODULE Module() const { return m_hModule; }
    void Unload()
    {
        if (m_hModule != nullptr)
            ::FreeLibrary(m_hModule);
        m_hModule = nullptr;
    }

private:
    HMODULE m_hModule;
};

} // namespace

TEST_F(DllStartup, LoadAndUnloadRunTheApplicationInOrder)
{
    LoadedProbe probe(m_dll);
    ASSERT_NE(probe.Module(), nullptr);
    EXPECT_EQ(Log(), std::vector<std::string>({"construct", "InitInstance"}));
    typedef int (*RestoredFn)();
    RestoredFn pfnRestored = reinterpret_cast<RestoredFn>(
        reinterpret_cast<void*>(::GetProcAddress(probe.Module(), "ProbeCallerStateRestored")));
    ASSERT_NE(pfnRestored, nullptr);
    EXPECT_EQ(pfnRestored(), 1) << "the caller's module state is current again after the load";
    probe.Unload();
    EXPECT_EQ(Log(), std::vector<std::string>({"construct", "InitInstance", "ExitInstance", "destroy"}));
}

TEST_F(DllStartup, FailingInitInstanceFailsTheLoadAfterExitInstance)
{
    ::SetEnvironmentVariableA("TOVIK_PROBE_FAIL_INIT", "1");
    EXPECT_EQ(LoadedProbe(m_dll).Module(), nullptr);
    EXPECT_EQ(Log(), std::vector<std::string>({"construct", "InitInstance", "ExitInstance", "destroy"}));
}

static HHOOK WINAPI SetNoHook(int, HOOKPROC, HINSTANCE, DWORD) { return nullptr; }

// However a dialog's creation goes, its modal run leaves no hook and no
// window of the DLL behind, and the thread goes on making windows once the
// DLL is unloaded (a hook left behind would call into the unloaded code).
TEST_F(DllStartup, ModalRunsLeaveNothingBehindTheUnload)
{
    struct Case {
        const char* trace;
        int bSameObject;
        bool bHookFails;
        int result;
        long nDialogsMade;
    } cases[] = {
        {"a dialog run from another's initialisation", 0, false, 17, 2},
        {"the same on the other's own object, whose window the hook can't take in", 1, false, 9, 2},
        {"no hook can be set", 0, true, -1, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.trace);
        LoadedProbe probe(m_dll);
        ASSERT_NE(probe.Module(), nullptr);
        ASSERT_GT(ledger::Attach(probe.Module()), 0);
        ledger::Reset();
        std::optional<pe::ImportPatch> noHook;
        if (c.bHookFails)
            noHook.emplace(probe.Module(), "user32.dll", "SetWindowsHookExA", reinterpret_cast<void*>(&SetNoHook));
        auto pfnNested = reinterpret_cast<int (*)(int)>(
            reinterpret_cast<void*>(::GetProcAddress(probe.Module(), "ProbeNestedDialogs")));
        ASSERT_NE(pfnNested, nullptr);
        EXPECT_EQ(pfnNested(c.bSameObject), c.result);
        noHook.reset();
        EXPECT_EQ(ledger::Calls("CreateDialogIndirectParamA"), c.nDialogsMade);
        EXPECT_EQ(ledger::Live().user, 0) << "hooks and windows of the DLL still alive: "
                                          << ::testing::PrintToString(ledger::LiveObjects());
        ledger::Detach(probe.Module());
        probe.Unload();
        HWND hWnd = ::CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 8, 8, nullptr, nullptr, nullptr, nullptr);
        EXPECT_NE(hWnd, nullptr);
        ::DestroyWindow(hWnd);
    }
}

// A thread that never uses the library costs it nothing: no framework state
// is made for it when it starts, nor when it ends (under the loader lock).
TEST_F(DllStartup, AThreadThatNeverUsesTheLibraryMakesNoState)
{
    LoadedProbe probe(m_dll);
    ASSERT_NE(probe.Module(), nullptr);
    ASSERT_GT(ledger::Attach(probe.Module()), 0);
    ledger::Reset();
    ASSERT_TRUE(ui::RunIdleThread());
    for (const char* function : {"malloc", "calloc", "realloc", "LocalAlloc", "TlsAlloc"})
        EXPECT_EQ(ledger::Calls(function), 0) << function;
    ledger::Detach(probe.Module());
}

namespace {

// The probe DLL as the loader maps it, with neither its imports bound nor
// its entry point run, so that a test can bind the imports itself (one of
// them replaced) and call the entry point as the loader would.
class UnstartedDll {
public:
    explicit UnstartedDll(const std::string& path)
        : m_hModule(::LoadLibraryExA(path.c_str(), nullptr, DONT_RESOLVE_DLL_REFERENCES))
    {
    }
    ~UnstartedDll()
    {
        if (m_hModule != nullptr)
            ::FreeLibrary(m_hModule);
        for (HMODULE hDll : m_bound)
            ::FreeLibrary(hDll);
    }
    UnstartedDll(const UnstartedDll&) = delete;
    UnstartedDll& operator=(const UnstartedDll&) = delete;

    HMODULE Module() const { return m_hModule; }
    // Binds every import to the system's function, kernel32!LocalAlloc to
    // pfnLocalAlloc.
    bool BindImports(void* pfnLocalAlloc)
    {
        for (const pe::Import& import : pe::Image(m_hModule).Imports()) {
            HMODULE hDll = ::LoadLibraryA(import.dll.c_str());
            if (hDll == nullptr)
                return false;
            m_bound.push_back(hDll);
            void* pfn = import.function.empty()
                            ? reinterpret_cast<void*>(::GetProcAddress(hDll, MAKEINTRESOURCEA(import.ordinal)))
                            : reinterpret_cast<void*>(::GetProcAddress(hDll, import.function.c_str()));
            if (import.function == "LocalAlloc" && ::lstrcmpiA(import.dll.c_str(), "kernel32.dll") == 0)
                pfn = pfnLocalAlloc;
            if (pfn == nullptr)
                return false;
            pe::SetImportEntry(m_hModule, import, pfn);
        }
        return true;
    }
    BOOL CallEntry(HINSTANCE hInstance, DWORD dwReason)
    {
        using EntryFn = BOOL(WINAPI*)(HINSTANCE, DWORD, LPVOID);
        auto pfnEntry = reinterpret_cast<EntryFn>(reinterpret_cast<BYTE*>(m_hModule) +
                                                  pe::Image(m_hModule).EntryPointRva());
        return pfnEntry(hInstance, dwReason, nullptr);
    }

private:
    HMODULE m_hModule;
    std::vector<HMODULE> m_bound;  // the DLLs its imports were bound to
};

// Local memory of less than 8 KB only.
HLOCAL WINAPI LocalAllocBelow8K(UINT uFlags, SIZE_T uBytes)
{
    return uBytes < 0x2000 ? ::LocalAlloc(uFlags, uBytes) : nullptr;
}

} // namespace

// The load fails when 8 KB of local memory can't be had, before anything of
// the library is built, and when AfxWinInit fails (no instance handle),
// after the application object was built and before InitInstance.
TEST_F(DllStartup, LoadFailsWithoutMemoryOrWhenAfxWinInitFails)
{
    struct Case {
        const char* trace;
        void* pfnLocalAlloc;
        bool bInstance;
        BOOL bLoaded;
        std::vector<std::string> log;
    } cases[] = {
        {"all well", reinterpret_cast<void*>(&::LocalAlloc), true, TRUE, {"construct", "InitInstance"}},
        {"8 KB of local memory can't be had", reinterpret_cast<void*>(&LocalAllocBelow8K), true, FALSE, {}},
        {"AfxWinInit fails", reinterpret_cast<void*>(&::LocalAlloc), false, FALSE, {"construct", "destroy"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.trace);
        ::DeleteFileA(m_log.c_str());
        UnstartedDll dll(m_dll);
        ASSERT_NE(dll.Module(), nullptr);
        ASSERT_TRUE(dll.BindImports(c.pfnLocalAlloc));
        EXPECT_EQ(dll.CallEntry(c.bInstance ? reinterpret_cast<HINSTANCE>(dll.Module()) : nullptr,
                                DLL_PROCESS_ATTACH), c.bLoaded);
        EXPECT_EQ(Log(), c.log);
        if (c.bLoaded)
            dll.CallEntry(reinterpret_cast<HINSTANCE>(dll.Module()), DLL_PROCESS_DETACH);
    }
}
