#pragma once
// Archive names on which the packer and the launcher must agree: every name
// the launcher refuses to extract must be refused when packing already, or
// the packed program fails at every start. The packer's tests and the
// launcher's tests both run these rows.
#include <string>
#include <string_view>

namespace tavik::testsupport {

struct ArchiveNameCase {
    const char* label;
    std::string_view name;
    bool refused;
};

inline constexpr ArchiveNameCase kArchiveNameCases[] = {
    {"empty", "", true},
    {"device", "CON", true},
    {"device with an extension, lower case", "con.txt", true},
    {"printer port", "LPT1", true},
    {"last printer port", "lpt9", true},
    {"null device with an extension", "nul.jar", true},
    {"device before a blank and an extension", "Con .jar", true},
    {"console output", "CONOUT$", true},
    {"device as the file in a subdirectory", "lib\\com1.txt", true},
    {"device as the subdirectory", "aux\\a.jar", true},
    // Superscript digits (Windows-1252) number ports too.
    {"port with a superscript one", "COM\xB9", true},
    {"printer port with a superscript two", "lpt\xB2.jar", true},
    {"superscript port in a subdirectory", "lib\\Com\xB3 .txt", true},
    {"parent", "..", true},
    {"parent, then a file", "..\\evil.dll", true},
    {"parent as the file", "lib\\..", true},
    {"parent with forward slashes", "a/../b", true},
    {"parent with a forward slash", "../evil.dll", true},
    {"drive-relative", "C:x", true},
    {"drive-absolute", "C:\\Windows\\evil.dll", true},
    {"stream", "app.jar:stream", true},
    {"two forward slashes", "a//b", true},
    {"two backslashes", "a\\\\b", true},
    {"two subdirectory levels", "a\\b\\c.jar", true},
    {"mixed separators", "a/b\\c.jar", true},
    {"rooted", "\\evil.dll", true},
    {"rooted with a forward slash", "/evil.dll", true},
    {"network path", "\\\\server\\share\\x", true},
    {"plain file", "app.jar", false},
    {"one subdirectory", "lib\\app.jar", false},
    {"leading dots of a file name", "..app.jar", false},
    {"device name as a prefix", "console.jar", false},
    {"port number beyond the devices", "com10.jar", false},
    {"port without a number", "lpt.jar", false},
    {"port with an accent, no digit", "com\xB4.jar", false},
    {"device name inside a word", "lib\\nullable.jar", false},
};

// A row's name as UTF-8, the form of project files and of the log. The rows'
// Windows-1252 bytes stay within the range it shares with Latin-1.
inline std::string utf8Spelling(std::string_view windows1252) {
    std::string utf8;
    for (const char c : windows1252) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x80) {
            utf8 += c;
        } else {
            utf8 += static_cast<char>(0xC0 | (byte >> 6));
            utf8 += static_cast<char>(0x80 | (byte & 0x3F));
        }
    }
    return utf8;
}

}  // namespace tavik::testsupport
