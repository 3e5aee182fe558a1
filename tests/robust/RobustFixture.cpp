#include "RobustFixture.h"
#include <sstream>

Figures Measure()
{
    Figures f;
    f.library = ledger::Live();
    f.process = MeasureProcess();
    return f;
}

std::string Growth(const Figures& before, const Figures& after, long long memorySlack, long handleSlack)
{
    std::ostringstream out;
    auto check = [&out](const char* name, long long b, long long a, long long slack) {
        if (a > b + slack)
            out << name << ": " << b << " -> " << a << "\n";
    };
    check("library GDI objects", before.library.gdi, after.library.gdi, 0);
    check("library USER objects", before.library.user, after.library.user, 0);
    check("library kernel handles", before.library.kernel, after.library.kernel, 0);
    check("library TLS slots", before.library.tls, after.library.tls, 0);
    check("library heap blocks", before.library.heapBlocks, after.library.heapBlocks, 0);
    check("library heap bytes", before.library.heapBytes, after.library.heapBytes, 0);
    check("process kernel handles", before.process.kernelHandles, after.process.kernelHandles, handleSlack);
    check("process windows", before.process.windows, after.process.windows, 0);
    check("process private bytes", before.process.privateBytes, after.process.privateBytes, memorySlack);
    std::string growth = out.str();
    if (!growth.empty())
        for (const std::string& line : ledger::LiveObjects())
            growth += "  live: " + line + "\n";
    return growth;
}

void RobustFixture::SetUp()
{
    ClaimFixture::SetUp();
    ledger::Reset();
    ASSERT_GT(ledger::Attach(m_hLib), 0);
}

void RobustFixture::LoadAndCount(const std::string& dllPath)
{
    LoadLibraryFrom(dllPath);
    ASSERT_GT(ledger::Attach(m_hLib), 0);
}

int RobustFixture::CallAnswered(ui::DialogRun& player, ui::Answer answer)
{
    player.SetAnswer(answer);
    return m_pfnShow(kRightCode);
}
