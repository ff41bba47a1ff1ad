// The house way to fail: a function that can fail in an ordinary way returns a Result, either the value or
// the reason in words. The caller decides how to show the reason ("Error: " + reason, a message box ...).
#pragma once

#include <optional>
#include <string>
#include <utility>

// What a failed call says; converts into any Result.
struct Failure {
    std::string reason;
};

template <typename T = void>
class [[nodiscard]] Result {
public:
    Result(T value) : value_(std::move(value)) {}
    Result(Failure failure) : reason_(std::move(failure.reason)) {}

    bool ok() const { return value_.has_value(); }
    explicit operator bool() const { return ok(); }
    T& operator*() { return *value_; }
    const T& operator*() const { return *value_; }
    T* operator->() { return &*value_; }
    const T* operator->() const { return &*value_; }
    // The value, moved out; only after ok().
    T take() { return std::move(*value_); }
    const std::string& reason() const { return reason_; }

private:
    std::optional<T> value_;
    std::string reason_;
};

template <>
class [[nodiscard]] Result<void> {
public:
    Result() = default;
    Result(Failure failure) : ok_(false), reason_(std::move(failure.reason)) {}

    bool ok() const { return ok_; }
    explicit operator bool() const { return ok_; }
    const std::string& reason() const { return reason_; }

private:
    bool ok_ = true;
    std::string reason_;
};
