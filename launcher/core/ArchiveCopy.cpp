#include "launcher/core/ArchiveCopy.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "launcher/core/Log.h"

namespace tavik::archive {
namespace {

bool writeAll(EntryOutput& output, const unsigned char* bytes, std::size_t count) {
    while (count > 0) {
        std::size_t written = 0;
        if (!output.write(bytes, count, written) || written == 0) {
            log::logError(u"WriteFile failed %d %d", count, output.lastErrorCode());
            return false;
        }
        written = std::min(written, count);
        bytes += written;
        count -= written;
    }
    return true;
}

}  // namespace

void unmask(unsigned char* bytes, std::size_t count) {
    using Word = std::uintptr_t;
    constexpr Word kWordMask = ~Word{0} / 0xFF * kByteMask;
    std::size_t i = 0;
    for (; i + sizeof(Word) <= count; i += sizeof(Word)) {
        Word word;
        std::memcpy(&word, bytes + i, sizeof word);
        word ^= kWordMask;
        std::memcpy(bytes + i, &word, sizeof word);
    }
    for (; i < count; ++i) bytes[i] ^= kByteMask;
}

CopyResult copyEntryData(config::ByteSource& archive, std::int64_t size, EntryOutput& output) {
    std::uint64_t copied = 0;
    std::size_t lastRead = 0;
    const auto total = static_cast<std::uint64_t>(std::max<std::int64_t>(size, 0));
    std::vector<unsigned char> chunk(static_cast<std::size_t>(std::min<std::uint64_t>(total, kCopyChunk)));
    while (copied < total) {
        const std::size_t wanted = static_cast<std::size_t>(std::min<std::uint64_t>(total - copied, chunk.size()));
        lastRead = archive.read(chunk.data(), wanted);
        if (lastRead == 0) break;
        unmask(chunk.data(), lastRead);
        if (!writeAll(output, chunk.data(), lastRead)) return CopyResult::WriteError;
        copied += lastRead;
    }
    if (copied < total) {
        log::logError(u"ReadFile failed %d %d %I64d", lastRead, archive.lastErrorCode(), copied);
        return CopyResult::ReadError;
    }
    return CopyResult::Copied;
}

}  // namespace tavik::archive
