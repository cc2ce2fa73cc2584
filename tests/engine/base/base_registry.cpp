#include "engine/base/engine_registry.h"

#include "engine/base/engine_xml.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <string>

TEST(Registry, FirstRegistrationWins)
{
    CVariableRegistry reg;
    reg.Register("init_level", 0);
    reg.Register("init_level", 5);
    reg.Register("init_level", std::string("five"));
    EXPECT_EQ(reg.GetInt("init_level"), 0);
}

TEST(Registry, TypedGetAndSet)
{
    CVariableRegistry reg;
    reg.Register("test_mode", false);
    reg.Register("lives", 3);
    reg.Register("speed", 1.5f);
    reg.Register("music", "menu");
    reg.Register("scale", 0.5);  // a double literal is kept as a float
    EXPECT_FALSE(reg.GetBool("test_mode"));
    EXPECT_EQ(reg.GetInt("lives"), 3);
    EXPECT_FLOAT_EQ(reg.GetFloat("speed"), 1.5f);
    EXPECT_EQ(reg.GetString("music"), "menu");
    EXPECT_FLOAT_EQ(reg.GetFloat("scale"), 0.5f);

    reg.SetBool("test_mode", true);
    reg.SetInt("lives", 4);
    reg.SetString("music", "city");
    EXPECT_TRUE(reg.GetBool("test_mode"));
    EXPECT_EQ(reg.GetInt("lives"), 4);
    EXPECT_EQ(reg.GetString("music"), "city");

    // a set of another type changes the held type
    reg.SetInt("music", 9);
    EXPECT_EQ(reg.GetInt("music"), 9);
    EXPECT_THROW(reg.GetString("music"), std::bad_any_cast);
}

TEST(Registry, UnknownNamesAndWrongTypesThrow)
{
    CVariableRegistry reg;
    reg.Register("flag", true);
    auto message = [](auto&& f) {
        try {
            f();
        } catch (const std::runtime_error& e) {
            return std::string(e.what());
        }
        return std::string("no exception");
    };
    EXPECT_EQ(message([&] { reg.SetInt("cur_level", 1); }), "Variable cur_level not registered!");
    EXPECT_EQ(message([&] { reg.GetBool("nope"); }), "Variable nope not registered!");
    EXPECT_EQ(message([&] { reg.Find(""); }), "Variable  not registered!");
    EXPECT_THROW(reg.GetInt("flag"), std::bad_any_cast);
    EXPECT_THROW(reg.GetFloat("flag"), std::bad_any_cast);
}

TEST(Registry, ReadAttributesByRegisteredNamesAndTypes)
{
    CXMLFile xml;
    std::string text = R"(<cfg lives="5" b="1" f="0x10" extra="7" s="caf)" "\xC3\xA9" R"("/>)";
    ASSERT_TRUE(xml.LoadXml(std::vector<uint8_t>(text.begin(), text.end())));
    CVariableRegistry reg;
    reg.Register("lives", 3);
    reg.Register("music", "menu");
    reg.Register("f", 1.5f);
    reg.Register("b", false);
    reg.Register("s", "");
    reg.ReadAttributes(xml.SelectSingleNode("/cfg"));
    EXPECT_EQ(reg.GetInt("lives"), 5);
    EXPECT_EQ(reg.GetString("music"), "menu");
    EXPECT_FLOAT_EQ(reg.GetFloat("f"), 0.0f);  // floats are read as decimals: "0x10" reads 0
    EXPECT_TRUE(reg.GetBool("b"));
    EXPECT_EQ(reg.GetString("s"), "caf\xE9");
    EXPECT_THROW(reg.Find("extra"), std::runtime_error);

    reg.ReadAttributes(CXMLNode());  // an invalid node changes nothing
    EXPECT_EQ(reg.GetInt("lives"), 5);
}

namespace {
// The generator's formula, computed here independently.
struct Reference {
    uint32_t state;
    int Int(int lo, int hi)
    {
        state = state * 214013u + 2531011u;
        return static_cast<int>(((state >> 15) ^ state) % static_cast<uint32_t>(hi - lo + 1)) + lo;
    }
};
} // namespace

TEST(Random, SequenceFromAKnownState)
{
    {
        zftest::FakeClock clock(0);
        RandomSeed(0);  // seed 0 takes the clock, which reads 0 here
    }
    EXPECT_EQ(RandomInt(0, 99), 58);
    // the state is now 2531011
    Reference ref{2531011u};
    EXPECT_EQ(RandomInt(3, 3), 3);  // advances the state too
    EXPECT_EQ(ref.Int(3, 3), 3);
    for (int i = 0; i < 1000; ++i) ASSERT_EQ(RandomInt(-5, 17), ref.Int(-5, 17)) << i;
}

TEST(Random, SeedOneSequenceAndSharedState)
{
    RandomSeed(1);
    Reference ref{1};
    for (int i = 0; i < 100; ++i) ASSERT_EQ(RandomInt(0, 1000), ref.Int(0, 1000));
    // RandomFloat advances the same state
    const float f = RandomFloat(2.0f, 4.0f);
    ref.state = ref.state * 214013u + 2531011u;
    const float expected = 2.0f + 2.0f * static_cast<float>((ref.state >> 16) & 0xFFFF) * (1.0f / 65535.0f);
    EXPECT_FLOAT_EQ(f, expected);
    EXPECT_EQ(RandomInt(0, 1000), ref.Int(0, 1000));
}

TEST(Random, ResultsStayInRange)
{
    RandomSeed(12345);
    for (int i = 0; i < 5000; ++i) {
        const float f = RandomFloat(-1.0f, 1.0f);
        ASSERT_GE(f, -1.0f);
        ASSERT_LE(f, 1.0f);
        const int n = RandomInt(-3, 3);
        ASSERT_GE(n, -3);
        ASSERT_LE(n, 3);
    }
    // the whole int range and an empty range do not divide by zero
    const zftest::LogWatch log;
    RandomInt(INT_MIN, INT_MAX);
    EXPECT_EQ(RandomInt(5, 4), 5);
    EXPECT_TRUE(log.Has("Verify {lo <= hi} failed")) << "check logged";
}
