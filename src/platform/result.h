#pragma once

#include <string>
#include <utility>

// How anything that can fail reports it: success, or the text saying why not, ready for a
// message ("The game couldn't be started!\n" + error()).
namespace zerlin {

struct Failure {
    std::string error;
};

// Success or a failure, with nothing more to give back.
class Status {
  public:
    Status() = default;
    // Implicit, so that a function returns Failure{why} as it returns a value.
    Status(const Failure& failure) : error_(failure.error), failed_(true) {}

    bool ok() const { return !failed_; }
    explicit operator bool() const { return ok(); }
    // Why it failed; the empty text on success.
    const std::string& error() const { return error_; }

  private:
    std::string error_;
    bool failed_ = false;
};

// A value, or the text saying why there is none.
template <typename T>
class Result {
  public:
    Result(T value) : value_(std::move(value)) {}
    Result(const Failure& failure) : status_(failure) {}

    bool ok() const { return status_.ok(); }
    explicit operator bool() const { return ok(); }
    const std::string& error() const { return status_.error(); }
    // The value; after a failure, T's empty value.
    const T& value() const { return value_; }
    T& value() { return value_; }

  private:
    T value_{};
    Status status_;
};

}  // namespace zerlin
