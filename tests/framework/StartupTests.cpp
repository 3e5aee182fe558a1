// The framework's start-up and shut-down of a regular DLL, seen through a
// probe DLL whose application object logs each step.
#include <gtest/gtest.h>
#include <windows.h>
#include <fstream>
#include <string>
#include <vector>

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
        char szExe[MAX_PATH];
        ::GetModuleFileNameA(nullptr, szExe, MAX_PATH);
        m_dll = std::string(szExe);
        m_dll = m_dll.substr(0, m_dll.find_last_of('\\')) + "\\startup_probe.dll";
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

} // namespace

TEST_F(DllStartup, LoadAndUnloadRunTheApplicationInOrder)
{
    HMODULE hDll = ::LoadLibraryA(m_dll.c_str());
    ASSERT_NE(hDll, nullptr);
    EXPECT_EQ(Log(), std::vector<std::string>({"construct", "InitInstance"}));
    typedef int (*RestoredFn)();
    RestoredFn pfnRestored = reinterpret_cast<RestoredFn>(reinterpret_cast<void*>(::GetProcAddress(hDll, "ProbeCallerStateRestored")));
    ASSERT_NE(pfnRestored, nullptr);
    EXPECT_EQ(pfnRestored(), 1) << "the caller's module state is current again after the load";
    ::FreeLibrary(hDll);
    EXPECT_EQ(Log(), std::vector<std::string>({"construct", "InitInstance", "ExitInstance", "destroy"}));
}

TEST_F(DllStartup, FailingInitInstanceFailsTheLoadAfterExitInstance)
{
    ::SetEnvironmentVariableA("TOVIK_PROBE_FAIL_INIT", "1");
    HMODULE hDll = ::LoadLibraryA(m_dll.c_str());
    EXPECT_EQ(hDll, nullptr);
    if (hDll != nullptr)
        ::FreeLibrary(hDll);
    EXPECT_EQ(Log(), std::vector<std::string>({"construct", "InitInstance", "ExitInstance", "destroy"}));
}
