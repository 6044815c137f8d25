#pragma once

#include <optional>
#include <string>
#include <vector>

#include "engine/dispatch_record.hpp"
#include "platform/file_identity.hpp"

namespace kelmar::engine {

// The request being answered in one request folder, kept on disk from its first number
// on until it is deleted: which file it is, the month it is filed under and the numbers
// handed out for it, in order. When answering it fails half way (a save fails, the disk
// fills, the process is killed), the next attempt at the same file answers with these
// numbers instead of taking new ones, so an answer once published never changes its
// numbers. A small INI text, readable by a person:
//
//     [PENDENTE]
//     ARQUIVO=42...-nfe.xml
//     IDENTIDADE=2049:1234567:812:1233000000000000000
//     MES=200901
//     LOTE=205
//     RECIBO=159093
struct PendingRequest {
    std::string name;
    std::optional<platform::FileIdentity> identity;
    std::string month;
    std::vector<HandOut> handOuts;

    std::string text() const;
    // Nothing when the text is not such a record (written by hand, cut short).
    static std::optional<PendingRequest> parse(std::string_view text);
};

// Reads the record at the path text; nothing when there is none or it cannot be read.
std::optional<PendingRequest> readPendingRequest(const std::string& pathText);

// Writes the record whole or not at all; raises, naming the file, when it cannot.
void writePendingRequest(const std::string& pathText, const PendingRequest& pending);

}  // namespace kelmar::engine
