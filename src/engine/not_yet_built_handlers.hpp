#pragma once

#include "engine/request_handlers.hpp"

namespace kelmar::engine {

// Stands in for the handlers that are not written yet: every request is refused with
// an error, so it stays where it is.
class NotYetBuiltHandlers final : public RequestHandlers {
  public:
    void submitNfe(const std::string& name) override;
    void answerReceiptQuery(const std::string& name) override;
    void cancelNfe(const std::string& name) override;
    void voidNumbers(const std::string& name) override;
    void holdNfe(const std::string& name) override;
    void assembleBatch(const std::string& name) override;
};

}  // namespace kelmar::engine
