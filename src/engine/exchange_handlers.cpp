// What every handler of the exchange folder shares.
#include "engine/exchange_handlers.hpp"

namespace kelmar::engine {

void ExchangeHandlers::writeMemoryRecorded(const BatchMemory& memory, const std::string& path,
                                           DispatchRecord& record) {
    writeBatchMemory(path, memory);
    record.filesWritten.push_back(path);
}

std::string ExchangeHandlers::archivePath(Archive archive, std::string_view name) const {
    return context_.layout().archived(archive, context_.monthFolder(), name);
}

}  // namespace kelmar::engine
