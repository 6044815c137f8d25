#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "engine/exchange_names.hpp"

namespace kelmar::engine {

// What the exchange folder lacks, as the operator should be told.
struct FolderCheck {
    bool folderMissing = false;
    std::vector<std::string_view> missingSubfolders;  // in the order of subfolderNames()

    bool complete() const { return !folderMissing && missingSubfolders.empty(); }
};

// Where every file of the exchange folder lives. A path is the folder text followed by
// backslash-separated parts, joined by plain concatenation: a folder text ending in a
// backslash gives a doubled one, which every file system accepts. The layout holds the
// folder text it was made with, so make a new one whenever the folder may have changed.
class ExchangeLayout {
  public:
    explicit ExchangeLayout(std::string folder) : folder_(std::move(folder)) {}

    // The names of exchange_names.hpp, for callers that hold a layout.
    static std::span<const std::string_view> subfolderNames() { return engine::subfolderNames(); }

    const std::string& folder() const { return folder_; }
    std::string subfolder(Subfolder subfolder) const;
    std::string file(Subfolder subfolder, std::string_view name) const;
    std::string requestFolder(RequestFolder folder) const;
    std::string request(RequestFolder folder, std::string_view name) const;

    // Responses in "retorno".
    std::string batchNumber(std::string_view key) const;            // key-num-lot.xml
    std::string receipt(std::int32_t batch) const;                  // 0000000<batch>-rec.xml
    std::string sendFailure(std::int32_t batch) const;              // 0000000<batch>-rec.err
    std::string schemaFailure(std::string_view stem) const;         // stem-nfe.err
    std::string batchFailure(std::string_view listName) const;      // every ".xml" made ".err"
    std::string queryResult(std::string_view receiptNumber) const;  // nRec-pro-rec.xml
    std::string cancellationResult(std::string_view key) const;     // key-can.xml
    std::string voidingResult(std::string_view key) const;          // key-inu.xml

    // The record of an accepted batch in "lotes", named by its receipt number.
    std::string batchRecord(std::string_view receiptNumber) const;
    // What today's layout remembers of that batch, beside its record: nRec-lote-res.ini.
    std::string batchMemory(std::string_view receiptNumber) const;
    // What today's layout remembers of one NF-e, by its key: chNFe-nfe-sit.ini in lotes.
    std::string nfeMemory(std::string_view key) const;
    // The answer to a request of today's layout: its name with the request fragment
    // replaced by the answer's ending.
    std::string layout400Answer(std::string_view requestName, std::string_view requestFragment,
                                std::string_view answerEnding) const;
    // The batch-number document in "tmp" while a batch is being assembled.
    std::string assemblyBatchNumber(std::string_view batchText) const;
    // The record of the request in progress in a request folder, hidden at the top of
    // the exchange folder: ".kelmar-pendente-envio.ini".
    std::string pendingRecord(RequestFolder folder) const;

    // backup\Autorizados, backup\Autorizados\<month> and a file in the month folder.
    std::string archive(Archive archive) const;
    std::string archiveMonth(Archive archive, std::string_view month) const;
    std::string archived(Archive archive, std::string_view month, std::string_view name) const;

    // Which of the folder and its subfolders are missing on disk now.
    FolderCheck check() const;

  private:
    std::string response(std::string_view name) const;

    std::string folder_;
};

}  // namespace kelmar::engine
