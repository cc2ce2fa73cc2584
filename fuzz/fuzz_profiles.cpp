// The profiles reader: arbitrary bytes, scrambled or (starting with '<') plain. What it reads it
// writes, and after one save a file reads back to the same profiles.
#include "engine/base/engine_xml.h"
#include "fuzz_common.h"
#include "player/player_profiles.h"
#include "player/player_userfile.h"

#include <cstdlib>

namespace {

using Profiles = std::map<std::string, CProfile>;

// Writes the profiles and reads them back.
void RoundTrip(const Profiles& in, const std::string& active, Profiles& out, std::string& out_active)
{
    CXMLFile doc;
    WriteProfilesDocument(doc, in, active);
    ByteVector bytes;
    doc.GetXml(bytes);
    ScrambleBytes(bytes.data(), static_cast<uint32_t>(bytes.size()));
    CXMLFile back;
    if (!ParsePlayerFile(bytes, true, "Profiles", back)) std::abort();   // what is written must read
    ReadProfilesDocument(back, out, out_active);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    zf_fuzz::Setup();
    CXMLFile doc;
    if (!ParsePlayerFile(ByteVector(data, data + size), true, "Profiles", doc)) return 0;
    Profiles read;
    std::string active;
    ReadProfilesDocument(doc, read, active);

    // The profile operations on what was read.
    CProfiles ops;
    for (const auto& [name, profile] : read) {
        (void)profile.HasGame(kCurrentGameSlot);
        (void)ops.AddProfile(name);
    }
    (void)ops.SetActive(active);
    (void)ops.DeleteProfile(active);

    Profiles once, twice;
    std::string active_once, active_twice;
    RoundTrip(read, active, once, active_once);
    RoundTrip(once, active_once, twice, active_twice);
    if (once != twice || active_once != active_twice) std::abort();
    return 0;
}
