// The Win32Services natives as a VM binding by name calls them: looked up in
// the real rwtnative.dll, called with the test JNI environment, against Wine's
// service manager. What they keep is read back with sc and from the registry.
#include <windows.h>

#include <jni.h>

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "common/win/WideText.h"
#include "tests/native/ServiceTestSupport.h"
#include "tests/native/support/TestJni.h"

namespace tavik::test::services {
namespace {

using testjni::NativeLibrary;
using testjni::TestJni;

using NameNative = jint(JNICALL*)(JNIEnv*, jclass, jstring);
using InstallNative = jint(JNICALL*)(JNIEnv*, jclass, jstring, jstring, jstring);
using ChangeNative = jint(JNICALL*)(JNIEnv*, jclass, jstring, jstring, jstring, jint, jint, jstring, jstring, jstring,
                                    jstring);
using RestartNative = jint(JNICALL*)(JNIEnv*, jclass, jstring, jboolean, jint, jint, jint);
using DelayedNative = jint(JNICALL*)(JNIEnv*, jclass, jstring, jboolean);
using StopNative = jint(JNICALL*)(JNIEnv*, jclass, jstring, jint);
using StartNative = jint(JNICALL*)(JNIEnv*, jclass, jstring, jobjectArray);
using BinaryNative = jstring(JNICALL*)(JNIEnv*, jclass, jstring);

constexpr jint kNoChange = -1;  // SERVICE_NO_CHANGE as Java passes it
constexpr jint kMissing = ERROR_SERVICE_DOES_NOT_EXIST;

class ServiceNatives : public ::testing::Test {
protected:
    template <class Function>
    Function native(const char* method) const {
        return library_.native<Function>("Win32Services", method);
    }

    jstring string(const std::wstring& text) { return jni_.string(toU16(text)); }

    TestJni jni_;
    NativeLibrary library_{testjni::rwtnativePath()};
};

TEST_F(ServiceNatives, InstallQueryAndUninstall) {
    const std::wstring name = uniqueServiceName(L"jni-install");
    struct Removal {
        std::wstring name;
        ~Removal() { removeService(name); }
    } removal{name};
    const std::wstring binaryPath = L"\"C:\\Program Files\\Pr\u00f6be\\probe.exe\" -service";
    JNIEnv* env = jni_.env();

    ASSERT_EQ(native<InstallNative>("installService0")(env, nullptr, string(name), string(L"Pr\u00f6be \u20ac"),
                                                       string(binaryPath)),
              0);
    EXPECT_EQ(serviceString(name, L"ImagePath"), binaryPath);
    EXPECT_EQ(serviceString(name, L"DisplayName"), L"Pr\u00f6be \u20ac");
    EXPECT_EQ(serviceDword(name, L"Start"), DWORD{SERVICE_DEMAND_START});
    EXPECT_EQ(scState(name), kStopped);

    EXPECT_EQ(native<NameNative>("queryStatus0")(env, nullptr, string(name)), -1);
    EXPECT_EQ(native<NameNative>("getStartType0")(env, nullptr, string(name)), -3);
    const jstring binary = native<BinaryNative>("getServiceBinary0")(env, nullptr, string(name));
    EXPECT_EQ(jni_.classNameOf(binary), "java/lang/String");
    EXPECT_EQ(jni_.text(binary), toU16(binaryPath));

    EXPECT_EQ(native<InstallNative>("installService0")(env, nullptr, string(name), string(L"again"),
                                                       string(L"C:\\again.exe")),
              ERROR_SERVICE_EXISTS);
    EXPECT_EQ(native<NameNative>("uninstallService0")(env, nullptr, string(name)), 0);
    EXPECT_EQ(scState(name), std::nullopt);
    EXPECT_FALSE(serviceKeyExists(name));
}

TEST_F(ServiceNatives, AMissingServiceGivesItsCodeFromEveryNative) {
    JNIEnv* env = jni_.env();
    const std::wstring missing = uniqueServiceName(L"jni-missing");
    const auto name = [&] { return string(missing); };
    struct Case {
        const char* name;
        std::function<jint()> call;
    };
    const Case cases[] = {
        {"changeServiceConfig0",
         [&] {
             return native<ChangeNative>("changeServiceConfig0")(env, nullptr, name(), nullptr, nullptr, kNoChange,
                                                                 kNoChange, nullptr, nullptr, nullptr, nullptr);
         }},
        {"setRestartServiceConfig0",
         [&] {
             return native<RestartNative>("setRestartServiceConfig0")(env, nullptr, name(), JNI_TRUE, 1000, 3, 60);
         }},
        {"setDelayedAutoStart0",
         [&] { return native<DelayedNative>("setDelayedAutoStart0")(env, nullptr, name(), JNI_TRUE); }},
        {"stopService0", [&] { return native<StopNative>("stopService0")(env, nullptr, name(), 1000); }},
        {"startService0", [&] { return native<StartNative>("startService0")(env, nullptr, name(), nullptr); }},
        {"uninstallService0", [&] { return native<NameNative>("uninstallService0")(env, nullptr, name()); }},
        {"queryStatus0", [&] { return native<NameNative>("queryStatus0")(env, nullptr, name()); }},
        {"getStartType0", [&] { return native<NameNative>("getStartType0")(env, nullptr, name()); }},
    };
    for (const Case& c : cases) EXPECT_EQ(c.call(), kMissing) << c.name;
    const jstring binary = native<BinaryNative>("getServiceBinary0")(env, nullptr, name());
    EXPECT_EQ(jni_.text(binary), u" 1060");
    EXPECT_FALSE(env->ExceptionCheck());
}

TEST_F(ServiceNatives, ChangeServiceConfigKeepsWhatIsNullButNotTheDependencies) {
    const TestService service(L"jni-change", {},
                              {L"DisplayName=", L"Before", L"obj=", L".\\someone"});
    ASSERT_TRUE(service.created());
    ASSERT_TRUE(setDependencies(service.name(), {L"Tcpip"}));
    ASSERT_EQ(sc({L"description", service.name(), L"Described before"}).exitCode, 0);
    const std::wstring& name = service.name();
    JNIEnv* env = jni_.env();
    const auto change = native<ChangeNative>("changeServiceConfig0");

    ASSERT_EQ(change(env, nullptr, string(name), nullptr, nullptr, kNoChange, kNoChange, nullptr, nullptr, nullptr,
                     nullptr),
              0);
    EXPECT_EQ(serviceString(name, L"DisplayName"), L"Before");
    EXPECT_EQ(serviceString(name, L"ImagePath"), service.commandLine());
    EXPECT_EQ(serviceDword(name, L"Type"), DWORD{SERVICE_WIN32_OWN_PROCESS});
    EXPECT_EQ(serviceDword(name, L"Start"), DWORD{SERVICE_DEMAND_START});
    EXPECT_EQ(serviceStrings(name, L"DependOnService").value_or(std::vector<std::wstring>{}),
              std::vector<std::wstring>{});
    EXPECT_EQ(serviceString(name, L"ObjectName"), L".\\someone");
    EXPECT_EQ(serviceString(name, L"Description"), L"Described before");

    ASSERT_EQ(change(env, nullptr, string(name), string(L"After"), string(L"C:\\other.exe /run"), kNoChange,
                     SERVICE_DISABLED, string(L"Tcpip,,Dnscache"), string(L"NT AUTHORITY\\System"), nullptr,
                     string(L"Described after")),
              0);
    EXPECT_EQ(serviceString(name, L"DisplayName"), L"After");
    EXPECT_EQ(serviceString(name, L"ImagePath"), L"C:\\other.exe /run");
    EXPECT_EQ(serviceDword(name, L"Start"), DWORD{SERVICE_DISABLED});
    EXPECT_EQ(serviceStrings(name, L"DependOnService"), (std::vector<std::wstring>{L"Tcpip", L"Dnscache"}));
    EXPECT_EQ(serviceString(name, L"ObjectName"), L"LocalSystem");
    EXPECT_EQ(serviceString(name, L"Description"), L"Described after");
    EXPECT_EQ(native<NameNative>("getStartType0")(env, nullptr, string(name)), -4);
}

TEST_F(ServiceNatives, RestartAndDelayedStartAnswerForAnExistingService) {
    const TestService service(L"jni-restart", {}, {L"start=", L"auto"});
    ASSERT_TRUE(service.created());
    JNIEnv* env = jni_.env();
    EXPECT_EQ(native<RestartNative>("setRestartServiceConfig0")(env, nullptr, string(service.name()), JNI_TRUE, 1000,
                                                                3, 60),
              0);
    EXPECT_EQ(native<RestartNative>("setRestartServiceConfig0")(env, nullptr, string(service.name()), JNI_FALSE, 0, 0,
                                                                60),
              0);
    EXPECT_EQ(native<DelayedNative>("setDelayedAutoStart0")(env, nullptr, string(service.name()), JNI_TRUE),
              managerAnswerToDelayedAutoStart(service.name(), true));
}

TEST_F(ServiceNatives, StartPassesTheJavaArrayInOrderAndStopWaitsForTheStop) {
    const TestService service(L"jni-start", {L"--stop-pending", L"1000", L"--wait-hint", L"5000"});
    ASSERT_TRUE(service.created());
    JNIEnv* env = jni_.env();
    const auto start = native<StartNative>("startService0");
    const auto stop = native<StopNative>("stopService0");
    struct Case {
        const char* name;
        std::optional<std::vector<std::u16string>> arguments;  // nullopt: a null array
    };
    const Case cases[] = {
        {"null array", std::nullopt},
        {"empty array", std::vector<std::u16string>{}},
        {"strings", std::vector<std::u16string>{u"two words", u"pr\u00f6be \u20ac", u"last"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        service.forgetRecord();
        const jobjectArray array = c.arguments ? jni_.stringArray(*c.arguments) : nullptr;
        ASSERT_EQ(start(env, nullptr, string(service.name()), array), 0);
        std::vector<std::wstring> want = {service.name()};
        for (const std::u16string& argument : c.arguments.value_or(std::vector<std::u16string>{}))
            want.push_back(toWide(argument));
        EXPECT_EQ(service.recordedArguments(), want);
        EXPECT_EQ(native<NameNative>("queryStatus0")(env, nullptr, string(service.name())), -4);
        EXPECT_EQ(stop(env, nullptr, string(service.name()), 0), 0);
        EXPECT_EQ(scState(service.name()), kStopped);
    }
    EXPECT_EQ(stop(env, nullptr, string(service.name()), 0), ERROR_SERVICE_NOT_ACTIVE);
    EXPECT_FALSE(env->ExceptionCheck());
}

TEST_F(ServiceNatives, ANullArrayElementIsRefusedWithoutStarting) {
    const TestService service(L"jni-nullarg");
    ASSERT_TRUE(service.created());
    JNIEnv* env = jni_.env();
    const jclass stringClass = env->FindClass("java/lang/String");
    const jobjectArray array = env->NewObjectArray(2, stringClass, nullptr);
    env->SetObjectArrayElement(array, 0, string(L"first"));
    EXPECT_EQ(native<StartNative>("startService0")(env, nullptr, string(service.name()), array),
              ERROR_INVALID_PARAMETER);
    EXPECT_EQ(scState(service.name()), kStopped);
}

}  // namespace
}  // namespace tavik::test::services
