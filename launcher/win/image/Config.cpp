#include "launcher/win/image/Config.h"

#include <windows.h>

#include "common/win/SystemLibrary.h"
#include "launcher/core/ConfigIds.h"
#include "launcher/core/ConfigStore.h"
#include "launcher/core/Locale.h"
#include "launcher/core/Log.h"

namespace tavik::image {
namespace {

struct ConfigState {
    config::ConfigTables tables;
    std::optional<std::string> localeName;
    std::uint32_t archiveStart = 0;
    char flavour = 0;
    bool guiErrorMode = true;
};

// Filled on the main thread before other threads exist, read-only afterwards;
// never destroyed, as the error path may read it while the process ends.
ConfigState& store() {
    static ConfigState& state = *new ConfigState();
    return state;
}

bool keepsMessageBoxes(std::int32_t executableKind) {
    return executableKind == config::kGuiProgramKind || executableKind == config::kMessageBoxKind;
}

using GetUserDefaultUILanguageFn = LANGID(WINAPI*)();

}  // namespace

std::string detectUserLocale() {
    static const auto getUserDefaultUILanguage =
        findFunction<GetUserDefaultUILanguageFn>(systemLibrary(L"Kernel32.DLL"), "GetUserDefaultUILanguage");
    LANGID language = LANGIDFROMLCID(::GetUserDefaultLCID());
    if (getUserDefaultUILanguage != nullptr) language = getUserDefaultUILanguage();
    const std::string name = locale::localeNameForLangId(language);
    log::logLine(u"language/country is %S", name);
    return name;
}

std::optional<config::BlockFailure> storeConfigBlock(config::ByteSource& image) {
    ConfigState& state = store();
    config::BlockReadResult block = config::readConfigBlock(image, [&state] {
        state.localeName = detectUserLocale();
        return *state.localeName;
    });
    // Kept even after a failure: the error box takes its caption from them.
    state.tables = std::move(block.tables);
    if (block.failure) return block.failure;
    state.archiveStart = static_cast<std::uint32_t>(block.archiveStart);

    if (!keepsMessageBoxes(configInt(config::kExecutableKindId))) state.guiErrorMode = false;
    return std::nullopt;
}

std::string configString(std::int32_t id, std::size_t capacity) {
    config::BoundedText bounded = config::boundedNarrowText(store().tables, id, capacity);
    // The text carries its own "ERROR: ": it is logged as a plain line.
    if (bounded.truncated) {
        log::logLine(u"ERROR: config string %d truncated (%d %d)", id, capacity, bounded.fullLength);
    }
    return std::move(bounded.text);
}

std::string configStringCopy(std::int32_t id) { return config::narrowText(store().tables, id); }

std::int32_t configInt(std::int32_t id) { return config::parseConfigInt(configString(id, config::kTextCapacity)); }

std::u16string configWideString(std::int32_t id, std::size_t capacity) {
    return config::widenBytes(config::narrowText(store().tables, id), capacity);
}

std::u16string localizedString(std::int32_t id) { return config::localizedText(store().tables, id); }

std::u16string messageText(std::int32_t id) { return config::messageText(store().tables, id); }

std::u16string formatMessage(std::int32_t id, const std::optional<std::u16string>& argument) {
    return config::formatMessage(store().tables, id, argument ? &*argument : nullptr);
}

std::optional<std::string> userLanguage() {
    const auto& name = store().localeName;
    return name ? locale::languageOf(*name) : std::nullopt;
}

std::optional<std::string> userCountry() {
    const auto& name = store().localeName;
    return name ? locale::countryOf(*name) : std::nullopt;
}

void loadFlavourByte() {
    const std::string flavour = configString(config::kFlavourId, config::kFlavourCapacity);
    store().flavour = flavour.empty() ? '\0' : flavour[0];
}

char flavourByte() { return store().flavour; }

bool guiErrorMode() { return store().guiErrorMode; }

std::uint32_t archiveStart() { return store().archiveStart; }

}  // namespace tavik::image
