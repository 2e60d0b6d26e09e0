#pragma once
// The decisions of the proxy natives that need no WinHTTP: which elements of
// the caller's array an answer fills, and the statuses the natives return.
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace tavik::native::proxy {

// WinHTTP, or one of the five functions the natives use, is missing.
inline constexpr std::int32_t kUnavailable = 100000;
// The library's own answers where WinHTTP's has nowhere to go: the caller's
// array is null or shorter than the answer, or the VM could not make one of
// its strings (ERROR_INSUFFICIENT_BUFFER, ERROR_NOT_ENOUGH_MEMORY).
inline constexpr std::int32_t kArrayTooShort = 122;
inline constexpr std::int32_t kNoStringMemory = 8;

// getAutoProxyConfig0's statuses: the step that failed above, its error below.
std::int64_t sessionFailure(std::uint32_t error);
std::int64_t proxyQueryFailure(std::uint32_t error);

inline constexpr std::uint32_t kNamedProxyAccess = 3;  // WINHTTP_ACCESS_TYPE_NAMED_PROXY

// Elements the caller's array must have for each kind of answer.
inline constexpr std::size_t kBrowserConfigLength = 4;
inline constexpr std::size_t kProxyInfoLength = 3;

// One Windows string bound for an element of the caller's array.
struct TextElement {
    std::size_t index;
    std::u16string_view text;
};

// What an answer writes: element 0 always, as modified UTF-8 ("true" or
// "false"); after it each Windows string present and not empty, at its
// place. Elements not written keep what the caller put there.
struct Elements {
    const char* first;
    std::vector<TextElement> texts;
};

// From WinHttpGetIEProxyConfigForCurrentUser's record.
Elements browserConfigElements(bool autoDetect, const char16_t* autoConfigUrl, const char16_t* proxy,
                               const char16_t* bypass);
// From a WINHTTP_PROXY_INFO: the default configuration or a URL's proxy.
Elements proxyInfoElements(std::uint32_t accessType, const char16_t* proxy, const char16_t* bypass);

}  // namespace tavik::native::proxy
