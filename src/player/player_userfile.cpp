#include "player/player_userfile.h"

#include "engine/base/engine_log.h"
#include "engine/base/engine_xml.h"
#include "settings/main_userfiles.h"

#include <exception>

namespace {

bool StartsPlain(const ByteVector& bytes)
{
    if (bytes.empty()) return false;
    if (bytes[0] == '<') return true;
    return bytes.size() >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF;
}

} // namespace

bool ParsePlayerFile(const ByteVector& bytes, bool plain_allowed, const char* root, CXMLFile& doc)
{
    ByteVector text = bytes;
    if (!(plain_allowed && StartsPlain(text))) ScrambleBytes(text.data(), static_cast<uint32_t>(text.size()));
    try {
        doc.LoadXml(text);   // a parse error is logged by the XML layer
    } catch (const std::exception&) {
        return false;
    }
    if (!doc.SelectSingleNode(std::string("/") + root).IsValid()) {
        GetLog().Error("Error: the root element '%s' is missing.", root);
        return false;
    }
    return true;
}

EPlayerFileRead ReadPlayerFile(const std::string& path, bool plain_allowed, const char* root, const char* what,
                               CXMLFile& doc)
{
    // No user folder: there is nothing of the player's to read.
    if (path.empty() || !FileExists(path)) return EPlayerFileRead::Missing;
    ByteVector bytes;
    const bool read = CFileSystem::ReadDiskFile(path.c_str(), bytes);
    if (read && ParsePlayerFile(bytes, plain_allowed, root, doc)) return EPlayerFileRead::Read;
    const std::string aside = KeepAsideUnreadable(path);
    if (aside.empty())
        GetLog().Error("Error: %s file '%s' cannot be read and could not be moved aside.", what, path.c_str());
    else
        GetLog().Error("Error: %s file '%s' cannot be read; kept as '%s'.", what, path.c_str(), aside.c_str());
    return EPlayerFileRead::Damaged;
}

bool WritePlayerFile(const std::string& path, const CXMLFile& doc)
{
    if (path.empty()) {
        GetLog().Warning("Warning: player file not saved: there is no user folder.");
        return false;
    }
    ByteVector bytes;
    doc.GetXml(bytes);
    while (!bytes.empty() && bytes.back() == 0) bytes.pop_back();
    ScrambleBytes(bytes.data(), static_cast<uint32_t>(bytes.size()));
    return CFileSystem::WriteFile(path, bytes);
}
