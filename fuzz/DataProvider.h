#pragma once

// Splits one fuzz input into typed values, so the input can choose operations
// and their arguments. Choices and integers come from the back of the input,
// byte strings from the front: a mutation of one rarely shifts the other.
// An exhausted input gives zeros and empty strings, never fails. Built by g++
// for the replay as well as by clang for libFuzzer.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>
#include <type_traits>

namespace fuzz {

class DataProvider {
public:
    DataProvider(const uint8_t* data, size_t size) : m_data(data), m_size(size) {}

    size_t Remaining() const { return m_size; }

    // A value from lo to hi (both included), taking only as many bytes as
    // the range needs.
    template <class T> T InRange(T lo, T hi) {
        static_assert(std::is_integral_v<T>);
        if (lo > hi)
            std::swap(lo, hi);
        const uint64_t range = static_cast<uint64_t>(hi) - static_cast<uint64_t>(lo);
        uint64_t value = 0;
        for (size_t shift = 0; shift < 64 && (range >> shift) != 0 && m_size != 0; shift += 8) {
            value = (value << 8) | m_data[m_size - 1];
            --m_size;
        }
        if (range != std::numeric_limits<uint64_t>::max())
            value %= range + 1;
        return static_cast<T>(static_cast<uint64_t>(lo) + value);
    }

    template <class T> T Integral() {
        return InRange<T>(std::numeric_limits<T>::min(), std::numeric_limits<T>::max());
    }

    bool Bool() { return (Integral<uint8_t>() & 1) != 0; }

    template <class T, size_t N> const T& Pick(const T (&values)[N]) {
        return values[InRange<size_t>(0, N - 1)];
    }

    // Up to count bytes from the front; fewer when the input ends.
    size_t Take(void* out, size_t count) {
        const size_t n = std::min(count, m_size);
        if (n != 0)
            std::memcpy(out, m_data, n);
        m_data += n;
        m_size -= n;
        return n;
    }

    std::string Bytes(size_t count) {
        std::string text(std::min(count, m_size), '\0');
        Take(text.data(), text.size());
        return text;
    }

    // A string of a length the input chooses, at most maxLength.
    std::string String(size_t maxLength) { return Bytes(InRange<size_t>(0, maxLength)); }

    std::string Rest() { return Bytes(m_size); }

private:
    const uint8_t* m_data;
    size_t m_size;
};

} // namespace fuzz
