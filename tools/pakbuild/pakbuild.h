// Builds "Data.pak" packages: version 1, a scrambled name table, then the files' bytes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace zf::pak {

struct Entry {
    std::string name;           // stored exactly as given (the game looks names up in normalised form)
    std::vector<uint8_t> data;
};

// The package bytes of the entries, in the order given.
std::vector<uint8_t> BuildPackage(const std::vector<Entry>& entries);

// Writes the package of the entries to the path. False (with a message in `error`) on failure.
bool WritePackage(const std::string& path, const std::vector<Entry>& entries, std::string* error = nullptr);

// Every regular file below the folder, named by its path relative to the folder with '\' separators,
// normalised (upper case), sorted by name. Files named "Data.pak" are left out.
bool CollectFolder(const std::string& folder, std::vector<Entry>& entries, std::string* error = nullptr);

// Reads the table of a package: names with their offsets and sizes. False when it is not a valid package.
struct TableRow {
    std::string name;
    uint32_t offset = 0;
    uint32_t size = 0;
};
bool ReadTable(const std::string& path, std::vector<TableRow>& rows, std::string* error = nullptr);

} // namespace zf::pak
