#include "tests/pack/FakePe.h"

#include <algorithm>

namespace tavik::pack::test {
namespace {

void put(std::vector<unsigned char>& image, std::size_t at, std::uint32_t value, int width) {
    if (image.size() < at + width) image.resize(at + width);
    for (int i = 0; i < width; ++i) image[at + i] = static_cast<unsigned char>(value >> (8 * i));
}

}  // namespace

std::vector<unsigned char> FakePe::bytes() const {
    const std::size_t sectionTable = peOffset + 24 + optionalHeaderSize;
    std::size_t end = sectionTable + 40 * sections.size();
    for (const FakeSection& s : sections) end = std::max<std::size_t>(end, std::size_t{s.rawOffset} + s.rawSize);

    std::vector<unsigned char> image(end);
    // Recognisable content, so a test can tell kept bytes from lost ones.
    for (std::size_t i = 0; i < image.size(); ++i) image[i] = static_cast<unsigned char>(i * 7 + 3);
    image[0] = 'M';
    image[1] = 'Z';
    put(image, 60, peOffset, 4);
    put(image, peOffset, 0x00004550, 4);  // "PE\0\0"
    put(image, peOffset + 4, 0x8664, 2);
    put(image, peOffset + 6, static_cast<std::uint32_t>(sections.size()), 2);
    put(image, peOffset + 20, optionalHeaderSize, 2);
    std::fill(image.begin() + peOffset + 24, image.begin() + static_cast<std::ptrdiff_t>(sectionTable), 0);
    for (std::size_t i = 0; i < sections.size(); ++i) {
        const std::size_t header = sectionTable + 40 * i;
        std::fill(image.begin() + static_cast<std::ptrdiff_t>(header),
                  image.begin() + static_cast<std::ptrdiff_t>(header + 40), 0);
        std::copy_n(sections[i].name.begin(), std::min<std::size_t>(8, sections[i].name.size()),
                    image.begin() + static_cast<std::ptrdiff_t>(header));
        put(image, header + 16, sections[i].rawSize, 4);
        put(image, header + 20, sections[i].rawOffset, 4);
    }
    image.insert(image.end(), trailing.begin(), trailing.end());
    return image;
}

}  // namespace tavik::pack::test
