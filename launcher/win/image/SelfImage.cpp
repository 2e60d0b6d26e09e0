#include "launcher/win/image/SelfImage.h"

#include <algorithm>
#include <climits>

#include "common/win/WideText.h"
#include "launcher/core/Log.h"
#include "launcher/win/paths/LauncherPaths.h"
#include "launcher/win/report/ErrorReport.h"

namespace tavik {
namespace {

// PE layout: e_lfanew in the DOS header; section count and optional header
// size in the file header after the signature; 40-byte section headers with
// SizeOfRawData at 16 and PointerToRawData at 20.
constexpr std::uint64_t kPeOffsetField = 60;
constexpr std::uint64_t kSectionCountField = 6;
constexpr std::uint64_t kOptionalHeaderSizeField = 20;
constexpr std::uint64_t kSectionHeaderSize = 40;

constexpr std::uint64_t kLargestPosition = LONG_MAX;

class HeaderReader {
public:
    explicit HeaderReader(FileByteSource& image) : image_(image) {}

    std::optional<std::uint32_t> intAt(std::uint64_t position) {
        unsigned char bytes[4];
        const std::size_t got = readAt(position, bytes, sizeof bytes, config::BlockError::ReadInt);
        if (got != sizeof bytes) return std::nullopt;
        return static_cast<std::uint32_t>(bytes[0] | bytes[1] << 8 | bytes[2] << 16 |
                                          static_cast<std::uint32_t>(bytes[3]) << 24);
    }

    std::optional<std::uint16_t> shortAt(std::uint64_t position) {
        unsigned char bytes[2];
        const std::size_t got = readAt(position, bytes, sizeof bytes, config::BlockError::ReadShort);
        if (got != sizeof bytes) return std::nullopt;
        return static_cast<std::uint16_t>(bytes[0] | bytes[1] << 8);
    }

    bool seek(std::uint64_t position) {
        if (image_.seek(position)) return true;
        fail(config::BlockError::ReadInt, 0);
        return false;
    }

    const std::optional<config::BlockFailure>& failure() const { return failure_; }

private:
    std::size_t readAt(std::uint64_t position, void* bytes, std::size_t count, config::BlockError error) {
        if (!image_.seek(position)) {
            fail(error, 0);
            return 0;
        }
        const std::size_t got = image_.read(bytes, count);
        if (got != count) fail(error, got);
        return got;
    }

    void fail(config::BlockError error, std::size_t bytesRead) {
        failure_ = config::BlockFailure{error, image_.lastErrorCode(), static_cast<std::uint32_t>(bytesRead)};
    }

    FileByteSource& image_;
    std::optional<config::BlockFailure> failure_;
};

}  // namespace

UniqueHandle openSelfImage() {
    const std::u16string& path = launcherPathWide();
    const HANDLE file = ::CreateFileW(toWide(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        const DWORD error = ::GetLastError();
        log::logError(u"Could not open %p %d %s", static_cast<const void*>(file), error, path);
        fatalError(u"Error opening media file.");
    }
    return UniqueHandle(file);
}

std::size_t FileByteSource::read(void* destination, std::size_t count) {
    auto* bytes = static_cast<unsigned char*>(destination);
    std::size_t delivered = 0;
    while (delivered < count) {
        const DWORD wanted = static_cast<DWORD>(std::min<std::size_t>(count - delivered, 1u << 30));
        DWORD got = 0;
        const BOOL ok = ::ReadFile(file_.get(), bytes + delivered, wanted, &got, nullptr);
        if (!ok || got == 0) {
            lastError_ = ::GetLastError();
            break;
        }
        delivered += got;
    }
    return delivered;
}

std::uint64_t FileByteSource::position() const {
    return ::SetFilePointer(file_.get(), 0, nullptr, FILE_CURRENT);
}

std::uint64_t FileByteSource::remaining() const {
    LARGE_INTEGER size;
    if (!::GetFileSizeEx(file_.get(), &size)) return 0;
    const std::uint64_t at = position();
    const auto total = static_cast<std::uint64_t>(size.QuadPart);
    return total > at ? total - at : 0;
}

bool FileByteSource::seek(std::uint64_t position) {
    if (position > kLargestPosition) {
        lastError_ = ERROR_NEGATIVE_SEEK;
        return false;
    }
    if (::SetFilePointer(file_.get(), static_cast<LONG>(position), nullptr, FILE_BEGIN) == INVALID_SET_FILE_POINTER) {
        lastError_ = ::GetLastError();
        return false;
    }
    return true;
}

BlockLocation locateConfigBlock(FileByteSource& image) {
    HeaderReader header(image);
    const auto failed = [&] { return BlockLocation{0, header.failure()}; };

    const auto peOffset = header.intAt(kPeOffsetField);
    if (!peOffset) return failed();
    const auto sectionCount = header.shortAt(*peOffset + kSectionCountField);
    if (!sectionCount) return failed();
    log::logLine(u"number of sections: %d", *sectionCount);
    const auto optionalHeaderSize = header.shortAt(*peOffset + kOptionalHeaderSizeField);
    if (!optionalHeaderSize) return failed();
    log::logLine(u"size of optional headers: %d", *optionalHeaderSize);

    // The section table follows the 24 bytes of signature and file header.
    const std::uint64_t tableEnd = *peOffset + 24 + *optionalHeaderSize + kSectionHeaderSize * *sectionCount;
    const auto lastHeader = static_cast<long long>(tableEnd) - static_cast<long long>(kSectionHeaderSize);
    log::logLine(u"resSectionTableStart: %d", lastHeader);
    const auto rawDataSize = header.intAt(tableEnd - 24);
    if (!rawDataSize) return failed();
    const auto rawDataOffset = header.intAt(tableEnd - 20);
    if (!rawDataOffset) return failed();
    log::logLine(u"rawDataSize: %d, rawDataOffset: %d", *rawDataSize, *rawDataOffset);

    const std::uint64_t start = std::uint64_t{*rawDataSize} + *rawDataOffset;
    if (!header.seek(start)) return failed();
    return BlockLocation{static_cast<std::uint32_t>(start), std::nullopt};
}

}  // namespace tavik
