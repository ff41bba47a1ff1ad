// An ordinary failure is a result: a value, or the reason there is none, worded for the user.
#pragma once

#include <string>
#include <utility>
#include <variant>

// The reason a result has no value: return Failure{"why"} where a Result is expected.
struct Failure {
    std::string why;
};

template <typename T = void>
class Result {
public:
    Result(T value) : state_(std::in_place_index<0>, std::move(value)) {}
    Result(Failure failure) : state_(std::in_place_index<1>, std::move(failure.why)) {}

    bool ok() const { return state_.index() == 0; }
    explicit operator bool() const { return ok(); }
    T& value() { return std::get<0>(state_); }
    const T& value() const { return std::get<0>(state_); }
    T& operator*() { return value(); }
    const T& operator*() const { return value(); }
    T* operator->() { return &value(); }
    const T* operator->() const { return &value(); }
    // Only for a failed result.
    const std::string& error() const { return std::get<1>(state_); }

private:
    std::variant<T, std::string> state_;
};

// Success or the reason for the failure, with no value.
template <>
class Result<void> {
public:
    Result() = default;
    Result(Failure failure) : ok_(false), error_(std::move(failure.why)) {}

    bool ok() const { return ok_; }
    explicit operator bool() const { return ok_; }
    const std::string& error() const { return error_; }

private:
    bool ok_ = true;
    std::string error_;
};
