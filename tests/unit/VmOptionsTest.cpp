#include "launcher/core/VmOptions.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>

#include "launcher/core/ConfigIds.h"
#include "launcher/core/ConfigStore.h"
#include "launcher/core/PathText.h"
#include "tests/unit/support/LogRecorder.h"

namespace tavik::vmoptions {
namespace {

using testing::Contains;
using testing::ElementsAre;
using testing::ElementsAreArray;
using testing::HasSubstr;
using testing::Not;
using testsupport::takeLoggedLines;

std::u16string widened(std::string_view text) {
    std::u16string wide;
    for (const char c : text) wide.push_back(static_cast<unsigned char>(c));
    return wide;
}

auto containsText(std::u16string part) {
    return testing::Truly([part](const std::u16string& text) { return text.find(part) != std::u16string::npos; });
}

class FakeExpansion : public expansion::ExpansionSources {
public:
    std::string tempDir = "C:\\Temp\\tvk1_dir5";
    std::string environment;

    std::string launcherDirectory() const override { return "C:\\App\\"; }
    std::u16string launcherDirectoryWide() const override { return u"C:\\App Long\\"; }
    std::string launcherTempDirectory() const override { return tempDir; }
    std::string javaHome() const override { return "C:\\jre\\bin\\.."; }
    std::string tempBaseDirectory() const override { return "C:\\Temp\\"; }
    std::u16string tempBaseDirectoryWide() const override { return u"C:\\Temp\\"; }
    std::string environmentBlock() const override { return environment; }
    std::u16string environmentBlockWide() const override { return widened(environment); }
};

// A small Windows-like world: configuration, files by exact path, existing
// paths and directory listings, all fixed by the test.
class FakeSystem : public VmOptionsSystem {
public:
    std::map<std::int32_t, std::string> config;
    std::map<std::u16string, std::string> files;
    std::set<std::string> existing;
    std::map<std::string, std::vector<std::string>> listings;  // directory -> file names
    std::map<std::string, std::string> environment;
    FakeExpansion expansion;
    mutable std::vector<std::u16string> reads;

    std::string configString(std::int32_t id) const override {
        const auto found = config.find(id);
        return found == config.end() ? std::string() : found->second;
    }
    std::u16string configWideString(std::int32_t id) const override { return widened(configString(id)); }
    std::int32_t configInt(std::int32_t id) const override { return config::parseConfigInt(configString(id)); }

    std::optional<std::string> readFile(std::u16string_view path) const override {
        reads.emplace_back(path);
        const auto found = files.find(std::u16string(path));
        if (found == files.end()) return std::nullopt;
        return found->second;
    }
    bool pathExists(std::string_view path) const override { return existing.count(std::string(path)) != 0; }
    std::vector<std::string> listFilesWithExtension(std::string_view directory,
                                                    std::string_view extension) const override {
        std::vector<std::string> matching;
        const auto found = listings.find(std::string(directory));
        if (found == listings.end()) return matching;
        const std::string suffix = "." + std::string(extension);
        for (const std::string& name : found->second) {
            if (name.size() > suffix.size() && name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0)
                matching.push_back(name);
        }
        return matching;
    }
    std::optional<std::string> environmentVariable(std::string_view name) const override {
        const auto found = environment.find(std::string(name));
        if (found == environment.end()) return std::nullopt;
        return found->second;
    }

    std::u16string resolvePathWide(std::u16string_view path,
                                   const std::optional<std::u16string>& baseFile) const override {
        const std::u16string base = baseFile ? baseFile->substr(0, baseFile->rfind(u'\\') + 1) : u"C:\\App Long\\";
        return path::collapseBackslashes(path::joinIfRelative(base, path));
    }
    std::string resolvePath(std::string_view path) const override { return path::joinIfRelative("C:\\App\\", path); }
    std::string resolvePathList(std::string_view list) const override {
        std::string joined;
        for (const std::string& piece : path::splitPathList(list)) {
            if (!joined.empty()) joined += ";";
            joined += resolvePath(piece);
        }
        return joined;
    }
    std::string fullPath(std::string_view path) const override { return resolvePath(path); }
    std::string toNarrow(std::u16string_view text) const override {
        std::string narrow;
        for (const char16_t c : text) narrow.push_back(c < 0x100 ? static_cast<char>(c) : '?');
        return narrow;
    }
    const expansion::ExpansionSources& expansionSources() const override { return expansion; }
};

class VmOptions : public testing::Test {
protected:
    void SetUp() override { takeLoggedLines(); }

    VmOptionsResult build() { return buildVmOptions(inputs, system); }

    std::vector<std::string> readFile(std::string_view content) {
        VmOptionsBuilder builder(system);
        builder.readOptionsFile(content, std::nullopt);
        return builder.options();
    }

    std::string classPathOf(const VmOptionsResult& result) {
        const std::string prefix = "-Djava.class.path=";
        for (const std::string& option : result.options) {
            if (option.rfind(prefix, 0) == 0) return option.substr(prefix.size());
        }
        ADD_FAILURE() << "no class path option";
        return {};
    }

    static std::vector<std::u16string> loggedTexts() {
        std::vector<std::u16string> texts;
        for (const auto& line : takeLoggedLines()) texts.push_back(line.text);
        return texts;
    }

    FakeSystem system;
    VmOptionsInputs inputs;
};

TEST_F(VmOptions, OptionFileLinesAreTrimmedAndFiltered) {
    struct Case {
        const char* name;
        std::string content;
        std::vector<std::string> want;
    };
    const Case cases[] = {
        {"comment, blank line, surrounding blanks", "# comment\r\n\r\n  -Xmx512m  \r\n", {"-Xmx512m"}},
        {"blanks inside stay, tabs are not blanks", "-Dname=a b\n\t-Dtab=1\t\n   \n", {"-Dname=a b", "\t-Dtab=1\t"}},
        {"comment only after blanks", "   # still a comment\n-Da#b\n", {"-Da#b"}},
        {"no final line feed", "-Xss1m", {"-Xss1m"}},
        {"Ctrl-Z ends the file", "-Da=1\r\n\x1A-Db=2\r\n", {"-Da=1"}},
        {"launcher variables, ANSI-safe forms", "-Dhome=${launcher:sys.launcherDirectory}x\n",
         {"-Dhome=C:\\App\\x"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(readFile(c.content), c.want);
    }
}

TEST_F(VmOptions, OverlongFileLineContinuesAsTheNextOption) {
    const std::string longOption = "-D" + std::string(kOptionsFileLineCapacity + 10, 'x');
    const std::vector<std::string> options = readFile(longOption + "\n-Xmx1g\n");
    ASSERT_EQ(options.size(), 3u);
    EXPECT_EQ(options[0], longOption.substr(0, kOptionsFileLineCapacity - 1));
    EXPECT_EQ(options[1], longOption.substr(kOptionsFileLineCapacity - 1));
    EXPECT_EQ(options[2], "-Xmx1g");
}

TEST_F(VmOptions, ClassPathOverridesKeepTheirLastValue) {
    system.config[config::kClassPathId] = "A0c.jar";
    system.existing = {"C:\\App\\c.jar"};
    system.listings["C:\\Temp\\tvk1_dir5\\user"] = {"u1.jar", "u2.zip", "notes.txt"};
    struct Case {
        const char* name;
        const char* configured;
        std::string want;
    };
    const Case cases[] = {
        {"configured only", "", "C:\\Temp\\tvk1_dir5\\user\\u1.jar;C:\\Temp\\tvk1_dir5\\user\\u2.zip;C:\\App\\c.jar"},
        {"second append wins", "\"-classpath/a first.jar\" \"-classpath/a second.jar\"",
         "C:\\Temp\\tvk1_dir5\\user\\u1.jar;C:\\Temp\\tvk1_dir5\\user\\u2.zip;C:\\App\\c.jar;second.jar"},
        {"prepend and replace", "\"-classpath/p a.jar\" \"-classpath b.jar\"",
         "a.jar;C:\\Temp\\tvk1_dir5\\user\\u1.jar;C:\\Temp\\tvk1_dir5\\user\\u2.zip;b.jar"},
        {"bare token is an ordinary option", "-classpath",
         "C:\\Temp\\tvk1_dir5\\user\\u1.jar;C:\\Temp\\tvk1_dir5\\user\\u2.zip;C:\\App\\c.jar"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        system.config[config::kConfiguredOptionsId] = c.configured;
        EXPECT_EQ(classPathOf(build()), c.want);
    }
    EXPECT_THAT(build().options, Contains("-classpath"));
}

TEST_F(VmOptions, AppendToAnEmptyClassPathAddsNoEmptyEntry) {
    system.expansion.tempDir.clear();
    system.config[config::kConfiguredOptionsId] = "\"-classpath/a only.jar\"";
    EXPECT_EQ(classPathOf(build()), "only.jar");
}

TEST_F(VmOptions, EmptyClassPathIsStillEmitted) {
    system.expansion.tempDir.clear();
    const VmOptionsResult result = build();
    EXPECT_FALSE(result.failure);
    EXPECT_THAT(result.options, ElementsAre("-Djava.class.path="));
}

TEST_F(VmOptions, ListIsInSourceOrder) {
    inputs.properties = {"-Dprop.first=1", "-Dprop.second=2"};
    inputs.arguments = {u"-J-Xmx1g", u"app-arg", u"-Dsun.locale.formatasdefault=true"};
    inputs.launcherPath = u"C:\\App Long\\app.exe";
    inputs.noRedirect = true;
    system.config[config::kConfiguredOptionsId] = "-Dconfigured=1";
    system.config[config::kJavaArgumentsAreVmOptionsId] = "1";
    system.config[config::kDefaultOptionsFileId] = "1";
    system.files[u"C:\\App Long\\app.vmoptions"] = "-Dfrom.file=1\n";
    system.expansion.tempDir.clear();
    EXPECT_THAT(build().options,
                ElementsAre("-Dprop.first=1", "-Dprop.second=2", "-Dconfigured=1", "-Xmx1g",
                            "-Dsun.locale.formatasdefault=true", "-Dfrom.file=1", "-Djava.class.path=",
                            "-Drunwright.noRedir=true"));
}

TEST_F(VmOptions, JavaArgumentsOnlyWhenEnabled) {
    inputs.arguments = {u"-J-Xmx1g", u"-Xms1m", u"-Jx-J-Xss1m"};
    system.expansion.tempDir.clear();
    EXPECT_THAT(build().options, Not(Contains("-Xmx1g")));
    system.config[config::kJavaArgumentsAreVmOptionsId] = "1";
    EXPECT_THAT(build().options, ElementsAre("-Xmx1g", "x-J-Xss1m", "-Djava.class.path="));
}

TEST_F(VmOptions, VersionKeys) {
    struct Case {
        const char* key;
        const char* version;
        bool matches;
    };
    const Case cases[] = {
        {"*1.8*", "1.8.0_292", true},
        {"*1.8*", "11.0.2", false},
        {"*1.?.0*", "1.8.0_292", true},
        {"*17", "17.0.2", false},  // the pattern must cover the whole version
        {"*", "", true},
        {"9-11", "9", true},
        {"9-11", "10.0.1", true},
        {"9-11", "11.0.2+9", true},
        {"9-11", "1.8.0_292", false},
        {"9-11", "17.0.2", false},
        {"-8", "1.8.0_292", true},  // a missing minimum reads as 0
        {"9-", "11", false},        // and so does a missing maximum
        {"0-99", "", false},        // no number gives major -1
        {"11", "11.0.2", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.key) + " / " + c.version);
        EXPECT_EQ(versionKeyMatches(c.key, c.version), c.matches);
    }
    takeLoggedLines();
    EXPECT_FALSE(versionKeyMatches("11", "11.0.2"));
    EXPECT_THAT(loggedTexts(), ElementsAre(u"ERROR: expected dash", u"checking version 11 0"));
}

TEST_F(VmOptions, FirstMatchingVersionLineOnly) {
    system.config[config::kVersionOptionCountId] = "3";
    system.config[config::kFirstVersionConditionId] = "11";
    system.config[config::kFirstVersionConditionId + 1] = "-Dnever=1";
    system.config[config::kFirstVersionConditionId + 2] = "9-11";
    system.config[config::kFirstVersionConditionId + 3] = "-Dsecond=1 \"-Dspaced=a b\"";
    system.config[config::kFirstVersionConditionId + 4] = "*";
    system.config[config::kFirstVersionConditionId + 5] = "-Dthird=1";
    system.config[config::kConfiguredOptionsId] = "-Dconfigured=1";
    system.expansion.tempDir.clear();
    inputs.javaVersion = "11.0.2";
    EXPECT_THAT(build().options, ElementsAre("-Dconfigured=1", "-Dsecond=1", "-Dspaced=a b", "-Djava.class.path="));
    inputs.javaVersion.reset();
    EXPECT_THAT(build().options, ElementsAre("-Dconfigured=1", "-Djava.class.path="));
}

TEST_F(VmOptions, ModuleOptionsAreJoinedWithTheirValue) {
    struct Case {
        const char* name;
        std::vector<std::string> options;
        std::vector<std::string> want;
    };
    const Case cases[] = {
        {"add-opens", {"--add-opens", "java.base/java.lang=ALL-UNNAMED"}, {"--add-opens=java.base/java.lang=ALL-UNNAMED"}},
        {"every name", {"--upgrade-module-path", "u", "--limit-modules", "l", "--add-exports", "e", "--add-reads", "r",
                        "--patch-module", "p", "--add-modules", "m"},
         {"--upgrade-module-path=u", "--limit-modules=l", "--add-exports=e", "--add-reads=r", "--patch-module=p",
          "--add-modules=m"}},
        {"last in the list stays", {"-Xmx1g", "--add-opens"}, {"-Xmx1g", "--add-opens"}},
        {"walk goes on behind the joined option", {"--add-reads", "--add-opens", "x"}, {"--add-reads=--add-opens", "x"}},
        {"other names untouched", {"--module-path", "m", "--add-open", "x"}, {"--module-path", "m", "--add-open", "x"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::string> options = c.options;
        joinModuleOptions(options);
        EXPECT_EQ(options, c.want);
    }
    system.config[config::kConfiguredOptionsId] = "--add-opens java.base/java.lang=ALL-UNNAMED";
    system.expansion.tempDir.clear();
    EXPECT_THAT(build().options, ElementsAre("--add-opens=java.base/java.lang=ALL-UNNAMED", "-Djava.class.path="));
}

TEST_F(VmOptions, ServiceAddsXrsOnce) {
    struct Case {
        const char* name;
        bool service;
        const char* configured;
        long wantCount;
    };
    const Case cases[] = {
        {"service, not configured", true, "-Xmx1g", 1},
        {"service, configured", true, "-Xrs", 1},
        {"service, only a longer option", true, "-Xrsx", 1},
        {"not a service", false, "", 0},
        {"not a service, configured twice", false, "-Xrs -Xrs", 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        inputs.serviceMode = c.service;
        system.config[config::kConfiguredOptionsId] = c.configured;
        const auto options = build().options;
        EXPECT_EQ(std::count(options.begin(), options.end(), "-Xrs"), c.wantCount);
    }
}

TEST_F(VmOptions, LocaleFormatArgumentAddsTheUserLocale) {
    struct Case {
        const char* name;
        std::vector<std::u16string> arguments;
        std::optional<std::string> country;
        std::vector<std::string> want;
    };
    const Case cases[] = {
        {"false", {u"-Dsun.locale.formatasdefault=false"}, "DE",
         {"-Dsun.locale.formatasdefault=false", "-Duser.language=de", "-Duser.country=DE"}},
        {"true", {u"-Dsun.locale.formatasdefault=true"}, "DE", {"-Dsun.locale.formatasdefault=true"}},
        {"last one counts", {u"-Dsun.locale.formatasdefault=false", u"x", u"-Dsun.locale.formatasdefault=true"}, "DE",
         {"-Dsun.locale.formatasdefault=true"}},
        {"no country known", {u"-Dsun.locale.formatasdefault=yes"}, std::nullopt,
         {"-Dsun.locale.formatasdefault=yes", "-Duser.language=de"}},
        {"no such argument", {u"-Dother=1"}, "DE", {}},
    };
    system.expansion.tempDir.clear();
    inputs.userLanguage = "de";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        inputs.arguments = c.arguments;
        inputs.userCountry = c.country;
        std::vector<std::string> want = c.want;
        want.push_back("-Djava.class.path=");
        EXPECT_EQ(build().options, want);
    }
}

TEST_F(VmOptions, IncludesAreReadInPlace) {
    system.expansion.tempDir.clear();
    system.config[config::kConfiguredOptionsId] = "-Dbefore=1 -include-options conf\\outer.vmoptions -Dafter=1";
    system.files[u"C:\\App Long\\conf\\outer.vmoptions"] =
        "-Douter=1\n-include-options sub\\inner.vmoptions\n-include-options missing.vmoptions\n-Douter.end=1\n";
    system.files[u"C:\\App Long\\conf\\sub\\inner.vmoptions"] = "-Dinner=1\n-classpath/a inner.jar\n";
    const VmOptionsResult result = build();
    EXPECT_THAT(result.options, ElementsAre("-Dbefore=1", "-Douter=1", "-Dinner=1", "-Douter.end=1", "-Dafter=1",
                                            "-Djava.class.path=inner.jar"));
    EXPECT_THAT(system.reads, Contains(u"C:\\App Long\\conf\\missing.vmoptions"));
}

TEST_F(VmOptions, IncludeIsLoggedBeforeItsLinesAreRead) {
    system.expansion.tempDir.clear();
    system.config[config::kConfiguredOptionsId] = "\"-include-options outer\"";
    system.files[u"C:\\App Long\\outer"] = "-include-options inner\n";
    system.files[u"C:\\App Long\\inner"] = "-Dinner=1\n";
    build();
    std::vector<std::u16string> includeLines;
    for (const std::u16string& text : loggedTexts()) {
        if (text.rfind(u"after exp", 0) == 0 || text.rfind(u"adding vmoptions", 0) == 0) includeLines.push_back(text);
    }
    EXPECT_THAT(includeLines, ElementsAre(u"after exp from outer outer", containsText(u"<C:\\App Long\\outer> ()"),
                                          u"after exp from inner inner",
                                          containsText(u"<C:\\App Long\\inner> (C:\\App Long\\outer)"),
                                          u"adding vmoptions 2", u"adding vmoptions 3", u"adding vmoptions 2",
                                          u"adding vmoptions 3"));
}

TEST_F(VmOptions, IncludePathFromAnArgumentIsExpandedInLongForm) {
    // Configured strings and file lines are expanded in the ANSI-safe forms
    // before they get here; a "-J" argument is not.
    system.expansion.tempDir.clear();
    system.config[config::kJavaArgumentsAreVmOptionsId] = "1";
    inputs.arguments = {u"-J-include-options ${launcher:sys.launcherDirectory}x.vmoptions"};
    system.files[u"C:\\App Long\\x.vmoptions"] = "-Dx=1\n";
    EXPECT_THAT(build().options, ElementsAre("-Dx=1", "-Djava.class.path="));
}

TEST_F(VmOptions, SelfIncludingFilesAreReadOnce) {
    system.expansion.tempDir.clear();
    struct Case {
        const char* name;
        std::map<std::u16string, std::string> files;
        std::vector<std::string> want;
    };
    const Case cases[] = {
        {"itself", {{u"C:\\App Long\\a.vmoptions", "-Da=1\n-include-options a.vmoptions\n-Da.end=1\n"}},
         {"-Da=1", "-Da.end=1"}},
        {"through another, spelled differently",
         {{u"C:\\App Long\\a.vmoptions", "-Da=1\n-include-options sub\\b.vmoptions\n"},
          {u"C:\\App Long\\sub\\b.vmoptions", "-Db=1\n-include-options ..\\.\\A.VMOPTIONS\n-Db.end=1\n"},
          {u"C:\\App Long\\sub\\..\\.\\A.VMOPTIONS", "-Da=1\n-include-options sub\\b.vmoptions\n"}},
         {"-Da=1", "-Db=1", "-Db.end=1"}},
        {"the same file twice in a row is no cycle",
         {{u"C:\\App Long\\a.vmoptions", "-include-options b.vmoptions\n-include-options b.vmoptions\n"},
          {u"C:\\App Long\\b.vmoptions", "-Db=1\n"}},
         {"-Db=1", "-Db=1"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        system.files = c.files;
        system.config[config::kConfiguredOptionsId] = "-include-options a.vmoptions";
        std::vector<std::string> want = c.want;
        want.push_back("-Djava.class.path=");
        EXPECT_EQ(build().options, want);
    }
}

TEST_F(VmOptions, DefaultFileIncludingItselfIsReadOnce) {
    system.expansion.tempDir.clear();
    inputs.launcherPath = u"C:\\App Long\\app.exe";
    system.config[config::kDefaultOptionsFileId] = "1";
    system.files[u"C:\\App Long\\app.vmoptions"] = "-Dd=1\n-include-options app.vmoptions\n";
    EXPECT_THAT(build().options, ElementsAre("-Dd=1", "-Djava.class.path="));
}

TEST_F(VmOptions, IncludeChainDeeperThanTheLimitStops) {
    // Names the normalization cannot tie together, as short names would be.
    system.expansion.tempDir.clear();
    for (std::size_t i = 0; i < kIncludeDepthLimit + 5; ++i) {
        system.files[widened("C:\\App Long\\f" + std::to_string(i))] =
            "-Dlevel=1\n-include-options f" + std::to_string(i + 1) + "\n";
    }
    system.config[config::kConfiguredOptionsId] = "-include-options f0";
    const auto options = build().options;
    EXPECT_EQ(std::count(options.begin(), options.end(), "-Dlevel=1"), static_cast<long>(kIncludeDepthLimit));
}

TEST_F(VmOptions, IncludesThatDoubleAtEachLevelStopAtTheFileLimit) {
    // Forty distinct files, each including the next twice: 2^40 reads
    // without a limit, no cycle and never deeper than forty.
    system.expansion.tempDir.clear();
    for (int i = 0; i < 40; ++i) {
        const std::string next = "-include-options f" + std::to_string(i + 1) + "\n";
        system.files[widened("C:\\App Long\\f" + std::to_string(i))] = "-Dlevel=1\n" + next + next;
    }
    system.config[config::kConfiguredOptionsId] = "-include-options f0";
    const auto options = build().options;
    EXPECT_EQ(std::count(options.begin(), options.end(), "-Dlevel=1"), static_cast<long>(kOptionsFileLimit));
    EXPECT_THAT(loggedTexts(), Contains(containsText(u": 1024 files read already")));
}

TEST_F(VmOptions, IncludeIdentity) {
    struct Case {
        std::u16string_view path;
        std::u16string_view want;
    };
    const Case cases[] = {
        {u"C:\\App\\a.vmoptions", u"c:\\app\\a.vmoptions"},
        {u"C:/App//sub\\..\\.\\A.VMOPTIONS", u"c:\\app\\a.vmoptions"},
        {u"C:\\..\\..\\a", u"c:\\a"},
        {u"\\\\Server\\Share\\x\\..\\y", u"\\\\server\\share\\y"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.path.begin(), c.path.end()));
        EXPECT_EQ(includeIdentity(c.path), c.want);
    }
}

TEST_F(VmOptions, DefaultFileCandidatesInOrder) {
    system.config[config::kDefaultOptionsFileId] = "1";
    system.expansion.tempDir.clear();
    inputs.launcherPath = u"C:\\App Long\\app.exe";
    inputs.modulePath = u"C:\\APPLON~1\\app.exe";
    struct Case {
        const char* name;
        std::u16string file;
    };
    const Case cases[] = {
        {"without extension", u"C:\\App Long\\app.vmoptions"},
        {"with extension", u"C:\\App Long\\app.exe.vmoptions"},
        {"module name without extension", u"C:\\APPLON~1\\app.vmoptions"},
        {"module name with extension", u"C:\\APPLON~1\\app.exe.vmoptions"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        system.files = {{c.file, "-Dfound=1\n"}};
        system.reads.clear();
        EXPECT_THAT(build().options, ElementsAre("-Dfound=1", "-Djava.class.path="));
        EXPECT_EQ(system.reads.back(), c.file);
    }
    system.files[u"C:\\App Long\\app.vmoptions"] = "-Dfirst=1\n";
    system.files[u"C:\\App Long\\app.exe.vmoptions"] = "-Dsecond=1\n";
    EXPECT_THAT(build().options, ElementsAre("-Dfirst=1", "-Djava.class.path="));
}

TEST_F(VmOptions, PathEntries) {
    system.existing = {"C:\\App\\lib\\a.jar", "C:\\App\\classes", "C:\\App\\ext", "D:\\x.jar"};
    system.listings["C:\\App\\ext"] = {"z.zip", "b.jar", "a.jar"};
    system.environment = {{"QUOTED", "\"C:\\q.jar\""}, {"ENDS", "C:\\e.jar;"}};
    system.expansion.tempDir.clear();
    system.expansion.environment = std::string("LIBDIR=lib") + '\0';
    struct Case {
        const char* name;
        const char* entries;
        std::string want;
    };
    const Case cases[] = {
        {"archive with an expanded name", "A1${LIBDIR}\\a.jar", "C:\\App\\lib\\a.jar"},
        {"directory and absolute archive", "D1classes;A1D:\\x.jar", "C:\\App\\classes;D:\\x.jar"},
        {"scanned directory: jars, then zips", "S1ext", "C:\\App\\ext\\b.jar;C:\\App\\ext\\a.jar;C:\\App\\ext\\z.zip"},
        {"environment values", "E1QUOTED;E0ENDS", "C:\\q.jar;C:\\e.jar"},
        {"optional entries missing", "A0nothing.jar;E0UNSET;S0nodir;D1classes", "C:\\App\\classes"},
        {"unknown type ignored", "X1whatever;D1classes", "C:\\App\\classes"},
        {"an empty piece ends the list", "D1classes;;A1nothing.jar", "C:\\App\\classes"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        system.config[config::kClassPathId] = c.entries;
        const VmOptionsResult result = build();
        EXPECT_FALSE(result.failure);
        EXPECT_EQ(classPathOf(result), c.want);
    }
}

TEST_F(VmOptions, RequiredEntriesMissing) {
    system.existing = {"C:\\App\\classes"};
    system.environment = {{"SET", "C:\\s.jar"}};
    struct Case {
        const char* name;
        std::int32_t id;
        const char* entries;
        std::int32_t messageId;
        const char* entryName;
    };
    const Case cases[] = {
        {"archive", config::kClassPathId, "D1classes;A1missing.jar", config::kMissingEntryMessageId, "missing.jar"},
        {"scanned directory", config::kClassPathId, "S1nodir", config::kMissingEntryMessageId, "nodir"},
        {"unset variable", config::kClassPathId, "E1SET;E1UNSET", config::kUnsetVariableMessageId, "UNSET"},
        {"module path entry", config::kModulePathId, "D1classes;D1gone", config::kMissingEntryMessageId, "gone"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        system.config.erase(config::kClassPathId);
        system.config.erase(config::kModulePathId);
        system.config[c.id] = c.entries;
        const VmOptionsResult result = build();
        ASSERT_TRUE(result.failure);
        EXPECT_EQ(result.failure->messageId, c.messageId);
        EXPECT_EQ(result.failure->name, c.entryName);
        EXPECT_THAT(result.options, Not(Contains(HasSubstr("-Djava.class.path="))));
    }
}

TEST_F(VmOptions, LauncherJarsFollowTheModulePath) {
    system.listings["C:\\Temp\\tvk1_dir5"] = {"launcher.jar", "app.zip"};
    system.existing = {"C:\\App\\mods"};
    system.config[config::kMainClassId] = "app.module/com.example.Main";

    EXPECT_THAT(build().options,
                ElementsAre("-Djava.class.path=C:\\Temp\\tvk1_dir5\\launcher.jar;C:\\Temp\\tvk1_dir5\\app.zip"));

    system.config[config::kModulePathId] = "S1mods";
    EXPECT_THAT(build().options,
                ElementsAre("-Djava.class.path=",
                            "--module-path=C:\\App\\mods;C:\\Temp\\tvk1_dir5\\launcher.jar;C:\\Temp\\tvk1_dir5\\app.zip",
                            "--add-modules=com.tavik.runtime"));

    system.config[config::kModuleLaunchId] = "1";
    inputs.installerFlavour = true;
    system.config[config::kInstallationRootId] = "..\\install";
    EXPECT_THAT(build().options,
                ElementsAre("-Djava.class.path=",
                            "--module-path=C:\\App\\mods;C:\\Temp\\tvk1_dir5\\launcher.jar;C:\\Temp\\tvk1_dir5\\app.zip;"
                            "C:\\App\\..\\install\\.runwright\\rwtruntime.jar",
                            "--add-opens=app.module/com.example=com.runwright.runtime",
                            "--add-modules=app.module,com.runwright.runtime"));
}

TEST_F(VmOptions, ModuleLaunchMainClassForms) {
    system.expansion.tempDir.clear();
    system.existing = {"C:\\App\\mods"};
    system.config[config::kModulePathId] = "S1mods";
    system.config[config::kModuleLaunchId] = "1";
    struct Case {
        const char* mainClass;
        std::vector<std::string> want;
    };
    const Case cases[] = {
        {"app.module/Main", {"--add-modules=app.module,com.tavik.runtime"}},
        {"com.example.Main", {"--add-modules=com.example.Main,com.tavik.runtime"}},
        {"m/a.b.C", {"--add-opens=m/a.b=com.tavik.runtime", "--add-modules=m,com.tavik.runtime"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mainClass);
        system.config[config::kMainClassId] = c.mainClass;
        std::vector<std::string> want = {"-Djava.class.path=", "--module-path=C:\\App\\mods"};
        want.insert(want.end(), c.want.begin(), c.want.end());
        EXPECT_EQ(build().options, want);
    }
}

TEST_F(VmOptions, WideOptionsBecomeNarrowWithQuestionMarks) {
    system.expansion.tempDir.clear();
    VmOptionsBuilder builder(system);
    builder.addOptionLine(u"-Dname=Caf\u00E9 \u03A9", std::nullopt);
    EXPECT_THAT(builder.options(), ElementsAre("-Dname=Caf\xE9 ?"));
}

}  // namespace
}  // namespace tavik::vmoptions
