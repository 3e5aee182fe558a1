// Runs a program of the build as a child process, as a user would from a
// command line, and collects what it prints. Every wait has a bound; a child
// still running when the object goes is ended.
#pragma once
#include <windows.h>
#include <string>
#include <thread>

namespace ui {

struct ChildResult {
    bool started = false;
    bool ended = false;     // ended by itself within the bound
    DWORD exitCode = 999;
    DWORD pid = 0;
    std::string out;        // standard output (and error, when merged)
    std::string err;        // standard error, when kept apart
};

class ChildProcess {
public:
    // Starts "program" args in folder; mergeOutput puts standard error into out.
    ChildProcess(const std::string& program, const std::string& args, const std::string& folder,
                 bool mergeOutput = true);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool Started() const { return m_pi.hProcess != nullptr; }
    DWORD Pid() const { return m_pi.dwProcessId; }
    // True once the child has ended, waiting up to ms for it.
    bool Wait(DWORD ms) const;
    // Waits up to ms, ends the child if it still runs, and returns what it did.
    ChildResult Finish(DWORD ms);

private:
    PROCESS_INFORMATION m_pi = {};
    HANDLE m_hOut = nullptr, m_hErr = nullptr;  // our ends of the pipes
    std::string m_out, m_err;
    std::thread m_outReader, m_errReader;
    bool m_bFinished = false;
};

// Starts the child, waits up to ms, and returns what it did.
ChildResult RunChild(const std::string& program, const std::string& args, const std::string& folder,
                     DWORD ms, bool mergeOutput = true);

} // namespace ui
