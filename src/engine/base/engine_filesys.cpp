#include "engine/base/engine_filesys.h"

#include "engine/base/engine_log.h"

#include <dirent.h>
#include <fcntl.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <ctime>
#include <cstring>
#include <new>

namespace {

bool IsRegularFile(const std::string& path)
{
    struct stat st{};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool Exists(const std::string& path)
{
    struct stat st{};
    return ::stat(path.c_str(), &st) == 0;
}

// The entry of the folder whose name equals `name` without regard to case ("" when none).
// Several matches: the smallest name, so that the choice does not depend on the listing's order.
std::string FindNoCase(const std::string& folder, const std::string& name)
{
    DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
    if (!dir) return std::string();
    std::string found;
    while (const dirent* e = ::readdir(dir)) {
        if (::strcasecmp(e->d_name, name.c_str()) == 0 && (found.empty() || found > e->d_name)) found = e->d_name;
    }
    ::closedir(dir);
    return found;
}

uint32_t ReadU32(const uint8_t* p)
{
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
           (static_cast<uint32_t>(p[3]) << 24);
}

bool ReadExact(std::FILE* f, void* buf, size_t n)
{
    return n == 0 || std::fread(buf, 1, n, f) == n;
}

bool WriteAll(int fd, const uint8_t* data, size_t size)
{
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

} // namespace

std::string HostPath(const std::string& path)
{
    std::string p = path;
    for (char& c : p)
        if (c == '\\') c = '/';
    if (p.empty() || Exists(p)) return p;

    std::string result;
    size_t pos = 0;
    if (p[0] == '/') {
        result = "/";
        pos = 1;
    }
    while (pos <= p.size()) {
        size_t end = p.find('/', pos);
        if (end == std::string::npos) end = p.size();
        const std::string part = p.substr(pos, end - pos);
        const bool last = end >= p.size();
        if (!part.empty()) {
            std::string candidate = result + part;
            if (part != "." && part != ".." && !Exists(candidate)) {
                const std::string match = FindNoCase(result, part);
                if (match.empty()) {
                    // Nothing matches from here on: keep the rest as it was written.
                    return result + p.substr(pos);
                }
                candidate = result + match;
            }
            result = candidate;
            if (!last) result += '/';
        } else if (!last && !result.empty() && result.back() != '/') {
            result += '/';
        }
        pos = end + 1;
    }
    return result;
}

void NormalizePath(std::string& path)
{
    for (char& c : path)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    std::string out;
    out.reserve(path.size());
    for (char c : path)
        if (!(c == '\\' && !out.empty() && out.back() == '\\')) out += c;
    path.swap(out);
}

bool FileExists(const std::string& path)
{
    return !path.empty() && IsRegularFile(HostPath(path));
}

void ScrambleBytes(uint8_t* bytes, uint32_t length)
{
    if (!bytes) return;
    for (uint32_t i = 0; i < length; ++i) bytes[i] ^= kScrambleKey;
}

CFileSystem::CFileSystem()
{
    GetLog();
    Open(std::fopen(HostPath("Data.pak").c_str(), "rb"));
}

CFileSystem::CFileSystem(const std::string& package_path)
{
    GetLog();
    Open(package_path.empty() ? nullptr : std::fopen(HostPath(package_path).c_str(), "rb"));
}

CFileSystem::CFileSystem(std::FILE* package)
{
    GetLog();
    Open(package);
}

CFileSystem::~CFileSystem()
{
    GetLog();
    if (_pk_file) std::fclose(_pk_file);
    _pk_file = nullptr;
    _fat.clear();
}

void CFileSystem::Open(std::FILE* package)
{
    _pk_file = package;
    if (!_pk_file) return;
    if (::fseeko(_pk_file, 0, SEEK_END) == 0) {
        const off_t end = ::ftello(_pk_file);
        _pk_size = end > 0 ? static_cast<uint64_t>(end) : 0;
    }
    std::rewind(_pk_file);
    try {
        _files_packed = ReadPackageTable();
    } catch (const std::bad_alloc&) {
        GetLog().Error("Error: reading package: out of memory.");
        _files_packed = false;
    }
}

bool CFileSystem::ReadPackageTable()
{
    VERIFY_SOFT(_fat.empty());
    uint8_t header[6];
    if (!ReadExact(_pk_file, header, 2)) {
        GetLog().Error("Error: reading package: the file is too short.");
        return false;
    }
    const uint16_t version = static_cast<uint16_t>(header[0] | (header[1] << 8));
    if (version != kPackageVersion) {
        GetLog().Error("Error: invalid file package version %X. Current version is %X", version, kPackageVersion);
        return false;
    }
    if (!ReadExact(_pk_file, header + 2, 4)) {
        GetLog().Error("Error: reading package: the file is too short.");
        return false;
    }
    const uint32_t count = ReadU32(header + 2);
    // Every entry takes at least 10 bytes (name length, offset, size).
    if (count > (_pk_size - 6) / 10) {
        GetLog().Error("Error: reading package: %u files cannot fit in a package of %llu bytes.", count,
                       static_cast<unsigned long long>(_pk_size));
        return false;
    }
    for (uint32_t i = 0; i < count; ++i) {
        const int index = static_cast<int>(i);
        uint8_t len_bytes[2];
        if (!ReadExact(_pk_file, len_bytes, 2)) {
            GetLog().Error("Error: reading package: file entry %d is cut short.", index);
            return false;
        }
        const uint16_t len = static_cast<uint16_t>(len_bytes[0] | (len_bytes[1] << 8));
        if (len >= kPackageMaxName) {
            GetLog().Error("Error: reading package: file name %d is too long.", index);
            return false;
        }
        char name[kPackageMaxName] = {};
        uint8_t numbers[8];
        if (!ReadExact(_pk_file, name, len) || !ReadExact(_pk_file, numbers, 8)) {
            GetLog().Error("Error: reading package: file entry %d is cut short.", index);
            return false;
        }
        ScrambleBytes(reinterpret_cast<uint8_t*>(name), len);
        ScrambleBytes(numbers, 8);
        PackedFile entry;
        entry.offset = ReadU32(numbers);
        entry.size = ReadU32(numbers + 4);
        if (static_cast<uint64_t>(entry.offset) + entry.size > _pk_size) {
            GetLog().Error("Error: reading package: file %d lies outside the package.", index);
            return false;
        }
        _fat.emplace(std::string(name, ::strnlen(name, len)), entry);
    }
    return true;
}

bool CFileSystem::ReadFile(const char* path, ByteVector& data)
{
    if (!path) return false;
    if (_files_packed && ReadPackedFile(path, data)) return true;
    return ReadDiskFile(path, data);
}

bool CFileSystem::ReadPackedFile(const char* path, ByteVector& data)
{
    std::string key = path;
    NormalizePath(key);
    const auto it = _fat.find(key);
    if (it == _fat.end()) return false;
    const PackedFile& entry = it->second;
    if (entry.size == 0 || static_cast<uint64_t>(entry.offset) + entry.size > _pk_size) return false;
    try {
        ByteVector bytes(entry.size);
        if (::fseeko(_pk_file, static_cast<off_t>(entry.offset), SEEK_SET) != 0) return false;
        if (!ReadExact(_pk_file, bytes.data(), bytes.size())) return false;
        data.swap(bytes);
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

bool CFileSystem::ReadDiskFile(const char* path, ByteVector& data)
{
    if (!path || !*path) return false;
    const std::string host = HostPath(path);
    if (!IsRegularFile(host)) return false;
    std::FILE* f = std::fopen(host.c_str(), "rb");
    if (!f) return false;
    bool ok = false;
    try {
        struct stat st{};
        if (::fstat(::fileno(f), &st) == 0) {
            ByteVector bytes(static_cast<size_t>(st.st_size));
            if (ReadExact(f, bytes.data(), bytes.size())) {
                data.swap(bytes);
                ok = true;
            }
        }
        if (!ok) GetLog().Error("Error: failed to read file %s!", path);
    } catch (...) {
        GetLog().Error("Error: failed to read file %s!", path);
        ok = false;
    }
    std::fclose(f);
    return ok;
}

namespace {

// The temporary file of a save: the target's name, a dot and six letters or digits (mkstemp's).
constexpr char kTempSuffix[] = ".XXXXXX";
constexpr size_t kTempLetters = 6;

bool IsTemporaryOf(const std::string& entry, const std::string& name)
{
    if (entry.size() != name.size() + 1 + kTempLetters || entry.compare(0, name.size(), name) != 0 ||
        entry[name.size()] != '.')
        return false;
    for (size_t i = name.size() + 1; i < entry.size(); ++i)
        if (!std::isalnum(static_cast<unsigned char>(entry[i]))) return false;
    return true;
}

} // namespace

int CFileSystem::RemoveStaleTemporaries(const std::string& path, int min_age_s)
{
    if (path.empty()) return 0;
    const std::string host = HostPath(path);
    const size_t slash = host.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : host.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? host : host.substr(slash + 1);
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) return 0;
    std::vector<std::string> stale;
    const time_t now = ::time(nullptr);
    while (const dirent* e = ::readdir(dir)) {
        if (!IsTemporaryOf(e->d_name, name)) continue;
        const std::string full = (slash == std::string::npos ? std::string() : folder) + e->d_name;
        struct stat st{};
        if (::lstat(full.c_str(), &st) == 0 && S_ISREG(st.st_mode) && now - st.st_mtime >= min_age_s)
            stale.push_back(full);
    }
    ::closedir(dir);
    int removed = 0;
    for (const std::string& file : stale) {
        if (::unlink(file.c_str()) != 0) continue;
        GetLog().Warning("Warning: removed '%s', left by a save that did not finish.", file.c_str());
        ++removed;
    }
    return removed;
}

bool CFileSystem::WriteFile(const char* path, const ByteVector& data)
{
    if (!path || !*path) return false;
    const std::string host = HostPath(path);
    std::string temp = host + kTempSuffix;
    const int fd = ::mkstemp(temp.data());
    if (fd < 0) {
        GetLog().Error("Error: failed to write file %s!", path);
        return false;
    }
    struct stat old{};
    ::fchmod(fd, ::stat(host.c_str(), &old) == 0 ? (old.st_mode & 07777) : 0644);
    bool ok = WriteAll(fd, data.data(), data.size());
    ok = ::fsync(fd) == 0 && ok;
    ok = ::close(fd) == 0 && ok;
    ok = ok && ::rename(temp.c_str(), host.c_str()) == 0;
    if (!ok) {
        ::unlink(temp.c_str());
        GetLog().Error("Error: failed to write file %s!", path);
        return false;
    }
    // Make the rename itself durable.
    const size_t slash = host.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : (slash == 0 ? "/" : host.substr(0, slash));
    const int dfd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY);
    if (dfd >= 0) {
        ::fsync(dfd);
        ::close(dfd);
    }
    return true;
}
