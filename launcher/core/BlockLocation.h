#pragma once
// Where the configuration block starts in a launcher's PE image: right after
// the raw data of the last section header. Nothing else marks it, so the
// launcher reading its own file and the packer cutting a template walk the
// headers with this one function.
#include <cstddef>
#include <cstdint>
#include <optional>

#include "launcher/core/ConfigBlock.h"

namespace tavik::pe {

// e_lfanew in the DOS header; from the PE signature on, the section count
// and the optional header's size, then the section table after the 24 bytes
// of signature and file header; 40-byte section headers with SizeOfRawData
// at 16 and PointerToRawData at 20.
inline constexpr std::uint64_t kPeOffsetField = 60;
inline constexpr std::uint64_t kSectionCountField = 6;
inline constexpr std::uint64_t kOptionalHeaderSizeField = 20;
inline constexpr std::uint64_t kSectionTableOffset = 24;
inline constexpr std::uint64_t kSectionHeaderSize = 40;
inline constexpr std::uint64_t kRawDataSizeField = 16;
inline constexpr std::uint64_t kRawDataOffsetField = 20;

// Random access to the image.
class ImageReader {
public:
    virtual ~ImageReader() = default;
    // Bytes delivered from `position`: fewer at the end of the image or on an error.
    virtual std::size_t readAt(std::uint64_t position, void* destination, std::size_t count) = 0;
    // The platform's error code after a short read (0 on the host).
    virtual std::uint32_t lastErrorCode() const { return 0; }
};

// The fields in the order the walk reads them; each is set once read. The
// walk stops at the first short read.
struct HeaderWalk {
    std::optional<std::uint32_t> peOffset;
    std::optional<std::uint16_t> sectionCount;
    std::optional<std::uint16_t> optionalHeaderSize;
    std::optional<std::uint32_t> rawDataSize;    // of the last section
    std::optional<std::uint32_t> rawDataOffset;  // of the last section
    std::optional<config::BlockFailure> failure;  // ReadInt or ReadShort, as the short read

    // Known once the section count and the optional header's size are.
    std::uint64_t sectionTable() const;
    // The last section header; before the table when there are no sections.
    std::int64_t lastSectionHeader() const;
    // PointerToRawData + SizeOfRawData of the last section; known without failure.
    std::uint64_t blockStart() const;
};

HeaderWalk walkHeaders(ImageReader& image);

// The walk over an image held in memory.
HeaderWalk walkHeaders(const unsigned char* image, std::size_t size);

}  // namespace tavik::pe
