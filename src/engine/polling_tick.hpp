#pragma once

#include <cstdint>
#include <functional>
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
    std::vector<HandOut> handOuts;  // numbers given while answering it
};

// The message of a tick that ran out of memory on a request of the given size.
std::string outOfMemoryMessage(std::string_view request, std::uint64_t size);

// Told about every request a tick answers, e.g. to print it or show it in a status bar.
class TickObserver {
  public:
    virtual ~TickObserver() = default;
    virtual void requestHandled(const HandledRequest& request) = 0;
};

// The engine's entry: looks at most at one request in "envio", then at most at one in
// "envio_lote", and hands each to the handler of its kind. Any error ends the tick at
// once and reaches the caller; work done before it stays done.
class PollingTick {
  public:
    PollingTick(EngineContext& context, RequestHandlers& handlers);

    void run(TickObserver* observer = nullptr);

    // Runs first in every tick; an error it raises ends the tick before any request is
    // looked at (settings that cannot be read yet, a folder another simulator serves).
    void setPreparation(std::function<void()> preparation) {
        preparation_ = std::move(preparation);
    }

  private:
    void pollFolder(RequestFolder folder, TickObserver* observer);
    void dispatch(RequestFolder folder, RequestKind kind, const std::string& name);

    EngineContext& context_;
    RequestHandlers& handlers_;
    std::function<void()> preparation_;
};

}  // namespace kelmar::engine
