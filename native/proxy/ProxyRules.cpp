#include "native/proxy/ProxyRules.h"

#include <initializer_list>

namespace tavik::native::proxy {
namespace {

constexpr std::int64_t kSessionStep = 0x100000000;
constexpr std::int64_t kProxyQueryStep = 0x200000000;

const char* flagText(bool on) { return on ? "true" : "false"; }

Elements elementsOf(bool flag, std::initializer_list<const char16_t*> texts) {
    Elements elements{flagText(flag), {}};
    std::size_t index = 1;
    for (const char16_t* text : texts) {
        if (text != nullptr && *text != u'\0') elements.texts.push_back({index, text});
        ++index;
    }
    return elements;
}

}  // namespace

std::int64_t sessionFailure(std::uint32_t error) { return kSessionStep + error; }

std::int64_t proxyQueryFailure(std::uint32_t error) { return kProxyQueryStep + error; }

Elements browserConfigElements(bool autoDetect, const char16_t* autoConfigUrl, const char16_t* proxy,
                               const char16_t* bypass) {
    return elementsOf(autoDetect, {autoConfigUrl, proxy, bypass});
}

Elements proxyInfoElements(std::uint32_t accessType, const char16_t* proxy, const char16_t* bypass) {
    return elementsOf(accessType == kNamedProxyAccess, {proxy, bypass});
}

}  // namespace tavik::native::proxy
