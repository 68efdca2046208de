#pragma once
// Errors travel as values: nothing in the reader throws or asserts on file data.
#include <cstdint>
#include <string>
#include <utility>
#include <variant>

namespace jet {

struct Error {
    std::string message;
    int64_t page = -1;    // page number the problem was found on, -1 when not page-bound
    int64_t offset = -1;  // byte offset inside that page (or the file when page is -1)

    // "message (page 12, offset 0x1a4)"
    std::string describe() const;
};

inline Error makeError(std::string message, int64_t page = -1, int64_t offset = -1) {
    return Error{std::move(message), page, offset};
}

template <class T>
class [[nodiscard]] Result {
public:
    Result(T value) : v_(std::in_place_index<0>, std::move(value)) {}
    Result(Error error) : v_(std::in_place_index<1>, std::move(error)) {}

    bool ok() const { return v_.index() == 0; }
    explicit operator bool() const { return ok(); }

    T& value() & { return std::get<0>(v_); }
    const T& value() const& { return std::get<0>(v_); }
    T&& value() && { return std::get<0>(std::move(v_)); }
    T& operator*() & { return value(); }
    const T& operator*() const& { return value(); }
    T* operator->() { return &value(); }
    const T* operator->() const { return &value(); }

    const Error& error() const { return std::get<1>(v_); }

private:
    std::variant<T, Error> v_;
};

template <>
class [[nodiscard]] Result<void> {
public:
    Result() = default;
    Result(Error error) : error_(std::move(error)), ok_(false) {}
    bool ok() const { return ok_; }
    explicit operator bool() const { return ok_; }
    const Error& error() const { return error_; }

private:
    Error error_;
    bool ok_ = true;
};

}  // namespace jet

// Propagate an error from an expression returning Result<...>.
#define JET_TRY(var, expr)                              \
    auto var##_result_ = (expr);                        \
    if (!var##_result_.ok()) return var##_result_.error(); \
    auto& var = var##_result_.value()
