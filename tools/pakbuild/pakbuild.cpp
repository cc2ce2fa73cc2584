#include "pakbuild/pakbuild.h"

#include "engine/base/engine_filesys.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace zf::pak {

namespace {

void PutU16(std::vector<uint8_t>& out, uint16_t v)
{
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}

void PutU32(std::vector<uint8_t>& out, uint32_t v)
{
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

void SetError(std::string* error, const std::string& text)
{
    if (error) *error = text;
}

} // namespace

std::vector<uint8_t> BuildPackage(const std::vector<Entry>& entries)
{
    size_t table = 6;
    for (const Entry& e : entries) table += 2 + e.name.size() + 8;
    std::vector<uint8_t> out;
    PutU16(out, kPackageVersion);
    PutU32(out, static_cast<uint32_t>(entries.size()));
    uint64_t offset = table;
    for (const Entry& e : entries) {
        PutU16(out, static_cast<uint16_t>(e.name.size()));
        std::vector<uint8_t> record(e.name.begin(), e.name.end());
        ScrambleBytes(record.data(), static_cast<uint32_t>(record.size()));
        std::vector<uint8_t> numbers;
        PutU32(numbers, static_cast<uint32_t>(offset));
        PutU32(numbers, static_cast<uint32_t>(e.data.size()));
        ScrambleBytes(numbers.data(), static_cast<uint32_t>(numbers.size()));
        out.insert(out.end(), record.begin(), record.end());
        out.insert(out.end(), numbers.begin(), numbers.end());
        offset += e.data.size();
    }
    for (const Entry& e : entries) out.insert(out.end(), e.data.begin(), e.data.end());
    return out;
}

bool WritePackage(const std::string& path, const std::vector<Entry>& entries, std::string* error)
{
    uint64_t total = 6;
    for (const Entry& e : entries) {
        if (e.name.size() >= kPackageMaxName) {
            SetError(error, "file name too long: " + e.name);
            return false;
        }
        total += 2 + e.name.size() + 8 + e.data.size();
    }
    if (total > 0xFFFFFFFFull) {
        SetError(error, "the files do not fit in one package (4 GiB)");
        return false;
    }
    const std::vector<uint8_t> bytes = BuildPackage(entries);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) {
        SetError(error, "cannot write " + path);
        return false;
    }
    return true;
}

bool CollectFolder(const std::string& folder, std::vector<Entry>& entries, std::string* error)
{
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::path root(folder);
    if (!fs::is_directory(root, ec)) {
        SetError(error, "not a folder: " + folder);
        return false;
    }
    entries.clear();
    for (fs::recursive_directory_iterator it(root, ec), end; !ec && it != end; it.increment(ec)) {
        if (!it->is_regular_file(ec)) continue;
        if (it->path().filename() == "Data.pak") continue;
        std::string name = fs::relative(it->path(), root, ec).generic_string();
        std::replace(name.begin(), name.end(), '/', '\\');
        NormalizePath(name);
        std::ifstream in(it->path(), std::ios::binary);
        Entry e;
        e.name = name;
        e.data.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        if (!in.good() && !in.eof()) {
            SetError(error, "cannot read " + it->path().string());
            return false;
        }
        entries.push_back(std::move(e));
    }
    if (ec) {
        SetError(error, "cannot list " + folder + ": " + ec.message());
        return false;
    }
    std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) { return a.name < b.name; });
    return true;
}

bool ReadTable(const std::string& path, std::vector<TableRow>& rows, std::string* error)
{
    std::ifstream in(path, std::ios::binary);
    const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (!in.good() && !in.eof()) {
        SetError(error, "cannot read " + path);
        return false;
    }
    auto u16 = [&](size_t at) { return static_cast<uint32_t>(bytes[at] | (bytes[at + 1] << 8)); };
    auto u32 = [&](size_t at, bool scrambled) {
        uint32_t v = 0;
        for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<uint8_t>(bytes[at + i] ^ (scrambled ? kScrambleKey : 0));
        return v;
    };
    if (bytes.size() < 6 || u16(0) != kPackageVersion) {
        SetError(error, "not a package of version 1: " + path);
        return false;
    }
    const uint32_t count = u32(2, false);
    rows.clear();
    size_t at = 6;
    for (uint32_t i = 0; i < count; ++i) {
        if (at + 2 > bytes.size()) break;
        const uint32_t len = u16(at);
        if (len >= kPackageMaxName || at + 2 + len + 8 > bytes.size()) break;
        TableRow row;
        for (uint32_t k = 0; k < len; ++k) row.name += static_cast<char>(bytes[at + 2 + k] ^ kScrambleKey);
        row.offset = u32(at + 2 + len, true);
        row.size = u32(at + 2 + len + 4, true);
        at += 2 + len + 8;
        if (static_cast<uint64_t>(row.offset) + row.size > bytes.size()) break;
        rows.push_back(std::move(row));
    }
    if (rows.size() != count) {
        SetError(error, "damaged package table: " + path);
        return false;
    }
    return true;
}

} // namespace zf::pak
