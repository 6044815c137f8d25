#pragma once

#include "platform/error.hpp"

namespace kelmar::xml {

// Failures of reading and writing XML files. The messages are the operator-visible texts.
class EStreamError : public kelmar::Error {
  public:
    using kelmar::Error::Error;
};

// Malformed markup found while reading.
class EFilerError : public EStreamError {
  public:
    using EStreamError::EStreamError;
};

// A file that could not be opened for reading.
class EFOpenError : public EStreamError {
  public:
    using EStreamError::EStreamError;
};

// A file that could not be created for writing.
class EFCreateError : public EStreamError {
  public:
    using EStreamError::EStreamError;
};

// A write that stored fewer bytes than it was handed.
class EWriteError : public EStreamError {
  public:
    using EStreamError::EStreamError;
};

}  // namespace kelmar::xml
