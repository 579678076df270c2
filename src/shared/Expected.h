// A value or the reason there is none, for results that can fail in an expected way (the
// standard's std::expected arrives with C++23).
#pragma once

#include <utility>
#include <variant>

namespace tenvor {

template <typename E>
struct Unexpected {
    E error;
};

template <typename E>
Unexpected(E) -> Unexpected<E>;

template <typename T, typename E>
class [[nodiscard]] Expected {
public:
    Expected(T value) : state_(std::in_place_index<0>, std::move(value)) {}
    Expected(Unexpected<E> failure) : state_(std::in_place_index<1>, std::move(failure.error)) {}

    bool has_value() const { return state_.index() == 0; }
    explicit operator bool() const { return has_value(); }

    T& value() & { return std::get<0>(state_); }
    const T& value() const& { return std::get<0>(state_); }
    T&& value() && { return std::get<0>(std::move(state_)); }
    T& operator*() & { return value(); }
    const T& operator*() const& { return value(); }
    T* operator->() { return &value(); }
    const T* operator->() const { return &value(); }

    const E& error() const { return std::get<1>(state_); }
    E& error() { return std::get<1>(state_); }

private:
    std::variant<T, E> state_;
};

}  // namespace tenvor
