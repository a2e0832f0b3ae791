#pragma once

// The one way every step reports that it did not do what was asked: a
// picture refused, settings that contradict one another, a file operation
// that failed, a fault of ours caught by the self-check, memory run out.
// The converter and the window turn it into words (failure_text.h).

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <variant>

namespace tilora {

enum class FailureKind {
  Picture,      // the picture cannot be converted as asked
  Usage,        // settings out of range or contradicting one another
  Io,           // a file operation failed; ioCode tells how
  Internal,     // the outputs failed the self-check: nothing is written
  OutOfMemory,  // the work did not fit in the memory to be had
};

// The pixel position of a tile's top-left corner.
struct TilePosition {
  std::int32_t x = 0;
  std::int32_t y = 0;
  bool operator==(const TilePosition&) const = default;
};

struct Failure {
  FailureKind kind = FailureKind::Picture;
  // One line for the user. For Io, what was being done when it failed
  // ("Cannot create file "Pic.bin"."), or empty; the code's words follow.
  std::string message;
  // Io: the code of the failure table (failure_text.h), 0 for none.
  int ioCode = 0;
  // Io: words that say more than the code's own, shown instead of them.
  std::string detail;
  // The tile the message names, so a window can mark it without reading
  // the text: the one refused, or the first past a tile limit.
  std::optional<TilePosition> tile;

  bool operator==(const Failure&) const = default;
};

inline Failure Refused(std::string message, std::optional<TilePosition> tile = std::nullopt) {
  return {FailureKind::Picture, std::move(message), 0, {}, tile};
}
inline Failure UsageFailure(std::string message) { return {FailureKind::Usage, std::move(message), 0, {}, {}}; }
inline Failure InternalFailure(std::string message) { return {FailureKind::Internal, std::move(message), 0, {}, {}}; }
inline Failure OutOfMemoryFailure() { return {FailureKind::OutOfMemory, {}, 0, {}, {}}; }
inline Failure IoFailure(int code, std::string context = {}, std::string detail = {}) {
  return {FailureKind::Io, std::move(context), code, std::move(detail), {}};
}

// A value, or the failure that stopped it.
template <typename T>
class Result {
 public:
  Result(T value) : state_(std::in_place_index<0>, std::move(value)) {}  // NOLINT: implicit by design
  Result(Failure failure) : state_(std::in_place_index<1>, std::move(failure)) {}  // NOLINT

  bool Ok() const { return state_.index() == 0; }
  explicit operator bool() const { return Ok(); }

  T& operator*() { return std::get<0>(state_); }
  const T& operator*() const { return std::get<0>(state_); }
  T* operator->() { return &std::get<0>(state_); }
  const T* operator->() const { return &std::get<0>(state_); }

  const Failure& Error() const { return std::get<1>(state_); }
  // The failure when there is one, else nullptr.
  const Failure* IfFailed() const { return std::get_if<1>(&state_); }

 private:
  std::variant<T, Failure> state_;
};

}  // namespace tilora
