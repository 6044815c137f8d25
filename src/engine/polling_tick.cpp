#include "engine/polling_tick.hpp"

#include "platform/file_system.hpp"

namespace kelmar::engine {

PollingTick::PollingTick(EngineContext& context, RequestHandlers& handlers)
    : context_(context), handlers_(handlers) {}

void PollingTick::run(TickObserver* observer) {
    context_.loadScenarios();
    pollFolder(RequestFolder::Envio, observer);
    pollFolder(RequestFolder::EnvioLote, observer);
}

void PollingTick::pollFolder(RequestFolder folder, TickObserver* observer) {
    // Only names that carry one of the folder's fragments are candidates, so a stray
    // file the application dropped there never holds back the requests behind it.
    const auto folderText = context_.layout().requestFolder(folder);
    const auto name = platform::findFirstXml(folderText, requestFragments(folder));
    if (!name) {
        return;
    }
    const auto kind = classifyRequest(folder, *name);
    if (kind == RequestKind::Unrecognised) {
        return;
    }
    const auto record = dispatch(folder, kind, *name);
    if (observer != nullptr) {
        observer->requestHandled(record);
    }
}

DispatchRecord PollingTick::dispatch(RequestFolder folder, RequestKind kind,
                                     const std::string& name) {
    DispatchRecord record;
    record.folder = folder;
    record.name = name;
    record.kind = kind;
    if (folder == RequestFolder::EnvioLote) {
        if (kind == RequestKind::NFe) {
            handlers_.holdNfe(name, record);
        } else if (kind == RequestKind::BatchList) {
            handlers_.assembleBatch(name, record);
        }
        return record;
    }
    switch (kind) {
        case RequestKind::NFe:
            handlers_.submitNfe(name, record);
            break;
        case RequestKind::ReceiptQuery:
            handlers_.answerReceiptQuery(name, record);
            break;
        case RequestKind::Cancellation:
            handlers_.cancelNfe(name, record);
            break;
        case RequestKind::Voiding:
            handlers_.voidNumbers(name, record);
            break;
        case RequestKind::BatchList:
        case RequestKind::Unrecognised:
            break;
    }
    return record;
}

}  // namespace kelmar::engine
