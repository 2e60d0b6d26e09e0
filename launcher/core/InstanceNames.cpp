#include "launcher/core/InstanceNames.h"

namespace tavik::instance {

std::string semaphoreName(bool globalNamespace, std::string_view instancePath,
                          std::optional<std::uint32_t> instanceNumber) {
    std::string name = globalNamespace ? "Global\\" : "Local\\";
    for (const char c : instancePath) name += c == '\\' || c == ' ' ? '_' : c;
    if (instanceNumber) name += std::to_string(*instanceNumber);
    return name;
}

std::u16string mailslotName(std::uint32_t processId) {
    std::u16string name = u"\\\\.\\mailslot\\runwright_notification_";
    for (const char digit : std::to_string(processId)) name += static_cast<char16_t>(digit);
    return name;
}

std::u16string_view commandLineTail(std::u16string_view commandLine) {
    std::size_t searchFrom = 0;
    if (!commandLine.empty() && commandLine.front() == u'"') {
        searchFrom = commandLine.find(u'"', 1);
        if (searchFrom == std::u16string_view::npos) return {};
    }
    const std::size_t blank = commandLine.find(u' ', searchFrom);
    if (blank == std::u16string_view::npos) return {};
    const std::size_t tail = commandLine.find_first_not_of(u' ', blank);
    return tail == std::u16string_view::npos ? std::u16string_view{} : commandLine.substr(tail);
}

std::u16string notificationMessage(std::u16string_view tail) {
    return std::u16string(tail.empty() ? kEmptyCommandLineMarker : tail);
}

std::optional<std::u16string> notificationArgument(std::u16string_view message) {
    if (message == kEmptyCommandLineMarker) return std::nullopt;
    return std::u16string(message);
}

}  // namespace tavik::instance
