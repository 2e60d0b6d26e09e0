#include "launcher/win/paths/TempBase.h"

#include <windows.h>

#include <cstdlib>

#include "common/TextFormat.h"
#include "common/win/SystemClock.h"
#include "common/win/WideText.h"
#include "launcher/win/paths/Environment.h"
#include "launcher/win/paths/FileSystem.h"

namespace tavik::paths {
namespace {

// The 8-bit and UTF-16 Win32 calls the candidate walk needs.
struct AnsiCalls {
    static void createDirectory(const std::string& path) { ::CreateDirectoryA(path.c_str(), nullptr); }
    static std::string longForm(const std::string& path) { return longPathName(path).value_or(path); }
};
struct WideCalls {
    static void createDirectory(const std::u16string& path) { ::CreateDirectoryW(toWide(path).c_str(), nullptr); }
    static std::u16string longForm(const std::u16string& path) { return longPathName(path).value_or(path); }
};

template <class Calls, class Text>
bool candidatePasses(const path::TempBaseCandidate<Text>& candidate) {
    if (candidate.path.empty()) return false;
    if (candidate.create) Calls::createDirectory(candidate.path);
    // Through 8-bit calls a character outside the ANSI code page reads as "?".
    if (candidate.requireAnsi && Calls::longForm(candidate.path).find('?') != Text::npos) return false;
    return probeWritable(candidate.path);
}

template <class Calls, class Text>
std::optional<Text> firstPassing(const path::TempBaseFacts<Text>& facts) {
    for (const auto& candidate : path::tempBaseCandidates(facts)) {
        if (candidatePasses<Calls>(candidate)) return candidate.path;
    }
    return std::nullopt;
}

// Leaked on purpose: the error path may log, and so ask for the base, while
// the process ends.
template <class Text>
std::optional<Text>& cachedBase() {
    static std::optional<Text>& base = *new std::optional<Text>();
    return base;
}

}  // namespace

std::optional<std::string> processTempBase() {
    auto& base = cachedBase<std::string>();
    if (!base) base = chooseTempBase(currentTempBaseFacts());
    return base;
}

std::optional<std::u16string> processTempBaseWide() {
    auto& base = cachedBase<std::u16string>();
    if (!base) base = chooseTempBase(currentTempBaseFactsWide());
    return base;
}

path::TempBaseFacts<std::string> currentTempBaseFacts() {
    return {systemTempPath(), environmentVariable("USERPROFILE"), environmentVariable("HOMEDRIVE"),
            environmentVariable("HOMEPATH"), windowsDirectory()};
}

path::TempBaseFacts<std::u16string> currentTempBaseFactsWide() {
    return {systemTempPathWide(), environmentVariable(u"USERPROFILE"), environmentVariable(u"HOMEDRIVE"),
            environmentVariable(u"HOMEPATH"), windowsDirectoryWide()};
}

std::optional<std::string> chooseTempBase(const path::TempBaseFacts<std::string>& facts) {
    return firstPassing<AnsiCalls>(facts);
}

std::optional<std::u16string> chooseTempBase(const path::TempBaseFacts<std::u16string>& facts) {
    return firstPassing<WideCalls>(facts);
}

bool probeWritable(const std::string& base) {
    const std::string probe =
        base + "\\tvktw" + std::to_string(::GetCurrentProcessId()) + std::to_string(probeNumber());
    ::RemoveDirectoryA(probe.c_str());
    if (!::CreateDirectoryA(probe.c_str(), nullptr)) return false;
    const bool found = pathExists(probe);
    ::RemoveDirectoryA(probe.c_str());
    return found;
}

bool probeWritable(const std::u16string& base) {
    const std::wstring probe =
        toWide(base + u"\\tvktw" + unsignedText(::GetCurrentProcessId()) + signedText(probeNumber()));
    ::RemoveDirectoryW(probe.c_str());
    if (!::CreateDirectoryW(probe.c_str(), nullptr)) return false;
    const bool found = pathExists(toU16(probe));
    ::RemoveDirectoryW(probe.c_str());
    return found;
}

int probeNumber() {
    std::srand(static_cast<unsigned>(::GetCurrentProcessId() * secondsSince1970()));
    return std::rand();
}

}  // namespace tavik::paths
