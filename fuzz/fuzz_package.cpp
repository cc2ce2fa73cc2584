// The package table reader and packed reads, on arbitrary package bytes.
#include "engine/base/engine_filesys.h"
#include "fuzz_common.h"

#include <cstdio>
#include <cstring>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    zf_fuzz::Setup();
    std::vector<uint8_t> copy(data, data + size);
    std::FILE* f = size ? ::fmemopen(copy.data(), copy.size(), "rb") : nullptr;
    CFileSystem fs(f);
    if (!fs.IsPackageUsed()) return 0;
    for (const auto& [name, entry] : fs.GetTable()) {
        // every accepted entry lies inside the package
        if (static_cast<uint64_t>(entry.offset) + entry.size > size) std::abort();
        ByteVector bytes;
        if (fs.ReadFile(name.c_str(), bytes) && !name.empty()) {
            std::string key = name;
            NormalizePath(key);
            if (key == name && entry.size > 0 &&
                (bytes.size() != entry.size || std::memcmp(bytes.data(), data + entry.offset, entry.size) != 0))
                std::abort();
        }
    }
    return 0;
}
