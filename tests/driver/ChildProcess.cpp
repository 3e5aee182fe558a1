#include "ChildProcess.h"
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace ui {

struct PipeText {
    std::mutex mutex;
    std::condition_variable ended;
    std::string text;
    bool bEnded = false;
};

namespace {

// Reads a pipe to its end on a thread of its own, so a child that prints a
// lot never blocks on a full pipe; the thread closes the pipe when done.
std::shared_ptr<PipeText> StartReader(HANDLE hRead)
{
    auto sink = std::make_shared<PipeText>();
    std::thread([hRead, sink] {
        char buf[4096];
        DWORD n = 0;
        while (::ReadFile(hRead, buf, sizeof(buf), &n, nullptr) && n > 0) {
            std::lock_guard<std::mutex> lock(sink->mutex);
            sink->text.append(buf, n);
        }
        ::CloseHandle(hRead);
        std::lock_guard<std::mutex> lock(sink->mutex);
        sink->bEnded = true;
        sink->ended.notify_all();
    }).detach();
    return sink;
}

// What the pipe brought; false when it did not end within ms.
bool TakeText(PipeText& sink, DWORD ms, std::string& text)
{
    std::unique_lock<std::mutex> lock(sink.mutex);
    const bool bEnded = sink.ended.wait_for(lock, std::chrono::milliseconds(ms), [&sink] { return sink.bEnded; });
    text = sink.text;
    return bEnded;
}

} // namespace

ChildProcess::ChildProcess(const std::string& program, const std::string& args, const std::string& folder,
                           bool mergeOutput)
{
    SECURITY_ATTRIBUTES sa = {sizeof(sa), nullptr, TRUE};
    HANDLE hOut = nullptr, hErr = nullptr, hOutWrite = nullptr, hErrWrite = nullptr;
    ::CreatePipe(&hOut, &hOutWrite, &sa, 0);
    ::SetHandleInformation(hOut, HANDLE_FLAG_INHERIT, 0);
    if (!mergeOutput) {
        ::CreatePipe(&hErr, &hErrWrite, &sa, 0);
        ::SetHandleInformation(hErr, HANDLE_FLAG_INHERIT, 0);
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
    m_out = StartReader(hOut);
    if (hErr != nullptr)
        m_err = StartReader(hErr);
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
    // The pipes end with the child, unless something it started still holds
    // them: that is reported, not waited for.
    result.outputEnded = TakeText(*m_out, 5000, result.out);
    if (m_err != nullptr && !TakeText(*m_err, 5000, result.err))
        result.outputEnded = false;
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
