#pragma once
// The launcher's own executable file: opening it, walking its PE headers to
// the appended configuration block, and reading it sequentially.
#include <windows.h>

#include <cstdint>
#include <optional>

#include "common/win/Handles.h"
#include "launcher/core/ConfigBlock.h"

namespace tavik::image {

// Opens the launcher's own file for reading, letting others read and write
// it; ends the process through the error path when that fails.
UniqueHandle openSelfImage();

// Sequential reads through the Win32 file pointer. Positions are 32-bit, so
// the block and the archive after it must begin below 2 GiB.
class FileByteSource : public config::ByteSource {
public:
    explicit FileByteSource(UniqueHandle file) : file_(std::move(file)) {}

    std::size_t read(void* destination, std::size_t count) override;
    std::uint64_t remaining() const override;
    std::uint64_t position() const override;
    std::uint32_t lastErrorCode() const override { return lastError_; }

    // False (with the error kept) when the position is not below 2 GiB or the
    // file pointer cannot be moved there.
    bool seek(std::uint64_t position);

private:
    UniqueHandle file_;
    std::uint32_t lastError_ = 0;
};

// Where the block starts: right after the raw data of the last section. Each
// step is logged; the first read that fails ends the walk with its failure.
struct BlockLocation {
    std::uint32_t start = 0;
    std::optional<config::BlockFailure> failure;
};
BlockLocation locateConfigBlock(FileByteSource& image);

}  // namespace tavik::image
