#include "engine/polling_tick.hpp"

#include <algorithm>
#include <exception>
#include <new>

#include "engine/engine_messages.hpp"
#include "engine/request_error.hpp"
#include "platform/error.hpp"
#include "platform/file_identity.hpp"
#include "platform/file_system.hpp"

namespace kelmar::engine {

PollingTick::PollingTick(EngineContext& context, RequestHandlers& handlers)
    : context_(context),
      handlers_(handlers),
      candidates_{platform::FolderCandidates(requestFragments(RequestFolder::Envio)),
                  platform::FolderCandidates(requestFragments(RequestFolder::EnvioLote))} {}

void PollingTick::run(TickObserver* observer) {
    if (preparation_) {
        preparation_();
    }
    context_.loadScenariosAndProfile();
    std::exception_ptr envioFailure;
    try {
        pollFolder(RequestFolder::Envio, observer);
    } catch (const Error&) {
        envioFailure = std::current_exception();
    }
    pollFolder(RequestFolder::EnvioLote, observer);
    if (envioFailure) {
        std::rethrow_exception(envioFailure);
    }
}

void PollingTick::pollFolder(RequestFolder folder, TickObserver* observer) {
    auto& resumeAfter = resumeAfter_[static_cast<std::size_t>(folder)];
    // Read once for the tick: the same record tells what comes first and what the request
    // begun was already handed.
    std::optional<PendingRequest> unfinished;
    const auto name = nextRequest(folder, observer, unfinished);
    resumeAfter.clear();
    if (!name) {
        return;
    }
    const auto kind = classifyRequest(folder, *name);
    if (kind == RequestKind::Unrecognised) {
        return;
    }
    const auto request = context_.layout().request(folder, *name);
    context_.beginRequest(folder, *name, std::move(unfinished));
    const auto shownName = std::string(folderName(folder)) + "/" + *name;
    DispatchRecord record;
    try {
        record = dispatch(folder, kind, *name);
    } catch (const RequestError&) {
        resumeAfter = *name;
        throw;
    } catch (const Error& error) {
        resumeAfter = *name;
        throw RequestError(shownName, error.what());
    } catch (const std::bad_alloc&) {
        resumeAfter = *name;
        // A request too large for the memory left: say which, and end the tick like any
        // other error (what was allocated for it is released by now).
        const auto identity = platform::identifyFile(request);
        throw RequestError(shownName,
                           messages::outOfMemory(shownName, identity ? identity->size : 0));
    }
    // Answered but still there, the very file that was read: deleting it failed. It is
    // not answered again while it stays as it is.
    const auto& answered = context_.requestIdentity();
    if (answered && !context_.requestRemoved() && platform::identifyFile(request) == answered) {
        answeredNotRemoved_[static_cast<std::size_t>(folder)].emplace(*name, *answered);
        record.warnings.push_back(messages::answeredNotRemoved(shownName));
    }
    if (observer != nullptr) {
        observer->requestHandled(record);
    }
}

std::optional<std::string> PollingTick::nextRequest(RequestFolder folder, TickObserver* observer,
                                                    std::optional<PendingRequest>& unfinished) {
    const auto exchange = context_.layout();
    auto& passOver = answeredNotRemoved_[static_cast<std::size_t>(folder)];
    std::erase_if(passOver, [&](const auto& entry) {
        return platform::identifyFile(exchange.request(folder, entry.first)) != entry.second;
    });
    // A request an earlier attempt left unfinished goes first, so its numbers are used
    // for it and for nothing else.
    unfinished = context_.unfinishedRequest(folder);
    if (unfinished) {
        if (!platform::fileExists(exchange.request(folder, unfinished->name))) {
            context_.forgetUnfinished(folder);
            unfinished.reset();
        } else if (!passOver.contains(unfinished->name)) {
            return unfinished->name;
        }
    }
    // Only names that carry one of the folder's fragments are candidates, so a stray
    // file the application dropped there never holds back the requests behind it.
    auto& candidates = candidates_[static_cast<std::size_t>(folder)];
    candidates.refresh(exchange.requestFolder(folder));
    tellUnshowable(folder, candidates.unshowable(), observer);
    const bool layout400 = context_.answersInLayout400();
    if (layout400) {
        toldLayout400_.clear();
    }
    return candidates.first(
        resumeAfter_[static_cast<std::size_t>(folder)], [&](const std::string& name) {
            if (passOver.contains(name)) {
                return true;
            }
            if (layout400 || !isLayout400Kind(classifyRequest(folder, name))) {
                return false;
            }
            if (toldLayout400_.insert(name).second && observer != nullptr) {
                observer->fileNotHandled(messages::layout400Request(
                    std::string(folderName(folder)) + "/" + name, context_.settingsFile().path()));
            }
            return true;
        });
}

void PollingTick::tellUnshowable(RequestFolder folder, std::vector<std::string> names,
                                 TickObserver* observer) {
    auto& told = toldUnshowable_[static_cast<std::size_t>(folder)];
    if (names.empty() && told.empty()) {
        return;
    }
    std::sort(names.begin(), names.end());
    if (observer != nullptr) {
        for (const auto& name : names) {
            if (!std::binary_search(told.begin(), told.end(), name)) {
                observer->fileNotHandled(
                    messages::unshowableName(std::string(folderName(folder)) + "/" + name));
            }
        }
    }
    told = std::move(names);  // a name gone and back is told again
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
        case RequestKind::Event:
            handlers_.registerEvents(name, record);
            break;
        case RequestKind::ServiceStatus:
            handlers_.answerServiceStatus(name, record);
            break;
        case RequestKind::Situation:
            handlers_.answerSituation(name, record);
            break;
        case RequestKind::BatchList:
        case RequestKind::Unrecognised:
            break;
    }
    return record;
}

}  // namespace kelmar::engine

namespace kelmar::engine {

std::string withRequestName(const RequestError& error) {
    std::string message = error.what();
    if (message.find(error.request()) != std::string::npos) {
        return message;
    }
    return error.request() + ": " + message;
}

}  // namespace kelmar::engine
