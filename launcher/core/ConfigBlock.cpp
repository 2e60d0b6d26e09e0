#include "launcher/core/ConfigBlock.h"

#include <cstring>
#include <string_view>
#include <utility>

namespace tavik::config {
namespace {

// Reads the block's fields in order and remembers the first failure.
class FieldReader {
public:
    explicit FieldReader(ByteSource& source) : source_(source) {}

    const std::optional<BlockFailure>& failure() const { return failure_; }

    bool failMagic() {
        fail(BlockError::Magic, 0);
        return false;
    }

    std::optional<std::uint32_t> readUInt32() {
        unsigned char bytes[4];
        const std::size_t got = readRaw(bytes, sizeof bytes);
        if (got != sizeof bytes) {
            fail(BlockError::ReadInt, got);
            return std::nullopt;
        }
        return static_cast<std::uint32_t>(bytes[0] | bytes[1] << 8 | bytes[2] << 16 |
                                          static_cast<std::uint32_t>(bytes[3]) << 24);
    }

    std::optional<std::int32_t> readInt32() {
        const auto value = readUInt32();
        if (!value) return std::nullopt;
        return static_cast<std::int32_t>(*value);
    }

    bool skipInt64() {
        unsigned char bytes[8];
        const std::size_t got = readRaw(bytes, sizeof bytes);
        if (got == sizeof bytes) return true;
        fail(BlockError::ReadLong, got);
        return false;
    }

    std::optional<std::string> readNarrowString() {
        const auto length = readLength(BlockError::ReadString);
        if (!length) return std::nullopt;
        std::string text(*length, '\0');
        if (readRaw(text.data(), text.size()) != text.size()) {
            fail(BlockError::ReadString, 0);
            return std::nullopt;
        }
        return text;
    }

    std::optional<std::u16string> readWideString() {
        const auto length = readLength(BlockError::ReadWString);
        if (!length) return std::nullopt;
        std::u16string text(*length / 2, u'\0');
        auto* bytes = reinterpret_cast<unsigned char*>(text.data());
        // An odd length leaves half a code unit; it is consumed so the fields
        // after it stay where the writer put them.
        unsigned char oddByte;
        if (readRaw(bytes, text.size() * 2) != text.size() * 2 || (*length % 2 != 0 && readRaw(&oddByte, 1) != 1)) {
            fail(BlockError::ReadWString, 0);
            return std::nullopt;
        }
        for (std::size_t i = 0; i < text.size(); ++i) {
            text[i] = static_cast<char16_t>(bytes[2 * i] | bytes[2 * i + 1] << 8);
        }
        return text;
    }

private:
    // After a failure nothing more is read, so a failed field cannot be
    // followed by a misleading later one.
    std::size_t readRaw(void* destination, std::size_t count) {
        if (failure_) return 0;
        return source_.read(destination, count);
    }

    // The length comes from the file: a negative one or one beyond the end of
    // the data fails before anything is allocated for it.
    std::optional<std::size_t> readLength(BlockError error) {
        const auto length = readInt32();
        if (!length) return std::nullopt;
        if (*length < 0 || static_cast<std::uint64_t>(*length) > source_.remaining()) {
            fail(error, 0);
            return std::nullopt;
        }
        return static_cast<std::size_t>(*length);
    }

    void fail(BlockError error, std::size_t bytesRead) {
        if (failure_) return;
        failure_ = BlockFailure{error, source_.lastErrorCode(), static_cast<std::uint32_t>(bytesRead)};
    }

    ByteSource& source_;
    std::optional<BlockFailure> failure_;
};

// Reads `count` (id, text) records; each later record of an id replaces the
// earlier one. `keep` false reads and drops them. Counts are never used to
// reserve: a huge count just runs into a short read.
template <class Text, class ReadText>
bool readRecords(FieldReader& in, std::int32_t count, std::map<std::int32_t, Text>& table, bool keep,
                 ReadText readText) {
    for (std::int32_t i = 0; i < count; ++i) {
        const auto id = in.readInt32();
        if (!id) return false;
        auto text = readText(in);
        if (!text) return false;
        if (keep) table.insert_or_assign(*id, std::move(*text));
    }
    return true;
}

bool readNarrowRecords(FieldReader& in, ConfigTables& tables) {
    const auto count = in.readInt32();
    return count && readRecords(in, *count, tables.narrow, true,
                                [](FieldReader& r) { return r.readNarrowString(); });
}

bool readWideRecords(FieldReader& in, std::map<std::int32_t, std::u16string>& table, bool keep) {
    const auto count = in.readInt32();
    return count && readRecords(in, *count, table, keep, [](FieldReader& r) { return r.readWideString(); });
}

bool readOverrideSets(FieldReader& in, ConfigTables& tables, const std::string& localeName) {
    const auto setCount = in.readInt32();
    if (!setCount) return false;
    for (std::int32_t i = 0; i < *setCount; ++i) {
        const auto key = in.readNarrowString();
        if (!key) return false;
        if (!readWideRecords(in, tables.wide, overrideSetMatches(*key, localeName))) return false;
    }
    return true;
}

bool readHeader(FieldReader& in) {
    const auto magic = in.readUInt32();
    if (!magic) return false;
    if (*magic != kBlockMagic) return in.failMagic();
    // Values of the build tool that the launcher has no use for.
    return in.readUInt32() && in.readUInt32() && in.skipInt64();
}

}  // namespace

const char* blockErrorText(BlockError error) {
    switch (error) {
        case BlockError::Magic: return "Internal Error: magic";
        case BlockError::ReadLong: return "Internal Error: readLong";
        case BlockError::ReadInt: return "Internal Error: readInt";
        case BlockError::ReadShort: return "Internal Error: readShort";
        case BlockError::ReadString: return "Internal Error: readString";
        case BlockError::ReadWString: return "Internal Error: readWString";
    }
    return "Internal Error";
}

bool overrideSetMatches(const std::string& key, const std::string& localeName) {
    // Both are zero-terminated texts in the launcher: an embedded zero ends them.
    const std::string_view keyText(key.c_str());
    const std::string_view localeText(localeName.c_str());
    return localeText.substr(0, keyText.size()) == keyText;
}

BlockReadResult readConfigBlock(ByteSource& source, const std::function<std::string()>& detectLocale) {
    BlockReadResult result;
    FieldReader in(source);
    auto failed = [&] {
        result.failure = in.failure();
        return result;
    };
    if (!readHeader(in) || !readNarrowRecords(in, result.tables) || !readWideRecords(in, result.tables.wide, true)) {
        return failed();
    }
    result.localeName = detectLocale();
    if (!readOverrideSets(in, result.tables, result.localeName)) return failed();
    result.archiveStart = source.position();
    return result;
}

std::size_t MemoryByteSource::read(void* destination, std::size_t count) {
    const std::size_t available = size_ - position_;
    const std::size_t delivered = count < available ? count : available;
    if (delivered != 0) std::memcpy(destination, data_ + position_, delivered);
    position_ += delivered;
    return delivered;
}

}  // namespace tavik::config
