#pragma once
// The one shape of an outcome that can fail: a value, or an error given by
// its run-time error number and the description a message title shows.
// Nothing that can fail throws across a library's edge; it returns this.

#include <QString>

#include <optional>
#include <utility>

namespace kvapomer {

struct Error {
    int number = 0;
    QString description;
    bool operator==(const Error&) const = default;
    // "Error #5 [Přístup byl odepřen.]", as a failed save tells the user.
    QString text() const {
        return QStringLiteral("Error #") + QString::number(number) + QStringLiteral(" [") +
               description + u']';
    }
};

template <class T> class [[nodiscard]] Result {
public:
    Result(T value) : value_(std::move(value)) {}
    Result(Error error) : error_(std::move(error)) {}

    bool ok() const { return value_.has_value(); }
    explicit operator bool() const { return ok(); }
    // Only when ok.
    const T& value() const& { return *value_; }
    T&& value() && { return std::move(*value_); }
    T valueOr(T fallback) && { return value_ ? std::move(*value_) : std::move(fallback); }
    // Number 0 and no description when ok.
    const Error& error() const { return error_; }

private:
    std::optional<T> value_;
    Error error_;
};

// The outcome of something that gives no value, such as a write.
template <> class [[nodiscard]] Result<void> {
public:
    Result() = default;
    Result(Error error) : ok_(false), error_(std::move(error)) {}

    bool ok() const { return ok_; }
    explicit operator bool() const { return ok_; }
    const Error& error() const { return error_; }

private:
    bool ok_ = true;
    Error error_;
};

} // namespace kvapomer
