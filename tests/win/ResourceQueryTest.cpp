// tests/win/ResourceQueryTest.cpp
// The 16-bit path of the resource query with stand-in kernel services, and for real
// against Wine's 16-bit window manager.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ResourceQuery.h"
#include "SysUtils.h"
#include "WinTest.h"

namespace {

struct TFake {
    uint16_t Handle = 0x1234;
    uint32_t Proc = 0x01AF0042;
    uint16_t Result = 57;
    std::vector<std::string> Calls;
} Fake;

uint16_t __stdcall FakeLoad(const char* name)
{
    Fake.Calls.push_back(std::string("load ") + name);
    return Fake.Handle;
}

void __stdcall FakeFree(uint16_t module)
{
    Fake.Calls.push_back("free " + std::to_string(module));
}

uint32_t __stdcall FakeGetProc(uint16_t module, const char* name)
{
    Fake.Calls.push_back("getproc " + std::to_string(module) + " " + name);
    return Fake.Proc;
}

uint32_t __cdecl FakeCall16(uint32_t proc, uint32_t selector)
{
    Fake.Calls.push_back("call " + std::to_string(proc) + " " + std::to_string(selector));
    return Fake.Result + selector;
}

} // namespace

// A stand-in for QT_Thunk: takes the far address in EDX and the one pushed word, writes
// over the 64 bytes below the caller's frame pointer as the real one may, and returns
// the word plus 40 in AX with garbage in the high half of EAX.
extern "C" uint32_t FakeQtEdx;
uint32_t FakeQtEdx = 0;
extern "C" void FakeQtThunk();
asm(".text\n"
    ".globl _FakeQtThunk\n"
    "_FakeQtThunk:\n"
    "  movl %edx, _FakeQtEdx\n"
    "  leal -64(%ebp), %ecx\n"
    "1: movb $0xCC, (%ecx)\n"
    "  incl %ecx\n"
    "  cmpl %ebp, %ecx\n"
    "  jne 1b\n"
    "  movzwl 4(%esp), %eax\n"
    "  addl $40, %eax\n"
    "  orl $0xDEAD0000, %eax\n"
    "  ret\n");

namespace {

class ResourceQueryTest : public ::testing::Test {
protected:
    void SetUp() override { Fake = TFake{}; }
    TResourceApi16 Api(bool callback)
    {
        TResourceApi16 api{};
        api.LoadLibrary16 = &FakeLoad;
        api.FreeLibrary16 = &FakeFree;
        api.GetProcAddress16 = &FakeGetProc;
        api.QT_Thunk = reinterpret_cast<void*>(&FakeQtThunk);
        if (callback) api.Call16 = &FakeCall16;
        return api;
    }
    static std::string Message(const TResourceApi16& api, unsigned short selector)
    {
        try {
            QueryFreeResources16(selector, api);
        } catch (const Exception& e) {
            return e.Message();
        }
        return "(no error)";
    }
};

TEST_F(ResourceQueryTest, LoadsReleasesLooksUpAndCallsInThatOrderEveryTime)
{
    const auto api = Api(true);
    EXPECT_EQ(57 + 2, QueryFreeResources16(2, api));
    const std::vector<std::string> once = {"load user.exe", "free 4660", "getproc 4660 GetFreeSystemResources",
                                           "call 28246082 2"};
    EXPECT_EQ(once, Fake.Calls);
    EXPECT_EQ(0x1234, tgUserModule);
    EXPECT_EQ(0x01AF0042u, tgFreeResourcesProc);
    // Nothing is cached: the next call repeats every step.
    Fake.Calls.clear();
    QueryFreeResources16(0, api);
    EXPECT_EQ(4u, Fake.Calls.size());
}

TEST_F(ResourceQueryTest, ThroughTheThunkTheSelectorIsOneWordAndTheResultIsAx)
{
    const auto api = Api(false);
    for (unsigned short sel : {0, 1, 2}) {
        EXPECT_EQ(sel + 40, QueryFreeResources16(sel, api)) << "selector " << sel << ": only AX counts";
        EXPECT_EQ(0x01AF0042u, FakeQtEdx) << "the far address goes in EDX";
    }
    EXPECT_EQ(3u * 3, Fake.Calls.size()) << "load, free and look-up per call; no callback";
}

TEST_F(ResourceQueryTest, AHandleOfThirtyTwoIsGoodAndBelowIsLoadFailure)
{
    const auto api = Api(true);
    Fake.Handle = 32;
    EXPECT_EQ("(no error)", Message(api, 0));
    for (uint16_t bad : {31, 2, 0}) {
        Fake.Handle = bad;
        Fake.Calls.clear();
        EXPECT_EQ("Can't load USER.EXE!", Message(api, 0)) << "handle " << bad;
        EXPECT_EQ(std::vector<std::string>{"load user.exe"}, Fake.Calls) << "nothing further after a failed load";
        EXPECT_EQ(bad, tgUserModule);
    }
}

TEST_F(ResourceQueryTest, AnAddressOfZeroFailsWithoutASecondRelease)
{
    const auto api = Api(true);
    Fake.Proc = 0;
    EXPECT_EQ("Can't get address of GetFreeSystemResources!", Message(api, 1));
    const std::vector<std::string> expected = {"load user.exe", "free 4660", "getproc 4660 GetFreeSystemResources"};
    EXPECT_EQ(expected, Fake.Calls);
    EXPECT_EQ(0u, tgFreeResourcesProc);
}

TEST_F(ResourceQueryTest, ValuesPassThroughUnscaled)
{
    const auto api = Api(true);
    for (uint16_t v : {0, 100, 99}) {
        Fake.Result = v;
        EXPECT_EQ(v, QueryFreeResources16(0, api));
    }
}

TEST_F(ResourceQueryTest, UnderWineTheRealSixteenBitPathAnswers)
{
    ASSERT_EQ(TResourceSource::Thunk16Callback, ChosenResourceSource()) << "Wine has the 16-bit window manager";
    for (unsigned short sel : {0, 1, 2}) {
        unsigned short v = QueryFreeResources(sel);
        EXPECT_LE(v, 100) << "selector " << sel;
        EXPECT_GT(v, 0) << "selector " << sel;
    }
    EXPECT_GE(tgUserModule, 32);
    EXPECT_NE(0u, tgFreeResourcesProc);
}

} // namespace
