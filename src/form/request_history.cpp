#include "form/request_history.hpp"

namespace kelmar::ui {

std::string HistoryEntry::text() const {
    std::string line = time;
    const auto append = [&line](const std::string& part) {
        if (!part.empty()) {
            line += "  ";
            line += part;
        }
    };
    append(request);
    append(kind);
    if (!error.empty()) {
        append("erro: " + error);
    }
    append(outcome);
    append(numbers);
    return line;
}

std::string HistoryEntry::twoLines() const {
    std::string first = time;
    std::string second;
    const auto append = [](std::string& line, const std::string& part) {
        if (!part.empty()) {
            line += line.empty() ? "" : "  ";
            line += part;
        }
    };
    append(first, request);
    append(first, kind);
    if (!error.empty()) {
        append(second, "erro: " + error);
    }
    append(second, outcome);
    append(second, numbers);
    return second.empty() ? first : first + '\n' + second;
}

void RequestHistory::add(HistoryEntry entry) {
    entries_.push_front(std::move(entry));
    if (entries_.size() > kLimit) {
        entries_.pop_back();
    }
}

}  // namespace kelmar::ui
