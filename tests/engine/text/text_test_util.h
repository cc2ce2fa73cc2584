// Helpers shared by the text tests: the fixture folder, and the shared folder and log helpers.
#pragma once

#include "support/test_support.h"

#include <string>

namespace texttest {

inline const std::string kFixtureDir = std::string(ZF_TEST_DATA_DIR) + "/text";

using zftest::LogWatch;
using zftest::ReadLog;
using zftest::ScopedChdir;

} // namespace texttest
