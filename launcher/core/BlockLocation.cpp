#include "launcher/core/BlockLocation.h"

#include <cstring>

namespace tavik::pe {
namespace {

class MemoryImage : public ImageReader {
public:
    MemoryImage(const unsigned char* bytes, std::size_t size) : bytes_(bytes), size_(size) {}
    std::size_t readAt(std::uint64_t position, void* destination, std::size_t count) override {
        if (position >= size_) return 0;
        const auto at = static_cast<std::size_t>(position);
        const std::size_t delivered = count < size_ - at ? count : size_ - at;
        std::memcpy(destination, bytes_ + at, delivered);
        return delivered;
    }

private:
    const unsigned char* bytes_;
    std::size_t size_;
};

class FieldReader {
public:
    FieldReader(ImageReader& image, HeaderWalk& walk) : image_(image), walk_(walk) {}

    std::optional<std::uint32_t> intAt(std::uint64_t position) {
        unsigned char bytes[4];
        if (!readAt(position, bytes, sizeof bytes, config::BlockError::ReadInt)) return std::nullopt;
        return static_cast<std::uint32_t>(bytes[0] | bytes[1] << 8 | bytes[2] << 16 |
                                          static_cast<std::uint32_t>(bytes[3]) << 24);
    }

    std::optional<std::uint16_t> shortAt(std::uint64_t position) {
        unsigned char bytes[2];
        if (!readAt(position, bytes, sizeof bytes, config::BlockError::ReadShort)) return std::nullopt;
        return static_cast<std::uint16_t>(bytes[0] | bytes[1] << 8);
    }

private:
    bool readAt(std::uint64_t position, unsigned char* bytes, std::size_t count, config::BlockError error) {
        const std::size_t got = image_.readAt(position, bytes, count);
        if (got == count) return true;
        walk_.failure = config::BlockFailure{error, image_.lastErrorCode(), static_cast<std::uint32_t>(got)};
        return false;
    }

    ImageReader& image_;
    HeaderWalk& walk_;
};

}  // namespace

std::uint64_t HeaderWalk::sectionTable() const {
    return std::uint64_t{peOffset.value()} + kSectionTableOffset + optionalHeaderSize.value();
}

std::int64_t HeaderWalk::lastSectionHeader() const {
    const std::uint64_t tableEnd = sectionTable() + kSectionHeaderSize * sectionCount.value();
    return static_cast<std::int64_t>(tableEnd) - static_cast<std::int64_t>(kSectionHeaderSize);
}

std::uint64_t HeaderWalk::blockStart() const { return std::uint64_t{rawDataSize.value()} + rawDataOffset.value(); }

HeaderWalk walkHeaders(ImageReader& image) {
    HeaderWalk walk;
    FieldReader in(image, walk);
    if (!(walk.peOffset = in.intAt(kPeOffsetField))) return walk;
    if (!(walk.sectionCount = in.shortAt(*walk.peOffset + kSectionCountField))) return walk;
    if (!(walk.optionalHeaderSize = in.shortAt(*walk.peOffset + kOptionalHeaderSizeField))) return walk;
    // Unsigned, as the fields are: with no sections this reads before the table.
    const std::uint64_t lastHeader = static_cast<std::uint64_t>(walk.lastSectionHeader());
    if (!(walk.rawDataSize = in.intAt(lastHeader + kRawDataSizeField))) return walk;
    walk.rawDataOffset = in.intAt(lastHeader + kRawDataOffsetField);
    return walk;
}

HeaderWalk walkHeaders(const unsigned char* image, std::size_t size) {
    MemoryImage memory(image, size);
    return walkHeaders(memory);
}

}  // namespace tavik::pe
