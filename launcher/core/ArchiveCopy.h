#pragma once
// Copying one archive entry's data out of the launcher's own file. The
// archive stores each file's bytes masked; the size comes from the file and
// is not trusted: the copy streams through one fixed buffer and stops at the
// end of the data.
#include <cstddef>
#include <cstdint>

#include "launcher/core/ConfigBlock.h"
#include "launcher/core/PackedFormat.h"

namespace tavik::archive {

// Measured under Wine: in 64 KiB chunks 100 MiB extract at the speed of the
// system's own file copy, in 1 MiB chunks half as fast, and a start with
// three 1 MiB files takes about 10 ms longer. The buffer is never larger than
// this, whatever size the file claims.
inline constexpr std::size_t kCopyChunk = std::size_t{1} << 16;

// XORs `count` bytes at `bytes` (any alignment) with kByteMask, a machine
// word at a time. The mask is the same for every byte, so chunks can be
// unmasked independently.
void unmask(unsigned char* bytes, std::size_t count);

// Where an entry's bytes go: the shell's output file.
class EntryOutput {
public:
    virtual ~EntryOutput() = default;
    // False on failure; otherwise `written` tells how many bytes were taken.
    virtual bool write(const unsigned char* bytes, std::size_t count, std::size_t& written) = 0;
    // The platform's error code after a failed write.
    virtual std::uint32_t lastErrorCode() const = 0;
};

enum class CopyResult { Copied = 0, ReadError = 1, WriteError = 2 };

// Copies `size` bytes from the archive's current position, unmasked, in
// chunks of at most kCopyChunk bytes. A write that fails, or takes nothing,
// logs "WriteFile failed %d %d" (bytes of the chunk left, error) and ends the
// copy; data that ends early logs "ReadFile failed %d %d %I64d" (bytes of the
// last read, error, bytes copied).
CopyResult copyEntryData(config::ByteSource& archive, std::int64_t size, EntryOutput& output);

}  // namespace tavik::archive
