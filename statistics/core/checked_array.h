// Bounds-checked fixed arrays and checked integer narrowing for r62.
//
// r62's data set lives in fixed arrays with declared index ranges (samples
// 1..2000, features 1..30, classes 1..40). An index outside its range is a
// program fault that must not touch other memory: it raises RangeCheckError,
// which the main window shows in its default exception box before going on.
#pragma once

#include <array>
#include <cstddef>
#include <limits>
#include <stdexcept>
#include <type_traits>

class RangeCheckError : public std::out_of_range {
  public:
    RangeCheckError() : std::out_of_range("Range check error") {}
};

class IntegerOverflowError : public std::overflow_error {
  public:
    IntegerOverflowError() : std::overflow_error("Integer overflow") {}
};

// An array indexed Low..High inclusive; every subscript is checked.
template <class T, int Low, int High>
class CheckedArray {
    static_assert(Low <= High);

  public:
    static constexpr int kLow = Low;
    static constexpr int kHigh = High;
    static constexpr size_t kSize = static_cast<size_t>(High - Low + 1);

    T& operator[](int index) {
        if (index < Low || index > High) throw RangeCheckError();
        return items_[static_cast<size_t>(index - Low)];
    }
    const T& operator[](int index) const {
        if (index < Low || index > High) throw RangeCheckError();
        return items_[static_cast<size_t>(index - Low)];
    }

    void fill(const T& value) { items_.fill(value); }

    // Unchecked storage for hot loops that have checked their bounds once:
    // element `index` is at data()[index - Low].
    T* data() { return items_.data(); }
    const T* data() const { return items_.data(); }

    auto begin() { return items_.begin(); }
    auto end() { return items_.end(); }
    auto begin() const { return items_.begin(); }
    auto end() const { return items_.end(); }

    friend bool operator==(const CheckedArray&, const CheckedArray&) = default;

  private:
    std::array<T, kSize> items_{};
};

// Throws RangeCheckError unless low <= index <= high.
inline void checkRange(long long index, long long low, long long high) {
    if (index < low || index > high) throw RangeCheckError();
}

// The value as To, or IntegerOverflowError when it does not fit.
template <class To, class From>
To checkedNarrow(From value) {
    static_assert(std::is_integral_v<To> && std::is_integral_v<From>);
    if constexpr (std::is_signed_v<From> == std::is_signed_v<To>) {
        if (value < std::numeric_limits<To>::min() || value > std::numeric_limits<To>::max())
            throw IntegerOverflowError();
    } else if constexpr (std::is_signed_v<From>) {
        if (value < 0 ||
            static_cast<std::make_unsigned_t<From>>(value) > std::numeric_limits<To>::max())
            throw IntegerOverflowError();
    } else {
        if (value > static_cast<std::make_unsigned_t<To>>(std::numeric_limits<To>::max()))
            throw IntegerOverflowError();
    }
    return static_cast<To>(value);
}
