#pragma once

#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "support/temporary_folder.hpp"

namespace kelmar::testing {

// A test with a fresh folder of its own, and path texts below it written the way the
// engine writes them (Windows-1252, "\" after the folder).
class FolderTest : public ::testing::Test {
  protected:
    std::string at(std::string_view relative) const {
        return folder_.text() + "\\" + std::string(relative);
    }

    TemporaryFolder folder_;
};

}  // namespace kelmar::testing
