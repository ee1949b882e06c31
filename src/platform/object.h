// The root of the library's class tree and the shared event and error types.
//
//   struct TThing : synt::TObject { ... };
//   synt::TNotifyEvent OnChange = [](synt::TObject* sender) { ... };
//   throw synt::EListError("Index 5 is out of range");
#pragma once

#include <functional>
#include <stdexcept>
#include <string>

namespace synt {

// Base of every object that may be handed around as an untyped reference (per-line objects,
// event senders, items of string lists).
class TObject {
 public:
  virtual ~TObject() = default;
};

using TNotifyEvent = std::function<void(TObject* Sender)>;

// A text position (column X, line Y) or a point on a canvas.
struct TPoint {
  int X = 0;
  int Y = 0;
  friend bool operator==(const TPoint&, const TPoint&) = default;
};

// The library's failures carry a fixed English message (UTF-8) in what().
class Exception : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class EListError : public Exception {  // index outside a list
 public:
  using Exception::Exception;
};

class EConvertError : public Exception {  // impossible assignment or conversion
 public:
  using Exception::Exception;
};

class EStreamError : public Exception {  // file or stream failure
 public:
  using Exception::Exception;
};

}  // namespace synt
