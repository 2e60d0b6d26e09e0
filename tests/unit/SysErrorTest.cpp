#include "common/SysError.h"

#include <gtest/gtest.h>

#include <string>

#include "common/TextFormat.h"

namespace tavik {
namespace {

std::string narrow(const std::u16string& s) { return std::string(s.begin(), s.end()); }

TEST(SysError, OpenLinesNameTheCallItsSubjectCodeAndSystemText) {
    struct Case {
        const char* name;
        SysError error;
        std::u16string subject;
        std::u16string systemText;
        const char* want;
    };
    const Case cases[] = {
        {"call and code", {"CreatePipe", 109}, u"", u"", "CreatePipe failed: 109"},
        {"subject quoted", {"CreateThread", 8}, u"startupListener", u"", "CreateThread(\"startupListener\") failed: 8"},
        {"system text without its line break", {"CreateFileW", 2}, u"", u"File not found.\r\n",
         "CreateFileW failed: 2 (File not found.)"},
        {"blank system text left out", {"ReadFile", 109}, u"", u" \r\n", "ReadFile failed: 109"},
        {"HRESULT in hex", {"CoCreateInstance", 0x80070005u}, u"", u"", "CoCreateInstance failed: 0x80070005"},
        {"largest plain code stays decimal", {"RegOpenKeyExW", 0x7FFFFFFFu}, u"", u"",
         "RegOpenKeyExW failed: 2147483647"},
        {"record without a call", {nullptr, 5}, u"", u"", "(unknown call) failed: 5"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(narrow(failureText(c.error, c.subject, c.systemText)), c.want);
    }
}

// The product's own texts keep their wording; the record only supplies the code.
TEST(SysError, DefinedTextsPrintTheCodeWhereTheirConversionStands) {
    struct Case {
        const char* name;
        std::u16string got;
        const char* want;
    };
    const Case cases[] = {
        {"code alone", format(u"CreatePipe error (%d)", SysError{"CreatePipe", 109}), "CreatePipe error (109)"},
        {"code after texts",
         format(u"Could not create process %S > %S (error %d)", "java -version", "c:\\t\\tvk1.tmp",
                SysError{"CreateProcessA", 2}),
         "Could not create process java -version > c:\\t\\tvk1.tmp (error 2)"},
        {"code before a count", format(u"Could not get config (%d, %d).\n", SysError{"QueryServiceConfigA", 122}, 6001),
         "Could not get config (122, 6001).\n"},
        // A DWORD never printed negative, so a record does not either.
        {"top bit set", format(u"error code %d", SysError{"WriteFile", 0x80070005u}), "error code 2147942405"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(narrow(c.got), c.want);
    }
}

}  // namespace
}  // namespace tavik
