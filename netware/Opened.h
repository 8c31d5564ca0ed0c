#pragma once

// What opening something gives: the thing, or the text of why it could not
// be opened. A client, the network it simulates, its settings and its
// session to a directory are each opened this one way, and a reason given
// on the way up reaches the user unchanged.

#include <optional>
#include <string>
#include <type_traits>
#include <utility>

namespace nw {

// Why something could not be opened, for the user: it names the setting,
// the file or the place, and the problem.
struct Refusal {
    std::string why;
};

template <class T> class Opened {
public:
    // Anything the thing can be made from: a std::unique_ptr<SimClient> for
    // an opened client, for instance.
    template <class U, class = std::enable_if_t<std::is_constructible_v<T, U&&> &&
                                                !std::is_same_v<std::remove_cvref_t<U>, Opened>>>
    Opened(U&& value) : value_(std::forward<U>(value)) {}
    Opened(Refusal refusal) : why_(std::move(refusal.why)) {}

    // Whether it was opened; then * and -> give it, else error() says why not.
    explicit operator bool() const { return value_.has_value(); }
    T& operator*() { return *value_; }
    const T& operator*() const { return *value_; }
    T* operator->() { return &*value_; }
    const T* operator->() const { return &*value_; }
    const std::string& error() const { return why_; }

private:
    std::optional<T> value_;
    std::string why_;
};

} // namespace nw
