// The java.exe check against the stand-in runtime of tests/runtime: its
// "-version" runs are counted in runs.log, its cache entries are real keys
// under HKEY_CURRENT_USER, removed again by each test.
#include <windows.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "launcher/core/JavaVersion.h"
#include "launcher/win/runtime/JavaExeCheck.h"
#include "launcher/win/runtime/PackedRuntime.h"
#include "tests/win/TestSupport.h"

namespace tavik::test {
namespace {

using jvm::parseVersion;
using jvm::VersionParts;
using runtime::CacheLookup;
using runtime::Prerelease;

const fs::path kRuntimePrograms = TAVIK_TEST_RUNTIME_DIR;

class StandInRuntime {
public:
    explicit StandInRuntime(const fs::path& home) : bin_(home / "bin") {
        fs::create_directories(bin_);
        fs::copy_file(kRuntimePrograms / "java.exe", bin_ / "java.exe");
        configure("openjdk version \"17.0.1\" 2021-10-19", 0);
    }
    void configure(const std::string& versionLine, int exitCode) const {
        writeFile(bin_ / "fake-java.cfg", versionLine + "\n" + std::to_string(exitCode) + "\n");
    }
    std::string javaExe() const { return (bin_ / "java.exe").string(); }
    std::size_t runCount() const {
        const fs::path log = bin_ / "runs.log";
        return fs::exists(log) ? lines(readFile(log)).size() : 0;
    }
    // Moves the file's last-write time, as replacing the runtime in place would.
    void touch() const {
        const HANDLE file = ::CreateFileA(javaExe().c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr,
                                          OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(file, INVALID_HANDLE_VALUE);
        FILETIME time;
        ::GetFileTime(file, nullptr, nullptr, &time);
        ULARGE_INTEGER value{{time.dwLowDateTime, time.dwHighDateTime}};
        value.QuadPart += 36000000000ULL;  // one hour
        time = {value.LowPart, value.HighPart};
        ::SetFileTime(file, nullptr, nullptr, &time);
        ::CloseHandle(file);
    }
    const fs::path& bin() const { return bin_; }

private:
    fs::path bin_;
};

// The key every launcher of the user shares, spelled out here rather than
// taken from the code that writes it.
std::string literalCacheKey(std::string normalisedJavaExe) {
    std::replace(normalisedJavaExe.begin(), normalisedJavaExe.end(), '\\', '/');
    return "SOFTWARE\\norvale-systems\\tavik\\jvms\\" + normalisedJavaExe;
}

class JavaExeCheckTest : public ::testing::Test {
protected:
    ~JavaExeCheckTest() override {
        if (!cacheKey_.empty()) ::RegDeleteTreeA(HKEY_CURRENT_USER, cacheKey_.c_str());
    }

    // checkJavaExe on the runtime, with the cache key remembered for clean-up.
    bool check(std::string& version, const std::string& minimum = "",
               CacheLookup cacheLookup = CacheLookup::Use) {
        std::string javaExe = runtime_.javaExe();
        const bool accepted = runtime::checkJavaExe(javaExe, version, parseVersion(minimum), VersionParts{},
                                                    Prerelease::Allowed, cacheLookup);
        normalised_ = javaExe;
        cacheKey_ = literalCacheKey(javaExe);
        return accepted;
    }

    // Wine's reads add a terminator to a text stored without one, so texts
    // are compared up to it.
    std::optional<std::string> cachedText() const {
        auto value = cachedValue("Version");
        if (value) value->erase(std::min(value->find('\0'), value->size()));
        return value;
    }

    std::optional<std::string> cachedValue(const char* name) const {
        HKEY key = nullptr;
        if (::RegOpenKeyExA(HKEY_CURRENT_USER, cacheKey_.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
            return std::nullopt;
        DWORD size = 0;
        ::RegQueryValueExA(key, name, nullptr, nullptr, nullptr, &size);
        std::string data(size, '\0');
        const LSTATUS status = ::RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(data.data()), &size);
        ::RegCloseKey(key);
        if (status != ERROR_SUCCESS) return std::nullopt;
        data.resize(size);
        return data;
    }

    void setCachedValue(const char* name, DWORD type, const std::string& bytes) const {
        ASSERT_EQ(::RegSetKeyValueA(HKEY_CURRENT_USER, cacheKey_.c_str(), name, type, bytes.data(),
                                    static_cast<DWORD>(bytes.size())),
                  ERROR_SUCCESS);
    }

    ScratchDir scratch_;
    StandInRuntime runtime_{scratch_.path() / "jre"};
    std::string normalised_;
    std::string cacheKey_;
};

TEST_F(JavaExeCheckTest, SecondCheckTakesTheCachedVersionWithoutARun) {
    std::string version;
    ASSERT_TRUE(check(version));
    EXPECT_EQ(version, "17.0.1");
    EXPECT_EQ(runtime_.runCount(), 1u);
    EXPECT_EQ(cachedText(), "17.0.1");
    EXPECT_EQ(cachedValue("LastWriteTime").value_or("").size(), 8u);

    version.clear();
    ASSERT_TRUE(check(version));
    EXPECT_EQ(version, "17.0.1");
    EXPECT_EQ(runtime_.runCount(), 1u);
}

TEST_F(JavaExeCheckTest, PathComesBackNormalised) {
    std::string version;
    ASSERT_TRUE(check(version));
    EXPECT_THAT(normalised_, ::testing::EndsWith("\\jre\\bin\\java.exe"));
    EXPECT_EQ(normalised_.find_first_of("ABCDEFGHIJKLMNOPQRSTUVWXYZ/"), std::string::npos) << normalised_;
}

TEST_F(JavaExeCheckTest, ReplacedRuntimeRunsAgain) {
    std::string version;
    ASSERT_TRUE(check(version));
    runtime_.configure("java version \"1.8.0_45\"", 0);
    runtime_.touch();
    ASSERT_TRUE(check(version));
    EXPECT_EQ(version, "1.8.0_45");
    EXPECT_EQ(runtime_.runCount(), 2u);
    EXPECT_EQ(cachedText(), "1.8.0_45");
}

TEST_F(JavaExeCheckTest, FailingRuntimeIsRecordedAndRunAgain) {
    runtime_.configure("Error: could not create the Java VM", 1);
    std::string version;
    EXPECT_FALSE(check(version));
    EXPECT_EQ(cachedText(), "1.0.0");
    EXPECT_FALSE(check(version));
    EXPECT_EQ(runtime_.runCount(), 2u);

    runtime_.configure("java version \"1.8.0_45\"", 0);
    EXPECT_TRUE(check(version));
    EXPECT_EQ(version, "1.8.0_45");
    EXPECT_EQ(runtime_.runCount(), 3u);
}

TEST_F(JavaExeCheckTest, WithoutTheCacheEveryCheckRuns) {
    std::string version;
    ASSERT_TRUE(check(version, "", CacheLookup::Skip));
    ASSERT_TRUE(check(version, "", CacheLookup::Skip));
    EXPECT_EQ(runtime_.runCount(), 2u);
}

// Entries that must not stand for the file as it is now: each leads to a run
// and is replaced by the version found.
TEST_F(JavaExeCheckTest, UnusableCacheEntriesLeadToARun) {
    std::string version;
    ASSERT_TRUE(check(version));
    const std::string fileTime = cachedValue("LastWriteTime").value();
    std::string otherTime = fileTime;
    otherTime[7] = static_cast<char>(otherTime[7] ^ 1);

    const struct {
        const char* what;
        std::string time;
        std::string version;
    } cases[] = {
        {"other write time", otherTime, "11.0.2"},
        {"time of 7 bytes", fileTime.substr(0, 7), "11.0.2"},
        {"time of 9 bytes", fileTime + "x", "11.0.2"},
        {"failed run", fileTime, "1.0.0"},
        {"old placeholder", fileTime, "1.6."},
        // Longer than the version buffer: absent, never cut or overrun.
        {"overlong version", fileTime, "11.0.2" + std::string(3000, '1')},
    };
    std::size_t runs = runtime_.runCount();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        setCachedValue("LastWriteTime", REG_BINARY, c.time);
        setCachedValue("Version", REG_SZ, c.version);
        ASSERT_TRUE(check(version));
        EXPECT_EQ(version, "17.0.1");
        EXPECT_EQ(runtime_.runCount(), ++runs);
        EXPECT_EQ(cachedText(), "17.0.1");
    }
}

TEST_F(JavaExeCheckTest, CachedVersionIsJudgedByTheBounds) {
    std::string version;
    ASSERT_TRUE(check(version));
    const std::string fileTime = cachedValue("LastWriteTime").value();
    setCachedValue("Version", REG_SZ, std::string("1.8.0_40\0", 9));
    EXPECT_FALSE(check(version, "1.8.0_45"));
    EXPECT_EQ(version, "1.8.0_40");
    EXPECT_TRUE(check(version, "1.8"));
    EXPECT_EQ(runtime_.runCount(), 1u);
}

TEST_F(JavaExeCheckTest, OutputWithoutAVersionLineFails) {
    // The last: an unclosed quote with nothing behind it names no version.
    for (const char* line : {"Picked up JAVA_TOOL_OPTIONS: -Xmx1g", "", "java version \""}) {
        SCOPED_TRACE(line);
        runtime_.configure(line, 0);
        std::string version = "stale";
        EXPECT_FALSE(check(version, "", CacheLookup::Skip));
        EXPECT_EQ(version, "");
    }
}

TEST_F(JavaExeCheckTest, MissingFileStartsNothing) {
    std::string javaExe = (scratch_.path() / "nowhere" / "bin" / "java.exe").string();
    std::string version = "stale";
    EXPECT_FALSE(runtime::checkJavaExe(javaExe, version, {}, {}, Prerelease::Allowed, CacheLookup::Use));
    EXPECT_EQ(runtime_.runCount(), 0u);
}

TEST_F(JavaExeCheckTest, JavaOptionsComeBackAfterTheRun) {
    ::SetEnvironmentVariableA("_JAVA_OPTIONS", "-Xmx64m");
    std::string version;
    EXPECT_TRUE(check(version, "", CacheLookup::Skip));
    char value[64] = {};
    EXPECT_EQ(::GetEnvironmentVariableA("_JAVA_OPTIONS", value, sizeof value), 7u);
    EXPECT_STREQ(value, "-Xmx64m");
    ::SetEnvironmentVariableA("_JAVA_OPTIONS", nullptr);
}

class PackedRuntimeTest : public ::testing::Test {
protected:
    PackedRuntimeTest() {
        fs::create_directories(home_ / "bin");
        fs::create_directories(home_ / "lib" / "ext");
        fs::copy_file(kRuntimePrograms / "unpack200.exe", home_ / "bin" / "unpack200.exe");
    }
    std::size_t unpackRuns() const {
        const fs::path log = home_ / "bin" / "unpack-runs.log";
        return fs::exists(log) ? lines(readFile(log)).size() : 0;
    }

    ScratchDir scratch_;
    fs::path home_ = scratch_.path() / "jre";
};

TEST_F(PackedRuntimeTest, UnpacksLibAndExtAndLeavesExistingArchives) {
    writeFile(home_ / "lib" / "rt.jar.pack", "rt classes");
    writeFile(home_ / "lib" / "ext" / "localedata.jar.pack", "locale data");
    writeFile(home_ / "lib" / "jce.jar.pack", "packed jce");
    writeFile(home_ / "lib" / "jce.jar", "unpacked jce");

    runtime::unpackPackedRuntime(home_.string());

    EXPECT_TRUE(fs::exists(home_ / "lib" / "rt.jar"));
    EXPECT_FALSE(fs::exists(home_ / "lib" / "rt.jar.pack"));
    EXPECT_TRUE(fs::exists(home_ / "lib" / "ext" / "localedata.jar"));
    EXPECT_FALSE(fs::exists(home_ / "lib" / "ext" / "localedata.jar.pack"));
    EXPECT_EQ(readFile(home_ / "lib" / "jce.jar"), "unpacked jce");
    EXPECT_EQ(readFile(home_ / "lib" / "jce.jar.pack"), "packed jce");
    EXPECT_EQ(unpackRuns(), 2u);

    // Judged again: nothing left to do.
    runtime::unpackPackedRuntime(home_.string());
    EXPECT_EQ(unpackRuns(), 2u);
}

TEST_F(PackedRuntimeTest, ToolGetsThePackedAndTheArchivePath) {
    writeFile(home_ / "lib" / "rt.jar.pack", "rt classes");
    runtime::unpackPackedRuntime(home_.string());
    const std::vector<std::string> runs = lines(readFile(home_ / "bin" / "unpack-runs.log"));
    ASSERT_EQ(runs.size(), 1u);
    const std::string lib = (home_ / "lib").string();
    EXPECT_EQ(runs[0], "-r \"" + lib + "\\rt.jar.pack\" \"" + lib + "\\rt.jar\"");
}

}  // namespace
}  // namespace tavik::test
