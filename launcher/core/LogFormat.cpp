#include "launcher/core/LogFormat.h"

#include "common/TextFormat.h"

namespace tavik::logformat {
namespace {

constexpr int kLastLogNumber = 1000;

}  // namespace

bool loggingRequested(const std::optional<std::string>& tavikLog, const std::optional<std::string>& runwrightLog) {
    return tavikLog == "yes" || runwrightLog == "yes";
}

std::u16string timeStamp(std::uint64_t nowMillis, std::uint64_t startMillis) {
    // Subtracting on 32 bits keeps the elapsed time right when the low words
    // wrap between the two readings.
    const auto elapsed = static_cast<std::int32_t>(static_cast<std::uint32_t>(nowMillis) -
                                                   static_cast<std::uint32_t>(startMillis));
    return format(u"[%d:%d] ", elapsed / 1000, elapsed % 1000);
}

std::u16string logDirectory(std::u16string_view tempBase) {
    if (tempBase.empty()) return u"c:\\";
    std::u16string directory(tempBase);
    if (directory.back() != u'\\' && directory.back() != u'/') directory += u'\\';
    return directory;
}

std::u16string chooseLogFile(std::u16string_view directory, const std::function<bool(const std::u16string&)>& exists) {
    for (int number = 1;; ++number) {
        std::u16string name = format(u"%srwt_nlog_%d.log", directory, number);
        // The last number is reused rather than searching without end.
        if (number == kLastLogNumber || !exists(name)) return name;
    }
}

}  // namespace tavik::logformat
