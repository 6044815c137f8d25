#include "engine/not_yet_built_handlers.hpp"

#include "platform/error.hpp"

namespace kelmar::engine {
namespace {

[[noreturn]] void refuse(const std::string& name) {
    throw Error("Tratamento ainda n\xE3o dispon\xEDvel para " + name);
}

}  // namespace

void NotYetBuiltHandlers::submitNfe(const std::string& name) {
    refuse(name);
}
void NotYetBuiltHandlers::answerReceiptQuery(const std::string& name) {
    refuse(name);
}
void NotYetBuiltHandlers::cancelNfe(const std::string& name) {
    refuse(name);
}
void NotYetBuiltHandlers::voidNumbers(const std::string& name) {
    refuse(name);
}
void NotYetBuiltHandlers::holdNfe(const std::string& name) {
    refuse(name);
}
void NotYetBuiltHandlers::assembleBatch(const std::string& name) {
    refuse(name);
}

}  // namespace kelmar::engine
