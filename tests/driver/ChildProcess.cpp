#include "ChildProcess.h"

namespace ui {

namespace {

// Reads a pipe to its end on a thread of its own, so a child that prints a
// lot never blocks on a full pipe.
std::thread StartReader(HANDLE hRead, std::string& sink)
{
    return std::thread([hRead, &sink] {
        char buf[4096];
        DWORD n = 0;
        while (::ReadFile(hRead, buf, sizeof(buf), &n, nullptr) && n > 0)
            sink.append(buf, n);
    });
}

} // namespace

ChildProcess::ChildProcess(const std::string& program, const std::string& args, const std::string& folder,
                           bool mergeOutput)
{
    SECURITY_ATTRIBUTES sa = {sizeof(sa), nullptr, TRUE};
    HANDLE hOutWrite = nullptr, hErrWrite = nullptr;
    ::CreatePipe(&m_hOut, &hOutWrite, &sa, 0);
    ::SetHandleInformation(m_hOut, HANDLE_FLAG_INHERIT, 0);
    if (!mergeOutput) {
        ::CreatePipe(&m_hErr, &hErrWrite, &sa, 0);
        ::SetHandleInformation(m_hErr, HANDLE_FLAG_INHERIT, 0);
    }
    STARTUPINFOA si = {};
    si.cb = sizeof(si);
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = ::GetStdHandle(STD_INPUT_HANDLE);
    si.hStdOutput = hOutWrite;
    si.hStdError = mergeOutput ? hOutWrite : hErrWrite;
    std::string cmd = "\"" + program + "\" " + args;
    if (!::CreateProcessA(nullptr, &cmd[0], nullptr, nullptr, TRUE, 0, nullptr, folder.c_str(), &si, &m_pi))
        m_pi = PROCESS_INFORMATION{};
    ::CloseHandle(hOutWrite);
    if (hErrWrite != nullptr)
        ::CloseHandle(hErrWrite);
    m_outReader = StartReader(m_hOut, m_out);
    if (m_hErr != nullptr)
        m_errReader = StartReader(m_hErr, m_err);
}

ChildProcess::~ChildProcess()
{
    Finish(0);
}

bool ChildProcess::Wait(DWORD ms) const
{
    return Started() && ::WaitForSingleObject(m_pi.hProcess, ms) == WAIT_OBJECT_0;
}

ChildResult ChildProcess::Finish(DWORD ms)
{
    ChildResult result;
    if (m_bFinished)
        return result;
    m_bFinished = true;
    result.started = Started();
    result.pid = Pid();
    if (result.started) {
        result.ended = Wait(ms);
        if (!result.ended) {
            ::TerminateProcess(m_pi.hProcess, 99);
            ::WaitForSingleObject(m_pi.hProcess, 5000);
        }
        ::GetExitCodeProcess(m_pi.hProcess, &result.exitCode);
    }
    // The pipes end with the child (and everything that inherited them).
    m_outReader.join();
    if (m_errReader.joinable())
        m_errReader.join();
    result.out = m_out;
    result.err = m_err;
    ::CloseHandle(m_hOut);
    if (m_hErr != nullptr)
        ::CloseHandle(m_hErr);
    if (result.started) {
        ::CloseHandle(m_pi.hProcess);
        ::CloseHandle(m_pi.hThread);
    }
    return result;
}

ChildResult RunChild(const std::string& program, const std::string& args, const std::string& folder, DWORD ms,
                     bool mergeOutput)
{
    ChildProcess child(program, args, folder, mergeOutput);
    return child.Finish(ms);
}

} // namespace ui
