#include "launcher/core/NativeLibraryRules.h"

namespace tavik::path {

std::string nativeLibraryPathValue(std::string directories, const std::optional<std::string>& currentPath) {
    if (!directories.empty() && directories.back() != ';') directories.push_back(';');
    if (currentPath && directories.size() + currentPath->size() < kNativeLibraryPathCapacity)
        directories.append(*currentPath);
    return directories;
}

}  // namespace tavik::path
