// The hiscores reader: arbitrary bytes, always unscrambled. Filing into the tables read keeps each
// table's limits, and after one save a file reads back to the same tables.
#include "engine/base/engine_xml.h"
#include "fuzz_common.h"
#include "player/player_hiscores.h"
#include "player/player_userfile.h"

#include <cstdlib>

namespace {

using Episodes = std::map<int32_t, CHiscores::Episode>;

void RoundTrip(const Episodes& in, const HiscoreTable& champions, Episodes& out, HiscoreTable& out_champions)
{
    CXMLFile doc;
    WriteHiscoresDocument(doc, in, champions);
    ByteVector bytes;
    doc.GetXml(bytes);
    ScrambleBytes(bytes.data(), static_cast<uint32_t>(bytes.size()));
    CXMLFile back;
    if (!ParsePlayerFile(bytes, false, "Hiscores", back)) std::abort();
    ReadHiscoresDocument(back, out, out_champions);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    zf_fuzz::Setup();
    CXMLFile doc;
    if (!ParsePlayerFile(ByteVector(data, data + size), false, "Hiscores", doc)) return 0;
    Episodes episodes;
    HiscoreTable champions{{}, false};
    ReadHiscoresDocument(doc, episodes, champions);

    Episodes once, twice;
    HiscoreTable champions_once{{}, false}, champions_twice{{}, false};
    RoundTrip(episodes, champions, once, champions_once);
    RoundTrip(once, champions_once, twice, champions_twice);
    if (once != twice || champions_once != champions_twice) std::abort();

    // Filing a new player's row sorts the table best first and cuts it to its limit, however
    // many rows the file held in whatever order.
    for (auto& [number, episode] : episodes)
        for (auto& [level, entry] : episode)
            for (HiscoreTable* table : {&entry.score, &entry.time}) {
                if (!table->File(HiscoreRow{"\x01", 12345}, 3) || table->rows.size() > 3) std::abort();
                for (auto a = table->rows.begin(), b = std::next(a); b != table->rows.end(); ++a, ++b)
                    if (table->Better(b->value, a->value)) std::abort();
            }
    return 0;
}
