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
    context_.clearHandOuts();
    context_.clearOutcomes();
    dispatch(folder, kind, *name);
    if (observer != nullptr) {
        observer->requestHandled({folder, *name, kind, context_.handOuts(), context_.outcomes()});
    }
}

void PollingTick::dispatch(RequestFolder folder, RequestKind kind, const std::string& name) {
    if (folder == RequestFolder::EnvioLote) {
        if (kind == RequestKind::NFe) {
            handlers_.holdNfe(name);
        } else if (kind == RequestKind::BatchList) {
            handlers_.assembleBatch(name);
        }
        return;
    }
    switch (kind) {
        case RequestKind::NFe:
            handlers_.submitNfe(name);
            break;
        case RequestKind::ReceiptQuery:
            handlers_.answerReceiptQuery(name);
            break;
        case RequestKind::Cancellation:
            handlers_.cancelNfe(name);
            break;
        case RequestKind::Voiding:
            handlers_.voidNumbers(name);
            break;
        case RequestKind::BatchList:
        case RequestKind::Unrecognised:
            break;
    }
}

}  // namespace kelmar::engine
