#include "launcher/core/RuntimeLayout.h"

namespace tavik::jvm {
namespace {

bool endsWith(std::string_view text, std::string_view end) {
    return text.size() >= end.size() && text.substr(text.size() - end.size()) == end;
}

std::string directoryOf(std::string_view path) {
    const std::size_t slash = path.rfind('\\');
    return slash == std::string_view::npos ? std::string() : std::string(path.substr(0, slash + 1));
}

}  // namespace

std::string binDirectoryOf(std::string_view javaExe) {
    const std::size_t nameLength = endsWith(javaExe, "javaw.exe") ? 9 : 8;
    return javaExe.size() > nameLength ? std::string(javaExe.substr(0, javaExe.size() - nameLength - 1))
                                       : std::string();
}

std::string runtimeHomeOf(std::string_view javaExe) { return directoryOf(javaExe) + ".."; }

std::string jreJavaExeOf(std::string_view javaExe) { return directoryOf(javaExe) + "..\\jre\\bin\\java.exe"; }

std::vector<std::string> vmSubdirectoriesInTrialOrder(std::string_view preferred) {
    std::vector<std::string> names;
    if (!preferred.empty()) names.emplace_back(preferred);
    for (const char* name : {"client", "server", "j9vm", "hotspot", "jrockit"}) names.emplace_back(name);
    return names;
}

std::string unpackedArchiveOf(std::string_view packedPath) {
    const std::size_t length = packedPath.size() < kPackSuffix.size() ? 0 : packedPath.size() - kPackSuffix.size();
    return std::string(packedPath.substr(0, length));
}

std::string unpackArguments(std::string_view packedPath) {
    return "-r \"" + std::string(packedPath) + "\" \"" + unpackedArchiveOf(packedPath) + "\"";
}

}  // namespace tavik::jvm
