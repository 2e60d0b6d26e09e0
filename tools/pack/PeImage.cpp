#include "tools/pack/PeImage.h"

namespace tavik::pack {
namespace {

constexpr std::size_t kLfanewOffset = 60;
constexpr std::size_t kFileHeaderSize = 24;  // signature and COFF file header
constexpr std::size_t kSectionHeaderSize = 40;

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

SectionData sectionAt(const std::vector<unsigned char>& image, std::size_t header) {
    std::string name;
    for (std::size_t i = 0; i < 8 && image[header + i] != 0; ++i) name.push_back(static_cast<char>(image[header + i]));
    const std::uint64_t size = readLittleEndian(image, header + 16, 4);
    const std::uint64_t start = readLittleEndian(image, header + 20, 4);
    return {name, start, start + size};
}

}  // namespace

Expected<std::uint64_t, std::string> payloadOffset(const std::vector<unsigned char>& image) {
    if (image.size() < kLfanewOffset + 4 || image[0] != 'M' || image[1] != 'Z')
        return std::string("not a Windows executable (no MZ header)");
    const std::uint64_t peHeader = readLittleEndian(image, kLfanewOffset, 4);
    if (peHeader + kFileHeaderSize > image.size())
        return std::string("not a PE image (the PE header offset lies outside the file)");
    const std::size_t at = static_cast<std::size_t>(peHeader);
    if (image[at] != 'P' || image[at + 1] != 'E' || image[at + 2] != 0 || image[at + 3] != 0)
        return std::string("not a PE image (no PE signature)");

    const std::uint32_t sectionCount = readLittleEndian(image, at + 6, 2);
    const std::uint32_t optionalHeaderSize = readLittleEndian(image, at + 20, 2);
    if (sectionCount == 0) return std::string("PE image without sections");
    const std::uint64_t sectionTable = peHeader + kFileHeaderSize + optionalHeaderSize;
    const std::uint64_t sectionTableEnd = sectionTable + std::uint64_t{kSectionHeaderSize} * sectionCount;
    if (sectionTableEnd > image.size()) return std::string("PE section table runs past the end of the file");

    const SectionData last =
        sectionAt(image, static_cast<std::size_t>(sectionTableEnd - kSectionHeaderSize));
    if (last.end > image.size())
        return "last section '" + last.name + "' runs past the end of the file (truncated image?)";
    if (last.end < sectionTableEnd)
        return "last section '" + last.name + "' has no raw data to place the payload after";
    for (std::uint32_t i = 0; i + 1 < sectionCount; ++i) {
        const SectionData section = sectionAt(image, static_cast<std::size_t>(sectionTable + kSectionHeaderSize * i));
        if (section.end > section.start && section.end > last.end)
            return "section '" + section.name + "' ends after the last section '" + last.name +
                   "'; the payload would cut it off";
    }
    return last.end;
}

}  // namespace tavik::pack
