// XML documents, nodes and node lists. Text inside the program is Windows-1252; files are UTF-8.
// The conversion happens here, at the boundary: a character without a Windows-1252 form reads as '?'.
// Copies of a facade share its implementation; a node keeps its document alive.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct CXMLFile_Impl;
struct CXMLNode_Impl;
struct CXMLNodeList_Impl;
class CXMLNode;
class CXMLNodeList;

class CXMLFile {
public:
    // A new empty document.
    CXMLFile();
    // Loads the document from the file of that path (package first, then disk). Throws
    // std::runtime_error("error opening xml!") when the file cannot be read and
    // std::runtime_error("XML parse error!") when it does not parse; both are logged.
    explicit CXMLFile(const std::string& path);
    explicit CXMLFile(const char* path) : CXMLFile(std::string(path ? path : "")) {}

    // Parses a document from bytes in memory (trailing zero bytes are ignored). True, or throws
    // "XML parse error!".
    bool LoadXml(const std::vector<uint8_t>& bytes);
    // The document's text (UTF-8) followed by one zero byte; the vector's former content is replaced.
    void GetXml(std::vector<uint8_t>& bytes) const;

    // Nodes of an XPath query; an invalid query gives an empty list.
    CXMLNodeList SelectNodes(const std::string& xpath) const;
    // The first node of an XPath query; invalid when nothing matches.
    CXMLNode SelectSingleNode(const std::string& xpath) const;

    // Appends the declaration <?xml version="1.0"?> (to an empty document) and a root element of that name.
    bool CreateRoot(const std::string& name);
    // A new element, not yet attached; attach it with CXMLNode::AppendChild.
    CXMLNode CreateNode(const std::string& name);

    // Saves to the path (empty: the path the document was loaded from), atomically. False on failure.
    bool Save(const std::string& path = std::string());

    const std::string& GetPath() const;

private:
    std::shared_ptr<CXMLFile_Impl> _impl;
};

class CXMLNode {
public:
    CXMLNode();
    explicit CXMLNode(std::shared_ptr<CXMLNode_Impl> impl) : _impl(std::move(impl)) {}

    bool IsValid() const;

    CXMLNodeList SelectNodes(const std::string& xpath) const;
    CXMLNode SelectSingleNode(const std::string& xpath) const;

    // The attribute's text; the default when the node is invalid or has no such attribute.
    std::string GetAttribute(const std::string& name, const std::string& def = std::string()) const;
    // Numbers are read through the tagged-value conversions: text holding an 'x' is hexadecimal.
    int GetIntAttribute(const std::string& name, int def = 0) const;
    // True when the number read is not 0.
    bool GetBoolAttribute(const std::string& name, bool def = false) const;
    float GetFloatAttribute(const std::string& name, float def = 0.0f) const;

    // False on an invalid node.
    bool SetAttribute(const std::string& name, const std::string& value);
    bool SetIntAttribute(const std::string& name, int value);
    bool SetBoolAttribute(const std::string& name, bool value);

    // Appends the node (e.g. from CXMLFile::CreateNode) under this one.
    bool AppendChild(const CXMLNode& child);

    // The node's text: all text below it, joined, with leading and trailing white space removed.
    std::string GetValue() const;
    // The element's name ("" for an invalid node).
    std::string GetName() const;

    const std::shared_ptr<CXMLNode_Impl>& GetImpl() const { return _impl; }

private:
    std::shared_ptr<CXMLNode_Impl> _impl;
};

class CXMLNodeList {
public:
    CXMLNodeList();
    explicit CXMLNodeList(std::shared_ptr<CXMLNodeList_Impl> impl) : _impl(std::move(impl)) {}

    int GetLength() const;
    // The node at the index from 0; invalid outside the list.
    CXMLNode GetItem(int index) const;

private:
    std::shared_ptr<CXMLNodeList_Impl> _impl;
};

namespace zf {
// Text conversions of the XML boundary.
std::string Utf8ToCp1252(const std::string& utf8);
std::string Cp1252ToUtf8(const std::string& text);
} // namespace zf
