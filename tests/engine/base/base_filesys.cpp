#include "engine/base/engine_filesys.h"

#include "pakbuild/pakbuild.h"
#include "support/test_support.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>
#include <filesystem>

using zftest::LogWatch;
using zftest::ReadLog;
using zftest::TempDir;
using zftest::WriteBytes;
using zftest::WriteText;

namespace {

std::vector<uint8_t> Bytes(const std::string& s) { return std::vector<uint8_t>(s.begin(), s.end()); }
std::string Text(const ByteVector& v) { return std::string(v.begin(), v.end()); }

zf::pak::Entry E(const std::string& name, const std::string& data) { return {name, Bytes(data)}; }

void PutU16(std::vector<uint8_t>& out, size_t at, uint16_t v)
{
    out[at] = static_cast<uint8_t>(v);
    out[at + 1] = static_cast<uint8_t>(v >> 8);
}

class FileSystemTest : public ::testing::Test {
protected:
    TempDir dir;
    zftest::ScopedChdir cd{dir.path()};

    std::string Package(const std::vector<uint8_t>& bytes)
    {
        const std::string path = dir / "Test.pak";
        WriteBytes(path, bytes);
        return path;
    }
};

} // namespace

TEST(FileSystemHelpers, NormalizePath)
{
    struct Case { const char* in; const char* out; };
    for (const Case& c : {Case{"settings\\mouse.xml", "SETTINGS\\MOUSE.XML"}, Case{"SETTINGS\\\\MOUSE.XML", "SETTINGS\\MOUSE.XML"},
                          Case{"a\\\\\\\\b\\c", "A\\B\\C"}, Case{"\\\\x", "\\X"}, Case{"a/b//c", "A/B//C"}, Case{"", ""},
                          Case{"\xe9t\xe9", "\xe9T\xe9"}}) {
        std::string s = c.in;
        NormalizePath(s);
        EXPECT_EQ(s, c.out) << c.in;
    }
}

TEST(FileSystemHelpers, ScrambleTwiceRestores)
{
    std::vector<uint8_t> bytes(256);
    for (int i = 0; i < 256; ++i) bytes[i] = static_cast<uint8_t>(i);
    const auto original = bytes;
    ScrambleBytes(bytes.data(), 256);
    EXPECT_NE(bytes, original);
    EXPECT_EQ(bytes[0], kScrambleKey);
    ScrambleBytes(bytes.data(), 256);
    EXPECT_EQ(bytes, original);
    ScrambleBytes(bytes.data(), 0);
    EXPECT_EQ(bytes, original);
    ScrambleBytes(nullptr, 5);
}

TEST_F(FileSystemTest, HostPathMatchesComponentsWithoutCase)
{
    WriteText(dir / "Textures/Common/Square.tga", "sq");
    std::filesystem::create_directories(dir / "Settings");
    EXPECT_EQ(HostPath("Textures\\Common\\Square.tga"), "Textures/Common/Square.tga");
    EXPECT_EQ(HostPath("textures\\COMMON\\square.TGA"), "Textures/Common/Square.tga");
    EXPECT_EQ(HostPath(dir / "TEXTURES/common/SQUARE.tga"), dir / "Textures/Common/Square.tga");
    // a missing file keeps the rest of its path as written, under the folders that do exist
    EXPECT_EQ(HostPath("settings\\New.xml"), "Settings/New.xml");
    EXPECT_EQ(HostPath("nowhere\\a\\b"), "nowhere/a/b");
    EXPECT_EQ(HostPath(".\\textures\\..\\Textures\\common"), "./Textures/../Textures/Common");
    EXPECT_EQ(HostPath(""), "");
    EXPECT_TRUE(FileExists("TEXTURES\\COMMON\\SQUARE.TGA"));
    EXPECT_FALSE(FileExists("Textures\\Common"));  // a folder is not a file
    EXPECT_FALSE(FileExists("Textures\\Common\\Round.tga"));
    EXPECT_FALSE(FileExists(""));
}

TEST_F(FileSystemTest, PackageLookupsUseNormalisedNames)
{
    const std::string pak = Package(zf::pak::BuildPackage({
        E("SETTINGS\\MOUSE.XML", "<Mouse/>"),
        E("Settings\\Keys.xml", "packed keys"),
        E("TEXTURES\\A.TGA", "packed a"),
        E("DUP", "first"),
        E("DUP", "second"),
    }));
    WriteText(dir / "Settings/Keys.xml", "disk keys");
    WriteText(dir / "Textures/a.tga", "disk a");
    CFileSystem fs(pak);
    ASSERT_TRUE(fs.IsPackageUsed());
    ByteVector data;
    for (const char* path : {"settings\\mouse.xml", "Settings\\Mouse.xml", "SETTINGS\\\\MOUSE.XML"}) {
        ASSERT_TRUE(fs.ReadFile(path, data)) << path;
        EXPECT_EQ(Text(data), "<Mouse/>") << path;
    }
    ASSERT_TRUE(fs.ReadFile("Settings\\Keys.xml", data));  // stored in another form: never found in the package
    EXPECT_EQ(Text(data), "disk keys");
    ASSERT_TRUE(fs.ReadFile("Textures\\A.tga", data));  // in both: the package wins
    EXPECT_EQ(Text(data), "packed a");
    ASSERT_TRUE(fs.ReadFile("dup", data));
    EXPECT_EQ(Text(data), "first");
    EXPECT_FALSE(fs.ReadFile("Settings\\Missing.xml", data));
    EXPECT_FALSE(fs.ReadFile("", data));
    EXPECT_FALSE(fs.ReadFile(static_cast<const char*>(nullptr), data));
}

TEST_F(FileSystemTest, DamagedPackagesAreRejectedAndReadsGoToDisk)
{
    WriteText(dir / "Settings/Mouse.xml", "disk mouse");
    const std::vector<zf::pak::Entry> entries = {E("A", "1"), E("B", "22"), E("C", "333"), E("SETTINGS\\MOUSE.XML", "packed")};
    const std::vector<uint8_t> good = zf::pak::BuildPackage(entries);
    const size_t entry1 = 6 + (2 + 1 + 8);      // where entry 1 starts
    const size_t entry3 = 6 + 3 * (2 + 1 + 8);  // where entry 3 starts

    struct Case { const char* name; std::vector<uint8_t> bytes; std::string line; };
    std::vector<Case> cases;
    {
        auto b = good;
        PutU16(b, 0, 2);
        cases.push_back({"version 2", b, "Error: invalid file package version 2. Current version is 1"});
    }
    {
        auto b = good;
        PutU16(b, entry3, 300);
        cases.push_back({"long name", b, "Error: reading package: file name 3 is too long."});
    }
    {
        // entry 0 is an empty file; entry 1 ends inside its name
        std::vector<uint8_t> b = {1, 0, 2, 0, 0, 0, 1, 0, 'A' ^ kScrambleKey};
        for (int i = 0; i < 8; ++i) b.push_back(kScrambleKey);
        b.insert(b.end(), {40, 0});
        b.insert(b.end(), 30, 'N' ^ kScrambleKey);
        cases.push_back({"table ends early", b, "Error: reading package: file entry 1 is cut short."});
    }
    {
        auto b = good;
        b[2] = b[3] = b[4] = b[5] = 0xFF;
        cases.push_back({"absurd count", b, "Error: reading package: 4294967295 files cannot fit in a package of"});
    }
    {
        auto b = good;
        b[2] = 200;
        cases.push_back({"count past the table", b, "Error: reading package: 200 files cannot fit"});
    }
    {
        auto b = good;
        b.resize(b.size() - 2);  // the last file's bytes are cut
        cases.push_back({"file past the end", b, "Error: reading package: file 3 lies outside the package."});
    }
    {
        auto b = good;
        b[entry1 + 2 + 1 + 4 + 3] ^= 0x40;  // entry 1's size, scrambled: a huge size
        cases.push_back({"absurd size", b, "Error: reading package: file 1 lies outside the package."});
    }
    cases.push_back({"one byte", {1}, "Error: reading package: the file is too short."});
    cases.push_back({"header only", {1, 0, 4}, "Error: reading package: the file is too short."});
    cases.push_back({"empty file", {}, "Error: reading package: the file is too short."});

    for (const Case& c : cases) {
        const LogWatch log;
        CFileSystem fs(Package(c.bytes));
        EXPECT_FALSE(fs.IsPackageUsed()) << c.name;
        EXPECT_TRUE(log.Has(c.line)) << c.name << ": " << c.line;
        ByteVector data;
        ASSERT_TRUE(fs.ReadFile("Settings\\Mouse.xml", data)) << c.name;
        EXPECT_EQ(Text(data), "disk mouse") << c.name;
        EXPECT_FALSE(fs.ReadFile("A", data)) << c.name;
    }
}

TEST_F(FileSystemTest, EmptyEntriesAndEmptyPackages)
{
    WriteText(dir / "Empty.txt", "from disk");
    CFileSystem fs(Package(zf::pak::BuildPackage({E("EMPTY.TXT", ""), E("GONE.TXT", "")})));
    ASSERT_TRUE(fs.IsPackageUsed());
    ByteVector data;
    ASSERT_TRUE(fs.ReadFile("Empty.txt", data));  // a size-0 entry counts as a failed packed read
    EXPECT_EQ(Text(data), "from disk");
    EXPECT_FALSE(fs.ReadFile("Gone.txt", data));

    CFileSystem none(Package(zf::pak::BuildPackage({})));
    EXPECT_TRUE(none.IsPackageUsed());
    ASSERT_TRUE(none.ReadFile("Empty.txt", data));
    EXPECT_EQ(Text(data), "from disk");

    CFileSystem missing(dir / "NoSuch.pak");
    EXPECT_FALSE(missing.IsPackageUsed());
    ASSERT_TRUE(missing.ReadFile("empty.TXT", data));
    EXPECT_EQ(Text(data), "from disk");
}

TEST_F(FileSystemTest, DiskReads)
{
    WriteText(dir / "zero.bin", "");
    std::filesystem::create_directories(dir / "folder");
    const LogWatch log;
    ByteVector data = Bytes("old");
    ASSERT_TRUE(CFileSystem::ReadDiskFile("zero.bin", data));  // an empty file is an empty read
    EXPECT_TRUE(data.empty());
    data = Bytes("old");
    EXPECT_FALSE(CFileSystem::ReadDiskFile("folder", data));
    EXPECT_FALSE(CFileSystem::ReadDiskFile("missing.bin", data));
    EXPECT_FALSE(CFileSystem::ReadDiskFile("", data));
    EXPECT_EQ(Text(data), "old");  // failures leave the vector alone
    EXPECT_EQ(log.Text(), "");  // and a missing file is not logged
}

TEST_F(FileSystemTest, WriteFileReplacesAtomically)
{
    const ByteVector first = Bytes("first version");
    ASSERT_TRUE(CFileSystem::WriteFile("Profiles.xml", first));
    ByteVector data;
    ASSERT_TRUE(CFileSystem::ReadDiskFile("Profiles.xml", data));
    EXPECT_EQ(data, first);
    ASSERT_TRUE(CFileSystem::WriteFile("profiles.XML", Bytes("second")));  // the existing file, by another case
    ASSERT_TRUE(CFileSystem::ReadDiskFile("Profiles.xml", data));
    EXPECT_EQ(Text(data), "second");
    ASSERT_TRUE(CFileSystem::WriteFile("Empty.xml", ByteVector()));
    EXPECT_TRUE(FileExists("Empty.xml"));

    std::filesystem::create_directories(dir / "Sub");
    ASSERT_TRUE(CFileSystem::WriteFile("sub\\Hiscores.xml", Bytes("h")));
    EXPECT_TRUE(std::filesystem::exists(dir / "Sub/Hiscores.xml"));

    EXPECT_FALSE(CFileSystem::WriteFile("", first));
    EXPECT_FALSE(CFileSystem::WriteFile("no/such/folder/x.xml", first));

    size_t files = 0;
    for (const auto& e : std::filesystem::recursive_directory_iterator(dir.path())) files += e.is_regular_file();
    EXPECT_EQ(files, 3u) << "no temporary files are left behind";
}

TEST_F(FileSystemTest, ShortWriteFailsAndKeepsTheOldFile)
{
    ASSERT_TRUE(CFileSystem::WriteFile("Profiles.xml", Bytes("precious")));
    const LogWatch log;
    // Limit the size of files this process may write, so that the write comes up short.
    rlimit old{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
    const auto old_handler = std::signal(SIGXFSZ, SIG_IGN);
    // (room is left for the log, which this process writes too)
    const size_t limit = ReadLog().size() + 64 * 1024;
    rlimit small = old;
    small.rlim_cur = limit;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool ok = CFileSystem::WriteFile("Profiles.xml", ByteVector(limit + 10000, 'x'));
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, old_handler);

    EXPECT_FALSE(ok);
    ByteVector data;
    ASSERT_TRUE(CFileSystem::ReadDiskFile("Profiles.xml", data));
    EXPECT_EQ(Text(data), "precious");
    EXPECT_TRUE(log.Has("Error: failed to write file Profiles.xml!"));
    size_t files = 0;
    for (const auto& e : std::filesystem::directory_iterator(dir.path())) files += e.is_regular_file();
    EXPECT_EQ(files, 1u);
}

TEST(FileSystemInstance, ReadsDataPakOfTheCurrentFolder)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");  // a fresh process, where the instance does not exist yet
    EXPECT_EXIT(
        {
            TempDir dir;
            std::filesystem::current_path(dir.path());
            WriteBytes(dir / "Data.pak", zf::pak::BuildPackage({E("SETTINGS\\X.XML", "packed x")}));
            ByteVector data;
            const bool ok = CFileSystem::Instance().IsPackageUsed() && CFileSystem::Instance().ReadFile("Settings\\x.xml", data) &&
                            Text(data) == "packed x";
            std::filesystem::current_path("/");
            std::filesystem::remove_all(dir.path());
            std::exit(ok ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

TEST(PackageBuilder, PacksAFolderAndReadsItsTable)
{
    TempDir dir;
    WriteText(dir / "game/Settings/Mouse.xml", "<Mouse/>");
    WriteText(dir / "game/Textures/Common/Square.tga", std::string(1000, 's'));
    WriteText(dir / "game/Data.pak", "an old package is not packed into the new one");
    std::vector<zf::pak::Entry> entries;
    ASSERT_TRUE(zf::pak::CollectFolder(dir / "game", entries));
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].name, "SETTINGS\\MOUSE.XML");
    EXPECT_EQ(entries[1].name, "TEXTURES\\COMMON\\SQUARE.TGA");
    ASSERT_TRUE(zf::pak::WritePackage(dir / "out.pak", entries));

    std::vector<zf::pak::TableRow> rows;
    ASSERT_TRUE(zf::pak::ReadTable(dir / "out.pak", rows));
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[1].size, 1000u);

    CFileSystem fs(dir / "out.pak");
    ASSERT_TRUE(fs.IsPackageUsed());
    ByteVector data;
    ASSERT_TRUE(fs.ReadFile("textures\\common\\square.tga", data));
    EXPECT_EQ(Text(data), std::string(1000, 's'));

    EXPECT_FALSE(zf::pak::WritePackage(dir / "bad.pak", {E(std::string(260, 'N'), "x")}));
    EXPECT_FALSE(zf::pak::CollectFolder(dir / "nothing", entries));
}
