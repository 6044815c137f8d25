#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/batch_memory.hpp"
#include "engine/engine_context.hpp"
#include "engine/request_handlers.hpp"
#include "engine/request_reading.hpp"

namespace kelmar::engine {

// The answers the sender and the authority would give, for every kind of request.
// Each handler follows the sender's steps in order; an error stops it where it is, and
// what was done before stays done.
class ExchangeHandlers final : public RequestHandlers {
  public:
    explicit ExchangeHandlers(EngineContext& context) : context_(context) {}

    void submitNfe(const std::string& name, DispatchRecord& record) override;
    void answerReceiptQuery(const std::string& name, DispatchRecord& record) override;
    void cancelNfe(const std::string& name, DispatchRecord& record) override;
    void voidNumbers(const std::string& name, DispatchRecord& record) override;
    void holdNfe(const std::string& name, DispatchRecord& record) override;
    void assembleBatch(const std::string& name, DispatchRecord& record) override;
    void registerEvents(const std::string& name, DispatchRecord& record) override;
    void answerServiceStatus(const std::string& name, DispatchRecord& record) override;
    void answerSituation(const std::string& name, DispatchRecord& record) override;

  private:
    enum class ProtocolResult { Cancellation, Voiding };

    void answerWithProtocol(const std::string& name, ProtocolResult result, DispatchRecord& record);
    // Writes the authorised archive copy and its twin in Denegados.
    void archiveNfe(std::string_view name, const NfeRequest& nfe, DispatchRecord& record);
    // The text of an NF-e its archive copy is made from, in the layout answered.
    NfeText archivedText() const;
    // The schema-failure copy named after an NF-e's key, or a warning when the key cannot
    // be part of a file name.
    void copySchemaFailure(std::string_view name, std::string_view key,
                           DispatchRecord& record) const;
    // Today's layout: a processed result for the batch's NF-e, fixed in its memory before
    // it is published; the same result again when the memory holds one.
    void answerProcessed400(std::string_view receipt, const std::vector<std::string>& stems,
                            const std::optional<BatchMemory>& memory, DispatchRecord& record);
    void repeatProcessed400(std::string_view receipt, const BatchMemory& memory,
                            DispatchRecord& record);
    // Remembers, for each NF-e a processed batch authorised or denied, what it was told.
    void rememberNfe(std::string_view receipt, const BatchMemory& memory,
                     DispatchRecord& record) const;
    // Files a request of today's layout in the authorised archive and deletes it.
    void archiveLayout400Request(std::string_view name, const std::string& request,
                                 DispatchRecord& record);
    // Files a receipt query in both archives and deletes it.
    void archiveQuery(std::string_view name, const std::string& request, DispatchRecord& record);
    // Writes a batch memory and notes the file in the record.
    static void writeMemoryRecorded(const BatchMemory& memory, const std::string& path,
                                    DispatchRecord& record);
    // A file in one archive's folder for the current month.
    std::string archivePath(Archive archive, std::string_view name) const;

    EngineContext& context_;
};

}  // namespace kelmar::engine
