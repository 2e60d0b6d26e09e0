#pragma once
// The one-pass reader of the configuration block appended to a launcher
// template (its byte format is in PackedFormat.h), which fills the
// configuration store. No Windows types: the shell supplies the bytes and
// the locale.
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>

#include "launcher/core/PackedFormat.h"

namespace tavik::config {

struct ConfigTables {
    std::map<std::int32_t, std::string> narrow;     // ANSI code page bytes
    std::map<std::int32_t, std::u16string> wide;    // localized texts
};

// Sequential reader over the launcher's own file. `read` returns the number
// of bytes delivered (fewer at the end of the data or on an I/O error);
// `remaining` is how many bytes are left, so lengths read from the file can be
// checked before anything is allocated for them.
class ByteSource {
public:
    virtual ~ByteSource() = default;
    virtual std::size_t read(void* destination, std::size_t count) = 0;
    virtual std::uint64_t remaining() const = 0;
    virtual std::uint64_t position() const = 0;
    // The platform's last error code after a short read (0 on the host).
    virtual std::uint32_t lastErrorCode() const { return 0; }
};

// Which read failed; the shell turns it into its "Internal Error: ..." text.
enum class BlockError { Magic, ReadLong, ReadInt, ReadShort, ReadString, ReadWString };

struct BlockFailure {
    BlockError error;
    std::uint32_t lastErrorCode;  // platform error at the short read
    std::uint32_t bytesRead;      // bytes the short 32-bit read delivered
};

// "Internal Error: magic", "Internal Error: readInt", ...
const char* blockErrorText(BlockError error);

struct BlockReadResult {
    ConfigTables tables;
    std::string localeName;          // as returned by the locale callback
    std::uint64_t archiveStart = 0;  // position after the last override set
    std::optional<BlockFailure> failure;
};

// Reads the block from the source's current position (the end of the last
// PE section). `detectLocale` runs after the wide records and before the
// override sets, as the sets are chosen by it. On failure the tables hold
// what was read so far (the caption of the error box comes from them).
BlockReadResult readConfigBlock(ByteSource& source, const std::function<std::string()>& detectLocale);

// An override set applies when its key is a prefix of the locale name.
bool overrideSetMatches(const std::string& key, const std::string& localeName);

// Reads a block held in memory (tests, the fuzzer, the packer's own checks).
class MemoryByteSource : public ByteSource {
public:
    MemoryByteSource(const void* data, std::size_t size) : data_(static_cast<const unsigned char*>(data)), size_(size) {}
    std::size_t read(void* destination, std::size_t count) override;
    std::uint64_t remaining() const override { return size_ - position_; }
    std::uint64_t position() const override { return position_; }

private:
    const unsigned char* data_;
    std::size_t size_;
    std::size_t position_ = 0;
};

}  // namespace tavik::config
