#include "tools/pack/BlockWriter.h"

#include <string>

#include "launcher/core/PackedFormat.h"

namespace tavik::pack {
namespace {

class BlockBytes {
public:
    void u32(std::uint32_t value) { littleEndian(value, 4); }
    void i32(std::int32_t value) { u32(static_cast<std::uint32_t>(value)); }
    void u64(std::uint64_t value) { littleEndian(value, 8); }
    void count(std::size_t n) { i32(static_cast<std::int32_t>(n)); }

    void narrow(const std::string& text) {
        count(text.size());
        bytes_.insert(bytes_.end(), text.begin(), text.end());
    }
    void wide(const std::u16string& text) {
        count(text.size() * 2);
        for (const char16_t unit : text) littleEndian(unit, 2);
    }
    void wideRecords(const std::vector<WideRecord>& records) {
        count(records.size());
        for (const WideRecord& record : records) {
            i32(record.id);
            wide(record.text);
        }
    }

    std::vector<unsigned char> take() { return std::move(bytes_); }

private:
    void littleEndian(std::uint64_t value, int width) {
        for (int i = 0; i < width; ++i) bytes_.push_back(static_cast<unsigned char>(value >> (8 * i)));
    }

    std::vector<unsigned char> bytes_;
};

}  // namespace

std::vector<unsigned char> writeConfigBlock(const PackInput& input) {
    BlockBytes block;
    block.u32(config::kBlockMagic);
    // Skipped by the launcher; fixed values keep the output reproducible.
    block.u32(1);
    block.u32(0);
    block.u64(0);

    block.count(input.narrow.size());
    for (const NarrowRecord& record : input.narrow) {
        block.i32(record.id);
        block.narrow(record.text);
    }
    block.wideRecords(input.wide);
    block.count(input.sets.size());
    for (const OverrideSet& set : input.sets) {
        block.narrow(set.key);
        block.wideRecords(set.records);
    }
    return block.take();
}

}  // namespace tavik::pack
