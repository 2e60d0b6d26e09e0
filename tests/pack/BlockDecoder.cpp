#include "tests/pack/BlockDecoder.h"

namespace tavik::pack::test {
namespace {

class Cursor {
public:
    Cursor(const std::vector<unsigned char>& bytes, std::size_t at) : bytes_(bytes), at_(at) {}

    bool ok() const { return ok_; }
    std::size_t position() const { return at_; }

    std::uint64_t number(int width) {
        if (!has(static_cast<std::size_t>(width))) return 0;
        std::uint64_t value = 0;
        for (int i = width - 1; i >= 0; --i) value = (value << 8) | bytes_[at_ + static_cast<std::size_t>(i)];
        at_ += static_cast<std::size_t>(width);
        return value;
    }
    std::int32_t int32() { return static_cast<std::int32_t>(static_cast<std::uint32_t>(number(4))); }

    std::string narrow() {
        const std::int32_t length = int32();
        if (length < 0 || !has(static_cast<std::size_t>(length))) return fail<std::string>();
        std::string text(bytes_.begin() + static_cast<std::ptrdiff_t>(at_),
                         bytes_.begin() + static_cast<std::ptrdiff_t>(at_) + length);
        at_ += static_cast<std::size_t>(length);
        return text;
    }
    std::u16string wide() {
        const std::int32_t length = int32();
        if (length < 0 || length % 2 != 0 || !has(static_cast<std::size_t>(length))) return fail<std::u16string>();
        std::u16string text;
        for (std::int32_t i = 0; i < length; i += 2)
            text.push_back(static_cast<char16_t>(bytes_[at_ + i] | bytes_[at_ + i + 1] << 8));
        at_ += static_cast<std::size_t>(length);
        return text;
    }
    std::vector<std::pair<std::int32_t, std::u16string>> wideRecords() {
        std::vector<std::pair<std::int32_t, std::u16string>> records;
        const std::int32_t count = int32();
        for (std::int32_t i = 0; ok_ && i < count; ++i) {
            const std::int32_t id = int32();
            records.emplace_back(id, wide());
        }
        return records;
    }

private:
    bool has(std::size_t n) {
        if (ok_ && at_ + n <= bytes_.size()) return true;
        ok_ = false;
        return false;
    }
    template <class T>
    T fail() {
        ok_ = false;
        return {};
    }

    const std::vector<unsigned char>& bytes_;
    std::size_t at_;
    bool ok_ = true;
};

template <class Records>
auto lastOf(const Records& records, std::int32_t id) -> std::optional<typename Records::value_type::second_type> {
    std::optional<typename Records::value_type::second_type> found;
    for (const auto& [recordId, text] : records)
        if (recordId == id) found = text;
    return found;
}

template <class Records>
std::vector<std::int32_t> idsOf(const Records& records) {
    std::vector<std::int32_t> ids;
    for (const auto& record : records) ids.push_back(record.first);
    return ids;
}

}  // namespace

std::optional<std::string> DecodedBlock::narrowText(std::int32_t id) const { return lastOf(narrow, id); }
std::optional<std::u16string> DecodedBlock::wideText(std::int32_t id) const { return lastOf(wide, id); }
std::vector<std::int32_t> DecodedBlock::narrowIds() const { return idsOf(narrow); }
std::vector<std::int32_t> DecodedBlock::wideIds() const { return idsOf(wide); }

std::optional<DecodedBlock> decodeBlock(const std::vector<unsigned char>& bytes, std::size_t start) {
    Cursor in(bytes, start);
    DecodedBlock block;
    block.magic = static_cast<std::uint32_t>(in.number(4));
    block.first = static_cast<std::uint32_t>(in.number(4));
    block.second = static_cast<std::uint32_t>(in.number(4));
    block.third = in.number(8);
    const std::int32_t narrowCount = in.int32();
    for (std::int32_t i = 0; in.ok() && i < narrowCount; ++i) {
        const std::int32_t id = in.int32();
        block.narrow.emplace_back(id, in.narrow());
    }
    block.wide = in.wideRecords();
    const std::int32_t setCount = in.int32();
    for (std::int32_t i = 0; in.ok() && i < setCount; ++i) {
        DecodedSet set;
        set.key = in.narrow();
        set.records = in.wideRecords();
        block.sets.push_back(std::move(set));
    }
    if (!in.ok()) return std::nullopt;
    block.end = in.position();
    return block;
}

}  // namespace tavik::pack::test
