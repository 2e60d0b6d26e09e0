#include "launcher/win/image/SelfImage.h"

#include <algorithm>
#include <climits>

#include "common/win/LastError.h"
#include "common/win/WideText.h"
#include "launcher/core/BlockLocation.h"
#include "launcher/core/Log.h"
#include "launcher/win/paths/LauncherPaths.h"
#include "launcher/win/report/ErrorReport.h"

namespace tavik::image {
namespace {

constexpr std::uint64_t kLargestPosition = LONG_MAX;

// The header walk's reads through the file pointer: a position the pointer
// cannot reach delivers nothing, with the seek's error kept.
class FileImageReader : public pe::ImageReader {
public:
    explicit FileImageReader(FileByteSource& image) : image_(image) {}
    std::size_t readAt(std::uint64_t position, void* destination, std::size_t count) override {
        return image_.seek(position) ? image_.read(destination, count) : 0;
    }
    std::uint32_t lastErrorCode() const override { return image_.lastErrorCode(); }

private:
    FileByteSource& image_;
};

void logWalk(const pe::HeaderWalk& walk) {
    if (!walk.sectionCount) return;
    log::logLine(u"number of sections: %d", *walk.sectionCount);
    if (!walk.optionalHeaderSize) return;
    log::logLine(u"size of optional headers: %d", *walk.optionalHeaderSize);
    log::logLine(u"resSectionTableStart: %d", walk.lastSectionHeader());
    if (!walk.rawDataOffset) return;
    log::logLine(u"rawDataSize: %d, rawDataOffset: %d", *walk.rawDataSize, *walk.rawDataOffset);
}

}  // namespace

UniqueHandle openSelfImage() {
    const std::u16string& path = paths::launcherPathWide();
    const HANDLE file = ::CreateFileW(toWide(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        const SysError error = lastError("CreateFileW");
        log::logError(u"Could not open %p %d %s", static_cast<const void*>(file), error, path);
        report::fatalError(u"Error opening media file.");
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
    FileImageReader reader(image);
    const pe::HeaderWalk walk = pe::walkHeaders(reader);
    logWalk(walk);
    if (walk.failure) return BlockLocation{0, walk.failure};
    const std::uint64_t start = walk.blockStart();
    if (!image.seek(start)) {
        return BlockLocation{0, config::BlockFailure{config::BlockError::ReadInt, image.lastErrorCode(), 0}};
    }
    return BlockLocation{static_cast<std::uint32_t>(start), std::nullopt};
}

}  // namespace tavik::image
