// The exception family of the library: a root carrying a UTF-16 message, the
// argument error of the run-time library, and the root of the network classes.
#pragma once

#include <exception>
#include <string>

namespace zorapi {

class Exception : public std::exception {
 public:
  explicit Exception(std::u16string message = {});
  const std::u16string& Message() const noexcept { return FMessage; }
  const char* what() const noexcept override { return FWhat.c_str(); }

 private:
  std::u16string FMessage;
  std::string FWhat;  // UTF-8 copy for std::exception users
};

class EArgumentException : public Exception {
 public:
  using Exception::Exception;
};

class EIdException : public Exception {
 public:
  using Exception::Exception;
};

// An exception that is part of normal flow (the peer closing, for example).
class EIdSilentException : public EIdException {
 public:
  using EIdException::EIdException;
};

}  // namespace zorapi

// Declares an exception class that adds nothing to its parent.
#define ZORAPI_DECLARE_EXCEPTION(Name, Parent) \
  class Name : public Parent {                 \
   public:                                     \
    using Parent::Parent;                      \
  }
