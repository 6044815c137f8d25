#include "headless/console_reporter.hpp"

#include <gtest/gtest.h>

#include <sstream>

namespace kelmar::ui {
namespace {

// Texts taken from requests reach the terminal; none of their control characters may.
TEST(ConsoleReporterTest, ControlCharactersFromRequestsAreEscaped) {
    struct Case {
        std::string text;
        std::string shown;
    };
    const Case cases[] = {
        {"plain-nfe.xml", "plain-nfe.xml"},
        {"a\x1b[2Jb", "a\\x1b[2Jb"},
        {"bell\x07", "bell\\x07"},
        {"cr\rlf\n", "cr\\x0dlf\\x0a"},
        {"del\x7F", "del\\x7f"},
        {std::string("nul\0x", 5), "nul\\x00x"},
        {"c1\x9D\x90", "c1\\x9d\\x90"},
        {"S\xE3o Paulo \x80", "S\xE3o Paulo \x80"},  // letters and the euro sign stay
    };
    for (const auto& c : cases) {
        EXPECT_EQ(escapeControlCharacters(c.text), c.shown) << c.shown;
    }
}

TEST(ConsoleReporterTest, RequestLinesAndErrorsAreEscapedOnTheWayOut) {
    std::ostringstream out;
    std::ostringstream err;
    ConsoleReporter reporter(out, err);
    engine::DispatchRecord record;
    record.name = "x\x1b]0;pwn\x07-nfe.xml";
    record.kind = engine::RequestKind::NFe;
    reporter.requestHandled(record);
    reporter.showError("N\xE3o \xE9 poss\xEDvel criar o arquivo /x/retorno/\x1b[31m-num-lot.xml");
    EXPECT_EQ(out.str(), "envio/x\\x1b]0;pwn\\x07-nfe.xml: NF-e\n");
    EXPECT_EQ(
        err.str(),
        "N\xC3\xA3o \xC3\xA9 poss\xC3\xADvel criar o arquivo /x/retorno/\\x1b[31m-num-lot.xml.\n");
}

}  // namespace
}  // namespace kelmar::ui
