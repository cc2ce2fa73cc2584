#include "engine/base/engine_xml.h"

#include "engine/base/engine_filesys.h"
#include "engine/base/engine_log.h"
#include "engine/base/engine_paramvalue.h"

#include <pugixml.hpp>

#include <algorithm>
#include <cctype>
#include <stdexcept>

// ---------------------------------------------------------------------------------------------
// Windows-1252 <-> UTF-8

namespace {

// Code points of the bytes 0x80..0x9F. The five bytes without a character keep the C1 control of
// the same number, so that every byte survives a round trip.
constexpr uint16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

char CodePointTo1252(uint32_t cp)
{
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return static_cast<char>(cp);
    for (int i = 0; i < 32; ++i)
        if (kCp1252High[i] == cp) return static_cast<char>(0x80 + i);
    return '?';
}

void AppendUtf8(std::string& out, uint32_t cp)
{
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

} // namespace

namespace zf {

std::string Utf8ToCp1252(const std::string& utf8)
{
    std::string out;
    out.reserve(utf8.size());
    const size_t n = utf8.size();
    for (size_t i = 0; i < n;) {
        const uint8_t c = static_cast<uint8_t>(utf8[i]);
        if (c < 0x80) {
            out += static_cast<char>(c);
            ++i;
            continue;
        }
        int extra = 0;
        uint32_t cp = 0;
        if ((c & 0xE0) == 0xC0) { extra = 1; cp = c & 0x1F; }
        else if ((c & 0xF0) == 0xE0) { extra = 2; cp = c & 0x0F; }
        else if ((c & 0xF8) == 0xF0) { extra = 3; cp = c & 0x07; }
        else { out += '?'; ++i; continue; }  // a stray continuation or an invalid lead byte
        size_t j = i + 1;
        for (; j < n && j <= i + static_cast<size_t>(extra); ++j) {
            const uint8_t cc = static_cast<uint8_t>(utf8[j]);
            if ((cc & 0xC0) != 0x80) break;
            cp = (cp << 6) | (cc & 0x3F);
        }
        if (j != i + 1 + static_cast<size_t>(extra)) {  // cut short
            out += '?';
            i = j;
            continue;
        }
        static constexpr uint32_t kMin[4] = {0, 0x80, 0x800, 0x10000};
        out += cp < kMin[extra] ? '?' : CodePointTo1252(cp);
        i = j;
    }
    return out;
}

std::string Cp1252ToUtf8(const std::string& text)
{
    std::string out;
    out.reserve(text.size() + text.size() / 4);
    for (char ch : text) {
        const uint8_t c = static_cast<uint8_t>(ch);
        if (c < 0x80) out += ch;
        else if (c < 0xA0) AppendUtf8(out, kCp1252High[c - 0x80]);
        else AppendUtf8(out, c);
    }
    return out;
}

} // namespace zf

// ---------------------------------------------------------------------------------------------
// Implementations

using DocPtr = std::shared_ptr<pugi::xml_document>;

struct CXMLFile_Impl {
    std::string path;
    // Loading replaces the document; nodes taken from the old one keep it alive.
    DocPtr doc = std::make_shared<pugi::xml_document>();
    // Elements made by CreateNode live here until they are appended into a document.
    pugi::xml_document scratch;
    std::vector<std::weak_ptr<CXMLNode_Impl>> scratch_handles;
};

struct CXMLNode_Impl {
    std::shared_ptr<CXMLFile_Impl> file;
    DocPtr owner;  // the document holding the node (null for a node in the scratch area)
    pugi::xml_node node;
};

struct CXMLNodeList_Impl {
    std::shared_ptr<CXMLFile_Impl> file;
    DocPtr owner;
    std::vector<pugi::xml_node> nodes;
};

namespace {

CXMLNode MakeNode(const std::shared_ptr<CXMLFile_Impl>& file, const DocPtr& owner, pugi::xml_node node)
{
    if (!node || !file) return CXMLNode();
    auto impl = std::make_shared<CXMLNode_Impl>();
    impl->file = file;
    impl->owner = owner;
    impl->node = node;
    if (node.root() == file->scratch) {
        auto& handles = file->scratch_handles;
        handles.erase(std::remove_if(handles.begin(), handles.end(), [](const auto& w) { return w.expired(); }),
                      handles.end());
        handles.push_back(impl);
    }
    return CXMLNode(std::move(impl));
}

CXMLNodeList Select(const std::shared_ptr<CXMLFile_Impl>& file, const DocPtr& owner, const pugi::xml_node& from,
                    const std::string& xpath)
{
    auto impl = std::make_shared<CXMLNodeList_Impl>();
    impl->file = file;
    impl->owner = owner;
    if (from) {
        try {
            pugi::xpath_node_set set = from.select_nodes(zf::Cp1252ToUtf8(xpath).c_str());
            set.sort();
            for (const pugi::xpath_node& n : set)
                if (n.node()) impl->nodes.push_back(n.node());
        } catch (const std::exception&) {
            impl->nodes.clear();
        }
    }
    return CXMLNodeList(std::move(impl));
}

CXMLNode SelectOne(const std::shared_ptr<CXMLFile_Impl>& file, const DocPtr& owner, const pugi::xml_node& from,
                   const std::string& xpath)
{
    if (!from) return CXMLNode();
    try {
        // the first match in document order
        return MakeNode(file, owner, from.select_node(zf::Cp1252ToUtf8(xpath).c_str()).node());
    } catch (const std::exception&) {
        return CXMLNode();
    }
}

bool IsNameStart(unsigned char c) { return std::isalpha(c) || c == '_' || c == ':' || c >= 0x80; }
bool IsNameChar(unsigned char c) { return IsNameStart(c) || std::isdigit(c) || c == '-' || c == '.'; }

bool IsValidName(const std::string& name)
{
    if (name.empty() || !IsNameStart(static_cast<unsigned char>(name[0]))) return false;
    return std::all_of(name.begin(), name.end(), [](char c) { return IsNameChar(static_cast<unsigned char>(c)); });
}

struct VectorWriter : pugi::xml_writer {
    std::vector<uint8_t>& out;
    explicit VectorWriter(std::vector<uint8_t>& o) : out(o) {}
    void write(const void* data, size_t size) override
    {
        const uint8_t* p = static_cast<const uint8_t*>(data);
        out.insert(out.end(), p, p + size);
    }
};

std::vector<uint8_t> Serialize(const pugi::xml_document& doc)
{
    std::vector<uint8_t> bytes;
    VectorWriter writer(bytes);
    doc.save(writer, "\t", pugi::format_default, pugi::encoding_utf8);
    return bytes;
}

// The document is written back as UTF-8, whatever the text declared. The declaration carries no
// data of the document: it is made anew, so that nothing in it (an attribute whose value holds
// "?>", a misspelt attribute the encoding detection would still take for the encoding, a second
// declaration) can make the written text read back differently. A document without one gets it
// too, so that the first save and every later one lay the text out alike.
void NormalizeDeclaration(pugi::xml_document& doc)
{
    bool encoded = false;
    for (pugi::xml_node node = doc.first_child(); node;) {
        const pugi::xml_node next = node.next_sibling();
        if (node.type() == pugi::node_declaration) {
            encoded = encoded || node.attribute("encoding");
            doc.remove_child(node);
        }
        node = next;
    }
    pugi::xml_node decl = doc.prepend_child(pugi::node_declaration);
    decl.append_attribute("version") = "1.0";
    if (encoded) decl.append_attribute("encoding") = "UTF-8";
}

std::string EscapeHtml(const std::string& text)
{
    std::string out;
    for (char c : text) {
        switch (c) {
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '&': out += "&amp;"; break;
        default: out += c;
        }
    }
    return out;
}

// "File: <path>, Line: <n>, Source: <the line>" for a parse error at the byte offset.
std::string ParseErrorText(const std::string& path, const uint8_t* data, size_t size, ptrdiff_t offset)
{
    std::string text = "File: " + path;
    const size_t at = offset < 0 ? 0 : std::min(static_cast<size_t>(offset), size);
    const size_t line = static_cast<size_t>(std::count(data, data + at, '\n')) + 1;
    text += ", Line: " + std::to_string(line);
    size_t begin = at;
    while (begin > 0 && data[begin - 1] != '\n') --begin;
    size_t end = at;
    while (end < size && data[end] != '\n' && data[end] != '\r') ++end;
    std::string source(reinterpret_cast<const char*>(data) + begin, std::min<size_t>(end - begin, 200));
    text += ", Source: " + EscapeHtml(zf::Utf8ToCp1252(source));
    return text;
}

} // namespace

// ---------------------------------------------------------------------------------------------
// CXMLFile

CXMLFile::CXMLFile() : _impl(std::make_shared<CXMLFile_Impl>()) {}

CXMLFile::CXMLFile(const std::string& path) : _impl(std::make_shared<CXMLFile_Impl>())
{
    _impl->path = path;
    std::vector<uint8_t> bytes;
    if (!CFileSystem::Instance().ReadFile(path.c_str(), bytes)) {
        GetLog().Error("Error: failed to open XML file '%s'!", path.c_str());
        throw std::runtime_error("error opening xml!");
    }
    LoadXml(bytes);
}

bool CXMLFile::LoadXml(const std::vector<uint8_t>& bytes)
{
    // Text from GetXml ends with a zero byte; it is not part of the document. (Zero bytes belong to
    // the characters of UTF-16 and UTF-32 texts, which are left whole.)
    size_t size = bytes.size();
    const bool wide = size >= 2 && ((bytes[0] == 0xFF && bytes[1] == 0xFE) || (bytes[0] == 0xFE && bytes[1] == 0xFF) ||
                                    bytes[0] == 0 || bytes[1] == 0);
    if (!wide)
        while (size > 0 && bytes[size - 1] == 0) --size;
    auto doc = std::make_shared<pugi::xml_document>();
    const pugi::xml_parse_result result =
        doc->load_buffer(bytes.data(), size, pugi::parse_default | pugi::parse_declaration, pugi::encoding_auto);
    if (result) {
        NormalizeDeclaration(*doc);
        _impl->doc = std::move(doc);
        return true;
    }
    _impl->doc = std::make_shared<pugi::xml_document>();
    const std::string text = ParseErrorText(_impl->path, bytes.data(), size, result.offset);
    GetLog().Error("Error: parse error - %s", text.c_str());
    throw std::runtime_error("XML parse error!");
}

void CXMLFile::GetXml(std::vector<uint8_t>& bytes) const
{
    std::vector<uint8_t> text = Serialize(*_impl->doc);
    text.push_back(0);
    bytes.swap(text);
}

CXMLNodeList CXMLFile::SelectNodes(const std::string& xpath) const
{
    return Select(_impl, _impl->doc, *_impl->doc, xpath);
}

CXMLNode CXMLFile::SelectSingleNode(const std::string& xpath) const
{
    return SelectOne(_impl, _impl->doc, *_impl->doc, xpath);
}

bool CXMLFile::CreateRoot(const std::string& name)
{
    pugi::xml_document& doc = *_impl->doc;
    if (!IsValidName(name) || doc.document_element()) {
        GetLog().Error("Error: creating root node %s", name.c_str());
        return false;
    }
    if (!doc.first_child()) {
        pugi::xml_node decl = doc.append_child(pugi::node_declaration);
        decl.append_attribute("version") = "1.0";
    }
    return static_cast<bool>(doc.append_child(zf::Cp1252ToUtf8(name).c_str()));
}

CXMLNode CXMLFile::CreateNode(const std::string& name)
{
    pugi::xml_node node;
    if (IsValidName(name)) node = _impl->scratch.append_child(zf::Cp1252ToUtf8(name).c_str());
    if (!node) {
        GetLog().Error("Error: creating node %s", name.c_str());
        throw std::runtime_error("creating node error!");
    }
    return MakeNode(_impl, nullptr, node);
}

bool CXMLFile::Save(const std::string& path)
{
    const std::string& target = path.empty() ? _impl->path : path;
    if (target.empty()) return false;
    return CFileSystem::WriteFile(target, Serialize(*_impl->doc));
}

const std::string& CXMLFile::GetPath() const { return _impl->path; }

// ---------------------------------------------------------------------------------------------
// CXMLNode

CXMLNode::CXMLNode() = default;

bool CXMLNode::IsValid() const { return _impl && _impl->node; }

CXMLNodeList CXMLNode::SelectNodes(const std::string& xpath) const
{
    if (!IsValid()) return CXMLNodeList();
    return Select(_impl->file, _impl->owner, _impl->node, xpath);
}

CXMLNode CXMLNode::SelectSingleNode(const std::string& xpath) const
{
    if (!IsValid()) return CXMLNode();
    return SelectOne(_impl->file, _impl->owner, _impl->node, xpath);
}

std::string CXMLNode::GetAttribute(const std::string& name, const std::string& def) const
{
    if (!IsValid() || _impl->node.type() != pugi::node_element) return def;
    const pugi::xml_attribute attr = _impl->node.attribute(zf::Cp1252ToUtf8(name).c_str());
    if (!attr) return def;
    return zf::Utf8ToCp1252(attr.value());
}

int CXMLNode::GetIntAttribute(const std::string& name, int def) const
{
    return StringToInt(GetAttribute(name, IntToString(def)));
}

bool CXMLNode::GetBoolAttribute(const std::string& name, bool def) const
{
    return StringToInt(GetAttribute(name, def ? "1" : "0")) != 0;
}

float CXMLNode::GetFloatAttribute(const std::string& name, float def) const
{
    if (!IsValid() || !_impl->node.attribute(zf::Cp1252ToUtf8(name).c_str())) return def;
    return StringToFloat(GetAttribute(name, FloatToString(def)));
}

bool CXMLNode::SetAttribute(const std::string& name, const std::string& value)
{
    if (!IsValid() || _impl->node.type() != pugi::node_element || !IsValidName(name)) return false;
    const std::string key = zf::Cp1252ToUtf8(name);
    pugi::xml_attribute attr = _impl->node.attribute(key.c_str());
    if (!attr) attr = _impl->node.append_attribute(key.c_str());
    return attr && attr.set_value(zf::Cp1252ToUtf8(value).c_str());
}

bool CXMLNode::SetIntAttribute(const std::string& name, int value) { return SetAttribute(name, IntToString(value)); }

bool CXMLNode::SetBoolAttribute(const std::string& name, bool value) { return SetAttribute(name, value ? "1" : "0"); }

bool CXMLNode::AppendChild(const CXMLNode& child)
{
    if (!IsValid() || !child.IsValid()) return true;
    pugi::xml_node parent = _impl->node;
    const pugi::xml_node moved = child._impl->node;
    if (moved.root() == parent.root()) {
        parent.append_move(moved);
        return true;
    }
    const pugi::xml_node copy = parent.append_copy(moved);
    if (!copy) return true;
    // A node made by CreateNode moves into this document: every handle to it or below it follows.
    const std::shared_ptr<CXMLFile_Impl> source = child._impl->file;
    if (source && moved.root() == source->scratch) {
        for (const auto& weak : source->scratch_handles) {
            const std::shared_ptr<CXMLNode_Impl> handle = weak.lock();
            if (!handle) continue;
            std::vector<size_t> steps;  // child indices from `moved` down to the handle's node
            pugi::xml_node n = handle->node;
            for (; n && n != moved; n = n.parent()) {
                size_t index = 0;
                for (pugi::xml_node s = n.previous_sibling(); s; s = s.previous_sibling()) ++index;
                steps.push_back(index);
            }
            if (n != moved) continue;
            pugi::xml_node mapped = copy;
            for (auto it = steps.rbegin(); it != steps.rend() && mapped; ++it) {
                mapped = mapped.first_child();
                for (size_t k = 0; k < *it && mapped; ++k) mapped = mapped.next_sibling();
            }
            handle->file = _impl->file;
            handle->owner = _impl->owner;
            handle->node = mapped;
            if (mapped && mapped.root() == _impl->file->scratch) _impl->file->scratch_handles.push_back(handle);
        }
        // The original stays in the scratch area (lists taken from it stay safe to use); the handles
        // that now point elsewhere leave the source's list.
        auto& handles = source->scratch_handles;
        handles.erase(std::remove_if(handles.begin(), handles.end(),
                                     [&](const auto& w) {
                                         const auto h = w.lock();
                                         return !h || h->node.root() != source->scratch;
                                     }),
                      handles.end());
    }
    return true;
}

std::string CXMLNode::GetValue() const
{
    if (!IsValid()) return std::string();
    std::string text;
    const pugi::xml_node node = _impl->node;
    if (node.type() == pugi::node_pcdata || node.type() == pugi::node_cdata) {
        text = node.value();
    } else {
        struct Collector : pugi::xml_tree_walker {
            std::string& out;
            explicit Collector(std::string& o) : out(o) {}
            bool for_each(pugi::xml_node& n) override
            {
                if (n.type() == pugi::node_pcdata || n.type() == pugi::node_cdata) out += n.value();
                return true;
            }
        } collector(text);
        pugi::xml_node walk = node;
        walk.traverse(collector);
    }
    const char* blanks = " \t\r\n";
    const size_t first = text.find_first_not_of(blanks);
    if (first == std::string::npos) return std::string();
    const size_t last = text.find_last_not_of(blanks);
    return zf::Utf8ToCp1252(text.substr(first, last - first + 1));
}

std::string CXMLNode::GetName() const
{
    return IsValid() ? zf::Utf8ToCp1252(_impl->node.name()) : std::string();
}

// ---------------------------------------------------------------------------------------------
// CXMLNodeList

CXMLNodeList::CXMLNodeList() = default;

int CXMLNodeList::GetLength() const { return _impl ? static_cast<int>(_impl->nodes.size()) : 0; }

CXMLNode CXMLNodeList::GetItem(int index) const
{
    if (!_impl || index < 0 || index >= GetLength()) return CXMLNode();
    return MakeNode(_impl->file, _impl->owner, _impl->nodes[static_cast<size_t>(index)]);
}
