// Game files: read from the package "Data.pak" when it holds them, else from the loose file on disk;
// written to disk atomically. Also the path key normaliser, the disk existence test, the host-path
// mapping of game paths and the one-byte scrambler of the package table and the player files.
#pragma once

#include "engine/base/engine_helpers.h"

#include <cstdint>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

using ByteVector = std::vector<uint8_t>;

// The scrambling constant shared by the package builder and the player files.
constexpr uint8_t kScrambleKey = 0x5A;
// Version of the package format.
constexpr uint16_t kPackageVersion = 1;
// Names in the package table are shorter than this.
constexpr uint16_t kPackageMaxName = 260;

struct PackedFile {
    uint32_t offset = 0;
    uint32_t size = 0;
};

class CFileSystem : public siv::singleton<CFileSystem> {
    friend class siv::singleton<CFileSystem>;
public:
    // A file system over the given package file (tests, tools). The program's one instance
    // (Instance()) uses "Data.pak" in the current folder.
    explicit CFileSystem(const std::string& package_path);
    // A file system over an already opened package stream (taken over and closed by the destructor).
    explicit CFileSystem(std::FILE* package);
    ~CFileSystem();

    // The whole file into `data`: the package first, then the disk. False when neither has it.
    bool ReadFile(const char* path, ByteVector& data);
    bool ReadFile(const std::string& path, ByteVector& data) { return ReadFile(path.c_str(), data); }

    // Writes the bytes to the disk file of that path, atomically: a temporary file in the same
    // folder, flushed and synced, renamed over the old file. False (the old file kept) on any failure.
    static bool WriteFile(const char* path, const ByteVector& data);
    static bool WriteFile(const std::string& path, const ByteVector& data) { return WriteFile(path.c_str(), data); }

    // Reads the loose file of the path (through HostPath).
    static bool ReadDiskFile(const char* path, ByteVector& data);

    // Removes the temporary files that a WriteFile of the path left behind when the process was
    // killed during the save, those not changed for `min_age_s` seconds (a younger one may belong to
    // a save in progress). Returns how many were removed; each is logged.
    static int RemoveStaleTemporaries(const std::string& path, int min_age_s);

    // The package was opened and its table accepted.
    bool IsPackageUsed() const { return _files_packed; }
    const std::map<std::string, PackedFile>& GetTable() const { return _fat; }

private:
    CFileSystem();
    void Open(std::FILE* package);
    bool ReadPackageTable();
    bool ReadPackedFile(const char* path, ByteVector& data);

    std::FILE* _pk_file = nullptr;
    bool _files_packed = false;
    std::map<std::string, PackedFile> _fat;
    uint64_t _pk_size = 0;
};

// The package and cache key of a path: upper case, runs of backslashes collapsed to one.
void NormalizePath(std::string& path);
// True when the path names an existing disk file (the package is not consulted).
bool FileExists(const std::string& path);
// XORs the bytes with the scrambling constant; a second call restores them.
void ScrambleBytes(uint8_t* bytes, uint32_t length);
// The host path of a game path: '\' becomes '/'; when that file does not exist, each component is
// matched without regard to case against its folder's listing (components not found are kept).
std::string HostPath(const std::string& path);
