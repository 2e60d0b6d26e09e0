#include "tools/pack/Archive.h"

#include <algorithm>
#include <fstream>
#include <system_error>
#include <vector>

#include "launcher/core/PackedFormat.h"

namespace tavik::pack {
namespace {

PackError embedError(const PackInput& input, const EmbeddedFile& file, const std::string& what) {
    return {input.projectPath, file.where.line, file.where.key, what + ": " + file.source.string()};
}

std::optional<PackError> problemWith(const PackInput& input, const EmbeddedFile& file) {
    std::error_code error;
    const auto status = std::filesystem::status(file.source, error);
    if (!std::filesystem::exists(status)) return embedError(input, file, "file to embed not found");
    if (!std::filesystem::is_regular_file(status))
        return embedError(input, file, "file to embed is not a regular file");
    if (!std::ifstream(file.source, std::ios::binary)) return embedError(input, file, "cannot read file to embed");
    return std::nullopt;
}

void writeSize(std::ostream& out, std::uint64_t size) {
    char bytes[archive::kSizeBytes];
    for (std::size_t i = 0; i < sizeof bytes; ++i) bytes[i] = static_cast<char>(size >> (8 * i));
    out.write(bytes, sizeof bytes);
}

}  // namespace

std::optional<PackError> checkFilesToEmbed(const PackInput& input) {
    for (const EmbeddedFile& file : input.files) {
        if (auto problem = problemWith(input, file)) return problem;
    }
    return std::nullopt;
}

std::optional<PackError> writeArchive(std::ostream& out, const PackInput& input) {
    std::vector<char> chunk(64 * 1024);
    for (const EmbeddedFile& file : input.files) {
        std::error_code error;
        const std::uintmax_t size = std::filesystem::file_size(file.source, error);
        std::ifstream in(file.source, std::ios::binary);
        if (error || !in) return embedError(input, file, "cannot read file to embed");
        writeSize(out, size);
        // Exactly `size` bytes follow the size field, whatever the file does meanwhile.
        std::uintmax_t left = size;
        while (left > 0) {
            const auto want = static_cast<std::streamsize>(std::min<std::uintmax_t>(left, chunk.size()));
            in.read(chunk.data(), want);
            if (in.gcount() != want) return embedError(input, file, "file to embed shrank while packing");
            for (std::streamsize i = 0; i < want; ++i) chunk[i] = static_cast<char>(chunk[i] ^ archive::kByteMask);
            out.write(chunk.data(), want);
            left -= static_cast<std::uintmax_t>(want);
        }
    }
    return std::nullopt;
}

}  // namespace tavik::pack
