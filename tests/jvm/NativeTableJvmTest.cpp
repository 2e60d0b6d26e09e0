// The helper library's table of natives and its JNI text routines against
// the installed JDK's VM: RegisterNatives on javac-compiled stubs of the
// fifteen classes fails for any name or signature the Java side lacks. A
// process creates one VM, so every case shares it.
#include <dlfcn.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "native/jni/JniText.h"
#include "native/registration/NativeTable.h"
#include "native/registration/Registration.h"

namespace tavik::native {
namespace {

using testing::ElementsAre;
using testing::IsEmpty;

JNIEnv* sharedEnv = nullptr;

class VmEnvironment : public testing::Environment {
public:
    void SetUp() override {
        void* library = ::dlopen(TAVIK_TEST_LIBJVM, RTLD_NOW);
        ASSERT_NE(library, nullptr) << ::dlerror();
        using CreateJavaVM = jint (*)(JavaVM**, void**, void*);
        const auto create = reinterpret_cast<CreateJavaVM>(::dlsym(library, "JNI_CreateJavaVM"));
        ASSERT_NE(create, nullptr);
        std::string classPath = std::string("-Djava.class.path=") + TAVIK_NATIVE_STUBS_JAR;
        JavaVMOption options[] = {{classPath.data(), nullptr}, {const_cast<char*>("-Xrs"), nullptr}};
        JavaVMInitArgs args{JNI_VERSION_1_8, 2, options, JNI_FALSE};
        JavaVM* vm = nullptr;
        ASSERT_EQ(create(&vm, reinterpret_cast<void**>(&sharedEnv), &args), JNI_OK);
    }
};

// Every export its own address: the VM only stores them.
void* fakeFunction(const std::string& exportName) {
    static std::vector<std::string> names;
    names.push_back(exportName);
    return reinterpret_cast<void*>(static_cast<std::uintptr_t>(0x1000 + 16 * names.size()));
}

std::u16string text(JNIEnv* env, jstring value) {
    const jchar* chars = env->GetStringChars(value, nullptr);
    std::u16string copy(reinterpret_cast<const char16_t*>(chars), static_cast<std::size_t>(env->GetStringLength(value)));
    env->ReleaseStringChars(value, chars);
    return copy;
}

TEST(NativeTableOnARealVm, EveryClassMethodAndSignatureIsAccepted) {
    std::vector<std::u16string> messages;
    const bool registered =
        registerAllNatives(sharedEnv, &fakeFunction, [&](const std::u16string& m) { messages.push_back(m); });
    if (sharedEnv->ExceptionCheck()) sharedEnv->ExceptionDescribe();
    EXPECT_TRUE(registered);
    EXPECT_THAT(messages, IsEmpty());
}

// The check above is only worth something if the VM refuses what the Java
// side lacks.
TEST(NativeTableOnARealVm, TheVmRefusesASignatureTheClassLacks) {
    const jclass registry = sharedEnv->FindClass("com/runwright/runtime/installer/platform/win32/Registry");
    ASSERT_NE(registry, nullptr);
    JNINativeMethod wrong{const_cast<char*>("getValue0"), const_cast<char*>("(ILjava/lang/String;I)Ljava/lang/Object;"),
                          fakeFunction("wrong")};
    EXPECT_NE(sharedEnv->RegisterNatives(registry, &wrong, 1), 0);
    EXPECT_TRUE(sharedEnv->ExceptionCheck());
    sharedEnv->ExceptionClear();
    sharedEnv->DeleteLocalRef(registry);
}

TEST(NativeTableOnARealVm, AMissingExportStopsTheRegistrationAtItsClass) {
    std::vector<std::string> asked;
    std::vector<std::u16string> messages;
    const std::string missing = "Java_com_runwright_runtime_installer_platform_win32_Win32Proxy_getDefaultConfig0";
    const bool registered = registerAllNatives(
        sharedEnv,
        [&](const std::string& name) {
            asked.push_back(name);
            return name == missing ? nullptr : fakeFunction(name);
        },
        [&](const std::u16string& m) { messages.push_back(m); });
    EXPECT_FALSE(registered);
    EXPECT_THAT(messages, ElementsAre(u"did not find " + std::u16string(missing.begin(), missing.end())));
    ASSERT_FALSE(asked.empty());
    EXPECT_EQ(asked.back(), missing);  // nothing of this class or a later one is looked up after it
    std::vector<std::string> classesInOrder;
    for (const std::string& name : asked) {
        const std::string prefix = "Java_com_runwright_runtime_installer_platform_win32_";
        const std::string className = name.substr(prefix.size(), name.find('_', prefix.size()) - prefix.size());
        if (classesInOrder.empty() || classesInOrder.back() != className) classesInOrder.push_back(className);
    }
    EXPECT_THAT(classesInOrder, ElementsAre("ACLHandling", "FileVersion", "FolderInfo", "Misc", "ObjectPicker",
                                            "ShellLink", "VistaFileChooser", "VistaTaskDialog",
                                            "Win32CommunicationBackend", "Win32Proxy"));
}

TEST(JniTextOnARealVm, StringsCrossAsUtf16Exactly) {
    EXPECT_TRUE(toWideString(sharedEnv, nullptr).isNull());

    const jstring empty = newJavaString(sharedEnv, std::u16string_view());
    const NativeString emptyCopy = toWideString(sharedEnv, empty);
    ASSERT_FALSE(emptyCopy.isNull());
    EXPECT_EQ(emptyCopy.get()[0], u'\0');

    const std::u16string mixed = u"C:\\Pfad\\gr\u00FC\u00DFe\\\u65E5\u672C\\\U0001F600";
    const NativeString copy = toWideString(sharedEnv, newJavaString(sharedEnv, mixed));
    EXPECT_EQ(std::u16string(copy.get()), mixed);

    const char16_t withTerminator[] = u"up to here\0not this";
    EXPECT_EQ(text(sharedEnv, newJavaString(sharedEnv, withTerminator)), u"up to here");
}

TEST(JniTextOnARealVm, StringArraysHoldExactlyTheirElements) {
    const std::vector<std::u16string> texts = {u"first", u"", u"\u00E9t\u00E9"};
    const jobjectArray array = newStringArray(sharedEnv, texts);
    ASSERT_NE(array, nullptr);
    ASSERT_EQ(sharedEnv->GetArrayLength(array), 3);
    for (jsize i = 0; i < 3; ++i) {
        const auto element = static_cast<jstring>(sharedEnv->GetObjectArrayElement(array, i));
        EXPECT_EQ(text(sharedEnv, element), texts[static_cast<std::size_t>(i)]);
    }
    EXPECT_TRUE(sharedEnv->IsInstanceOf(array, sharedEnv->FindClass("[Ljava/lang/String;")));
    EXPECT_EQ(sharedEnv->GetArrayLength(newStringArray(sharedEnv, {})), 0);
}

}  // namespace
}  // namespace tavik::native

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    testing::AddGlobalTestEnvironment(new tavik::native::VmEnvironment);
    return RUN_ALL_TESTS();
}
