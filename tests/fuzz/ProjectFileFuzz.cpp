// Arbitrary text as a project file. The reader must answer with records or
// with an error that names a line of the text, never throw; what it accepts
// must fit the launcher's buffers, and the launcher must read it back as
// meant: every archive name one it extracts, an option list the tokens its
// splitter gives back.
#include <toml++/toml.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "launcher/core/ArchiveNames.h"
#include "launcher/core/ConfigIds.h"
#include "launcher/core/CommandLine.h"
#include "tests/fuzz/FuzzInput.h"
#include "tools/pack/ProjectFile.h"
#include "tools/pack/TextEncoding.h"

namespace {

using namespace tavik;
using fuzz::require;

const pack::NarrowRecord* lastRecord(const pack::PackInput& input, std::int32_t id) {
    const auto found = std::find_if(input.narrow.rbegin(), input.narrow.rend(),
                                    [id](const pack::NarrowRecord& record) { return record.id == id; });
    return found == input.narrow.rend() ? nullptr : &*found;
}

// The option list written as an array must reach the VM as those options.
void checkOptionArray(const toml::table& root, const pack::PackInput& input) {
    const toml::array* elements = root["application"]["vm_options"].as_array();
    const pack::NarrowRecord* record = lastRecord(input, 123);
    if (elements == nullptr || record == nullptr) return;
    std::vector<std::u16string> expected;
    for (const toml::node& element : *elements) {
        const pack::Windows1252Text narrow = pack::toWindows1252(pack::decodeUtf8(element.as_string()->get()));
        expected.push_back(fuzz::widened(narrow.bytes));
    }
    require(cmdline::splitCommandLine(fuzz::widened(record->text)) == expected);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text = fuzz::inputText(data, size);
    const unsigned lines = static_cast<unsigned>(std::count(text.begin(), text.end(), '\n')) + 1;
    const auto result = pack::parseProject(text, "fuzz.toml", "/base");
    if (!result) {
        const pack::PackError& error = result.error();
        require(error.path == "fuzz.toml" && !error.what.empty() && error.line <= lines);
        return 0;
    }
    const pack::PackInput& input = result.value();
    for (const pack::NarrowRecord& record : input.narrow) {
        require(record.text.find('\0') == std::string::npos && record.where.line <= lines);
        // Every text fits the launcher's buffer for its id, unless it is read
        // whole or is the flavour, which the launcher cuts to its first character.
        const auto capacity = config::narrowCapacity(record.id);
        require(!capacity || record.id == config::kFlavourId || record.text.size() < *capacity);
    }
    for (const pack::WideRecord& record : input.wide) {
        require(record.text.find(u'\0') == std::u16string::npos && record.text.size() < 6000 &&
                record.where.line <= lines);
    }
    std::vector<std::string> names;
    for (const pack::EmbeddedFile& file : input.files) {
        require(!archive::packingProblem(file.name));
        names.push_back(file.name);
    }
    // Raw records may stand in for any readable one.
    const toml::table root = toml::parse(text);
    if (root.contains("narrow")) return 0;
    if (const pack::NarrowRecord* list = lastRecord(input, config::kArchiveNamesId)) {
        require(archive::splitNameList(list->text) == names);
    }
    checkOptionArray(root, input);
    return 0;
}
