// zf-pakbuild: packs a game folder into "Data.pak", or lists a package.
//   zf-pakbuild <folder> <output.pak>
//   zf-pakbuild --list <package.pak>
#include "pakbuild/pakbuild.h"

#include <cstdio>
#include <cstring>

int main(int argc, char** argv)
{
    if (argc == 3 && std::strcmp(argv[1], "--list") == 0) {
        std::vector<zf::pak::TableRow> rows;
        std::string error;
        if (!zf::pak::ReadTable(argv[2], rows, &error)) {
            std::fprintf(stderr, "zf-pakbuild: %s\n", error.c_str());
            return 1;
        }
        for (const auto& r : rows) std::printf("%10u %10u %s\n", r.offset, r.size, r.name.c_str());
        return 0;
    }
    if (argc != 3) {
        std::fprintf(stderr, "usage: zf-pakbuild <folder> <output.pak>\n       zf-pakbuild --list <package.pak>\n");
        return 2;
    }
    std::vector<zf::pak::Entry> entries;
    std::string error;
    if (!zf::pak::CollectFolder(argv[1], entries, &error) || !zf::pak::WritePackage(argv[2], entries, &error)) {
        std::fprintf(stderr, "zf-pakbuild: %s\n", error.c_str());
        return 1;
    }
    std::printf("zf-pakbuild: %zu files packed into %s\n", entries.size(), argv[2]);
    return 0;
}
