#pragma once

#include <exception>
#include <string>

#include "io/failure.h"
#include "io/failure_text.h"

namespace tilora {

// A failed file operation, raised inside the file layer and the readers so
// that a reading step ends at the failing operation; the steps' callers
// return it as its Failure. what() is the failure's message.
class IoError : public std::exception {
 public:
  explicit IoError(int code) : IoError(IoFailure(code)) {}
  // context: what was being done ("Cannot create file "x"."); detail: words
  // that say more than the code's own.
  IoError(int code, std::string context, std::string detail = {})
      : IoError(IoFailure(code, std::move(context), std::move(detail))) {}
  explicit IoError(Failure failure) : failure_(std::move(failure)), text_(FailureMessage(failure_)) {}

  int code() const noexcept { return failure_.ioCode; }
  const Failure& failure() const noexcept { return failure_; }
  const char* what() const noexcept override { return text_.c_str(); }

 private:
  Failure failure_;
  std::string text_;
};

}  // namespace tilora
