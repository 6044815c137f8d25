#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "engine/dispatch_record.hpp"
#include "engine/engine_context.hpp"
#include "engine/pending_request.hpp"
#include "engine/request_handlers.hpp"
#include "engine/request_kind.hpp"
#include "platform/file_identity.hpp"
#include "platform/folder_candidates.hpp"

namespace kelmar::engine {

// Told about every request a tick answers, e.g. to print it or show it in a status bar.
class TickObserver {
  public:
    virtual ~TickObserver() = default;
    virtual void requestHandled(const DispatchRecord& record) = 0;
    // Told once about a file in a request folder that is passed over and why (a name
    // that cannot be shown, say).
    virtual void fileNotHandled(std::string_view message) { static_cast<void>(message); }
};

// The engine's entry: reads the scenario rules afresh, looks at most at one request in
// "envio", then at most at one in "envio_lote", and hands each to the handler of its
// kind. An error reaches the caller, as a RequestError naming the request when one was
// being handled; work done before it stays done. A failing request in "envio" does not
// keep "envio_lote" from its turn (the error reaches the caller once both had it), and a
// folder whose request failed starts with the next request waiting behind it on its
// next turn, so one request that keeps failing never holds back the others.
class PollingTick {
  public:
    PollingTick(EngineContext& context, RequestHandlers& handlers);

    void run(TickObserver* observer = nullptr);

    // Runs first in every tick; an error it raises ends the tick before any request is
    // looked at (settings that cannot be read yet, a folder another simulator serves).
    void setPreparation(std::function<void()> preparation) {
        preparation_ = std::move(preparation);
    }

    // The request folders are watched through this channel from now on.
    void shareNotifications(const std::shared_ptr<platform::ChangeNotifier>& notifier) {
        for (auto& candidates : candidates_) {
            candidates.shareNotifications(notifier);
        }
    }

    // Hands one request to the handler of its kind and returns what the handler did.
    // An unrecognised request is left alone and gets an empty record.
    DispatchRecord dispatch(RequestFolder folder, RequestKind kind, const std::string& name);

  private:
    void pollFolder(RequestFolder folder, TickObserver* observer);
    // Tells the observer once about each name of the folder it cannot show.
    void tellUnshowable(RequestFolder folder, std::vector<std::string> names,
                        TickObserver* observer);

    EngineContext& context_;
    RequestHandlers& handlers_;
    std::function<void()> preparation_;
    // The names told about, per request folder, until they are gone.
    std::array<std::vector<std::string>, 2> toldUnshowable_;
    // Per request folder, the request that failed last: the next turn starts after it.
    std::array<std::string, 2> resumeAfter_;
    // Per request folder, requests answered that could not be deleted, as they were when
    // answered: passed over, never answered again, until they change or go.
    std::array<std::map<std::string, platform::FileIdentity>, 2> answeredNotRemoved_;
    // Requests of today's layout told about while another layout is answered in: passed
    // over with one message each, until that layout is switched on.
    std::set<std::string> toldLayout400_;
    // Per request folder, its candidate names, kept between ticks.
    std::array<platform::FolderCandidates, 2> candidates_;

    // The next request of the folder to look at, passing over those already answered;
    // `unfinished` is left with the folder's record of an unfinished request, if any.
    std::optional<std::string> nextRequest(RequestFolder folder, TickObserver* observer,
                                           std::optional<PendingRequest>& unfinished);
};

}  // namespace kelmar::engine
