#include "tools/pack/ProjectFile.h"

#include <toml++/toml.h>

#include <algorithm>
#include <charconv>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <optional>
#include <sstream>
#include <tuple>
#include <utility>
#include <vector>

#include "launcher/core/ArchiveNames.h"
#include "tools/pack/DefaultMessages.h"
#include "tools/pack/TextEncoding.h"

namespace tavik::pack {
namespace {

// How a readable key's value becomes its record.
enum class Form {
    Text,            // string
    Flag,            // boolean -> "1" / "0"
    Integer,         // 32-bit integer -> decimal
    ExecutableKind,  // name or integer
    Flavour,         // name -> letter
    PathEntries,     // class-path style tables -> "A1app.jar;D0classes"
    SemicolonList,   // strings joined with ";"
    CommaList,       // strings joined with ","
    OptionLine,      // string, or strings quoted for the launcher's splitter
    SearchSequence,  // {kind, value} tables -> "Ajre;Y"
    VersionOptions,  // {condition, option} tables -> a count and id pairs
    WideText,        // string as a wide record
};

struct KeyRule {
    std::string_view section;
    std::string_view key;
    std::int32_t id;
    Form form;
};

constexpr KeyRule kKeyRules[] = {
    {"application", "main_class", 122, Form::Text},
    {"application", "module", 133, Form::Flag},
    {"application", "class_path", 121, Form::PathEntries},
    {"application", "module_path", 132, Form::PathEntries},
    {"application", "vm_options", 123, Form::OptionLine},
    {"application", "arguments", 124, Form::Text},
    {"application", "java_options_from_command_line", 125, Form::Flag},
    {"application", "working_directory", 146, Form::Text},
    {"application", "installation_root", 10003, Form::Text},
    {"application", "native_library_directories", 10004, Form::SemicolonList},
    {"application", "executable_kind", 107, Form::ExecutableKind},
    {"application", "flavour", 2001, Form::Flavour},
    {"application", "read_default_vmoptions", 166, Form::Flag},
    {"application", "add_dll_directories", 154, Form::Flag},
    {"application", "splash", 108, Form::Flag},
    {"java", "min_version", 126, Form::Text},
    {"java", "max_version", 127, Form::Text},
    {"java", "search_sequence", 128, Form::SearchSequence},
    {"java", "allow_prerelease", 130, Form::Flag},
    {"java", "require_jdk", 131, Form::Flag},
    {"java", "vm_subdirectory", 152, Form::Text},
    {"java", "application_id", 160, Form::Text},
    {"java", "restrict_registry_search", 165, Form::Flag},
    {"java", "version_options", 10200, Form::VersionOptions},
    {"service", "name", 101, Form::Text},
    {"service", "description", 20017, Form::WideText},
    {"service", "dependencies", 149, Form::CommaList},
    {"single_instance", "mode", 10005, Form::Integer},
    {"single_instance", "activate_windows", 10007, Form::Flag},
    {"single_instance", "global", 158, Form::Flag},
};

struct Choice {
    std::string_view name;
    std::string_view text;
};
constexpr Choice kExecutableKinds[] = {{"console", "0"}, {"gui", "1"}, {"service", "4"}};
constexpr Choice kFlavours[] = {{"launcher", "t"}, {"installer", "r"}};
constexpr Choice kPathKinds[] = {{"archive", "A"}, {"directory", "D"}, {"env", "E"}, {"scan", "S"}};
constexpr Choice kSearchKinds[] = {{"A", "A"}, {"B", "B"}, {"R", "R"}, {"E", "E"}, {"S", "S"}, {"Y", "Y"}};

constexpr std::int32_t kVersionConditionId = 10201;

// The launcher copies these texts into buffers of this many units, terminator
// included; a longer text would be cut (narrow) or overrun the buffer (wide).
constexpr std::size_t kWideCapacity = 6000;
std::optional<std::size_t> narrowCapacity(std::int32_t id) {
    switch (id) {
        case 124: return 2000;
        case 152: return 200;
        case 10003: return 4000;
        case 2001:  // only the first character is read, by design
        case 2003:  // read whole into a fresh allocation
            return std::nullopt;
        default: return 6000;
    }
}

bool isSettingsSection(std::string_view name) {
    return name == "application" || name == "java" || name == "service" || name == "single_instance";
}

const KeyRule* findRule(std::string_view section, std::string_view key) {
    for (const KeyRule& rule : kKeyRules) {
        if (rule.section == section && rule.key == key) return &rule;
    }
    return nullptr;
}

const char* typeName(const toml::node& node) {
    switch (node.type()) {
        case toml::node_type::string: return "a string";
        case toml::node_type::integer: return "an integer";
        case toml::node_type::floating_point: return "a float";
        case toml::node_type::boolean: return "a boolean";
        case toml::node_type::table: return "a table";
        case toml::node_type::array: return "an array";
        default: return "a date or time";
    }
}

std::string indexed(const std::string& key, std::size_t index) { return key + "[" + std::to_string(index) + "]"; }

using Entry = std::pair<const toml::key*, const toml::node*>;

// toml++ keeps tables sorted by key; the block wants the order of the file.
std::vector<Entry> inFileOrder(const toml::table& table) {
    std::vector<Entry> entries;
    for (auto&& [key, node] : table) entries.emplace_back(&key, &node);
    std::stable_sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) {
        const auto& x = a.first->source().begin;
        const auto& y = b.first->source().begin;
        return std::tie(x.line, x.column) < std::tie(y.line, y.column);
    });
    return entries;
}

std::optional<std::int32_t> parseId(std::string_view text) {
    std::int32_t id = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), id);
    if (error != std::errc() || end != text.data() + text.size() || text.empty()) return std::nullopt;
    return id;
}

// An element the launcher's command-line splitter must see as exactly one
// token: blanks and quote characters need quoting with the other quote kind.
std::optional<std::string> quotedOption(const std::string& element) {
    const bool plain = !element.empty() && element.find_first_of(" \"'") == std::string::npos;
    if (plain) return element;
    if (element.find('"') == std::string::npos) return "\"" + element + "\"";
    if (element.find('\'') == std::string::npos) return "'" + element + "'";
    return std::nullopt;
}

bool isValidVersionCondition(const std::string& condition) {
    return (!condition.empty() && condition[0] == '*') || condition.find('-') != std::string::npos;
}

bool equalsIgnoringAsciiCase(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
        return lower(x) == lower(y);
    });
}

// The launcher extracts "<temp dir>\<name>" and creates at most the first
// directory level, so a name is a file or "dir\file", never a way out.
std::optional<std::string> archiveNameProblem(const std::string& name) {
    if (name.empty()) return "archive name is empty";
    if (name.find(';') != std::string::npos) return "archive name must not contain ';', which separates the names";
    if (name.find('/') != std::string::npos) return "archive name must use '\\' to name a subdirectory";
    if (name.find(':') != std::string::npos) return "archive name must be a relative name without ':'";
    const auto separator = name.find('\\');
    if (separator != std::string::npos && name.find('\\', separator + 1) != std::string::npos)
        return "archive name may hold one subdirectory level only (\"dir\\file\")";
    const std::string directory = separator == std::string::npos ? std::string() : name.substr(0, separator);
    const std::string file = separator == std::string::npos ? name : name.substr(separator + 1);
    const auto invalidPart = [](const std::string& part) { return part.empty() || part == "." || part == ".."; };
    if (invalidPart(file) || (separator != std::string::npos && invalidPart(directory)))
        return "archive name must stay inside the extraction directory (no empty, '.' or '..' parts)";
    // What is left of the launcher's rule: a launcher would refuse to extract such a name.
    if (!archive::isSafeArchiveName(name))
        return "archive name must not name a device (such as \"NUL\", \"com1.txt\" or \"LPT\u00b9\")";
    return std::nullopt;
}

class ProjectReader {
public:
    ProjectReader(std::string displayPath, std::filesystem::path baseDirectory,
                  std::optional<std::filesystem::path> runtimeJar)
        : path_(std::move(displayPath)), base_(std::move(baseDirectory)), runtimeJar_(std::move(runtimeJar)) {}

    bool read(const toml::table& root);
    PackInput result();
    const PackError& error() const { return *error_; }

private:
    bool fail(unsigned line, const std::string& key, std::string what) {
        error_ = PackError{path_, line, key, std::move(what)};
        return false;
    }
    bool fail(const toml::node& node, const std::string& key, std::string what) {
        return fail(node.source().begin.line, key, std::move(what));
    }
    bool failAtKey(const toml::key& key, const std::string& keyPath, std::string what) {
        return fail(key.source().begin.line, keyPath, std::move(what));
    }
    bool wrongType(const toml::node& node, const std::string& key, const std::string& expected) {
        return fail(node, key, "expected " + expected + ", found " + typeName(node));
    }

    // Typed views of a value; each reports the error itself and returns nothing.
    const toml::table* tableAt(const toml::node& node, const std::string& key);
    const toml::array* arrayAt(const toml::node& node, const std::string& key);
    std::optional<std::string> utf8At(const toml::node& node, const std::string& key);
    std::optional<std::string> narrowAt(const toml::node& node, const std::string& key);
    std::optional<std::string> encodeNarrow(const std::string& utf8, const toml::node& node, const std::string& key);
    std::optional<std::u16string> wideAt(const toml::node& node, const std::string& key);
    std::optional<bool> flagAt(const toml::node& node, const std::string& key);
    std::optional<std::int32_t> int32At(const toml::node& node, const std::string& key);
    template <std::size_t N>
    std::optional<std::string> choiceAt(const toml::node& node, const std::string& key, const Choice (&choices)[N],
                                        const std::string& what);
    std::optional<std::string> separatedItemAt(const toml::node& node, const std::string& key, char separator,
                                               bool mayBeEmpty);
    std::optional<std::string> optionLineAt(const toml::node& node, const std::string& key);
    std::optional<std::int32_t> idOf(const toml::key& key, const std::string& keyPath);
    bool onlyKeys(const toml::table& table, const std::string& key, std::initializer_list<std::string_view> allowed);
    const toml::node* requiredKey(const toml::table& table, const std::string& key, std::string_view name);

    bool addReadable(std::int32_t id, std::string text, const toml::node& node, const std::string& key);
    bool addRawNarrow(std::int32_t id, std::string text, const toml::node& node, const std::string& key);
    bool addWide(std::vector<WideRecord>& into, std::int32_t id, std::u16string text, const toml::node& node,
                 const std::string& key);
    bool fitsNarrow(std::int32_t id, const std::string& text, const toml::node& node, const std::string& key);

    bool readSettings(const std::string& section, const toml::node& node);
    bool readSetting(const KeyRule& rule, const toml::node& value, const std::string& key);
    bool readExecutableKind(std::int32_t id, const toml::node& node, const std::string& key);
    bool readPathEntries(std::int32_t id, const toml::node& node, const std::string& key);
    bool readList(std::int32_t id, const toml::node& node, const std::string& key, char separator);
    bool readSearchSequence(std::int32_t id, const toml::node& node, const std::string& key);
    bool readVersionOptions(std::int32_t countId, const toml::node& node, const std::string& key);
    bool readFiles(const toml::node& node, const std::string& key);
    bool readEmbed(const toml::node& node, const std::string& key);
    bool readEmbedItem(const toml::node& item, const std::string& key);
    // Calls `read(id, value, key)` for each entry of a table keyed by
    // configuration ids, in file order; stops at the first failure.
    template <class ReadEntry>
    bool forEachIdEntry(const toml::node& node, const std::string& key, ReadEntry read);
    bool readMessages(const toml::node& node, const std::string& key, std::vector<WideRecord>& into);
    bool readLocales(const toml::node& node, const std::string& key);
    bool readRawNarrow(const toml::node& node, const std::string& key);
    void listFilesToEmbed();

    std::string path_;
    std::filesystem::path base_;
    std::optional<std::filesystem::path> runtimeJar_;
    SourcePosition embedPosition_;  // line 0 without an embed list
    std::optional<PackError> error_;
    std::vector<NarrowRecord> readable_;
    std::vector<NarrowRecord> rawNarrow_;
    std::vector<WideRecord> messages_;
    std::vector<WideRecord> description_;
    std::vector<WideRecord> rawWide_;
    std::vector<OverrideSet> sets_;
    std::vector<EmbeddedFile> files_;
};

const toml::table* ProjectReader::tableAt(const toml::node& node, const std::string& key) {
    if (const toml::table* table = node.as_table()) return table;
    wrongType(node, key, "a table");
    return nullptr;
}

const toml::array* ProjectReader::arrayAt(const toml::node& node, const std::string& key) {
    if (const toml::array* array = node.as_array()) return array;
    wrongType(node, key, "an array");
    return nullptr;
}

std::optional<std::string> ProjectReader::utf8At(const toml::node& node, const std::string& key) {
    const auto* text = node.as_string();
    if (text == nullptr) {
        wrongType(node, key, "a string");
        return std::nullopt;
    }
    // The launcher keeps texts zero-terminated: a NUL would silently end it early.
    if (text->get().find('\0') != std::string::npos) {
        fail(node, key, "text contains a NUL character");
        return std::nullopt;
    }
    return text->get();
}

std::optional<std::string> ProjectReader::encodeNarrow(const std::string& utf8, const toml::node& node,
                                                       const std::string& key) {
    Windows1252Text encoded = toWindows1252(decodeUtf8(utf8));
    if (encoded.unrepresentable) {
        fail(node, key, "character " + describeCharacter(*encoded.unrepresentable) +
                            " cannot be written in the Windows-1252 code page used for narrow texts");
        return std::nullopt;
    }
    return std::move(encoded.bytes);
}

std::optional<std::string> ProjectReader::narrowAt(const toml::node& node, const std::string& key) {
    const auto utf8 = utf8At(node, key);
    if (!utf8) return std::nullopt;
    return encodeNarrow(*utf8, node, key);
}

std::optional<std::u16string> ProjectReader::wideAt(const toml::node& node, const std::string& key) {
    const auto utf8 = utf8At(node, key);
    if (!utf8) return std::nullopt;
    return toUtf16(decodeUtf8(*utf8));
}

std::optional<bool> ProjectReader::flagAt(const toml::node& node, const std::string& key) {
    if (const auto* flag = node.as_boolean()) return flag->get();
    wrongType(node, key, "a boolean");
    return std::nullopt;
}

std::optional<std::int32_t> ProjectReader::int32At(const toml::node& node, const std::string& key) {
    const auto* number = node.as_integer();
    if (number == nullptr) {
        wrongType(node, key, "an integer");
        return std::nullopt;
    }
    const std::int64_t value = number->get();
    if (value < INT32_MIN || value > INT32_MAX) {
        fail(node, key, "integer does not fit in 32 bits");
        return std::nullopt;
    }
    return static_cast<std::int32_t>(value);
}

template <std::size_t N>
std::optional<std::string> ProjectReader::choiceAt(const toml::node& node, const std::string& key,
                                                   const Choice (&choices)[N], const std::string& what) {
    const auto name = utf8At(node, key);
    if (!name) return std::nullopt;
    std::string known;
    for (const Choice& choice : choices) {
        if (choice.name == *name) return std::string(choice.text);
        known += (known.empty() ? "\"" : ", \"") + std::string(choice.name) + "\"";
    }
    fail(node, key, "unknown " + what + " \"" + *name + "\" (known: " + known + ")");
    return std::nullopt;
}

std::optional<std::string> ProjectReader::separatedItemAt(const toml::node& node, const std::string& key,
                                                          char separator, bool mayBeEmpty) {
    auto text = narrowAt(node, key);
    if (!text) return std::nullopt;
    if (text->empty() && !mayBeEmpty) {
        fail(node, key, "must not be empty");
        return std::nullopt;
    }
    // The launcher splits the joined list at this character, so it cannot appear inside an item.
    if (text->find(separator) != std::string::npos) {
        fail(node, key, std::string("must not contain '") + separator + "', which separates the list");
        return std::nullopt;
    }
    return text;
}

std::optional<std::string> ProjectReader::optionLineAt(const toml::node& node, const std::string& key) {
    if (node.is_string()) return narrowAt(node, key);
    const toml::array* elements = node.as_array();
    if (elements == nullptr) {
        wrongType(node, key, "a string or an array of strings");
        return std::nullopt;
    }
    std::string line;
    for (std::size_t i = 0; i < elements->size(); ++i) {
        const std::string elementKey = indexed(key, i);
        const auto element = narrowAt(*elements->get(i), elementKey);
        if (!element) return std::nullopt;
        const auto quoted = quotedOption(*element);
        if (!quoted) {
            fail(*elements->get(i), elementKey, "an option holding both kinds of quote cannot be passed as one option");
            return std::nullopt;
        }
        if (i != 0) line += ' ';
        line += *quoted;
    }
    return line;
}

std::optional<std::int32_t> ProjectReader::idOf(const toml::key& key, const std::string& keyPath) {
    const auto id = parseId(key.str());
    if (!id) failAtKey(key, keyPath, "expected a numeric id as key");
    return id;
}

bool ProjectReader::onlyKeys(const toml::table& table, const std::string& key,
                             std::initializer_list<std::string_view> allowed) {
    for (const auto& [name, value] : inFileOrder(table)) {
        if (std::find(allowed.begin(), allowed.end(), name->str()) == allowed.end())
            return failAtKey(*name, key + "." + std::string(name->str()), "unknown key");
    }
    return true;
}

const toml::node* ProjectReader::requiredKey(const toml::table& table, const std::string& key,
                                             std::string_view name) {
    if (const toml::node* node = table.get(name)) return node;
    fail(table, key, "missing key \"" + std::string(name) + "\"");
    return nullptr;
}

bool ProjectReader::fitsNarrow(std::int32_t id, const std::string& text, const toml::node& node,
                               const std::string& key) {
    const auto capacity = narrowCapacity(id);
    if (!capacity || text.size() < *capacity) return true;
    return fail(node, key, "text of " + std::to_string(text.size()) + " bytes is too long for id " +
                               std::to_string(id) + " (at most " + std::to_string(*capacity - 1) + ")");
}

bool ProjectReader::addReadable(std::int32_t id, std::string text, const toml::node& node, const std::string& key) {
    if (!fitsNarrow(id, text, node, key)) return false;
    readable_.push_back({id, std::move(text), {node.source().begin.line, key}});
    return true;
}

bool ProjectReader::addRawNarrow(std::int32_t id, std::string text, const toml::node& node, const std::string& key) {
    if (!fitsNarrow(id, text, node, key)) return false;
    rawNarrow_.push_back({id, std::move(text), {node.source().begin.line, key}});
    return true;
}

bool ProjectReader::addWide(std::vector<WideRecord>& into, std::int32_t id, std::u16string text,
                            const toml::node& node, const std::string& key) {
    if (text.size() >= kWideCapacity)
        return fail(node, key, "text of " + std::to_string(text.size()) + " UTF-16 units is too long (at most " +
                                   std::to_string(kWideCapacity - 1) + ")");
    into.push_back({id, std::move(text), {node.source().begin.line, key}});
    return true;
}

bool ProjectReader::read(const toml::table& root) {
    for (const auto& [key, node] : inFileOrder(root)) {
        const std::string name(key->str());
        bool ok = false;
        if (isSettingsSection(name)) {
            ok = readSettings(name, *node);
        } else if (name == "files") {
            ok = readFiles(*node, name);
        } else if (name == "messages") {
            ok = readMessages(*node, name, messages_);
        } else if (name == "locale") {
            ok = readLocales(*node, name);
        } else if (name == "narrow") {
            ok = readRawNarrow(*node, name);
        } else if (name == "wide") {
            ok = readMessages(*node, name, rawWide_);
        } else {
            ok = failAtKey(*key, name, "unknown key");
        }
        if (!ok) return false;
    }
    return true;
}

bool ProjectReader::readSettings(const std::string& section, const toml::node& node) {
    const toml::table* table = tableAt(node, section);
    if (table == nullptr) return false;
    for (const auto& [key, value] : inFileOrder(*table)) {
        const std::string keyPath = section + "." + std::string(key->str());
        const KeyRule* rule = findRule(section, key->str());
        if (rule == nullptr) return failAtKey(*key, keyPath, "unknown key");
        if (!readSetting(*rule, *value, keyPath)) return false;
    }
    return true;
}

bool ProjectReader::readSetting(const KeyRule& rule, const toml::node& value, const std::string& key) {
    switch (rule.form) {
        case Form::Text: {
            auto text = narrowAt(value, key);
            return text && addReadable(rule.id, std::move(*text), value, key);
        }
        case Form::Flag: {
            const auto flag = flagAt(value, key);
            return flag && addReadable(rule.id, *flag ? "1" : "0", value, key);
        }
        case Form::Integer: {
            const auto number = int32At(value, key);
            return number && addReadable(rule.id, std::to_string(*number), value, key);
        }
        case Form::ExecutableKind: return readExecutableKind(rule.id, value, key);
        case Form::Flavour: {
            auto letter = choiceAt(value, key, kFlavours, "flavour");
            return letter && addReadable(rule.id, std::move(*letter), value, key);
        }
        case Form::PathEntries: return readPathEntries(rule.id, value, key);
        case Form::SemicolonList: return readList(rule.id, value, key, ';');
        case Form::CommaList: return readList(rule.id, value, key, ',');
        case Form::OptionLine: {
            auto line = optionLineAt(value, key);
            return line && addReadable(rule.id, std::move(*line), value, key);
        }
        case Form::SearchSequence: return readSearchSequence(rule.id, value, key);
        case Form::VersionOptions: return readVersionOptions(rule.id, value, key);
        case Form::WideText: {
            auto text = wideAt(value, key);
            return text && addWide(description_, rule.id, std::move(*text), value, key);
        }
    }
    return fail(value, key, "unsupported key");
}

bool ProjectReader::readExecutableKind(std::int32_t id, const toml::node& node, const std::string& key) {
    if (node.is_integer()) {
        const auto number = int32At(node, key);
        return number && addReadable(id, std::to_string(*number), node, key);
    }
    if (!node.is_string()) return wrongType(node, key, "a string or an integer");
    auto kind = choiceAt(node, key, kExecutableKinds, "executable kind");
    return kind && addReadable(id, std::move(*kind), node, key);
}

bool ProjectReader::readPathEntries(std::int32_t id, const toml::node& node, const std::string& key) {
    const toml::array* entries = arrayAt(node, key);
    if (entries == nullptr) return false;
    std::string joined;
    for (std::size_t i = 0; i < entries->size(); ++i) {
        const std::string entryKey = indexed(key, i);
        const toml::table* entry = tableAt(*entries->get(i), entryKey);
        if (entry == nullptr || !onlyKeys(*entry, entryKey, {"kind", "path", "required"})) return false;
        const toml::node* kindNode = requiredKey(*entry, entryKey, "kind");
        const toml::node* pathNode = kindNode ? requiredKey(*entry, entryKey, "path") : nullptr;
        if (pathNode == nullptr) return false;
        const auto letter = choiceAt(*kindNode, entryKey + ".kind", kPathKinds, "path entry kind");
        if (!letter) return false;
        const auto path = separatedItemAt(*pathNode, entryKey + ".path", ';', false);
        if (!path) return false;
        bool required = false;
        if (const toml::node* requiredNode = entry->get("required")) {
            const auto flag = flagAt(*requiredNode, entryKey + ".required");
            if (!flag) return false;
            required = *flag;
        }
        if (i != 0) joined += ';';
        joined += *letter + (required ? "1" : "0") + *path;
    }
    return addReadable(id, std::move(joined), node, key);
}

bool ProjectReader::readList(std::int32_t id, const toml::node& node, const std::string& key, char separator) {
    const toml::array* items = arrayAt(node, key);
    if (items == nullptr) return false;
    std::string joined;
    for (std::size_t i = 0; i < items->size(); ++i) {
        const auto item = separatedItemAt(*items->get(i), indexed(key, i), separator, false);
        if (!item) return false;
        if (i != 0) joined += separator;
        joined += *item;
    }
    return addReadable(id, std::move(joined), node, key);
}

bool ProjectReader::readSearchSequence(std::int32_t id, const toml::node& node, const std::string& key) {
    const toml::array* entries = arrayAt(node, key);
    if (entries == nullptr) return false;
    std::string joined;
    for (std::size_t i = 0; i < entries->size(); ++i) {
        const std::string entryKey = indexed(key, i);
        const toml::table* entry = tableAt(*entries->get(i), entryKey);
        if (entry == nullptr || !onlyKeys(*entry, entryKey, {"kind", "value"})) return false;
        const toml::node* kindNode = requiredKey(*entry, entryKey, "kind");
        if (kindNode == nullptr) return false;
        const auto letter = choiceAt(*kindNode, entryKey + ".kind", kSearchKinds, "search kind");
        if (!letter) return false;
        // Directories and variables need a value; "S" uses it only as a label and "Y" ignores it.
        const bool needsValue = *letter != "S" && *letter != "Y";
        const toml::node* valueNode = needsValue ? requiredKey(*entry, entryKey, "value") : entry->get("value");
        if (needsValue && valueNode == nullptr) return false;
        std::string value;
        if (valueNode != nullptr) {
            const auto text = separatedItemAt(*valueNode, entryKey + ".value", ';', !needsValue);
            if (!text) return false;
            value = *text;
        }
        if (i != 0) joined += ';';
        joined += *letter + value;
    }
    return addReadable(id, std::move(joined), node, key);
}

bool ProjectReader::readVersionOptions(std::int32_t countId, const toml::node& node, const std::string& key) {
    const toml::array* entries = arrayAt(node, key);
    if (entries == nullptr) return false;
    if (!addReadable(countId, std::to_string(entries->size()), node, key)) return false;
    for (std::size_t i = 0; i < entries->size(); ++i) {
        const std::string entryKey = indexed(key, i);
        const toml::table* entry = tableAt(*entries->get(i), entryKey);
        if (entry == nullptr || !onlyKeys(*entry, entryKey, {"condition", "option"})) return false;
        const toml::node* conditionNode = requiredKey(*entry, entryKey, "condition");
        const toml::node* optionNode = conditionNode ? requiredKey(*entry, entryKey, "option") : nullptr;
        if (optionNode == nullptr) return false;
        auto condition = narrowAt(*conditionNode, entryKey + ".condition");
        if (!condition) return false;
        // The launcher logs anything else as an error and never matches it.
        if (!isValidVersionCondition(*condition))
            return fail(*conditionNode, entryKey + ".condition",
                        "expected a major version range such as \"9-11\" or a pattern starting with \"*\"");
        auto option = optionLineAt(*optionNode, entryKey + ".option");
        if (!option) return false;
        const auto conditionId = static_cast<std::int32_t>(kVersionConditionId + 2 * i);
        if (!addReadable(conditionId, std::move(*condition), *conditionNode, entryKey + ".condition") ||
            !addReadable(conditionId + 1, std::move(*option), *optionNode, entryKey + ".option"))
            return false;
    }
    return true;
}

bool ProjectReader::readFiles(const toml::node& node, const std::string& key) {
    const toml::table* table = tableAt(node, key);
    if (table == nullptr || !onlyKeys(*table, key, {"embed"})) return false;
    const toml::node* embed = table->get("embed");
    return embed == nullptr || readEmbed(*embed, key + ".embed");
}

bool ProjectReader::readEmbed(const toml::node& node, const std::string& key) {
    const toml::array* items = arrayAt(node, key);
    if (items == nullptr) return false;
    for (std::size_t i = 0; i < items->size(); ++i) {
        if (!readEmbedItem(*items->get(i), indexed(key, i))) return false;
    }
    embedPosition_ = {node.source().begin.line, key};
    return true;
}

// The runtime jar leads the archive; a project that embeds its own jar of that
// name keeps just its own. The count and names follow the final list.
void ProjectReader::listFilesToEmbed() {
    const bool projectHasRuntimeJar = std::any_of(files_.begin(), files_.end(),
                                                  [](const EmbeddedFile& file) { return file.name == kRuntimeJarName; });
    if (runtimeJar_ && !projectHasRuntimeJar)
        files_.insert(files_.begin(), EmbeddedFile{*runtimeJar_, kRuntimeJarName, {0, "runtime jar"}});
    if (files_.empty() && embedPosition_.line == 0) return;
    readable_.push_back({kArchiveCountId, std::to_string(files_.size()), embedPosition_});
    readable_.push_back({kArchiveNamesId, archiveNameList(files_), embedPosition_});
}

bool ProjectReader::readEmbedItem(const toml::node& item, const std::string& key) {
    const toml::node* sourceNode = &item;
    std::string sourceKey = key;
    const toml::node* nameNode = nullptr;
    if (const toml::table* table = item.as_table()) {
        if (!onlyKeys(*table, key, {"source", "name"})) return false;
        sourceNode = requiredKey(*table, key, "source");
        if (sourceNode == nullptr) return false;
        sourceKey = key + ".source";
        nameNode = table->get("name");
    } else if (!item.is_string()) {
        return wrongType(item, key, "a string or a table");
    }
    const auto source = utf8At(*sourceNode, sourceKey);
    if (!source) return false;
    if (source->empty()) return fail(*sourceNode, sourceKey, "must not be empty");

    const std::string nameKey = nameNode ? key + ".name" : sourceKey;
    const auto utf8Name = nameNode ? utf8At(*nameNode, nameKey) : std::filesystem::path(*source).filename().string();
    if (!utf8Name) return false;
    const toml::node& nameAt = nameNode ? *nameNode : *sourceNode;
    auto name = encodeNarrow(*utf8Name, nameAt, nameKey);
    if (!name) return false;
    if (const auto problem = archiveNameProblem(*name)) return fail(nameAt, nameKey, *problem);
    for (const EmbeddedFile& earlier : files_) {
        // Windows file names ignore case: the later file would overwrite the earlier one.
        if (equalsIgnoringAsciiCase(earlier.name, *name))
            return fail(nameAt, nameKey, "archive name \"" + *utf8Name + "\" is already used by " + earlier.where.key);
    }
    files_.push_back({base_ / *source, std::move(*name), {item.source().begin.line, key}});
    return true;
}

template <class ReadEntry>
bool ProjectReader::forEachIdEntry(const toml::node& node, const std::string& key, ReadEntry read) {
    const toml::table* table = tableAt(node, key);
    if (table == nullptr) return false;
    for (const auto& [name, value] : inFileOrder(*table)) {
        const std::string entryKey = key + "." + std::string(name->str());
        const auto id = idOf(*name, entryKey);
        if (!id || !read(*id, *value, entryKey)) return false;
    }
    return true;
}

bool ProjectReader::readMessages(const toml::node& node, const std::string& key, std::vector<WideRecord>& into) {
    return forEachIdEntry(node, key, [&](std::int32_t id, const toml::node& value, const std::string& entryKey) {
        auto text = wideAt(value, entryKey);
        return text && addWide(into, id, std::move(*text), value, entryKey);
    });
}

bool ProjectReader::readLocales(const toml::node& node, const std::string& key) {
    const toml::array* sets = arrayAt(node, key);
    if (sets == nullptr) return false;
    for (std::size_t i = 0; i < sets->size(); ++i) {
        const std::string setKey = indexed(key, i);
        const toml::table* set = tableAt(*sets->get(i), setKey);
        if (set == nullptr || !onlyKeys(*set, setKey, {"key", "messages"})) return false;
        const toml::node* localeNode = requiredKey(*set, setKey, "key");
        if (localeNode == nullptr) return false;
        auto locale = narrowAt(*localeNode, setKey + ".key");
        if (!locale) return false;
        OverrideSet overrides{std::move(*locale), {}, {set->source().begin.line, setKey}};
        if (const toml::node* messages = set->get("messages")) {
            if (!readMessages(*messages, setKey + ".messages", overrides.records)) return false;
        }
        sets_.push_back(std::move(overrides));
    }
    return true;
}

bool ProjectReader::readRawNarrow(const toml::node& node, const std::string& key) {
    return forEachIdEntry(node, key, [&](std::int32_t id, const toml::node& value, const std::string& entryKey) {
        std::optional<std::string> text;
        if (value.is_string()) {
            text = narrowAt(value, entryKey);
        } else if (value.is_integer()) {
            const auto number = int32At(value, entryKey);
            if (number) text = std::to_string(*number);
        } else if (const auto* flag = value.as_boolean()) {
            text = flag->get() ? "1" : "0";
        } else {
            return wrongType(value, entryKey, "a string, an integer or a boolean");
        }
        return text && addRawNarrow(id, std::move(*text), value, entryKey);
    });
}

PackInput ProjectReader::result() {
    PackInput input;
    input.projectPath = path_;
    listFilesToEmbed();
    std::stable_sort(readable_.begin(), readable_.end(),
                     [](const NarrowRecord& a, const NarrowRecord& b) { return a.id < b.id; });
    input.narrow = std::move(readable_);
    input.narrow.insert(input.narrow.end(), std::make_move_iterator(rawNarrow_.begin()),
                        std::make_move_iterator(rawNarrow_.end()));
    input.wide = defaultMessages();
    for (auto* part : {&messages_, &description_, &rawWide_})
        input.wide.insert(input.wide.end(), std::make_move_iterator(part->begin()),
                          std::make_move_iterator(part->end()));
    input.sets = std::move(sets_);
    input.files = std::move(files_);
    return input;
}

}  // namespace

Expected<PackInput> parseProject(std::string_view text, const std::string& displayPath,
                                 const std::filesystem::path& baseDirectory,
                                 const std::optional<std::filesystem::path>& runtimeJar) {
    toml::table root;
    try {
        root = toml::parse(text, std::string_view(displayPath));
    } catch (const toml::parse_error& error) {
        const auto& at = error.source().begin;
        return PackError{displayPath, at.line, "",
                         std::string(error.description()) + " (column " + std::to_string(at.column) + ")"};
    }
    ProjectReader reader(displayPath, baseDirectory, runtimeJar);
    if (!reader.read(root)) return reader.error();
    return reader.result();
}

Expected<PackInput> readProjectFile(const std::filesystem::path& projectPath,
                                    const std::optional<std::filesystem::path>& runtimeJar) {
    const std::string displayPath = projectPath.string();
    std::error_code error;
    if (!std::filesystem::is_regular_file(projectPath, error))
        return PackError{displayPath, 0, "", "project file not found"};
    std::ifstream in(projectPath, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    if (!in) return PackError{displayPath, 0, "", "cannot read project file"};
    return parseProject(text.str(), displayPath, projectPath.parent_path(), runtimeJar);
}

}  // namespace tavik::pack
