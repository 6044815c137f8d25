#include "headless/console_reporter.hpp"

#include "form/dispatch_description.hpp"
#include "platform/native_path.hpp"
#include "platform/text_encoding.hpp"

namespace kelmar::ui {
std::string escapeControlCharacters(std::string_view text) {
    std::string shown;
    shown.reserve(text.size());
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        // C0 controls, DEL, and the five bytes Windows-1252 leaves undefined, which become
        // C1 controls (0x90 and 0x9D open terminal command strings) on the way out.
        const bool control = byte < 0x20 || byte == 0x7F || byte == 0x81 || byte == 0x8D ||
                             byte == 0x8F || byte == 0x90 || byte == 0x9D;
        if (!control) {
            shown += c;
            continue;
        }
        static constexpr char kHex[] = "0123456789abcdef";
        shown += "\\x";
        shown += kHex[byte >> 4];
        shown += kHex[byte & 0x0F];
    }
    return shown;
}

void ConsoleReporter::requestHandled(const engine::DispatchRecord& record) {
    out_ << platform::cp1252ToUtf8(escapeControlCharacters(describeHandledRequest(record))) << '\n'
         << std::flush;
    for (const auto& warning : record.warnings) {
        showWarning(std::string(engine::folderName(record.folder)) + "/" + record.name + ": " +
                    warning);
    }
}

void ConsoleReporter::showError(std::string_view message) {
    err_ << platform::cp1252ToUtf8(
                escapeControlCharacters(platform::displayMessage(withClosingFullStop(message))))
         << '\n'
         << std::flush;
}

void ConsoleReporter::showWarning(std::string_view message) {
    err_ << platform::cp1252ToUtf8(escapeControlCharacters(platform::displayMessage(message)))
         << '\n'
         << std::flush;
}

}  // namespace kelmar::ui
