#include "tests/win/ChildOutput.h"

#include <algorithm>

namespace tavik::test {

std::map<std::string, std::string> keyValues(const std::string& out) {
    std::map<std::string, std::string> values;
    for (const std::string& line : lines(out)) {
        const auto equals = line.find('=');
        if (equals != std::string::npos) values[line.substr(0, equals)] = line.substr(equals + 1);
    }
    return values;
}

std::string firstLine(const std::string& text) {
    const auto all = lines(text);
    return all.empty() ? std::string() : all.front();
}

std::string childLog(const std::map<std::string, std::string>& values) {
    const auto found = values.find("log");
    if (found == values.end() || found->second == "none") return {};
    const std::string raw = readFile(fs::u8path(found->second));
    return withoutCarriageReturns(raw.substr(std::min<std::size_t>(3, raw.size())));
}

}  // namespace tavik::test
