// Runs a program of the build as a child process, as a user would from a
// command line, and collects what it prints. Every wait has a bound; a child
// still running when the object goes is ended.
#pragma once
#include <windows.h>
#include <memory>
#include <string>

namespace ui {

struct ChildResult {
    bool started = false;
    bool ended = false;     // ended by itself within the bound (else it was ended)
    bool outputEnded = true;  // its output pipes closed once it ended (nothing else holds them)
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
    // What each pipe brought; its reader shares it, so that a reader still
    // blocked (a grandchild holds the pipe open) never writes to freed memory.
    std::shared_ptr<struct PipeText> m_out, m_err;
    bool m_bFinished = false;
};

// Starts the child, waits up to ms, and returns what it did.
ChildResult RunChild(const std::string& program, const std::string& args, const std::string& folder,
                     DWORD ms, bool mergeOutput = true);

} // namespace ui
