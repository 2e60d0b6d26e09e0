#include "tools/pack/PeImage.h"

#include "launcher/core/BlockLocation.h"

namespace tavik::pack {
namespace {

std::uint32_t readLittleEndian(const std::vector<unsigned char>& bytes, std::size_t at, std::size_t width) {
    std::uint32_t value = 0;
    for (std::size_t i = width; i-- > 0;) value = (value << 8) | bytes[at + i];
    return value;
}

struct SectionData {
    std::string name;
    std::uint64_t start;
    std::uint64_t end;
};

SectionData sectionAt(const std::vector<unsigned char>& image, std::uint64_t header) {
    const auto at = static_cast<std::size_t>(header);
    std::string name;
    for (std::size_t i = 0; i < 8 && image[at + i] != 0; ++i) name.push_back(static_cast<char>(image[at + i]));
    const std::uint64_t size = readLittleEndian(image, at + pe::kRawDataSizeField, 4);
    const std::uint64_t start = readLittleEndian(image, at + pe::kRawDataOffsetField, 4);
    return {name, start, start + size};
}

}  // namespace

Expected<std::uint64_t, std::string> payloadOffset(const std::vector<unsigned char>& image) {
    if (image.size() < pe::kPeOffsetField + 4 || image[0] != 'M' || image[1] != 'Z')
        return std::string("not a Windows executable (no MZ header)");
    const pe::HeaderWalk walk = pe::walkHeaders(image.data(), image.size());
    const std::uint64_t peHeader = walk.peOffset.value();
    if (peHeader + pe::kSectionTableOffset > image.size())
        return std::string("not a PE image (the PE header offset lies outside the file)");
    const auto at = static_cast<std::size_t>(peHeader);
    if (image[at] != 'P' || image[at + 1] != 'E' || image[at + 2] != 0 || image[at + 3] != 0)
        return std::string("not a PE image (no PE signature)");

    const std::uint32_t sectionCount = walk.sectionCount.value();
    if (sectionCount == 0) return std::string("PE image without sections");
    const std::uint64_t sectionTable = walk.sectionTable();
    const std::uint64_t sectionTableEnd = sectionTable + pe::kSectionHeaderSize * sectionCount;
    if (sectionTableEnd > image.size()) return std::string("PE section table runs past the end of the file");

    // The table lies inside the file, so the walk read the last header's fields.
    const std::uint64_t payload = walk.blockStart();
    const std::string lastName = sectionAt(image, static_cast<std::uint64_t>(walk.lastSectionHeader())).name;
    if (payload > image.size())
        return "last section '" + lastName + "' runs past the end of the file (truncated image?)";
    if (payload < sectionTableEnd) return "last section '" + lastName + "' has no raw data to place the payload after";
    for (std::uint32_t i = 0; i + 1 < sectionCount; ++i) {
        const SectionData section = sectionAt(image, sectionTable + pe::kSectionHeaderSize * i);
        if (section.end > section.start && section.end > payload)
            return "section '" + section.name + "' ends after the last section '" + lastName +
                   "'; the payload would cut it off";
    }
    return payload;
}

}  // namespace tavik::pack
