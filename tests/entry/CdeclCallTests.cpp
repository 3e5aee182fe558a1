// The export's calling convention on x86, where there is more than one: a
// cdecl callee leaves its argument on the stack for the caller to take off,
// so after the caller has taken it off the stack pointer is where it was.
// A callee that took it off itself (stdcall) would leave it 4 bytes higher
// and the caller's stack unbalanced.
#include "CaseNames.h"
#include "ClaimFixture.h"

namespace {

// Calls pfn(code) as a cdecl caller does (push the argument, call, take the
// argument off) and stores how far the stack pointer moved in all.
int CallAsCdecl(int(__cdecl* pfn)(const char*), const char* code, long* pMoved)
{
    int result;
    long moved;
    asm volatile(
        "movl %%esp, %%esi\n\t"
        "pushl %[code]\n\t"
        "call *%[fn]\n\t"
        "addl $4, %%esp\n\t"
        "movl %%esp, %%edx\n\t"
        "subl %%esi, %%edx\n\t"
        "movl %%esi, %%esp\n\t"
        : "=a"(result), "=d"(moved)
        : [fn] "r"(pfn), [code] "r"(code)
        : "ecx", "esi", "memory", "cc");
    *pMoved = moved;
    return result;
}

struct StackCase {
    const char* trace;
    const char* code;
    int result;
};

} // namespace

class CdeclCall : public ClaimFixture, public ::testing::WithParamInterface<StackCase> {
};

TEST_P(CdeclCall, LeavesTheStackPointerWhereItWas)
{
    const StackCase& c = GetParam();
    WriteClaim("terms\r\n");
    long moved = -1;
    ui::DialogRun run([this, &c, &moved] { return CallAsCdecl(m_pfnShow, c.code, &moved); });
    // The access box for a wrong code, the dialog for the right one: OK and Agree have the same id.
    HWND hShown = c.result == 8 ? run.WaitForMessageBox() : run.WaitForClaimDialog();
    ASSERT_NE(hShown, nullptr);
    ui::Click(::GetDlgItem(hShown, IDOK));
    EXPECT_EQ(run.WaitForResult(), c.result);
    EXPECT_EQ(moved, 0) << "bytes the stack pointer moved by the call";
}

INSTANTIATE_TEST_SUITE_P(Calls, CdeclCall,
    ::testing::Values(StackCase{"wrong code", "wrong", 8}, StackCase{"right code and Agree", kRightCode, 0}),
    NameCaseByTrace());
