#include "tools/pack/Packer.h"

#include <cstdio>
#include <fstream>
#include <random>
#include <system_error>
#include <vector>

#include "common/ScopeExit.h"
#include "tools/pack/Archive.h"
#include "tools/pack/BlockWriter.h"
#include "tools/pack/PeImage.h"
#include "tools/pack/ProjectFile.h"

namespace tavik::pack {
namespace {

namespace fs = std::filesystem;

// The launcher positions its file through 32-bit offsets with no high part.
constexpr std::uint64_t kArchiveStartLimit = std::uint64_t{1} << 31;

PackError fileError(const fs::path& path, std::string what) { return {path.string(), 0, "", std::move(what)}; }

Expected<std::vector<unsigned char>> readTemplate(const fs::path& path) {
    std::error_code error;
    if (!fs::is_regular_file(path, error)) return fileError(path, "template not found");
    std::ifstream in(path, std::ios::binary);
    std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) return fileError(path, "cannot read template");
    return bytes;
}

// A fresh name beside the output, created exclusively so nothing else's file is overwritten.
Expected<fs::path> createTemporaryBeside(const fs::path& output) {
    std::random_device seed;
    std::mt19937 random(seed());
    for (int attempt = 0; attempt < 100; ++attempt) {
        fs::path candidate = output;
        candidate += ".tmp" + std::to_string(random() % 1000000);
        if (std::FILE* file = std::fopen(candidate.string().c_str(), "wbx")) {
            std::fclose(file);
            return candidate;
        }
        if (!fs::exists(candidate)) break;  // the directory itself is the problem
    }
    return fileError(output, "cannot create a temporary file beside the output");
}

}  // namespace

std::optional<PackError> packLauncher(const PackRequest& request) {
    auto input = readProjectFile(request.projectPath, request.runtimeJar);
    if (!input) return input.error();
    auto image = readTemplate(request.templatePath);
    if (!image) return image.error();
    const auto payloadStart = payloadOffset(image.value());
    if (!payloadStart) return fileError(request.templatePath, payloadStart.error());
    const std::vector<unsigned char> block = writeConfigBlock(input.value());
    if (payloadStart.value() + block.size() >= kArchiveStartLimit)
        return fileError(request.templatePath,
                         "template and configuration block reach 2 GiB; the launcher cannot read past that");
    if (auto problem = checkFilesToEmbed(input.value())) return problem;

    const auto temporary = createTemporaryBeside(request.outputPath);
    if (!temporary) return temporary.error();
    ScopeExit removeTemporary([&] {
        std::error_code ignored;
        fs::remove(temporary.value(), ignored);
    });
    {
        std::ofstream out(temporary.value(), std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(image.value().data()),
                  static_cast<std::streamsize>(payloadStart.value()));
        out.write(reinterpret_cast<const char*>(block.data()), static_cast<std::streamsize>(block.size()));
        if (auto problem = writeArchive(out, input.value())) return problem;
        out.close();
        if (!out) return fileError(request.outputPath, "cannot write output");
    }
    std::error_code error;
    // Best effort: the packed file gets the template's mode, execute bits included.
    fs::permissions(temporary.value(), fs::status(request.templatePath, error).permissions(), error);
    fs::rename(temporary.value(), request.outputPath, error);
    if (error) return fileError(request.outputPath, "cannot create output: " + error.message());
    removeTemporary.dismiss();
    return std::nullopt;
}

}  // namespace tavik::pack
