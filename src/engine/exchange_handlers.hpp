#pragma once

#include <string>
#include <string_view>

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

  private:
    enum class ProtocolResult { Cancellation, Voiding };

    void answerWithProtocol(const std::string& name, ProtocolResult result, DispatchRecord& record);
    // Writes the authorised archive copy and its twin in Denegados.
    void archiveNfe(std::string_view name, const NfeRequest& nfe, DispatchRecord& record);
    // The schema-failure copy named after an NF-e's key, or a warning when the key cannot
    // be part of a file name.
    void copySchemaFailure(std::string_view name, std::string_view key,
                           DispatchRecord& record) const;
    // A file in one archive's folder for the current month.
    std::string archivePath(Archive archive, std::string_view name) const;

    EngineContext& context_;
};

}  // namespace kelmar::engine
