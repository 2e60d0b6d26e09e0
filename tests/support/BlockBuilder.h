#pragma once
// Writes configuration blocks field by field for tests, the fuzzer's seeds and
// the benchmark, and remembers which kind of field every byte belongs to so a
// test can cut a block anywhere and know which read must fail.
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "launcher/core/ConfigBlock.h"

namespace tavik::testsupport {

using NarrowRecords = std::vector<std::pair<std::int32_t, std::string>>;
using WideRecords = std::vector<std::pair<std::int32_t, std::u16string>>;

struct OverrideSet {
    std::string key;
    WideRecords records;
};

class BlockBuilder {
public:
    // What a reader is doing while it consumes a byte; a short read there ends
    // with the matching error.
    enum class Field { Int, Long, NarrowBytes, WideBytes };
    struct Span {
        std::size_t begin;
        std::size_t end;
        Field field;
    };

    BlockBuilder& uint32(std::uint32_t value) { return put(value, 4, Field::Int); }
    BlockBuilder& int32(std::int32_t value) { return uint32(static_cast<std::uint32_t>(value)); }
    BlockBuilder& int64(std::uint64_t value) { return put(value, 8, Field::Long); }

    BlockBuilder& narrow(std::string_view text) {
        int32(static_cast<std::int32_t>(text.size()));
        const std::size_t begin = bytes_.size();
        bytes_.insert(bytes_.end(), text.begin(), text.end());
        return mark(begin, Field::NarrowBytes);
    }

    BlockBuilder& wide(std::u16string_view text) {
        int32(static_cast<std::int32_t>(text.size() * 2));
        const std::size_t begin = bytes_.size();
        for (const char16_t unit : text) {
            bytes_.push_back(static_cast<unsigned char>(unit & 0xFF));
            bytes_.push_back(static_cast<unsigned char>(unit >> 8));
        }
        return mark(begin, Field::WideBytes);
    }

    BlockBuilder& raw(std::vector<unsigned char> extra) {
        bytes_.insert(bytes_.end(), extra.begin(), extra.end());
        return *this;
    }
    BlockBuilder& raw(std::string_view extra) {
        bytes_.insert(bytes_.end(), extra.begin(), extra.end());
        return *this;
    }

    // Magic and the three fields the launcher reads past.
    BlockBuilder& header(std::uint32_t magic = config::kBlockMagic) {
        return uint32(magic).uint32(0x01020304).uint32(0x05060708).int64(0x1112131415161718);
    }

    BlockBuilder& narrowTable(const NarrowRecords& records) {
        int32(static_cast<std::int32_t>(records.size()));
        for (const auto& [id, text] : records) int32(id).narrow(text);
        return *this;
    }

    BlockBuilder& wideTable(const WideRecords& records) {
        int32(static_cast<std::int32_t>(records.size()));
        for (const auto& [id, text] : records) int32(id).wide(text);
        return *this;
    }

    BlockBuilder& overrideSets(const std::vector<OverrideSet>& sets) {
        int32(static_cast<std::int32_t>(sets.size()));
        for (const OverrideSet& set : sets) narrow(set.key).wideTable(set.records);
        return *this;
    }

    const std::vector<unsigned char>& bytes() const { return bytes_; }
    std::string text() const { return std::string(bytes_.begin(), bytes_.end()); }
    const std::vector<Span>& spans() const { return spans_; }

private:
    BlockBuilder& put(std::uint64_t value, int width, Field field) {
        const std::size_t begin = bytes_.size();
        for (int i = 0; i < width; ++i) bytes_.push_back(static_cast<unsigned char>(value >> (8 * i)));
        return mark(begin, field);
    }

    BlockBuilder& mark(std::size_t begin, Field field) {
        if (begin != bytes_.size()) spans_.push_back({begin, bytes_.size(), field});
        return *this;
    }

    std::vector<unsigned char> bytes_;
    std::vector<Span> spans_;
};

}  // namespace tavik::testsupport
