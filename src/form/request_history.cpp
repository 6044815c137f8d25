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

void RequestHistory::add(HistoryEntry entry) {
    entries_.push_front(std::move(entry));
    if (entries_.size() > kLimit) {
        entries_.pop_back();
    }
}

}  // namespace kelmar::ui
