#include "engine/base/engine_xml.h"

#include "support/test_support.h"

#include <gtest/gtest.h>

#include <filesystem>

using zftest::LogWatch;
using zftest::ReadTextFile;
using zftest::TempDir;
using zftest::WriteText;

namespace {

std::vector<uint8_t> Bytes(const std::string& s) { return std::vector<uint8_t>(s.begin(), s.end()); }

CXMLFile Parse(const std::string& text)
{
    CXMLFile xml;
    xml.LoadXml(Bytes(text));
    return xml;
}

std::string ExceptionText(const std::function<void()>& f)
{
    try {
        f();
    } catch (const std::exception& e) {
        return e.what();
    }
    return "no exception";
}

class XmlFileTest : public ::testing::Test {
protected:
    TempDir dir;
    zftest::ScopedChdir cd{dir.path()};
};

} // namespace

TEST(XmlText, Windows1252AndUtf8)
{
    // every byte survives the way out and back
    std::string all;
    for (int i = 1; i < 256; ++i) all += static_cast<char>(i);
    EXPECT_EQ(zf::Utf8ToCp1252(zf::Cp1252ToUtf8(all)), all);
    EXPECT_EQ(zf::Cp1252ToUtf8("\x80"), "\xE2\x82\xAC");
    EXPECT_EQ(zf::Cp1252ToUtf8("caf\xE9"), "caf\xC3\xA9");

    struct Case { const char* utf8; const char* text; };
    for (const Case& c : {Case{"caf\xC3\xA9", "caf\xE9"}, Case{"\xE2\x82\xAC 5", "\x80 5"}, Case{"\xE6\x97\xA5", "?"},
                          Case{"\xF0\x9F\x98\x80!", "?!"}, Case{"\xC3", "?"}, Case{"a\x80z", "a?z"}, Case{"\xC0\xAF", "?"},
                          Case{"\xE2\x82", "?"}, Case{"\xFF", "?"}, Case{"\xC3(", "?("}})
        EXPECT_EQ(zf::Utf8ToCp1252(c.utf8), c.text) << c.utf8;
}

TEST(XmlNode, TypedGettersWithDefaults)
{
    const CXMLFile xml = Parse(
        "<n hex=\"0x10\" dec=\"12\" empty=\"\" one=\"1\" zero=\"0\" two=\"2\" hexone=\"0x1\" word=\"abc\" "
        "f=\"2.25\" name=\"caf\xC3\xA9 \xE2\x82\xAC \xE6\x97\xA5\"/>");
    const CXMLNode n = xml.SelectSingleNode("/n");
    ASSERT_TRUE(n.IsValid());
    EXPECT_EQ(n.GetIntAttribute("missing", 5), 5);
    EXPECT_EQ(n.GetIntAttribute("hex", 5), 16);
    EXPECT_EQ(n.GetIntAttribute("dec", 5), 12);
    EXPECT_EQ(n.GetIntAttribute("empty", 5), 0);  // present but empty is not the default

    struct BoolCase { const char* name; bool def; bool expected; };
    for (const BoolCase& c : {BoolCase{"one", false, true}, BoolCase{"zero", true, false}, BoolCase{"two", false, true},
                              BoolCase{"hexone", false, true}, BoolCase{"word", true, false}, BoolCase{"missing", true, true},
                              BoolCase{"missing", false, false}})
        EXPECT_EQ(n.GetBoolAttribute(c.name, c.def), c.expected) << c.name;

    EXPECT_FLOAT_EQ(n.GetFloatAttribute("missing", 1.5f), 1.5f);
    EXPECT_FLOAT_EQ(n.GetFloatAttribute("missing", 1e-7f), 1e-7f);
    EXPECT_FLOAT_EQ(n.GetFloatAttribute("f", 1.5f), 2.25f);
    EXPECT_EQ(n.GetAttribute("missing", "def"), "def");
    EXPECT_EQ(n.GetAttribute("name", "def"), "caf\xE9 \x80 ?");  // text arrives in Windows-1252
    EXPECT_EQ(n.GetName(), "n");
}

TEST(XmlNode, AnInvalidNodeGivesDefaults)
{
    CXMLNode n;
    EXPECT_FALSE(n.IsValid());
    EXPECT_EQ(n.GetAttribute("a", "d"), "d");
    EXPECT_EQ(n.GetIntAttribute("a", 7), 7);
    EXPECT_TRUE(n.GetBoolAttribute("a", true));
    EXPECT_FLOAT_EQ(n.GetFloatAttribute("a", 2.5f), 2.5f);
    EXPECT_FALSE(n.SetAttribute("a", "x"));
    EXPECT_FALSE(n.SetIntAttribute("a", 1));
    EXPECT_EQ(n.SelectNodes("x").GetLength(), 0);
    EXPECT_FALSE(n.SelectSingleNode("x").IsValid());
    EXPECT_EQ(n.GetValue(), "");
    EXPECT_TRUE(n.AppendChild(CXMLNode()));
    EXPECT_EQ(CXMLNodeList().GetLength(), 0);
    EXPECT_FALSE(CXMLNodeList().GetItem(0).IsValid());

    // a text node has no attributes either
    const CXMLFile xml = Parse("<a>text</a>");
    CXMLNode text = xml.SelectSingleNode("/a/text()");
    ASSERT_TRUE(text.IsValid());
    EXPECT_EQ(text.GetAttribute("x", "d"), "d");
    EXPECT_FALSE(text.SetAttribute("x", "1"));
}

TEST(XmlNode, QueriesListsAndValues)
{
    const CXMLFile xml = Parse(
        "<Samples><Sample alias=\"a\"/><Group><Sample alias=\"b\"/></Group><Sample alias=\"c\"/>"
        "<label alias=\"l\">  Hello|World  </label><multi>one<b>two</b> three</multi></Samples>");
    const CXMLNodeList list = xml.SelectNodes("//Samples/Sample");
    ASSERT_EQ(list.GetLength(), 2);
    EXPECT_EQ(list.GetItem(0).GetAttribute("alias"), "a");
    EXPECT_EQ(list.GetItem(1).GetAttribute("alias"), "c");
    EXPECT_FALSE(list.GetItem(2).IsValid());
    EXPECT_FALSE(list.GetItem(-1).IsValid());
    EXPECT_EQ(xml.SelectNodes("//Sample").GetLength(), 3);
    EXPECT_EQ(xml.SelectNodes("//Sample[").GetLength(), 0);  // a broken query is an empty list
    EXPECT_FALSE(xml.SelectSingleNode("//Sample[").IsValid());
    EXPECT_FALSE(xml.SelectSingleNode("//Nothing").IsValid());
    EXPECT_EQ(xml.SelectSingleNode("//Sample").GetAttribute("alias"), "a");

    const CXMLNode group = xml.SelectSingleNode("//Group");
    EXPECT_EQ(group.SelectNodes("Sample").GetLength(), 1);
    EXPECT_EQ(group.SelectSingleNode("Sample").GetAttribute("alias"), "b");

    EXPECT_EQ(xml.SelectSingleNode("//label").GetValue(), "Hello|World");
    EXPECT_EQ(xml.SelectSingleNode("//multi").GetValue(), "onetwo three");
}

TEST(XmlNode, NodesOutliveTheirDocumentFacade)
{
    CXMLNode node;
    CXMLNodeList list;
    {
        const CXMLFile xml = Parse("<a><b v=\"1\"/><b v=\"2\"/></a>");
        node = xml.SelectSingleNode("/a");
        list = xml.SelectNodes("//b");
    }
    EXPECT_EQ(node.SelectNodes("b").GetLength(), 2);
    EXPECT_EQ(list.GetItem(1).GetIntAttribute("v"), 2);
}

TEST(XmlFile, LoadingAgainKeepsOldNodesUsable)
{
    CXMLFile xml = Parse("<a v=\"1\"><b/></a>");
    const CXMLFile shared = xml;  // copies share the document
    const CXMLNode old = xml.SelectSingleNode("/a");
    const CXMLNodeList oldList = xml.SelectNodes("//b");
    xml.LoadXml(Bytes("<c v=\"2\"/>"));
    EXPECT_EQ(old.GetIntAttribute("v"), 1);
    EXPECT_EQ(oldList.GetItem(0).GetName(), "b");
    EXPECT_EQ(shared.SelectSingleNode("/c").GetIntAttribute("v"), 2);
    EXPECT_THROW(xml.LoadXml(Bytes("<broken")), std::runtime_error);
    EXPECT_EQ(old.GetIntAttribute("v"), 1);
    EXPECT_FALSE(shared.SelectSingleNode("/c").IsValid());
}

TEST(XmlFile, BuildWriteAndReadBack)
{
    CXMLFile xml;
    ASSERT_TRUE(xml.CreateRoot("Profiles"));
    EXPECT_FALSE(xml.CreateRoot("Second"));  // one root only
    CXMLNode root = xml.SelectSingleNode("/Profiles");
    ASSERT_TRUE(root.IsValid());

    CXMLNode profile = xml.CreateNode("Profile");
    CXMLNode stats = xml.CreateNode("Stats");
    EXPECT_TRUE(profile.AppendChild(stats));  // built below a node that is not attached yet
    EXPECT_TRUE(profile.SetAttribute("name", "Ren\xE9\xFF\x80\x81"));
    EXPECT_TRUE(root.AppendChild(profile));
    // handles keep working after the nodes were attached
    EXPECT_TRUE(profile.SetIntAttribute("score", -42));
    EXPECT_TRUE(stats.SetBoolAttribute("done", true));
    EXPECT_EQ(xml.SelectNodes("//Profile").GetLength(), 1);

    std::vector<uint8_t> bytes = {9, 9, 9};
    xml.GetXml(bytes);
    ASSERT_FALSE(bytes.empty());
    EXPECT_EQ(bytes.back(), 0);
    const std::string text(bytes.begin(), bytes.end() - 1);
    EXPECT_EQ(text.rfind("<?xml version=\"1.0\"?>", 0), 0u) << text;
    EXPECT_NE(text.find("Ren\xC3\xA9\xC3\xBF\xE2\x82\xAC\xC2\x81"), std::string::npos) << "written as UTF-8";
    EXPECT_EQ(std::count(bytes.begin(), bytes.end(), 0), 1);

    CXMLFile back;
    ASSERT_TRUE(back.LoadXml(bytes));  // the trailing zero is accepted
    const CXMLNode p = back.SelectSingleNode("//Profiles/Profile");
    EXPECT_EQ(p.GetAttribute("name"), "Ren\xE9\xFF\x80\x81");
    EXPECT_EQ(p.GetIntAttribute("score"), -42);
    EXPECT_TRUE(p.SelectSingleNode("Stats").GetBoolAttribute("done"));

    // a node made by one document can be appended in another one
    CXMLFile other;
    other.CreateRoot("Other");
    CXMLNode moved = xml.CreateNode("Moved");
    other.SelectSingleNode("/Other").AppendChild(moved);
    EXPECT_TRUE(moved.SetAttribute("k", "v"));
    EXPECT_EQ(other.SelectSingleNode("//Moved").GetAttribute("k"), "v");
    EXPECT_FALSE(xml.SelectSingleNode("//Moved").IsValid());

    // a tree built from another document's nodes, then attached, keeps its handles too
    CXMLNode outer = other.CreateNode("Outer");
    CXMLNode inner = xml.CreateNode("Inner");
    outer.AppendChild(inner);
    other.SelectSingleNode("/Other").AppendChild(outer);
    EXPECT_TRUE(inner.SetAttribute("deep", "1"));
    EXPECT_EQ(other.SelectSingleNode("/Other/Outer/Inner").GetAttribute("deep"), "1");
}

TEST(XmlFile, CreateNodeRejectsBadNames)
{
    const LogWatch log;
    CXMLFile xml;
    EXPECT_EQ(ExceptionText([&] { xml.CreateNode("1abc"); }), "creating node error!");
    EXPECT_TRUE(log.Has("Error: creating node 1abc"));
    EXPECT_EQ(ExceptionText([&] { xml.CreateNode(""); }), "creating node error!");
    EXPECT_FALSE(xml.CreateRoot("a b"));
    EXPECT_TRUE(log.Has("Error: creating root node a b"));
}

TEST_F(XmlFileTest, LoadAndSave)
{
    WriteText(dir / "Settings/Config.xml", "<Config volume=\"50\"/>");
    CXMLFile xml("settings\\config.XML");
    CXMLNode config = xml.SelectSingleNode("/Config");
    EXPECT_EQ(config.GetIntAttribute("volume", 0), 50);
    config.SetIntAttribute("volume", 75);
    config.SetAttribute("name", "\xE9");
    ASSERT_TRUE(xml.Save(""));  // back to the file it came from
    const std::string saved = ReadTextFile(dir / "Settings/Config.xml");
    EXPECT_NE(saved.find("volume=\"75\""), std::string::npos) << saved;
    EXPECT_NE(saved.find("name=\"\xC3\xA9\""), std::string::npos) << saved;

    ASSERT_TRUE(xml.Save("Copy.xml"));
    EXPECT_EQ(CXMLFile("Copy.xml").SelectSingleNode("/Config").GetAttribute("name"), "\xE9");

    CXMLFile memory;
    memory.CreateRoot("x");
    EXPECT_FALSE(memory.Save(""));  // a document made in memory has no file of its own
}

TEST_F(XmlFileTest, FailureTexts)
{
    const LogWatch log;
    EXPECT_EQ(ExceptionText([] { CXMLFile xml("Settings\\Nope.xml"); }), "error opening xml!");
    EXPECT_TRUE(log.Has("Error: failed to open XML file 'Settings\\Nope.xml'!"));

    WriteText(dir / "bad.xml", "<root>\n  <ok/>\n  <b>oops</c>\n</root>\n");
    EXPECT_EQ(ExceptionText([] { CXMLFile xml("bad.xml"); }), "XML parse error!");
    EXPECT_TRUE(log.Has("Error: parse error - File: bad.xml, Line: 3, Source:   &lt;b&gt;oops&lt;/c&gt;")) << log.Text();

    WriteText(dir / "empty.xml", "");
    EXPECT_EQ(ExceptionText([] { CXMLFile xml("empty.xml"); }), "XML parse error!");
    CXMLFile memory;
    EXPECT_EQ(ExceptionText([&] { memory.LoadXml({}); }), "XML parse error!");
    EXPECT_EQ(ExceptionText([&] { memory.LoadXml(Bytes("<a>")); }), "XML parse error!");
    EXPECT_TRUE(log.Has("Error: parse error - File: , Line: 1"));
    EXPECT_FALSE(memory.SelectSingleNode("/a").IsValid());  // a failed parse leaves an empty document
}

TEST_F(XmlFileTest, OtherEncodingsOnDisk)
{
    // a byte-order mark, and UTF-16
    WriteText(dir / "bom.xml", "\xEF\xBB\xBF<a v=\"\xC3\xA9\"/>");
    EXPECT_EQ(CXMLFile("bom.xml").SelectSingleNode("/a").GetAttribute("v"), "\xE9");
    WriteText(dir / "utf16.xml", std::string("\xFF\xFE<\0a\0 \0v\0=\0\"\0\xE9\0\"\0/\0>\0", 22));
    EXPECT_EQ(CXMLFile("utf16.xml").SelectSingleNode("/a").GetAttribute("v"), "\xE9");

    // a file that declares Latin-1 is saved as UTF-8 and reads back the same
    WriteText(dir / "latin1.xml", "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><a v=\"\xE9\"/>");
    CXMLFile latin1("latin1.xml");
    EXPECT_EQ(latin1.SelectSingleNode("/a").GetAttribute("v"), "\xE9");
    ASSERT_TRUE(latin1.Save(""));
    EXPECT_EQ(CXMLFile("latin1.xml").SelectSingleNode("/a").GetAttribute("v"), "\xE9") << ReadTextFile(dir / "latin1.xml");
}
