// The XML layer: loading arbitrary bytes, the typed getters and layout readers on every node, and
// writing the document back (which must load again to the same text, elements and attributes).
#include "engine/base/engine_layout.h"
#include "engine/base/engine_registry.h"
#include "engine/base/engine_xml.h"
#include "fuzz_common.h"

#include <cstdlib>
#include <stdexcept>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    zf_fuzz::Setup();
    const std::string raw(reinterpret_cast<const char*>(data), size);
    // the text conversions of the boundary: Windows-1252 survives the way to UTF-8 and back
    if (zf::Utf8ToCp1252(zf::Cp1252ToUtf8(raw)) != raw) std::abort();
    (void)zf::Utf8ToCp1252(raw);

    // Any Windows-1252 text (player names, say) written into an attribute comes back unchanged
    // through the document's text.
    {
        std::string value = raw.substr(0, 300);
        for (char& c : value)
            if (c == '\0') c = ' ';
        CXMLFile doc;
        doc.CreateRoot("Profiles");
        CXMLNode profile = doc.CreateNode("Profile");
        profile.SetAttribute("name", value);
        doc.SelectSingleNode("/Profiles").AppendChild(profile);
        std::vector<uint8_t> text;
        doc.GetXml(text);
        CXMLFile back;
        try {
            back.LoadXml(text);
        } catch (const std::runtime_error&) {
            std::abort();
        }
        if (back.SelectSingleNode("/Profiles/Profile").GetAttribute("name") != value) std::abort();
    }

    CXMLFile xml;
    try {
        xml.LoadXml(std::vector<uint8_t>(data, data + size));
    } catch (const std::runtime_error&) {
        return 0;
    }
    const CXMLNodeList nodes = xml.SelectNodes("//*");
    const int count = nodes.GetLength() < 200 ? nodes.GetLength() : 200;
    for (int i = 0; i < count; ++i) {
        CXMLNode node = nodes.GetItem(i);
        (void)node.GetValue();
        (void)node.GetName();
        for (const char* name : {"name", "texture", "width", "color", "tex_rect", "a", "b"}) {
            (void)node.GetAttribute(name, "def");
            (void)node.GetIntAttribute(name, 5);
            (void)node.GetBoolAttribute(name, true);
            (void)node.GetFloatAttribute(name, 1.5f);
        }
        GraphicsDesc g;
        ReadGraphics(node, g);
        CVariableRegistry reg;
        reg.Register("width", 1);
        reg.Register("name", "n");
        reg.Register("a", 0.5f);
        reg.Register("b", false);
        reg.ReadAttributes(node);
        std::vector<int> ints;
        ParseIntList(ints, node.GetAttribute("tex_rect"), " ,");
    }
    std::vector<uint8_t> text;
    xml.GetXml(text);
    if (text.empty() || text.back() != 0) std::abort();
    CXMLFile again;
    try {
        again.LoadXml(text);
    } catch (const std::runtime_error&) {
        std::abort();  // what the layer writes, it must read
    }
    // written again, it is the same text: nothing in it reads back differently
    std::vector<uint8_t> text2;
    again.GetXml(text2);
    if (text2 != text) std::abort();
    // and it reads the same elements and attributes
    const CXMLNodeList nodes2 = again.SelectNodes("//*");
    if (nodes2.GetLength() != nodes.GetLength()) std::abort();
    for (int i = 0; i < count; ++i) {
        const CXMLNode a = nodes.GetItem(i), b = nodes2.GetItem(i);
        if (a.GetName() != b.GetName()) std::abort();
        for (const char* name : {"name", "texture", "width", "color", "tex_rect", "a", "b"})
            if (a.GetAttribute(name, "def") != b.GetAttribute(name, "def")) std::abort();
    }
    return 0;
}
