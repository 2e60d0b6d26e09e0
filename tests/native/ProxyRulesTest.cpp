// The proxy natives' decisions that need no WinHTTP.
#include "native/proxy/ProxyRules.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace tavik::native::proxy {
namespace {

using Written = std::vector<std::pair<std::size_t, std::u16string>>;

Written textsOf(const Elements& elements) {
    Written written;
    for (const TextElement& element : elements.texts) written.emplace_back(element.index, std::u16string(element.text));
    return written;
}

TEST(ProxyElements, BrowserSettingsWriteTheFlagAndOnlyTheStringsThatHoldSomething) {
    struct Case {
        const char* name;
        bool autoDetect;
        const char16_t *autoConfigUrl, *proxy, *bypass;
        std::string first;
        Written texts;
    };
    const Case cases[] = {
        {"manual proxy, detection off", false, nullptr, u"proxy.test:3128", u"", "false", {{2, u"proxy.test:3128"}}},
        {"everything", true, u"http://pac.test/p.pac", u"http=a:1;https=b:2", u"<local>", "true",
         {{1, u"http://pac.test/p.pac"}, {2, u"http=a:1;https=b:2"}, {3, u"<local>"}}},
        {"nothing set", true, nullptr, nullptr, nullptr, "true", {}},
        {"empty strings", false, u"", u"", u"", "false", {}},
        {"only the bypass list", false, nullptr, nullptr, u"*.local", "false", {{3, u"*.local"}}},
        {"a script alone", false, u"file://C:/p.pac", nullptr, nullptr, "false", {{1, u"file://C:/p.pac"}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Elements elements = browserConfigElements(c.autoDetect, c.autoConfigUrl, c.proxy, c.bypass);
        EXPECT_EQ(elements.first, c.first);
        EXPECT_EQ(textsOf(elements), c.texts);
    }
}

TEST(ProxyElements, ProxyInfoIsANamedProxyOnlyForAccessTypeThree) {
    struct Case {
        std::uint32_t accessType;
        const char16_t *proxy, *bypass;
        std::string first;
        Written texts;
    };
    const Case cases[] = {
        {3, u"winhttp.test:8080", u"*.local;<local>", "true", {{1, u"winhttp.test:8080"}, {2, u"*.local;<local>"}}},
        {3, u"pac.test:8080", nullptr, "true", {{1, u"pac.test:8080"}}},
        {1, nullptr, nullptr, "false", {}},  // no proxy
        {0, nullptr, nullptr, "false", {}},  // the default, as Windows XP knows it
        {4, nullptr, nullptr, "false", {}},  // the automatic proxy of newer systems
        // Only the strings decide what is written, whatever the access type.
        {1, u"left.over:1", u"", "false", {{1, u"left.over:1"}}},
        {3, u"", u"<local>", "true", {{2, u"<local>"}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.accessType);
        const Elements elements = proxyInfoElements(c.accessType, c.proxy, c.bypass);
        EXPECT_EQ(elements.first, c.first);
        EXPECT_EQ(textsOf(elements), c.texts);
    }
}

TEST(ProxyElements, AStringKeepsEveryUnitUpToItsEnd) {
    const char16_t text[] = u"h\u00e9t\u00e9.test:80;\U0001F600";
    const Elements elements = proxyInfoElements(kNamedProxyAccess, text, nullptr);
    ASSERT_EQ(elements.texts.size(), 1u);
    EXPECT_EQ(elements.texts[0].text, std::u16string(text));
}

TEST(AutoProxyStatus, TheFailedStepIsAboveTheThirtyTwoBitsOfItsError) {
    struct Case {
        std::int64_t status, want;
    };
    const Case cases[] = {
        {sessionFailure(0), 0x100000000},
        {sessionFailure(8), 0x100000008},
        {sessionFailure(12004), 0x100002EE4},
        {proxyQueryFailure(12167), 0x200002F87},  // the script could not be downloaded
        {proxyQueryFailure(12180), 0x200002F94},  // discovery found nothing
        // A code with the top bit set is not sign-extended into the step.
        {sessionFailure(0xFFFFFFFF), 0x1FFFFFFFF},
        {proxyQueryFailure(0x80070005), 0x280070005},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.want);
        EXPECT_EQ(c.status, c.want);
    }
}

}  // namespace
}  // namespace tavik::native::proxy
