// The JVM search in a copy of this program that carries a configuration
// block, against stand-in runtimes laid out in a scratch directory and keys
// of the real (Wine) registry. The registry keys are global, so every test
// that writes them lives in this one program and its tests run in turn.
#include <windows.h>
#include <shellapi.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "common/win/WideText.h"
#include "launcher/win/image/ConfigLoad.h"
#include "launcher/win/report/Log.h"
#include "launcher/win/runtime/JvmLoader.h"
#include "launcher/win/runtime/JvmSearch.h"
#include "tests/win/ChildOutput.h"
#include "tests/win/TestSupport.h"

namespace tavik::test {
namespace {

using ::testing::EndsWith;
using ::testing::HasSubstr;
using ::testing::Not;

using Environment = std::map<std::u16string, std::u16string>;

// Every variable the search reads is named, so the machine's own stay out.
Environment searchEnvironment(Environment extra = {}) {
    Environment environment = {{u"TAVIK_LOG", u"yes"}, {u"RUNWRIGHT_LOG", u""}, {u"TAVIK_JAVA_HOME", u""},
                               {u"RUNWRIGHT_JAVA_HOME", u""}};
    for (auto& [name, value] : extra) environment[name] = value;
    return environment;
}

std::string record(std::int32_t id, const std::string& text) {
    return BlockBuilder().uint32(static_cast<std::uint32_t>(id)).narrow(text).text();
}

// A stand-in runtime: java.exe reports `version`, jvm.dll records its loads.
struct Runtime {
    fs::path home;
    fs::path bin() const { return home / "bin"; }
    fs::path javaExe() const { return bin() / "java.exe"; }
    bool loaded() const { return readFileOr(bin() / "server" / "jvm-calls.log").find("loaded ") != std::string::npos; }

    static std::string readFileOr(const fs::path& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
};

Runtime makeRuntime(const fs::path& home, const std::string& version, bool loadableJvm = true) {
    const fs::path source = fs::path(TAVIK_SEARCH_RUNTIME_DIR);
    fs::create_directories(home / "bin" / "server");
    fs::copy_file(source / "java.exe", home / "bin" / "java.exe", fs::copy_options::overwrite_existing);
    writeFile(home / "bin" / "fake-java.cfg", "openjdk version \"" + version + "\" 2021-10-19\n0\n");
    if (loadableJvm)
        fs::copy_file(source / "jvm.dll", home / "bin" / "server" / "jvm.dll", fs::copy_options::overwrite_existing);
    else
        writeFile(home / "bin" / "server" / "jvm.dll", "MZ not a library of this machine");
    return Runtime{home};
}

struct SearchConfig {
    std::string sequence;
    std::string minimum;
    std::string maximum;
    bool requireJdk = false;
    std::string applicationId;
};

struct SearchRun {
    std::map<std::string, std::string> values;
    std::string log;
};

// The packed copy sits in `directory`; its ".runwright" is there too.
SearchRun runSearch(const fs::path& directory, const SearchConfig& config, const Environment& environment = {}) {
    std::string records = record(128, config.sequence) + record(126, config.minimum) + record(127, config.maximum) +
                          record(131, config.requireJdk ? "1" : "0") + record(160, config.applicationId);
    const std::string block = BlockBuilder().header().uint32(5).raw(records).uint32(0).uint32(0).text();
    const fs::path exe = directory / "searcher.exe";
    writePackedCopy(testExecutable(), exe, block);
    const ChildResult r = runScenario(exe, "search", {directory.u16string()}, searchEnvironment(environment));
    EXPECT_EQ(r.exitCode, 0) << r.err;
    SearchRun run{keyValues(r.out), {}};
    run.log = childLog(run.values);
    return run;
}

std::u16string wide(const fs::path& path) { return path.u16string(); }
std::string lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}
std::string narrowPath(const fs::path& path) { return path.string(); }

TEST(JvmSearch, SearchEntriesAreTriedInTheirOrder) {
    ScratchDir scratch;
    const Runtime first = makeRuntime(scratch.path() / "first", "11.0.2");
    const Runtime second = makeRuntime(scratch.path() / "second", "17.0.1");
    // The E entry comes first and names the second runtime.
    const SearchRun run = runSearch(scratch.path(), {"Ynothing;EMY_JRE;A" + narrowPath(first.home), "", ""},
                                    {{u"MY_JRE", wide(second.home)}});
    EXPECT_EQ(run.values.at("loaded"), "1") << run.log;
    EXPECT_EQ(run.values.at("source"), "3");
    EXPECT_EQ(run.values.at("location"), "MY_JRE");
    EXPECT_EQ(run.values.at("javaExe"), lower(narrowPath(second.javaExe())));
    EXPECT_TRUE(second.loaded());
    EXPECT_FALSE(first.loaded());
    EXPECT_THAT(run.log, HasSubstr("Testing location MY_JRE (type E)"));
}

TEST(JvmSearch, PreferredLocationComesFirstAndInstallerLocationAfterTheEntries) {
    ScratchDir scratch;
    const Runtime preferred = makeRuntime(scratch.path() / "preferred", "17.0.1");
    const Runtime entry = makeRuntime(scratch.path() / "entry", "17.0.1");
    const Runtime installer = makeRuntime(scratch.path() / "installer", "17.0.1");
    scratch.write(".runwright/inst_jre.cfg", narrowPath(installer.home) + "\r\n");

    SearchRun run = runSearch(scratch.path(), {"B" + narrowPath(entry.home), "", ""});
    EXPECT_EQ(run.values.at("javaExe"), lower(narrowPath(entry.javaExe()))) << run.log;
    EXPECT_EQ(run.values.at("source"), "2");
    EXPECT_EQ(run.values.at("location"), narrowPath(entry.home));

    // An entry that finds nothing hands over to the installer's location.
    run = runSearch(scratch.path(), {"B" + narrowPath(scratch.path() / "none"), "", ""});
    EXPECT_EQ(run.values.at("javaExe"), lower(narrowPath(installer.javaExe()))) << run.log;
    EXPECT_THAT(run.log, HasSubstr("Using installer location"));

    scratch.write(".runwright/pref_jre.cfg", narrowPath(preferred.home) + "\r\nignored\r\n");
    run = runSearch(scratch.path(), {"B" + narrowPath(entry.home), "", ""});
    EXPECT_EQ(run.values.at("javaExe"), lower(narrowPath(preferred.javaExe()))) << run.log;
    EXPECT_EQ(run.values.at("location"), narrowPath(preferred.home));
    EXPECT_THAT(run.log, HasSubstr("Has preferred location " + narrowPath(preferred.home)));
}

TEST(JvmSearch, RelaxedPassRetriesRelativeAndBEntriesOnly) {
    ScratchDir scratch;
    const Runtime old = makeRuntime(scratch.path() / "jre", "1.6.0_45");
    const fs::path app = scratch.path() / "app";
    fs::create_directories(app);

    SearchRun run = runSearch(app, {"B..\\jre;Y", "1.8", ""});
    EXPECT_EQ(run.values.at("loaded"), "1") << run.log;
    EXPECT_EQ(run.values.at("location"), "..\\jre");
    EXPECT_EQ(run.values.at("source"), "2");
    EXPECT_THAT(run.log, HasSubstr("Testing relative location ..\\jre"));
    EXPECT_TRUE(old.loaded());

    // The same runtime named absolutely: retried as B, never as A.
    const std::string absolute = narrowPath(old.home);
    run = runSearch(app, {"A" + absolute, "1.8", ""});
    EXPECT_EQ(run.values.at("loaded"), "0") << run.log;
    EXPECT_THAT(run.log, Not(HasSubstr("Testing relative location")));
    run = runSearch(app, {"B" + absolute, "1.8", ""});
    EXPECT_EQ(run.values.at("loaded"), "1") << run.log;
    EXPECT_EQ(run.values.at("location"), absolute);
}

TEST(JvmSearch, EntriesAreExpandedOnlyInTheFirstPass) {
    ScratchDir scratch;
    makeRuntime(scratch.path() / "jre", "17.0.1");
    const SearchRun run = runSearch(scratch.path(), {"A${MY_BASE}\\jre", "", ""}, {{u"MY_BASE", wide(scratch.path())}});
    EXPECT_EQ(run.values.at("loaded"), "1") << run.log;
    EXPECT_EQ(run.values.at("location"), narrowPath(scratch.path()) + "\\jre");
}

TEST(JvmSearch, JdkRequiredTakesOnlyADirectoryWithToolsJar) {
    ScratchDir scratch;
    const Runtime jre = makeRuntime(scratch.path() / "jre" / "jre", "17.0.1");
    const Runtime jdk = makeRuntime(scratch.path() / "jdk" / "jre", "17.0.1");
    scratch.write("jdk/lib/tools.jar", "tools");
    SearchConfig config{"A" + narrowPath(scratch.path() / "jre") + ";A" + narrowPath(scratch.path() / "jdk"), "", ""};
    config.requireJdk = true;
    const SearchRun run = runSearch(scratch.path(), config);
    EXPECT_EQ(run.values.at("javaExe"), lower(narrowPath(jdk.javaExe()))) << run.log;
    EXPECT_FALSE(jre.loaded());
}

TEST(JvmSearch, ARuntimeWhoseLibraryDoesNotLoadLetsTheSearchGoOn) {
    ScratchDir scratch;
    makeRuntime(scratch.path() / "foreign", "17.0.1", false);
    const Runtime good = makeRuntime(scratch.path() / "good", "11.0.2");
    const SearchRun run = runSearch(scratch.path(), {"A" + narrowPath(scratch.path() / "foreign"), "", ""},
                                    {{u"TAVIK_JAVA_HOME", wide(good.home)}});
    EXPECT_EQ(run.values.at("loaded"), "1") << run.log;
    EXPECT_EQ(run.values.at("source"), "3");
    EXPECT_EQ(run.values.at("location"), "TAVIK_JAVA_HOME");
    EXPECT_TRUE(good.loaded());
    EXPECT_THAT(run.log, HasSubstr("Search sequence finished"));
}

TEST(JvmSearch, EnvironmentValuesTakeForwardSlashesAndAnOverlongValueIsUnset) {
    ScratchDir scratch;
    const Runtime first = makeRuntime(scratch.path() / "first", "17.0.1");
    const Runtime second = makeRuntime(scratch.path() / "second", "17.0.1");
    std::u16string slashed = wide(first.home);
    for (char16_t& c : slashed) {
        if (c == u'\\') c = u'/';
    }
    SearchRun run = runSearch(scratch.path(), {"", "", ""}, {{u"TAVIK_JAVA_HOME", slashed}});
    EXPECT_EQ(run.values.at("javaExe"), lower(narrowPath(first.javaExe()))) << run.log;

    // Longer than the 6000-byte buffer: counts as unset, the next variable is read.
    const Runtime third = makeRuntime(scratch.path() / "third", "17.0.1");
    std::u16string overlong = wide(third.home);
    while (overlong.size() < 6100) overlong += u"\\.";
    overlong += u"\\missing";
    run = runSearch(scratch.path(), {"", "", ""},
                    {{u"TAVIK_JAVA_HOME", overlong}, {u"RUNWRIGHT_JAVA_HOME", wide(second.home)}});
    EXPECT_EQ(run.values.at("javaExe"), lower(narrowPath(second.javaExe()))) << run.log;
    EXPECT_EQ(run.values.at("location"), "RUNWRIGHT_JAVA_HOME");
    EXPECT_FALSE(third.loaded());
}

TEST(JvmSearch, NothingFoundLeavesNoLibraryAndNoSource) {
    ScratchDir scratch;
    const SearchRun run = runSearch(scratch.path(), {"A" + narrowPath(scratch.path() / "none") + ";S", "", ""},
                                    {{u"PATH", wide(scratch.path())}});
    EXPECT_EQ(run.values.at("loaded"), "0") << run.log;
    EXPECT_EQ(run.values.at("source"), "0");
}

// --- The registry ---

class RegistryKey {
public:
    RegistryKey(HKEY root, std::string path) : root_(root), path_(std::move(path)) {}
    ~RegistryKey() { ::RegDeleteTreeA(root_, path_.c_str()); }
    RegistryKey(const RegistryKey&) = delete;
    RegistryKey& operator=(const RegistryKey&) = delete;

    void set(const std::string& subkey, const std::string& name, const std::string& value) const {
        HKEY key = nullptr;
        const std::string path = subkey.empty() ? path_ : path_ + "\\" + subkey;
        ASSERT_EQ(::RegCreateKeyExA(root_, path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr),
                  ERROR_SUCCESS)
            << path;
        if (!name.empty() || !value.empty())
            ::RegSetValueExA(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                             static_cast<DWORD>(value.size() + 1));
        ::RegCloseKey(key);
    }

private:
    HKEY root_;
    std::string path_;
};

TEST(JvmSearchRegistry, EveryVersionIsTriedInTextualOrder) {
    ScratchDir scratch;
    const RegistryKey jre(HKEY_LOCAL_MACHINE, "SOFTWARE\\JavaSoft\\JRE");
    std::map<std::string, Runtime> runtimes;
    for (const std::string version : {"1.8.0_45", "11.0.2", "17", "9.0.4"}) {
        runtimes.emplace(version, makeRuntime(scratch.path() / ("jre" + version), version));
        jre.set(version, "JavaHome", narrowPath(runtimes.at(version).home));
    }
    SearchRun run = runSearch(scratch.path(), {"Y", "", ""});
    EXPECT_EQ(run.values.at("javaExe"), lower(narrowPath(runtimes.at("9.0.4").javaExe()))) << run.log;
    EXPECT_EQ(run.values.at("source"), "4");
    EXPECT_THAT(run.log, HasSubstr("found sun "));

    // Outside the bounds a key is not tried; 17 is next in textual order.
    run = runSearch(scratch.path(), {"Y", "10", ""});
    EXPECT_EQ(run.values.at("javaExe"), lower(narrowPath(runtimes.at("17").javaExe()))) << run.log;

    // A JavaHome longer than its buffer is not used.
    jre.set("9.0.4", "JavaHome", narrowPath(runtimes.at("9.0.4").home) + std::string(6000, '\\'));
    run = runSearch(scratch.path(), {"Y", "", ""});
    EXPECT_EQ(run.values.at("javaExe"), lower(narrowPath(runtimes.at("17").javaExe()))) << run.log;
}

TEST(JvmSearchRegistry, LocatedRuntimeWinsATieWithTheVendorKeys) {
    ScratchDir scratch;
    const Runtime vendor = makeRuntime(scratch.path() / "vendor", "17.0.1");
    const Runtime located = makeRuntime(scratch.path() / "located", "17.0.1");
    const RegistryKey jre(HKEY_LOCAL_MACHINE, "SOFTWARE\\JavaSoft\\JRE");
    jre.set("", "CurrentVersion", "17");
    jre.set("17", "JavaHome", narrowPath(vendor.home));
    const RegistryKey locatedKey(HKEY_CURRENT_USER, "SOFTWARE\\norvale-systems\\tavik\\locatedjvms");
    std::string name = narrowPath(located.javaExe());
    for (char& c : name) {
        if (c == '\\') c = '/';
    }
    locatedKey.set(name, "", "");
    const SearchRun run = runSearch(scratch.path(), {"Y", "", ""});
    EXPECT_EQ(run.values.at("javaExe"), lower(narrowPath(located.javaExe()))) << run.log;
    EXPECT_THAT(run.log, HasSubstr("found located "));
    EXPECT_FALSE(vendor.loaded());
}

TEST(JvmSearchRegistry, PreviousInstallationsOfTheUserComeAfterTheRelaxedPass) {
    ScratchDir scratch;
    const Runtime installed = makeRuntime(scratch.path() / "installed" / "jre", "17.0.1");
    const RegistryKey installations(HKEY_CURRENT_USER, "SOFTWARE\\norvale-systems\\runwright\\installations");
    installations.set("", "search-test-app", narrowPath(scratch.path() / "missing") + ";;" +
                                                 narrowPath(scratch.path() / "installed"));
    SearchConfig config{"Anone", "", ""};
    config.applicationId = "search-test-app";
    const SearchRun run = runSearch(scratch.path(), config);
    EXPECT_EQ(run.values.at("javaExe"), lower(narrowPath(installed.javaExe()))) << run.log;
    EXPECT_EQ(run.values.at("source"), "4");
    EXPECT_THAT(run.log, HasSubstr("found JRE from previous installation (user) "));
    EXPECT_THAT(run.log, HasSubstr("Testing relative location none"));
}

// The open's own status: the thread's last error at that point belongs to earlier calls.
TEST(JvmSearchRegistry, MissingInstallationsKeyIsLoggedWithTheStatusOfItsOpen) {
    ScratchDir scratch;
    SearchConfig config{"Anone", "", ""};
    config.applicationId = "search-test-app-without-installations";
    const SearchRun run = runSearch(scratch.path(), config);
    EXPECT_EQ(run.values.at("loaded"), "0") << run.log;
    std::size_t opens = 0;
    for (const std::string& line : lines(run.log)) {
        if (line.find("could not open installation node ") == std::string::npos) continue;
        ++opens;
        EXPECT_THAT(line, EndsWith("] could not open installation node 2"));
    }
    // Both roots, each in both registry views.
    EXPECT_EQ(opens, 4u) << run.log;
}

// --- The child side ---

void print(const std::string& key, const std::string& value) { std::printf("%s=%s\n", key.c_str(), value.c_str()); }

int searchScenario(const std::u16string& tempBase) {
    ::SetEnvironmentVariableW(L"TMP", toWide(tempBase).c_str());
    ::SetEnvironmentVariableW(L"TEMP", toWide(tempBase).c_str());
    image::readConfigBlock();
    const runtime::JvmSearchResult result = runtime::searchForJvm(&runtime::loadJvmFromJavaExe, "");
    print("loaded", result.library ? "1" : "0");
    print("javaExe", result.javaExe);
    print("version", result.version);
    print("location", result.location);
    print("source", std::to_string(static_cast<int>(result.source)));
    print("log", utf8(report::logFilePath().value_or(u"none")));
    std::fflush(stdout);
    return 0;
}

}  // namespace
}  // namespace tavik::test

int main(int argc, char** argv) {
    int count = 0;
    wchar_t** arguments = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    if (count == 4 && std::wstring(arguments[1]) == L"--child" && std::wstring(arguments[2]) == L"search")
        return tavik::test::searchScenario(tavik::toU16(arguments[3]));
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
