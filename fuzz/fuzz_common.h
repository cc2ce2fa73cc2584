// Shared set-up of the fuzz targets: the log goes to a scratch folder and is emptied now and then.
#pragma once

#include "engine/base/engine_log.h"

#include <unistd.h>

#include <cstdlib>
#include <string>

namespace zf_fuzz {

inline void Setup()
{
    static const bool done = [] {
        if (!std::getenv("XDG_DATA_HOME")) {
            char tmpl[] = "/tmp/zf-fuzz-XXXXXX";
            if (::mkdtemp(tmpl)) ::setenv("XDG_DATA_HOME", tmpl, 1);
        }
        // Loose-file reads look in the current folder: make it an empty one.
        char work[] = "/tmp/zf-fuzz-cwd-XXXXXX";
        if (::mkdtemp(work) && ::chdir(work) != 0) std::abort();
        return true;
    }();
    (void)done;
    static unsigned runs = 0;
    if (++runs % 4096 == 0) ::truncate(GetLog().GetPath().c_str(), 0);
}

} // namespace zf_fuzz
