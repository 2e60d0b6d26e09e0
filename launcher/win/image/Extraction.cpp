#include "launcher/win/image/Extraction.h"

#include <windows.h>

#include <algorithm>
#include <vector>

#include "common/win/Handles.h"
#include "launcher/core/ArchiveCopy.h"
#include "launcher/core/ArchiveNames.h"
#include "launcher/core/ConfigIds.h"
#include "launcher/core/PackedFormat.h"
#include "launcher/core/Log.h"
#include "launcher/win/image/Config.h"
#include "launcher/win/image/ConfigLoad.h"
#include "launcher/win/paths/TempDirectory.h"
#include "launcher/win/report/ErrorReport.h"

namespace tavik::image {
namespace {

class FileOutput : public archive::EntryOutput {
public:
    explicit FileOutput(HANDLE file) : file_(file) {}
    bool write(const unsigned char* bytes, std::size_t count, std::size_t& written) override {
        DWORD done = 0;
        const BOOL ok = ::WriteFile(file_, bytes, static_cast<DWORD>(std::min<std::size_t>(count, 1u << 30)), &done,
                                    nullptr);
        lastError_ = ok ? 0 : ::GetLastError();
        written = done;
        return ok != FALSE;
    }
    std::uint32_t lastErrorCode() const override { return lastError_; }

private:
    HANDLE file_;
    std::uint32_t lastError_ = 0;
};

std::int64_t readEntrySize(FileByteSource& archive) {
    unsigned char bytes[archive::kSizeBytes];
    const std::size_t got = archive.read(bytes, sizeof bytes);
    if (got != sizeof bytes) {
        failBlockRead({config::BlockError::ReadLong, archive.lastErrorCode(), static_cast<std::uint32_t>(got)});
    }
    std::uint64_t size = 0;
    for (std::size_t i = sizeof bytes; i-- > 0;) size = size << 8 | bytes[i];
    return static_cast<std::int64_t>(size);
}

void createSubdirectoryFor(const std::string& tempDirectory, const std::string& name) {
    const std::string subdirectory = archive::subdirectoryOf(name);
    if (subdirectory.empty()) return;
    const std::string directory = tempDirectory + "\\" + subdirectory;
    log::logLine(u"creating directory %S", directory);
    if (!::CreateDirectoryA(directory.c_str(), nullptr) && ::GetLastError() != ERROR_ALREADY_EXISTS) {
        log::logError(u"failed to create directory %S", directory);
    }
}

// Tells the file system how much is coming so it can reserve the space in
// one piece. The claim is capped at what the archive still holds, as the size
// is read off the file. Only a hint: a refusal is harmless, and the file's
// end stays where the writes leave it.
void reserveSpace(HANDLE file, std::uint64_t size, std::uint64_t archiveRemaining) {
    FILE_ALLOCATION_INFO allocation{};
    allocation.AllocationSize.QuadPart = static_cast<LONGLONG>(std::min(size, archiveRemaining));
    ::SetFileInformationByHandle(file, FileAllocationInfo, &allocation, sizeof allocation);
}

}  // namespace

ExtractResult copyArchiveEntry(FileByteSource& archive, const std::string& path) {
    const std::int64_t size = readEntrySize(archive);
    log::logLine(u"extracting %S (size: %I64d)", path, size);
    if (size <= 0) return ExtractResult::Done;
    UniqueHandle file(
        ::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                      FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file) report::fatalMessage(config::kInternalFailureMessageId, config::kExtractedFileFailure);
    reserveSpace(file.get(), static_cast<std::uint64_t>(size), archive.remaining());
    FileOutput output(file.get());
    return static_cast<ExtractResult>(archive::copyEntryData(archive, size, output));
}

ExtractedFiles extractArchive() {
    log::logLine(u"extracting files");
    const std::int32_t count = configInt(config::kArchiveCountId);
    log::logLine(u"Included files: %d", count);
    if (count == 0) return {};
    const std::vector<std::string> names = archive::namesToExtract(count, configStringCopy(config::kArchiveNamesId));
    if (const auto refused = archive::firstUnsafeName(names)) {
        log::logError(u"refusing to extract %S: the name could lead outside the temporary directory", *refused);
        return {ExtractResult::RefusedName, {}, 0};
    }
    ExtractedFiles extracted;
    extracted.tempDirectory = paths::createTempDirectory();

    FileByteSource image(openSelfImage());
    if (!image.seek(archiveStart())) {
        failBlockRead({config::BlockError::ReadLong, image.lastErrorCode(), 0});
    }
    for (const std::string& name : names) {
        const std::string path = extracted.tempDirectory + "\\" + name;
        createSubdirectoryFor(extracted.tempDirectory, name);
        extracted.result = copyArchiveEntry(image, path);
        if (extracted.result != ExtractResult::Done) {
            log::logError(u"Failed to extract %S", path);
            return extracted;
        }
    }
    extracted.archiveEnd = static_cast<std::uint32_t>(image.position());
    log::logLine(u"extracting files done");
    return extracted;
}

}  // namespace tavik::image
