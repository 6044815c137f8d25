#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "engine/outcome_decision.hpp"
#include "engine/request_kind.hpp"
#include "settings/simulator_state.hpp"
#include "xml/xml_document.hpp"

namespace kelmar::engine {

// A number handed out while one request was handled.
struct HandOut {
    settings::StateField counter;
    std::int32_t value;
    // The number as the answers show it (a receipt or protocol number of the layout
    // answered in); empty for the batch counter and when not known.
    std::string shown = {};

    // The shown number, or the one the default layout makes of the value.
    std::string text() const;
};

// What one dispatch did with one request: handed to the tick's observers so that the
// console, the window or a log can tell the operator. A request whose handling raised
// an error has no record: the error tells what happened instead.
struct DispatchRecord {
    RequestFolder folder = RequestFolder::Envio;
    std::string name;  // the request's bare file name
    RequestKind kind = RequestKind::Unrecognised;
    // Numbers handed out, in the order they were taken.
    std::vector<HandOut> handOuts;
    // Path texts of the responses, batch records and archive copies left in the exchange
    // folder, in the order they were written.
    std::vector<std::string> filesWritten;
    // Problems that did not stop the answer, in Windows-1252, one sentence each.
    std::vector<std::string> warnings;
    // Outcomes applied to the NF-e of the request (or to its whole batch), and why.
    std::vector<AppliedOutcome> outcomes;
    // Today's layout: what each event, status or situation query was answered, one entry
    // per event (type "110111") or per query (type empty), with the key it named (empty
    // for a status query) and the code given.
    struct AnsweredItem {
        std::string type;
        std::string accessKey;
        std::string status;
    };
    std::vector<AnsweredItem> answered;
    // The status code (cStat) of each document saved that carries one, by path text.
    std::vector<std::pair<std::string, std::string>> statuses;

    // The status code of a file written, or nothing when it carries none.
    std::optional<std::string> statusOf(std::string_view path) const;
};

// Saves a document and notes the file in the record; a failure raises, as every save
// does, and notes nothing.
void saveRecorded(const xml::XmlDocument& document, const std::string& path,
                  DispatchRecord& record);

// Copies a file and notes the copy in the record when it was made; a failed copy does
// not stop the answer, as every copy of the exchange, but leaves a warning naming both
// files.
void copyRecorded(std::string_view source, const std::string& destination, DispatchRecord& record);

// Makes a second copy of a document just saved at `saved`, as copyRecorded would, but
// from the document: the same bytes, without reading the first back.
void saveCopyRecorded(const xml::XmlDocument& document, std::string_view saved,
                      const std::string& destination, DispatchRecord& record);

// Copies a file the answer cannot do without; a failed copy raises, naming both files.
void copyRequired(std::string_view source, const std::string& destination, DispatchRecord& record);

}  // namespace kelmar::engine
