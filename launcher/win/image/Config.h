#pragma once
// The process-wide configuration store, filled once from the block appended
// to the launcher's own file, and its typed reads. The error path reads its
// messages here, so nothing here may end the process.
#include <cstdint>
#include <optional>
#include <string>

#include "launcher/core/ConfigBlock.h"
#include "launcher/core/ConfigIds.h"

namespace tavik::image {

// Fills the store from `image`, positioned at the block's start (see
// ConfigLoad.h for the whole read); the failure of a short or wrong block.
// What was read before a failure stays: the error box takes its caption from it.
std::optional<config::BlockFailure> storeConfigBlock(config::ByteSource& image);

// The narrow text, cut to capacity - 1 characters; a cut is logged.
std::string configString(std::int32_t id, std::size_t capacity);
// The whole narrow text.
std::string configStringCopy(std::int32_t id);
// strtol of the text (read with capacity 6000); absent gives 0.
std::int32_t configInt(std::int32_t id);
// The narrow text with each byte widened to the code unit of the same value.
std::u16string configWideString(std::int32_t id, std::size_t capacity = config::kTextCapacity);
// The localized (wide table) text.
std::u16string localizedString(std::int32_t id);
// The localized text, or the narrow one when there is none.
std::u16string messageText(std::int32_t id);
// messageText with the argument in place of the first "{0}".
std::u16string formatMessage(std::int32_t id, const std::optional<std::u16string>& argument);

// From the locale detected while reading; none before that, or without a country.
std::optional<std::string> userLanguage();
std::optional<std::string> userCountry();

// The user's locale name from the UI language, falling back to the LCID's.
std::string detectUserLocale();

// The first character of id 2001, kept by loadFlavourByte (0 when absent):
// 'r' selects the installer-builder flavour.
void loadFlavourByte();
char flavourByte();

// On at start; reading the block turns it off unless the executable kind
// (id 107) keeps message boxes.
bool guiErrorMode();

// The file position right after the last override set.
std::uint32_t archiveStart();

}  // namespace tavik::image
