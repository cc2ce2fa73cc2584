// What the XML layer loads it writes back in a form that loads again to the same text and values,
// however odd the declaration of the text it was given.
#include "engine/base/engine_xml.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::string Written(const std::string& text)
{
    CXMLFile xml;
    xml.LoadXml(std::vector<uint8_t>(text.begin(), text.end()));
    std::vector<uint8_t> bytes;
    xml.GetXml(bytes);
    return std::string(bytes.begin(), bytes.end());
}

std::string Attribute(const std::string& text, const char* xpath, const char* name)
{
    CXMLFile xml;
    xml.LoadXml(std::vector<uint8_t>(text.begin(), text.end()));
    return xml.SelectSingleNode(xpath).GetAttribute(name, "(none)");
}

TEST(XmlRoundTrip, OddDeclarationsAreWrittenSoThatTheTextReadsBackTheSame)
{
    struct Case {
        const char* name;
        std::string text;
        std::string value;   // the attribute v of the root, as the program sees it
    };
    const Case cases[] = {
        {"'?>' inside a declaration's value", "<?xml r=\"?>?>\"/><a v=\"x\"/>", "x"},
        {"misspelt encoding naming Latin-1", "<?xml version=\"1.0\" xencoding=\"ISO-8859-1\"?><a v=\"\xFF\"/>", "\xFF"},
        {"misspelt encoding, no version", "<?xml my_encoding = 'latin1' ?><a v=\"\xE9\"/>", "\xE9"},
        {"declared Latin-1", "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><a v=\"\xFF\"/>", "\xFF"},
        {"two declarations", "<?xml version=\"1.0\"?><?xml version=\"1.0\" encoding=\"latin1\"?><a v=\"\xC3\xA9\"/>",
         "\xE9"},
        {"standalone", "<?xml version=\"1.1\" standalone=\"yes\"?><a v=\"1\"/>", "1"},
        {"no declaration", "<a v=\"\xC3\xBF\"/>", "\xFF"},
        {"character data before the root", "<![CDATA[x]]><a v=\"1\"/>", "1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_EQ(Attribute(c.text, "/a", "v"), c.value);
        const std::string once = Written(c.text);
        ASSERT_NO_THROW((void)Written(once)) << once;
        EXPECT_EQ(Written(once), once);
        EXPECT_EQ(Attribute(once, "/a", "v"), c.value) << once;
    }
}

TEST(XmlRoundTrip, DeclarationIsWrittenWithTheVersionAndUtf8Only)
{
    const std::string once = Written("<?xml version=\"1.0\" encoding=\"windows-1252\" r=\"?>?>\"/><a/>");
    EXPECT_EQ(once.rfind("<?xml version=\"1.0\" encoding=\"UTF-8\"?>", 0), 0u) << once;
    EXPECT_EQ(once.find("?>", 10), once.find("?>")) << once;
    EXPECT_EQ(Written("<?xml version=\"1.0\"?><a/>").rfind("<?xml version=\"1.0\"?>", 0), 0u);
}

} // namespace
