// Entry point of the game.
#include "shell/main_entry.h"

int main(int argc, char** argv)
{
    EntryOptions options;
    options.data_dir = ZF_DATA_DIR;
    options.stats_host = ZF_STATS_HOST;
    return ZerafineMain(argc, argv, options);
}
