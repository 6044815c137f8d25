#include "platform/file_times.hpp"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <string>
#include <utility>

#include "platform/clock.hpp"

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

#ifndef _WIN32
// The system clock tells how far local time is from UTC, west of it as well as east.
TEST(FileTimes, TheSystemClockGivesTheLocalOffset) {
    const char* previous = std::getenv("TZ");
    const std::string kept = previous != nullptr ? previous : "";
    for (const auto& [zone, offset] :
         {std::pair{"BRT3", -180}, std::pair{"IST-5:30", 330}, std::pair{"UTC0", 0}}) {
        ::setenv("TZ", zone, 1);
        ::tzset();
        EXPECT_EQ(SystemClock().now().utcOffsetMinutes, offset) << zone;
    }
    if (previous != nullptr) {
        ::setenv("TZ", kept.c_str(), 1);
    } else {
        ::unsetenv("TZ");
    }
    ::tzset();
}
#endif

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
