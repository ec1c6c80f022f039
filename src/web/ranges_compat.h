// SPDX-License-Identifier: MIT
// Emscripten 3.1.6 ships the libc++ of LLVM 14, which lacks the range algorithms
// the core uses. Forced into the core's WebAssembly build only; a newer
// toolchain has them and skips this.
#pragma once

#include <algorithm>
#include <functional>
#include <iterator>
#include <ranges>
#include <utility>

#if defined(_LIBCPP_VERSION) && _LIBCPP_VERSION < 15000
namespace std::ranges {

inline constexpr auto find = []<typename R, typename T>(R&& range, const T& value) {
    return std::find(std::ranges::begin(range), std::ranges::end(range), value);
};

inline constexpr auto stable_sort =
    []<typename R, typename Compare = std::ranges::less>(R && range, Compare compare = {}) {
    std::stable_sort(std::ranges::begin(range), std::ranges::end(range), std::move(compare));
    return std::ranges::end(range);
};

}  // namespace std::ranges
#endif
