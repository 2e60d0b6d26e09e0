#include "tools/pack/PeImage.h"

#include <gtest/gtest.h>

#include "tests/pack/FakePe.h"

namespace tavik::pack {
namespace {

using test::FakePe;

TEST(PeImage, PayloadGoesAfterTheLastSectionsRawData) {
    struct Case {
        const char* name;
        FakePe image;
        std::uint64_t want;
    };
    FakePe withTrailing;
    withTrailing.trailing = "an earlier payload that packing replaces";
    FakePe pe32;  // 32-bit images have a smaller optional header
    pe32.optionalHeaderSize = 0xE0;
    FakePe lastNotHighestOffset;  // the launcher goes by the last header, not the highest offset
    lastNotHighestOffset.sections = {{".text", 0x200, 0x300}, {".bss", 0x300, 0}, {".rsrc", 0x500, 0x80}};
    FakePe farHeader;
    farHeader.peOffset = 0x100;
    farHeader.sections = {{".text", 0x400, 0x200}, {".reloc", 0x600, 0x40}};
    const Case cases[] = {
        {"plain image", FakePe{}, FakePe::kDefaultPayloadOffset},
        {"trailing bytes are cut off", withTrailing, FakePe::kDefaultPayloadOffset},
        {"PE32 optional header", pe32, FakePe::kDefaultPayloadOffset},
        {"empty middle section", lastNotHighestOffset, 0x580},
        {"PE header further in", farHeader, 0x640},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto offset = payloadOffset(c.image.bytes());
        ASSERT_TRUE(offset) << offset.error();
        EXPECT_EQ(offset.value(), c.want);
    }
}

TEST(PeImage, RefusesWhatIsNoUsableTemplate) {
    struct Case {
        const char* name;
        std::vector<unsigned char> bytes;
        const char* fragment;
    };
    const auto modified = [](auto change) {
        FakePe image;
        change(image);
        return image.bytes();
    };
    const auto patched = [](std::size_t at, unsigned char value) {
        auto bytes = FakePe{}.bytes();
        bytes[at] = value;
        return bytes;
    };
    auto truncated = FakePe{}.bytes();
    truncated.resize(FakePe::kDefaultPayloadOffset - 1);
    auto headerOutside = FakePe{}.bytes();
    headerOutside[60 + 1] = 0x40;  // e_lfanew 0x4080, past the end
    const Case cases[] = {
        {"empty file", {}, "no MZ header"},
        {"text file", std::vector<unsigned char>(100, 'x'), "no MZ header"},
        {"PE header offset outside", headerOutside, "outside the file"},
        {"no PE signature", patched(0x80 + 1, 'X'), "no PE signature"},
        {"no sections", modified([](FakePe& p) { p.sections.clear(); }), "without sections"},
        {"section table past the end", patched(0x80 + 21, 0x0F), "section table"},  // optional header 0xFF0
        {"last section data past the end", truncated, "runs past the end"},
        {"earlier section would be cut",
         modified([](FakePe& p) { p.sections = {{".text", 0x200, 0x400}, {".data", 0x400, 0x100}}; }),
         "section '.text' ends after the last section '.data'"},
        {"last section without raw data",
         modified([](FakePe& p) { p.sections = {{".text", 0x200, 0x200}, {".bss", 0, 0}}; }),
         "no raw data"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto offset = payloadOffset(c.bytes);
        ASSERT_FALSE(offset) << offset.value();
        EXPECT_NE(offset.error().find(c.fragment), std::string::npos) << offset.error();
    }
}

}  // namespace
}  // namespace tavik::pack
