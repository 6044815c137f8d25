#include "ui/console_reporter.hpp"

#include "platform/text_encoding.hpp"
#include "ui/dispatch_description.hpp"

namespace kelmar::ui {

void ConsoleReporter::requestHandled(const engine::DispatchRecord& record) {
    out_ << platform::cp1252ToUtf8(describeHandledRequest(record)) << '\n' << std::flush;
}

void ConsoleReporter::showError(std::string_view message) {
    err_ << platform::cp1252ToUtf8(withClosingFullStop(message)) << '\n' << std::flush;
}

}  // namespace kelmar::ui
