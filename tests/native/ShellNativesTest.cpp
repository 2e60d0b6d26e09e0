// The ShellLink, FolderInfo and FileVersion natives, called as a VM binding by
// name calls them: looked up in the real rwtnative.dll with the test JNI
// environment. What they did is read back through the system: links loaded
// by the shell's link object, notifications the shell delivers, the shell's
// own folder answers, the registry and version resources read directly.
#include <windows.h>

#include <knownfolders.h>
#include <objbase.h>
#include <shlobj.h>
#include <winnetwk.h>

#include <jni.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "common/win/WideText.h"
#include "tests/native/ShellTestSupport.h"
#include "tests/native/support/TestJni.h"
#include "tests/win/TestSupport.h"

namespace tavik::test::shell {
namespace {

using testjni::TestJni;

std::u16string u16(const std::wstring& text) { return toU16(text); }
std::optional<std::wstring> wide(const std::optional<std::u16string>& text) {
    if (!text) return std::nullopt;
    return toWide(*text);
}

// ---- COM on the calling thread

// What CoInitializeEx answers on a thread shows whether, and how, COM is
// already initialised there.
HRESULT probeApartment(DWORD model) {
    const HRESULT result = ::CoInitializeEx(nullptr, model);
    if (SUCCEEDED(result)) ::CoUninitialize();
    return result;
}

TEST(ShellLinkCom, InitializeEntersASingleThreadedApartmentThatUninitializeLeaves) {
    const Natives natives;
    std::thread worker([&] {
        TestJni jni;
        EXPECT_EQ(natives.initialize(jni.env(), nullptr), JNI_TRUE);
        EXPECT_EQ(probeApartment(COINIT_APARTMENTTHREADED), S_FALSE);
        EXPECT_EQ(probeApartment(COINIT_MULTITHREADED), RPC_E_CHANGED_MODE);
        EXPECT_EQ(natives.uninitialize(jni.env(), nullptr), JNI_TRUE);
        EXPECT_EQ(probeApartment(COINIT_MULTITHREADED), S_OK);
    });
    worker.join();
}

// ---- Links

std::string toAnsiOrFail(const std::wstring& text) {
    bool substituted = false;
    std::string narrow = toAnsi(toU16(text), substituted);
    EXPECT_FALSE(substituted) << "not a code page text";
    return narrow;
}

class ShellLinks : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(natives.initialize(jni.env(), nullptr), JNI_TRUE); }
    void TearDown() override { natives.uninitialize(jni.env(), nullptr); }

    jstring optionalString(const wchar_t* text) { return text == nullptr ? nullptr : jni.string(u16(text)); }

    const Natives natives;
    TestJni jni;
    const ScratchDir scratch;
    const std::wstring target = testExecutable().wstring();
    const std::wstring directory = scratch.path().wstring();
};

TEST_F(ShellLinks, CreateWideSavesEveryTextGivenAndLeavesOutTheNullOnes) {
    const std::wstring icon = (scratch.path() / "app.ico").wstring();
    writeFile(icon, "not really an icon");
    struct Case {
        const char* name;
        const wchar_t* workingDirectory;
        const wchar_t* iconFile;
        const wchar_t* arguments;
        const wchar_t* description;
        jboolean runAs;
        jint showCommand;
    };
    const Case cases[] = {
        {"everything", directory.c_str(), icon.c_str(), L"--mode \"two words\" -x", L"Starts the application",
         JNI_FALSE, SW_SHOWMINNOACTIVE},
        {"no icon, arguments or description", directory.c_str(), nullptr, nullptr, nullptr, JNI_FALSE,
         SW_SHOWNORMAL},
        {"no working directory", nullptr, nullptr, nullptr, nullptr, JNI_FALSE, SW_SHOWNORMAL},
        {"run as administrator", directory.c_str(), nullptr, L"--elevated", L"Elevated", JNI_TRUE, SW_SHOWMAXIMIZED},
    };
    int number = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::wstring linkFile = (scratch.path() / ("link" + std::to_string(++number) + ".lnk")).wstring();
        ASSERT_EQ(natives.createWide(jni.env(), nullptr, jni.string(u16(linkFile)), jni.string(u16(target)),
                                     optionalString(c.workingDirectory), optionalString(c.iconFile),
                                     optionalString(c.arguments), c.runAs, optionalString(c.description),
                                     c.showCommand),
                  JNI_TRUE);
        const std::optional<SavedLink> saved = loadLink(linkFile);
        ASSERT_TRUE(saved.has_value());
        EXPECT_EQ(saved->target, target);
        EXPECT_EQ(saved->workingDirectory, c.workingDirectory == nullptr ? L"" : c.workingDirectory);
        EXPECT_EQ(saved->iconFile, c.iconFile == nullptr ? L"" : c.iconFile);
        if (c.iconFile != nullptr) EXPECT_EQ(saved->iconIndex, 0);
        EXPECT_EQ(saved->arguments, c.arguments == nullptr ? L"" : c.arguments);
        EXPECT_EQ(saved->description, c.description == nullptr ? L"" : c.description);
        const std::optional<LinkHeader> header = linkHeader(linkFile);
        ASSERT_TRUE(header.has_value());
        EXPECT_EQ(header->showCommand, static_cast<DWORD>(c.showCommand));
        EXPECT_EQ((header->flags & SLDF_HAS_WORKINGDIR) != 0, c.workingDirectory != nullptr);
        EXPECT_EQ((header->flags & SLDF_HAS_ICONLOCATION) != 0, c.iconFile != nullptr);
        EXPECT_EQ((header->flags & SLDF_HAS_ARGS) != 0, c.arguments != nullptr);
        EXPECT_EQ((header->flags & SLDF_HAS_NAME) != 0, c.description != nullptr);
    }
}

TEST_F(ShellLinks, OnlyTheRunAsAdministratorFlagMarksTheSavedLinkRunAsUser) {
    if (!linkObjectKeepsRunAsFlag(directory)) {
        GTEST_SKIP() << "this system's link object does not save SLDF_RUNAS_USER";
    }
    const std::string narrowTarget = toAnsiOrFail(target);
    int number = 0;
    for (const jboolean runAs : {JNI_FALSE, JNI_TRUE}) {
        SCOPED_TRACE(static_cast<int>(runAs));
        const std::wstring wideLink = (scratch.path() / ("wide" + std::to_string(++number) + ".lnk")).wstring();
        const std::wstring narrowLink = (scratch.path() / ("narrow" + std::to_string(number) + ".lnk")).wstring();
        ASSERT_EQ(natives.createWide(jni.env(), nullptr, jni.string(u16(wideLink)), jni.string(u16(target)),
                                     jni.string(u16(directory)), nullptr, nullptr, runAs, nullptr, SW_SHOWNORMAL),
                  JNI_TRUE);
        ASSERT_EQ(natives.create(jni.env(), nullptr, jni.string(u16(narrowLink)),
                                 jni.bytes(codePageBytes(narrowTarget)), jni.bytes(codePageBytes(narrowTarget)),
                                 nullptr, nullptr, runAs, nullptr),
                  JNI_TRUE);
        for (const std::wstring& linkFile : {wideLink, narrowLink}) {
            const std::optional<LinkHeader> header = linkHeader(linkFile);
            ASSERT_TRUE(header.has_value());
            EXPECT_EQ((header->flags & SLDF_RUNAS_USER) != 0, runAs == JNI_TRUE);
        }
    }
}

TEST_F(ShellLinks, ALinkThatCannotBeSavedIsFalse) {
    const std::wstring linkFile = (scratch.path() / "missing" / "link.lnk").wstring();
    for (const jboolean runAs : {JNI_FALSE, JNI_TRUE}) {
        SCOPED_TRACE(static_cast<int>(runAs));
        EXPECT_EQ(natives.createWide(jni.env(), nullptr, jni.string(u16(linkFile)), jni.string(u16(target)),
                                     jni.string(u16(directory)), nullptr, nullptr, runAs, nullptr, SW_SHOWNORMAL),
                  JNI_FALSE);
        EXPECT_FALSE(fs::exists(linkFile));
    }
}

TEST_F(ShellLinks, CreateWithoutCOMOnTheThreadSavesNothing) {
    natives.uninitialize(jni.env(), nullptr);
    const std::wstring linkFile = (scratch.path() / "link.lnk").wstring();
    EXPECT_EQ(natives.createWide(jni.env(), nullptr, jni.string(u16(linkFile)), jni.string(u16(target)),
                                 jni.string(u16(directory)), nullptr, nullptr, JNI_FALSE, nullptr, SW_SHOWNORMAL),
              JNI_FALSE);
    EXPECT_FALSE(fs::exists(linkFile));
    natives.initialize(jni.env(), nullptr);
}

// The narrow form takes its texts in the system code page (1252 here: "\xE9"
// is e acute) and sets no show command.
TEST_F(ShellLinks, CreateSavesCodePageTexts) {
    ASSERT_EQ(::GetACP(), 1252u) << "the texts below are code page 1252";
    const std::string narrowTarget = toAnsiOrFail(target);
    const std::string narrowDirectory = toAnsiOrFail(directory);
    for (const bool terminated : {true, false}) {
        SCOPED_TRACE(terminated ? "zero-terminated texts" : "texts without their zero");
        const std::wstring linkFile = (scratch.path() / (terminated ? "terminated.lnk" : "bare.lnk")).wstring();
        ASSERT_EQ(natives.create(jni.env(), nullptr, jni.string(u16(linkFile)),
                                 jni.bytes(codePageBytes(narrowTarget, terminated)),
                                 jni.bytes(codePageBytes(narrowDirectory, terminated)),
                                 jni.bytes(codePageBytes(narrowTarget, terminated)),
                                 jni.bytes(codePageBytes("--caf\xE9", terminated)), JNI_FALSE,
                                 jni.bytes(codePageBytes("Caf\xE9 shortcut", terminated))),
                  JNI_TRUE);
        const std::optional<SavedLink> saved = loadLink(linkFile);
        ASSERT_TRUE(saved.has_value());
        EXPECT_EQ(saved->target, target);
        EXPECT_EQ(saved->workingDirectory, directory);
        EXPECT_EQ(saved->iconFile, target);
        EXPECT_EQ(saved->arguments, L"--caf\u00E9");
        EXPECT_EQ(saved->description, L"Caf\u00E9 shortcut");
        const std::optional<LinkHeader> header = linkHeader(linkFile);
        ASSERT_TRUE(header.has_value());
        EXPECT_EQ(header->showCommand, static_cast<DWORD>(SW_SHOWNORMAL));
    }
}

TEST_F(ShellLinks, CreateLeavesNullTextsOut) {
    const std::wstring linkFile = (scratch.path() / "plain.lnk").wstring();
    ASSERT_EQ(natives.create(jni.env(), nullptr, jni.string(u16(linkFile)),
                             jni.bytes(codePageBytes(toAnsiOrFail(target))), nullptr, nullptr, nullptr, JNI_FALSE,
                             nullptr),
              JNI_TRUE);
    const std::optional<SavedLink> saved = loadLink(linkFile);
    ASSERT_TRUE(saved.has_value());
    EXPECT_EQ(saved->target, target);
    const std::optional<LinkHeader> header = linkHeader(linkFile);
    ASSERT_TRUE(header.has_value());
    EXPECT_EQ(header->flags & (SLDF_HAS_WORKINGDIR | SLDF_HAS_ICONLOCATION | SLDF_HAS_ARGS | SLDF_HAS_NAME |
                               SLDF_RUNAS_USER),
              0u);
}

// ---- Change notifications

TEST(ChangeNotify, TellsTheShellOfTheDeletedPathThenOfTheUpdatedDirectory) {
    const Natives natives;
    TestJni jni;
    const ScratchDir scratch;
    const std::wstring gone = (scratch.path() / "removed.txt").wstring();
    const std::wstring updated = scratch.path().wstring();
    for (const bool terminated : {true, false}) {
        SCOPED_TRACE(terminated ? "zero-terminated" : "without terminator");
        ChangeWatch watch(updated);
        ASSERT_TRUE(watch.registered());
        EXPECT_EQ(natives.changeNotify(jni.env(), nullptr, jni.bytes(utf16Bytes(gone, terminated)),
                                       jni.bytes(utf16Bytes(updated, terminated))),
                  JNI_TRUE);
        const std::vector<ChangeWatch::Change>& changes = watch.waitFor(2, 5000);
        ASSERT_EQ(changes.size(), 2u);
        EXPECT_EQ(changes[0].event, SHCNE_DELETE);
        EXPECT_EQ(fs::path(changes[0].path), fs::path(gone));
        EXPECT_EQ(changes[1].event, SHCNE_UPDATEDIR);
        EXPECT_EQ(fs::path(changes[1].path), fs::path(updated));
    }
}

// ---- Special folders

std::optional<std::wstring> shellFolder(int csidl) {
    wchar_t path[MAX_PATH] = {};
    if (FAILED(::SHGetFolderPathW(nullptr, csidl | CSIDL_FLAG_CREATE, nullptr, SHGFP_TYPE_CURRENT, path))) {
        return std::nullopt;
    }
    return path;
}

std::optional<std::wstring> knownFolder(const KNOWNFOLDERID& id) {
    wchar_t* path = nullptr;
    const HRESULT result = ::SHGetKnownFolderPath(id, 0, nullptr, &path);
    std::optional<std::wstring> found;
    if (SUCCEEDED(result) && path != nullptr) found = path;
    ::CoTaskMemFree(path);
    return found;
}

TEST(SpecialFolder, EachIdGivesTheShellsAnswerForItsFolder) {
    const Natives natives;
    TestJni jni;
    struct Case {
        jint id;
        jboolean allUsers;
        std::optional<std::wstring> want;
    };
    const Case cases[] = {
        {1, JNI_FALSE, shellFolder(CSIDL_DESKTOPDIRECTORY)},
        {1, JNI_TRUE, shellFolder(CSIDL_COMMON_DESKTOPDIRECTORY)},
        {2, JNI_FALSE, shellFolder(CSIDL_STARTMENU)},
        {2, JNI_TRUE, shellFolder(CSIDL_COMMON_STARTMENU)},
        {3, JNI_FALSE, shellFolder(CSIDL_PROGRAMS)},
        {3, JNI_TRUE, shellFolder(CSIDL_COMMON_PROGRAMS)},
        {4, JNI_FALSE, shellFolder(CSIDL_STARTUP)},
        {4, JNI_TRUE, shellFolder(CSIDL_COMMON_STARTUP)},
        {5, JNI_TRUE, shellFolder(CSIDL_SENDTO)},
        {6, JNI_TRUE, shellFolder(CSIDL_FONTS)},
        {7, JNI_FALSE, shellFolder(CSIDL_APPDATA)},
        {7, JNI_TRUE, shellFolder(CSIDL_COMMON_APPDATA)},
        {8, JNI_FALSE, shellFolder(CSIDL_PERSONAL)},
        {8, JNI_TRUE, shellFolder(CSIDL_COMMON_DOCUMENTS)},
        {9, JNI_FALSE, shellFolder(CSIDL_TEMPLATES)},
        {9, JNI_TRUE, shellFolder(CSIDL_COMMON_TEMPLATES)},
        {10, JNI_FALSE, shellFolder(CSIDL_FAVORITES)},
        {10, JNI_TRUE, shellFolder(CSIDL_COMMON_FAVORITES)},
        {11, JNI_TRUE, shellFolder(CSIDL_LOCAL_APPDATA)},
        {12, JNI_FALSE, shellFolder(CSIDL_DESKTOP)},
        {0, JNI_TRUE, shellFolder(CSIDL_DESKTOP)},
        {1001, JNI_FALSE, knownFolder(FOLDERID_Downloads)},
        {1002, JNI_FALSE, knownFolder(FOLDERID_UserProgramFiles)},
        {1003, JNI_TRUE, knownFolder(FOLDERID_UserProgramFilesCommon)},
        {1500, JNI_FALSE, knownFolder(FOLDERID_Profile)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.id) + (c.allUsers ? " all users" : " per user"));
        EXPECT_EQ(wide(jni.text(natives.getSpecialFolder(jni.env(), nullptr, c.id, c.allUsers))), c.want);
    }
}

// The answers above only help where the folders differ.
TEST(SpecialFolder, TheFoldersTheTableTellsApartDifferHere) {
    EXPECT_NE(shellFolder(CSIDL_APPDATA), shellFolder(CSIDL_COMMON_APPDATA));
    EXPECT_NE(knownFolder(FOLDERID_Downloads), knownFolder(FOLDERID_Profile));
    ASSERT_TRUE(knownFolder(FOLDERID_Profile).has_value());
    EXPECT_NE(shellFolder(CSIDL_DESKTOP), knownFolder(FOLDERID_Profile));
}

TEST(SpecialFolder, AMissingShellFolderIsCreated) {
    struct Candidate {
        jint id;
        int csidl;
    };
    // Only an empty real directory is taken away: some of the prefix's
    // folders are links to the Unix home.
    const Candidate candidates[] = {{10, CSIDL_FAVORITES}, {5, CSIDL_SENDTO}, {9, CSIDL_TEMPLATES}};
    for (const Candidate& candidate : candidates) {
        const std::optional<std::wstring> folder = shellFolder(candidate.csidl);
        ASSERT_TRUE(folder.has_value());
        if (fs::is_symlink(*folder) || !fs::is_empty(*folder) || !::RemoveDirectoryW(folder->c_str())) continue;
        ASSERT_FALSE(fs::exists(*folder));
        const Natives natives;
        TestJni jni;
        EXPECT_EQ(wide(jni.text(natives.getSpecialFolder(jni.env(), nullptr, candidate.id, JNI_FALSE))), folder);
        EXPECT_TRUE(fs::is_directory(*folder));
        return;
    }
    GTEST_SKIP() << "no empty shell folder to take away here";
}

// ---- Registry, directories, drives

// A value of HKLM's CurrentVersion key for one test, as raw bytes.
class CurrentVersionValue {
public:
    CurrentVersionValue(const std::wstring& name, DWORD type, const std::vector<std::uint8_t>& data) : name_(name) {
        HKEY key = nullptr;
        if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, kKey, 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS) return;
        written_ = ::RegSetValueExW(key, name.c_str(), 0, type, data.data(), static_cast<DWORD>(data.size())) ==
                   ERROR_SUCCESS;
        ::RegCloseKey(key);
    }
    ~CurrentVersionValue() { ::RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, kKey, name_.c_str()); }
    CurrentVersionValue(const CurrentVersionValue&) = delete;
    CurrentVersionValue& operator=(const CurrentVersionValue&) = delete;

    bool written() const { return written_; }

    static constexpr wchar_t kKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion";

private:
    std::wstring name_;
    bool written_ = false;
};

std::optional<std::wstring> storedCurrentVersionString(const wchar_t* name) {
    wchar_t data[1024] = {};
    DWORD size = sizeof data - sizeof(wchar_t);
    if (::RegGetValueW(HKEY_LOCAL_MACHINE, CurrentVersionValue::kKey, name, RRF_RT_REG_SZ | RRF_NOEXPAND, nullptr,
                       data, &size) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    return data;
}

TEST(PathFromRegistry, GivesTheValueUpToItsFirstZero) {
    const Natives natives;
    TestJni jni;
    const std::wstring prefix = L"TavikShellTest" + std::to_wstring(::GetCurrentProcessId()) + L"_";
    const CurrentVersionValue embeddedZero(prefix + L"zero", REG_SZ, utf16Bytes(std::wstring(L"C:\\a\0C:\\b", 9)));
    const CurrentVersionValue unterminated(prefix + L"bare", REG_SZ, utf16Bytes(L"C:\\bare", false));
    const CurrentVersionValue expandable(prefix + L"expand", REG_EXPAND_SZ, utf16Bytes(L"%SystemRoot%\\x"));
    ASSERT_TRUE(embeddedZero.written() && unterminated.written() && expandable.written());
    const std::optional<std::wstring> programFiles = storedCurrentVersionString(L"ProgramFilesDir");
    ASSERT_TRUE(programFiles.has_value());
    struct Case {
        std::wstring name;
        std::optional<std::wstring> want;
    };
    const Case cases[] = {
        {L"ProgramFilesDir", programFiles},
        {prefix + L"zero", L"C:\\a"},
        {prefix + L"bare", L"C:\\bare"},
        {prefix + L"expand", L"%SystemRoot%\\x"},
        {prefix + L"missing", std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(utf8(u16(c.name)));
        EXPECT_EQ(wide(jni.text(natives.getPathFromRegistry(jni.env(), nullptr, jni.string(u16(c.name))))), c.want);
    }
}

TEST(Directories, AreTheSystemsWindowsAndSystemDirectories) {
    const Natives natives;
    TestJni jni;
    wchar_t windows[MAX_PATH] = {};
    wchar_t system[MAX_PATH] = {};
    ASSERT_NE(::GetSystemWindowsDirectoryW(windows, MAX_PATH), 0u);
    ASSERT_NE(::GetSystemDirectoryW(system, MAX_PATH), 0u);
    EXPECT_EQ(wide(jni.text(natives.getWindowsDirectory(jni.env(), nullptr))), std::wstring(windows));
    EXPECT_EQ(wide(jni.text(natives.getSystemDirectory(jni.env(), nullptr))), std::wstring(system));
}

std::wstring missingDriveRoot() {
    const DWORD drives = ::GetLogicalDrives();
    for (wchar_t letter = L'Y'; letter > L'D'; --letter) {
        if ((drives & (1u << (letter - L'A'))) == 0) return std::wstring(1, letter) + L":\\";
    }
    return L"";
}

TEST(DriveType, IsFixedForTheSystemDriveAndNoRootForAMissingOne) {
    const Natives natives;
    TestJni jni;
    const std::wstring missing = missingDriveRoot();
    ASSERT_FALSE(missing.empty());
    EXPECT_EQ(natives.getDriveType(jni.env(), nullptr, jni.string(u"C:\\")), DRIVE_FIXED);
    EXPECT_EQ(natives.getDriveType(jni.env(), nullptr, jni.string(u16(missing))), DRIVE_NO_ROOT_DIR);
    // Null asks about the current directory's drive.
    EXPECT_EQ(natives.getDriveType(jni.env(), nullptr, nullptr), static_cast<jint>(::GetDriveTypeW(nullptr)));
}

// ---- Short and universal names

TEST(ShortPathName, IsTheSystemsShortFormOfAPathWithLongComponents) {
    const Natives natives;
    TestJni jni;
    const ScratchDir scratch;
    const fs::path file = scratch.path() / "A Long Directory Name" / "a rather long file name.text";
    fs::create_directories(file.parent_path());
    writeFile(file, "x");
    wchar_t expected[MAX_PATH] = {};
    ASSERT_NE(::GetShortPathNameW(file.c_str(), expected, MAX_PATH), 0u);
    ASSERT_NE(std::wstring(expected), file.wstring()) << "the system gives no short form here";
    EXPECT_EQ(wide(jni.text(natives.getShortPathName(jni.env(), nullptr, jni.string(u16(file.wstring()))))),
              std::wstring(expected));
}

TEST(ShortPathName, WithoutOneIsTheVeryStringPassedIn) {
    const Natives natives;
    TestJni jni;
    const ScratchDir scratch;
    const jstring missing = jni.string(u16((scratch.path() / "Not There At All" / "nor this.text").wstring()));
    EXPECT_EQ(natives.getShortPathName(jni.env(), nullptr, missing), missing);
    EXPECT_EQ(natives.getShortPathName(jni.env(), nullptr, nullptr), nullptr);
}

TEST(UniversalPathName, OfALocalPathIsASemicolonAndTheSystemsCode) {
    const Natives natives;
    TestJni jni;
    const std::wstring local = L"C:\\windows";
    std::vector<std::uint8_t> buffer(4096);
    DWORD size = static_cast<DWORD>(buffer.size());
    const DWORD code = ::WNetGetUniversalNameW(local.c_str(), UNIVERSAL_NAME_INFO_LEVEL, buffer.data(), &size);
    ASSERT_NE(code, static_cast<DWORD>(NO_ERROR)) << "a local path has no universal name";
    EXPECT_EQ(jni.text(natives.getUniversalPathName(jni.env(), nullptr, jni.string(u16(local)))),
              u";" + toU16(std::to_wstring(code)));
}

// ---- File versions

fs::path probe(const std::string& name) {
    return fs::path(TAVIK_VERSION_PROBE_DIR) / ("version_probe_" + name + ".dll");
}

TEST(FileVersionCompare, OrdersTheFileVersionsOfTwoVersionResources) {
    struct Probe {
        const char* name;
        DWORD high, low;
    };
    const Probe probes[] = {
        {"1_2_3_4", 0x00010002, 0x00030004}, {"1_2_3_10", 0x00010002, 0x0003000A},
        {"1_2_3_4_again", 0x00010002, 0x00030004}, {"2_0_0_0", 0x00020000, 0},
        {"1_9_65535_65535", 0x00010009, 0xFFFFFFFF}, {"40000_0_0_0", 0x9C400000, 0},
    };
    for (const Probe& p : probes) {
        SCOPED_TRACE(p.name);
        EXPECT_EQ(fileVersionOf(probe(p.name).wstring()), std::make_pair(p.high, p.low));
    }
    ASSERT_EQ(fileVersionOf(probe("unversioned").wstring()), std::nullopt);

    const Natives natives;
    TestJni jni;
    const ScratchDir scratch;
    const fs::path text = scratch.write("plain.txt", "no resources in here");
    struct Case {
        const char* name;
        std::optional<fs::path> first, second;
        jint want;
    };
    // The product versions of these probes run the other way: only the file version counts.
    const Case cases[] = {
        {"1.2.3.4 against 1.2.3.10", probe("1_2_3_4"), probe("1_2_3_10"), 2},
        {"1.2.3.10 against 1.2.3.4", probe("1_2_3_10"), probe("1_2_3_4"), 1},
        {"the same version in two files", probe("1_2_3_4"), probe("1_2_3_4_again"), 0},
        {"one file with itself", probe("2_0_0_0"), probe("2_0_0_0"), 0},
        {"the high half outweighs the low", probe("2_0_0_0"), probe("1_9_65535_65535"), 1},
        {"a major version beyond 32767", probe("1_9_65535_65535"), probe("40000_0_0_0"), 2},
        {"the first without a version resource", probe("unversioned"), probe("1_2_3_4"), 3},
        {"the second without a version resource", probe("1_2_3_4"), probe("unversioned"), 3},
        {"a text file", text, probe("1_2_3_4"), 3},
        {"a missing file", scratch.path() / "none.dll", probe("1_2_3_4"), 3},
        {"a null name", std::nullopt, probe("1_2_3_4"), 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto name = [&](const std::optional<fs::path>& path) {
            return path ? jni.string(u16(path->wstring())) : nullptr;
        };
        EXPECT_EQ(natives.compare(jni.env(), nullptr, name(c.first), name(c.second)), c.want);
    }
}

}  // namespace
}  // namespace tavik::test::shell
