#include "engine/base/engine_helpers.h"

#include "support/test_support.h"

#include <gtest/gtest.h>

#include <type_traits>
#include <vector>

namespace {

struct Label : siv::object_chain<Label> {
    explicit Label(int v) : value(v) {}
    int value;
};

std::vector<int> Chain()
{
    std::vector<int> values;
    for (Label* l = Label::First(); l; l = l->Next()) values.push_back(l->value);
    return values;
}

struct Service : siv::singleton<Service> {
    int calls = 0;
};

} // namespace

TEST(Checks, SoftCheckLogsAndGoesOn)
{
    const zftest::LogWatch log;
    const int x = 1;
    bool went_on = false;
    VERIFY_SOFT(x == 2);
    went_on = true;
    EXPECT_TRUE(went_on);
    EXPECT_TRUE(log.Has("Color = #FF00FF Face = Verdana>Verify {x == 2} failed<Font Color = DARKGRAY>  ["));
    EXPECT_TRUE(log.Has("base_helpers.cpp, line "));
}

TEST(Checks, HardCheckLogsAndThrows)
{
    const zftest::LogWatch log;
    const void* p_d3d = nullptr;
    try {
        VERIFY(p_d3d != NULL);
        FAIL() << "no exception";
    } catch (const std::exception& e) {
        EXPECT_STREQ(e.what(), "verify {p_d3d != NULL} failed");
    }
    EXPECT_TRUE(log.Has("Verify {p_d3d != NULL} failed<Font"));
    EXPECT_NO_THROW(VERIFY(p_d3d == nullptr));
}

TEST(Checks, FatalErrorsLogAndThrowTheirText)
{
    const zftest::LogWatch log;
    try {
        THROW_ERROR("\"Failed to load levels data!\"");
        FAIL() << "no exception";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "\"Failed to load levels data!\"");
    }
    EXPECT_TRUE(log.Has("Color = RED Face = Verdana>Error: \"Failed to load levels data!\"<Font Color = DARKGRAY>"));
}

TEST(Helpers, SingletonAndNoncopyable)
{
    Service::Instance().calls++;
    Service::Instance().calls++;
    EXPECT_EQ(&Service::Instance(), &Service::Instance());
    EXPECT_EQ(Service::Instance().calls, 2);
    static_assert(!std::is_copy_constructible_v<Service>);
    static_assert(!std::is_copy_assignable_v<Service>);
}

TEST(Helpers, ObjectChainHoldsEveryLiveObjectInOrder)
{
    EXPECT_EQ(Label::First(), nullptr);
    {
        Label a(1);
        auto b = std::make_unique<Label>(2);
        Label c(3);
        EXPECT_EQ(Chain(), (std::vector<int>{1, 2, 3}));
        b.reset();  // from the middle
        EXPECT_EQ(Chain(), (std::vector<int>{1, 3}));
        {
            Label copy = a;  // a copy is a live object of its own
            EXPECT_EQ(Chain(), (std::vector<int>{1, 3, 1}));
            copy = c;  // assignment copies the value and keeps the links
            EXPECT_EQ(Chain(), (std::vector<int>{1, 3, 3}));
        }
        auto d = std::make_unique<Label>(4);
        EXPECT_EQ(Chain(), (std::vector<int>{1, 3, 4}));
        {
            std::vector<Label> many;
            many.reserve(3);
            for (int i = 5; i < 8; ++i) many.emplace_back(i);
            EXPECT_EQ(Chain(), (std::vector<int>{1, 3, 4, 5, 6, 7}));
        }
        EXPECT_EQ(Chain(), (std::vector<int>{1, 3, 4}));
    }
    EXPECT_EQ(Label::First(), nullptr);  // first and last removed too
}
