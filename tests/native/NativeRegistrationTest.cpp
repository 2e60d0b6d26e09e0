// rwtnative.dll as a launcher binds it, through registerNatives with a
// recording message function on the test JNI environment; its export table as
// a VM binding by name reads it; and the JNI text routines its natives share.
#include <windows.h>

#include <jni.h>

#include <gtest/gtest.h>

#include <cstdarg>
#include <cstdio>
#include <cwchar>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "native/jni/JniText.h"
#include "tests/native/support/TestJni.h"

namespace tavik::testjni {
namespace {

const std::string kPackage = "com/runwright/runtime/installer/platform/win32/";
const std::string kExportPrefix = "Java_com_runwright_runtime_installer_platform_win32_";

struct Native {
    const char* className;
    const char* method;
    const char* signature;
};

// Class by class in registration order, each class's methods in the order of
// its registration array.
const Native kRegistered[] = {
    {"ACLHandling", "addACE", "(Ljava/lang/String;ZZZZZILjava/lang/String;)Z"},
    {"FileVersion", "compare0", "(Ljava/lang/String;Ljava/lang/String;)I"},
    {"FolderInfo", "getSpecialFolder0", "(IZ)Ljava/lang/String;"},
    {"FolderInfo", "getPathFromRegistry0", "(Ljava/lang/String;)Ljava/lang/String;"},
    {"FolderInfo", "getWindowsDirectory0", "()Ljava/lang/String;"},
    {"FolderInfo", "getSystemDirectory0", "()Ljava/lang/String;"},
    {"FolderInfo", "getDriveType0", "(Ljava/lang/String;)I"},
    {"FolderInfo", "getShortPathName0", "(Ljava/lang/String;)Ljava/lang/String;"},
    {"FolderInfo", "getUniversalPathName0", "(Ljava/lang/String;)Ljava/lang/String;"},
    {"Misc", "reboot0", "()V"},
    {"Misc", "getRunningModules0", "(Z)[Ljava/lang/String;"},
    {"Misc", "getEnvVarPairs0", "()[Ljava/lang/String;"},
    {"Misc", "broadcastSettingChange0", "()V"},
    {"Misc", "getPhysicalMemory0", "()J"},
    {"Misc", "getFreeDiskSpace0", "(Ljava/lang/String;)J"},
    {"Misc", "moveWithDelayUntilReboot0", "(Ljava/lang/String;Ljava/lang/String;)Z"},
    {"Misc", "toFront0", "()V"},
    {"Misc", "terminateProcesses0", "([IZI)I"},
    {"Misc", "getWindowTitle0", "(I)Ljava/lang/String;"},
    {"Misc", "setForegroundWindow0", "(J)V"},
    {"Misc", "getTopLevelWindows0", "(Ljava/lang/Class;I)[Lcom/runwright/api/windows/WindowInfo;"},
    {"Misc", "getPidFromHandle0", "(J)I"},
    {"ObjectPicker", "show0", "(ZZZZZ)[Lcom/runwright/runtime/installer/platform/win32/ObjectPicker$Result;"},
    {"ShellLink", "createWide0", "(Ljava/lang/String;Ljava/lang/String;Ljava/lang/String;Ljava/lang/String;Ljava/lang/String;ZLjava/lang/String;I)Z"},
    {"ShellLink", "changeNotify0", "([B[B)Z"},
    {"ShellLink", "initialize0", "()Z"},
    {"ShellLink", "uninitialize", "()Z"},
    {"VistaFileChooser", "initialize0", "()V"},
    {"VistaFileChooser", "displayDialog0", "(JLjava/lang/String;Ljava/lang/String;Ljava/lang/String;Ljava/lang/String;IIZLjava/lang/String;[Ljava/lang/String;[Ljava/lang/String;I[Ljava/lang/String;[Z)[Ljava/lang/String;"},
    {"VistaTaskDialog", "show0", "(JLjava/lang/String;Ljava/lang/String;Ljava/lang/String;IIILjava/lang/String;[Ljava/lang/String;I)I"},
    {"Win32CommunicationBackend", "getInvalidHandle0", "()J"},
    {"Win32CommunicationBackend", "createListener0", "(Ljava/lang/String;)J"},
    {"Win32CommunicationBackend", "readDataBlock0", "(J)[B"},
    {"Win32CommunicationBackend", "writeDataBlock0", "(J[B)Z"},
    {"Win32CommunicationBackend", "connectClient0", "(Ljava/lang/String;)J"},
    {"Win32CommunicationBackend", "connectNamedPipe0", "(J)Z"},
    {"Win32CommunicationBackend", "disconnectNamedPipe0", "(J)V"},
    {"Win32CommunicationBackend", "closeHandle0", "(J)V"},
    {"Win32CommunicationBackend", "isProcessAlive0", "(I)Z"},
    {"Win32CommunicationBackend", "getCurrentProcessId0", "()I"},
    {"Win32Proxy", "getIEConfig0", "([Ljava/lang/String;)I"},
    {"Win32Proxy", "getDefaultConfig0", "([Ljava/lang/String;)I"},
    {"Win32Proxy", "getAutoProxyConfig0", "([Ljava/lang/String;Ljava/lang/String;Ljava/lang/String;IIZ)J"},
    {"Win32Proxy", "loadFunctions0", "()Z"},
    {"Win32UserInfo", "isMemberOfGroup0", "(I)Z"},
    {"Win32UserInfo", "executeElevated0", "(Ljava/lang/String;Ljava/lang/String;Ljava/lang/String;I)Z"},
    {"Win32UserInfo", "getElevationType0", "()I"},
    {"Win32UserInfo", "addUser0", "(Ljava/lang/String;Ljava/lang/String;Ljava/lang/String;Ljava/lang/String;Ljava/lang/String;ZZ)Ljava/lang/String;"},
    {"Win32UserInfo", "deleteUser0", "(Ljava/lang/String;Ljava/lang/String;)I"},
    {"Win32UserInfo", "deleteLocalGroup0", "(Ljava/lang/String;Ljava/lang/String;)I"},
    {"Win32UserInfo", "getAccountName0", "(Ljava/lang/String;Z)Ljava/lang/String;"},
    {"Win32UserInfo", "getUserProfileDirectory0", "(Ljava/lang/String;Ljava/lang/String;)Ljava/lang/String;"},
    {"Win32UserInfo", "getUserSid0", "()Ljava/lang/String;"},
    {"Win32UserInfo", "setLsaAccountRight0", "(Ljava/lang/String;Ljava/lang/String;Z)Z"},
    {"Registry", "keyExists0", "(ILjava/lang/String;I)Z"},
    {"Registry", "createKey0", "(ILjava/lang/String;I)Z"},
    {"Registry", "getValue0", "(ILjava/lang/String;Ljava/lang/String;I)Ljava/lang/Object;"},
    {"Registry", "setValue0", "(ILjava/lang/String;Ljava/lang/String;Ljava/lang/Object;II)Z"},
    {"Registry", "deleteValue0", "(ILjava/lang/String;Ljava/lang/String;I)V"},
    {"Registry", "deleteKey0", "(ILjava/lang/String;ZI)V"},
    {"Registry", "saveKey0", "(ILjava/lang/String;Ljava/lang/String;I)Z"},
    {"Registry", "restoreKey0", "(ILjava/lang/String;Ljava/lang/String;I)Z"},
    {"Registry", "enumSubKeys0", "(ILjava/lang/String;I)[Ljava/lang/String;"},
    {"Registry", "enumValues0", "(ILjava/lang/String;I)[Ljava/lang/String;"},
    {"Registry", "changeNotifyAssociations0", "()V"},
    {"Win32Exec", "launch0", "(Ljava/lang/String;Ljava/lang/String;)I"},
    {"Win32Handle", "list0", "()[Ljava/lang/Object;"},
    {"Win32Handle", "close0", "(I)Z"},
    {"Win32Handle", "getDeviceName0", "(Ljava/lang/String;)Ljava/lang/String;"},
    {"Win32Services", "installService0", "(Ljava/lang/String;Ljava/lang/String;Ljava/lang/String;)I"},
    {"Win32Services", "changeServiceConfig0", "(Ljava/lang/String;Ljava/lang/String;Ljava/lang/String;IILjava/lang/String;Ljava/lang/String;Ljava/lang/String;Ljava/lang/String;)I"},
    {"Win32Services", "setRestartServiceConfig0", "(Ljava/lang/String;ZIII)I"},
    {"Win32Services", "setDelayedAutoStart0", "(Ljava/lang/String;Z)I"},
    {"Win32Services", "stopService0", "(Ljava/lang/String;I)I"},
    {"Win32Services", "startService0", "(Ljava/lang/String;[Ljava/lang/String;)I"},
    {"Win32Services", "uninstallService0", "(Ljava/lang/String;)I"},
    {"Win32Services", "queryStatus0", "(Ljava/lang/String;)I"},
    {"Win32Services", "getStartType0", "(Ljava/lang/String;)I"},
    {"Win32Services", "getServiceBinary0", "(Ljava/lang/String;)Ljava/lang/String;"},
};

const char* const kClassOrder[] = {
    "ACLHandling", "FileVersion", "FolderInfo", "Misc", "ObjectPicker", "ShellLink", "VistaFileChooser",
    "VistaTaskDialog", "Win32CommunicationBackend", "Win32Proxy", "Win32UserInfo", "Registry", "Win32Exec",
    "Win32Handle", "Win32Services",
};

std::string exportName(const std::string& className, const std::string& method) {
    return kExportPrefix + className + "_" + method;
}

std::wstring widen(const std::string& ascii) { return std::wstring(ascii.begin(), ascii.end()); }

std::vector<std::wstring> messages;

void __cdecl recordMessage(const wchar_t* format, ...) {
    wchar_t text[1024];
    va_list args;
    va_start(args, format);
    const int length = _vsnwprintf(text, std::size(text) - 1, format, args);
    va_end(args);
    text[std::size(text) - 1] = L'\0';
    messages.emplace_back(text, length < 0 ? std::wcslen(text) : static_cast<std::size_t>(length));
}

using RegisterNativesFunction = unsigned char(__cdecl*)(JNIEnv*, HMODULE, void(__cdecl*)(const wchar_t*, ...));

// "<class path> <name> <signature>", one per registered native.
std::vector<std::string> shownRegistrations(const std::vector<TestJni::Registration>& registrations) {
    std::vector<std::string> shown;
    for (const TestJni::Registration& r : registrations) shown.push_back(r.classPath + " " + r.name + " " + r.signature);
    return shown;
}

std::vector<std::string> expectedBefore(const std::string& stopClass) {
    std::vector<std::string> shown;
    for (const Native& native : kRegistered) {
        if (native.className == stopClass) break;
        shown.push_back(kPackage + native.className + " " + native.method + " " + native.signature);
    }
    return shown;
}

// The names in the export directory of a loaded image, read from the image
// itself rather than through GetProcAddress.
std::set<std::string> exportDirectoryNames(HMODULE module) {
    const auto* base = reinterpret_cast<const unsigned char*>(module);
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& directory = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
    const auto* exports = reinterpret_cast<const IMAGE_EXPORT_DIRECTORY*>(base + directory.VirtualAddress);
    const auto* names = reinterpret_cast<const DWORD*>(base + exports->AddressOfNames);
    std::set<std::string> found;
    for (DWORD i = 0; i < exports->NumberOfNames; ++i) found.insert(reinterpret_cast<const char*>(base + names[i]));
    return found;
}

class NativeRegistration : public ::testing::Test {
protected:
    void SetUp() override { messages.clear(); }

    unsigned char registerAll(TestJni& environment) {
        const auto registerNatives = library.function<RegisterNativesFunction>("registerNatives");
        return registerNatives(environment.env(), library.handle(), &recordMessage);
    }

    void* exported(const std::string& name) const {
        return reinterpret_cast<void*>(::GetProcAddress(library.handle(), name.c_str()));
    }

    NativeLibrary library{rwtnativePath()};
};

TEST_F(NativeRegistration, BindsEveryClassInOrderWithEachMethodUnderItsExport) {
    TestJni jni;
    EXPECT_EQ(registerAll(jni), 1);
    EXPECT_TRUE(messages.empty());
    EXPECT_FALSE(jni.env()->ExceptionCheck());

    const std::vector<TestJni::Registration>& recorded = jni.registrations();
    ASSERT_EQ(recorded.size(), std::size(kRegistered));
    for (std::size_t i = 0; i < recorded.size(); ++i) {
        const Native& expected = kRegistered[i];
        const std::string name = exportName(expected.className, expected.method);
        SCOPED_TRACE(name);
        EXPECT_EQ(recorded[i].classPath, kPackage + expected.className);
        EXPECT_EQ(recorded[i].name, expected.method);
        EXPECT_EQ(recorded[i].signature, expected.signature);
        EXPECT_NE(recorded[i].function, nullptr);
        EXPECT_EQ(recorded[i].function, exported(name));
    }
}

TEST_F(NativeRegistration, AClassTheVmLacksStopsRegistrationWithItsMessage) {
    for (const std::string hidden : kClassOrder) {
        SCOPED_TRACE(hidden);
        messages.clear();
        TestJni jni;
        jni.hideClass(kPackage + hidden);

        EXPECT_EQ(registerAll(jni), 0);
        EXPECT_EQ(messages, std::vector<std::wstring>{L"could not load class " + widen(kPackage + hidden)});
        EXPECT_EQ(shownRegistrations(jni.registrations()), expectedBefore(hidden));

        ASSERT_TRUE(jni.env()->ExceptionCheck());
        const jthrowable thrown = jni.env()->ExceptionOccurred();
        EXPECT_EQ(jni.classNameOf(thrown), "java/lang/NoClassDefFoundError");
        jni.env()->DeleteLocalRef(thrown);
        jni.env()->ExceptionClear();
    }
}

TEST_F(NativeRegistration, ExportsEveryNativeByItsJniName) {
    std::set<std::string> expected;
    for (const Native& native : kRegistered) expected.insert(exportName(native.className, native.method));
    expected.insert(exportName("ShellLink", "create0"));
    ASSERT_EQ(expected.size(), 80u);

    const std::set<std::string> names = exportDirectoryNames(library.handle());
    std::set<std::string> nativeNames;
    for (const std::string& name : names)
        if (name.rfind(kExportPrefix, 0) == 0) nativeNames.insert(name);
    EXPECT_EQ(nativeNames, expected);
    EXPECT_EQ(names.count("registerNatives"), 1u);
}

using ShellLinkCreate0 = jboolean(JNICALL*)(JNIEnv*, jclass, jstring, jbyteArray, jbyteArray, jbyteArray, jbyteArray,
                                            jboolean, jbyteArray);

TEST_F(NativeRegistration, ShellLinkCreate0IsBoundByNameOnly) {
    const auto create0 = library.function<ShellLinkCreate0>(exportName("ShellLink", "create0").c_str());
    TestJni jni;
    ASSERT_EQ(registerAll(jni), 1);
    for (const TestJni::Registration& r : jni.registrations()) {
        EXPECT_NE(r.function, reinterpret_cast<void*>(create0)) << r.classPath << " " << r.name;
        EXPECT_FALSE(r.classPath == kPackage + "ShellLink" && r.name == "create0");
    }

    // Without COM set up on this thread, and into a folder that does not
    // exist, no link can be saved: the native answers false.
    wchar_t temp[MAX_PATH];
    ASSERT_NE(::GetTempPathW(MAX_PATH, temp), 0u);
    const std::wstring link = std::wstring(temp) + L"tavik-no-such-folder\\link.lnk";
    const std::string target = "C:\\windows\\notepad.exe";
    const std::vector<std::uint8_t> targetBytes(target.c_str(), target.c_str() + target.size() + 1);
    const jclass shellLink = jni.env()->FindClass((kPackage + "ShellLink").c_str());
    const jboolean saved = create0(jni.env(), shellLink, jni.string(std::u16string(link.begin(), link.end())),
                                   jni.bytes(targetBytes), jni.bytes({0}), nullptr, nullptr, JNI_FALSE, nullptr);
    EXPECT_EQ(saved, JNI_FALSE);
    EXPECT_EQ(::GetFileAttributesW(link.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_FALSE(jni.env()->ExceptionCheck());
}

TEST(JniText, JavaStringsBecomeExactZeroTerminatedCopies) {
    struct Case {
        const char* name;
        std::u16string text;
    };
    const Case cases[] = {
        {"empty", u""},
        {"ascii", u"Registry"},
        {"latin and cjk", u"Gr\u00fc\u00dfe \u4e2d\u6587"},
        {"surrogate pair", u"a\U0001D11Eb"},
        {"embedded zero", std::u16string(u"a\0b", 3)},
    };
    TestJni jni;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const native::NativeString converted = native::toWideString(jni.env(), jni.string(c.text));
        ASSERT_FALSE(converted.isNull());
        EXPECT_EQ(std::u16string(converted.get(), c.text.size() + 1), c.text + u'\0');
    }
}

TEST(JniText, NullStaysNull) {
    TestJni jni;
    const native::NativeString converted = native::toWideString(jni.env(), nullptr);
    EXPECT_TRUE(converted.isNull());
    EXPECT_EQ(converted.wide(), nullptr);
}

TEST(JniText, NativeTextBecomesAJavaStringUpToItsZero) {
    TestJni jni;
    const char16_t units[] = u"ab\0cd";
    EXPECT_EQ(jni.text(native::newJavaString(jni.env(), units)), u"ab");
    EXPECT_EQ(jni.text(native::newJavaString(jni.env(), L"\u00e9t\u00e9 \U0001F600")), u"\u00e9t\u00e9 \U0001F600");
}

TEST(JniText, StringArraysHoldExactlyTheGivenStrings) {
    const std::vector<std::vector<std::u16string>> cases = {
        {},
        {u""},
        {u"HKEY_CURRENT_USER", u"", u"\u00fcber \U0001D11E", u"last"},
    };
    TestJni jni;
    for (const std::vector<std::u16string>& texts : cases) {
        SCOPED_TRACE(texts.size());
        const jobjectArray array = native::newStringArray(jni.env(), texts);
        EXPECT_EQ(jni.classNameOf(array), "[Ljava/lang/String;");
        EXPECT_EQ(jni.strings(array), texts);
    }
}

TEST(JniText, StringArrayIsNullWithoutTheStringClass) {
    TestJni jni;
    jni.hideClass("java/lang/String");
    EXPECT_EQ(native::newStringArray(jni.env(), {u"a"}), nullptr);
    jni.env()->ExceptionClear();
}

}  // namespace
}  // namespace tavik::testjni
