#pragma once

#include "platform/error.hpp"

namespace kelmar::xml {

// A stream could not be read or written in the form expected.
class EStreamError : public kelmar::Error {
  public:
    using kelmar::Error::Error;
};

// The markup read is not well formed enough to build a tree from.
class EFilerError : public EStreamError {
  public:
    using EStreamError::EStreamError;
};

// A file could not be opened.
class EFOpenError : public EStreamError {
  public:
    using EStreamError::EStreamError;
};

}  // namespace kelmar::xml
