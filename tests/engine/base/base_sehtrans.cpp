#include "engine/base/engine_sehtrans.h"

#include "support/test_support.h"

#include <gtest/gtest.h>
#include <sys/mman.h>

#include <cstdio>

namespace {

[[noreturn]] void WriteToReadOnlyPage(void* page)
{
    *static_cast<volatile int*>(page) = 1;
    std::abort();
}

#if defined(__x86_64__)
int DivideByZero()
{
    int quotient = 1;
    const int divisor = 0;
    // the division is done by the processor, out of the compiler's (and its sanitizers') sight
    asm volatile("cltd\n\tidivl %1" : "+a"(quotient) : "r"(divisor) : "edx");
    return quotient;
}
#endif

std::string Hex(uintptr_t v)
{
    char buf[32];
    std::snprintf(buf, sizeof buf, "%lX", static_cast<unsigned long>(v));
    return buf;
}

} // namespace

TEST(FaultExceptions, TextsAndFields)
{
    try {
        TranslateSeException(kCodeAccessViolation, 0x1234, true, 0);
        FAIL();
    } catch (const access_violation& e) {
        EXPECT_STREQ(e.what(), "Access violation");
        EXPECT_TRUE(e.isWrite());
        EXPECT_EQ(e.badAddress(), 0u);
        EXPECT_EQ(e.where(), 0x1234u);
        const access_violation copy = e;
        EXPECT_EQ(copy.code(), kCodeAccessViolation);
    }
    try {
        TranslateSeException(kCodeIntDivideByZero, 0x10);
        FAIL();
    } catch (const access_violation&) {
        FAIL() << "not an access violation";
    } catch (const win32_exception& e) {
        EXPECT_STREQ(e.what(), "Division by zero");
        EXPECT_EQ(e.code(), 0xC0000094u);
    }
    EXPECT_STREQ(win32_exception::TextOf(kCodeFltDivideByZero), "Division by zero");
    EXPECT_STREQ(win32_exception::TextOf(0xC000001D), "Win32 exception");
}

TEST(FaultHandlers, InvalidWriteExitsWithTheStageAndLeavesTheReport)
{
    GTEST_FLAG_SET(death_test_style, "fast");  // the child writes into this process's log
    void* page = ::mmap(nullptr, 4096, PROT_READ, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    ASSERT_NE(page, MAP_FAILED);
    const zftest::LogWatch log;
    EXPECT_EXIT(
        {
            InstallSeTranslator();
            SetCrashStage(3);
            WriteToReadOnlyPage(page);
        },
        ::testing::ExitedWithCode(3), "");
    const std::string added = log.Text();
    ASSERT_FALSE(added.empty());
    EXPECT_NE(added.find("Color = RED Face = Verdana>Crush with exception raised: Access violation at "), std::string::npos)
        << added;
    EXPECT_NE(added.find(": Bad write on " + Hex(reinterpret_cast<uintptr_t>(page)) + " (WinMain)</Font>"), std::string::npos)
        << added;
    EXPECT_NE(added.find("<B>Application crushed on stage 3.</B></Font></td></tr></Table>\n"), std::string::npos) << added;
    // the rows carry the log's time stamp
    EXPECT_NE(added.find("<Font Size = 1 Color = GREEN>"), std::string::npos);
    EXPECT_EQ(zftest::CountOf(added, "<Table cellspacing=0"), 2u);
    ::munmap(page, 4096);
}

TEST(FaultHandlers, OtherFaults)
{
    GTEST_FLAG_SET(death_test_style, "fast");
    GetLog();  // made here, not by a child
    const zftest::LogWatch log;
#if defined(__x86_64__)
    EXPECT_EXIT(
        {
            InstallSeTranslator();
            SetCrashStage(4);
            std::printf("%d", DivideByZero());
        },
        ::testing::ExitedWithCode(4), "");
    EXPECT_TRUE(log.Has("Crush with exception raised: Division by zero (code C0000094) at "));
#endif
    EXPECT_EXIT(
        {
            InstallSeTranslator();
            SetCrashStage(6);
            __builtin_trap();
        },
        ::testing::ExitedWithCode(6), "");
    EXPECT_TRUE(log.Has("Win32 exception (code C000001D) at "));

    // outside the stages the exit code still says that the program failed
    EXPECT_EXIT(
        {
            InstallSeTranslator();
            SetCrashStage(0);
            ::raise(SIGSEGV);
        },
        ::testing::ExitedWithCode(128 + SIGSEGV), "");
}
