#include "platform/file_times.hpp"

#include <gtest/gtest.h>

#include "support/temporary_folder.hpp"

namespace kelmar::platform {
namespace {

TEST(FileTimes, LocalTimesStepAsTheClockDoes) {
    const LocalDateTime start{2009, 1, 16, 14, 50, 43, 551};
    const LocalDateTime later{2009, 1, 16, 14, 50, 48, 551};
    const LocalDateTime nextDay{2009, 1, 17, 0, 0, 0, 0};
    EXPECT_EQ(toEpochMilliseconds(later) - toEpochMilliseconds(start), 5000);
    EXPECT_EQ(toEpochMilliseconds(nextDay) - toEpochMilliseconds({2009, 1, 16, 0, 0, 0, 0}),
              86'400'000);
}

TEST(FileTimes, AWrittenTimeReadsBack) {
    testing::TemporaryFolder folder;
    folder.write("lote.xml", "<a/>");
    const auto path = folder.text() + "\\lote.xml";
    const auto when = toEpochMilliseconds({2009, 1, 16, 14, 50, 43, 551});
    ASSERT_TRUE(setLastWriteMilliseconds(path, when));
    EXPECT_EQ(lastWriteMilliseconds(path), when);
}

TEST(FileTimes, AMissingFileHasNoTime) {
    testing::TemporaryFolder folder;
    EXPECT_FALSE(lastWriteMilliseconds(folder.text() + "\\missing.xml"));
    EXPECT_FALSE(setLastWriteMilliseconds(folder.text() + "\\missing.xml", 0));
}

}  // namespace
}  // namespace kelmar::platform
