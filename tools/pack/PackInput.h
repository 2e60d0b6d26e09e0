#pragma once
// What a project file asks for, in the form the block and the archive are
// written from. Every item remembers where it came from, so later steps can
// point at the offending line.
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace tavik::pack {

struct SourcePosition {
    unsigned line = 0;  // 0 for items the packer adds itself
    std::string key;    // dotted key, e.g. "application.class_path[1].kind"
};

struct NarrowRecord {
    std::int32_t id;
    std::string text;  // Windows-1252 bytes
    SourcePosition where;
};

struct WideRecord {
    std::int32_t id;
    std::u16string text;
    SourcePosition where;
};

// Wide records that replace the defaults when the user's locale starts with `key`.
struct OverrideSet {
    std::string key;  // Windows-1252 bytes
    std::vector<WideRecord> records;
    SourcePosition where;
};

struct EmbeddedFile {
    std::filesystem::path source;  // absolute, or relative to the working directory
    std::string name;              // relative name in the launcher's temporary directory
    SourcePosition where;
};

inline constexpr char kRuntimeJarName[] = "tavik-runtime.jar";

// The archive's names as the block lists them: ";"-separated, archive order.
inline std::string archiveNameList(const std::vector<EmbeddedFile>& files) {
    std::string names;
    for (const EmbeddedFile& file : files) names += (names.empty() ? "" : ";") + file.name;
    return names;
}

struct PackInput {
    std::string projectPath;  // as given, for messages
    std::vector<NarrowRecord> narrow;
    std::vector<WideRecord> wide;
    std::vector<OverrideSet> sets;
    std::vector<EmbeddedFile> files;  // archive order
};

}  // namespace tavik::pack
