#pragma once

#include <string>

#include "platform/error.hpp"

namespace kelmar::engine {

// An error raised while one request was handled. The message is the failing operation's
// own text, unchanged (the window's message box shows it as it stands); the request it
// came from travels beside it, for the console line and the status bar.
class RequestError : public Error {
  public:
    RequestError(std::string request, const std::string& message)
        : Error(message), request_(std::move(request)) {}

    // "envio/x-nfe.xml": the request's folder and bare name.
    const std::string& request() const { return request_; }

  private:
    std::string request_;
};

// "envio/x-nfe.xml: Missing close tag in element infNFe", unless the message names the
// request already.
std::string withRequestName(const RequestError& error);

}  // namespace kelmar::engine
