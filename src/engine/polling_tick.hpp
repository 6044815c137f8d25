#pragma once

#include <optional>
#include <string>
#include <vector>

#include "engine/engine_context.hpp"
#include "engine/request_handlers.hpp"
#include "engine/request_kind.hpp"

namespace kelmar::engine {

// What one tick did with one request.
struct HandledRequest {
    RequestFolder folder;
    std::string name;
    RequestKind kind;
    std::vector<HandOut> handOuts;         // numbers given while answering it
    std::vector<AppliedOutcome> outcomes;  // outcomes applied, and why
};

// Told about every request a tick answers, e.g. to print it or show it in a status bar.
class TickObserver {
  public:
    virtual ~TickObserver() = default;
    virtual void requestHandled(const HandledRequest& request) = 0;
};

// The engine's entry: reads the scenario rules afresh, looks at most at one request in
// "envio", then at most at one in "envio_lote", and hands each to the handler of its
// kind. Any error (a scenario rule that cannot be read included) ends the tick at once
// and reaches the caller; work done before it stays done.
class PollingTick {
  public:
    PollingTick(EngineContext& context, RequestHandlers& handlers);

    void run(TickObserver* observer = nullptr);

  private:
    void pollFolder(RequestFolder folder, TickObserver* observer);
    void dispatch(RequestFolder folder, RequestKind kind, const std::string& name);

    EngineContext& context_;
    RequestHandlers& handlers_;
};

}  // namespace kelmar::engine
