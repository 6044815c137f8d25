#pragma once

#include <gtest/gtest.h>

#include <exception>
#include <string>
#include <string_view>

namespace kelmar::testing {

// Success when the call throws an Exception whose message is exactly the expected text;
// a failure naming what happened instead (another message, another exception, none).
template <typename Exception, typename Call>
::testing::AssertionResult throwsWithMessage(Call&& call, std::string_view expected) {
    try {
        call();
    } catch (const Exception& error) {
        if (std::string_view(error.what()) == expected) {
            return ::testing::AssertionSuccess();
        }
        return ::testing::AssertionFailure()
               << "the message was\n  \"" << error.what() << "\"\nnot\n  \"" << expected << '"';
    } catch (...) {
        return ::testing::AssertionFailure() << "another kind of exception was thrown";
    }
    return ::testing::AssertionFailure() << "nothing was thrown";
}

}  // namespace kelmar::testing

// Expects the statement to throw the exception type with exactly the given message.
#define EXPECT_THROW_MSG(statement, exception, message)                                       \
    EXPECT_TRUE(::kelmar::testing::throwsWithMessage<exception>([&] { statement; }, message)) \
        << #statement

#define ASSERT_THROW_MSG(statement, exception, message)                                       \
    ASSERT_TRUE(::kelmar::testing::throwsWithMessage<exception>([&] { statement; }, message)) \
        << #statement
