#pragma once
// The outcome of reading a file: the value read, or why there is none — a fault kind that
// callers act on and a message that says it to the user. Every reader of a file from outside
// (macro files, backups, firmware files) answers this way.

#include <optional>
#include <string>
#include <utility>

namespace halvric {

enum class FileFault {
  kNone,
  kUnreadable,     // missing, unreadable or too large
  kInvalidFormat,  // read, but not a file of the expected kind
};

template <class T, class Fault = FileFault>
class FileResult {
 public:
  FileResult(T value) : value_(std::move(value)) {}  // a value read: success
  static FileResult Failure(Fault fault, std::string message) {
    FileResult r;
    r.fault_ = fault;
    r.message_ = std::move(message);
    return r;
  }

  bool ok() const { return value_.has_value(); }
  explicit operator bool() const { return ok(); }
  const T& value() const& { return *value_; }
  T& value() & { return *value_; }
  T&& value() && { return std::move(*value_); }
  const T& operator*() const& { return *value_; }
  T& operator*() & { return *value_; }
  const T* operator->() const { return &*value_; }
  T* operator->() { return &*value_; }
  Fault fault() const { return fault_; }
  const std::string& message() const { return message_; }

 private:
  FileResult() = default;
  std::optional<T> value_;
  Fault fault_{};
  std::string message_;
};

}  // namespace halvric
