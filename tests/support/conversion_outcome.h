#pragma once

// A conversion's result as the tests read it: converted, or the one line it
// failed with.

#include <optional>
#include <string>
#include <vector>

#include "convert/convert_file.h"
#include "io/failure_text.h"

namespace tilora::testing {

struct ConvertOutcome {
  bool converted = false;
  std::string notice;  // the failure's message, empty when converted
  std::optional<Failure> failure;
  std::vector<std::string> written;
  std::string report;
};

inline ConvertOutcome OutcomeOf(const Result<ConvertedFiles>& result) {
  ConvertOutcome outcome;
  if (const Failure* failure = result.IfFailed()) {
    outcome.notice = FailureMessage(*failure);
    outcome.failure = *failure;
    return outcome;
  }
  outcome.converted = true;
  outcome.written = result->written;
  outcome.report = result->report;
  return outcome;
}

// The failure as the converter prints it, "." rule and all; "" when converted.
inline std::string FailureTextOf(const Result<ConvertedFiles>& result) {
  const Failure* failure = result.IfFailed();
  return failure ? FailureText(FailureMessage(*failure)) : std::string();
}

}  // namespace tilora::testing
