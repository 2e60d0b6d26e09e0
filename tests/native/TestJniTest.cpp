// The test JNI environment itself: what the natives' tests rely on it for
// (values round-trip, objects keep their class, buffers copy back as JNI says)
// and that every misuse and every function it lacks ends the process loudly.
#include <windows.h>

#include <jni.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "tests/native/support/TestJni.h"

namespace tavik::testjni {
namespace {

const char* const kRegistry = "com/runwright/runtime/installer/platform/win32/Registry";

TEST(TestJni, IntegersBoxAndUnboxThroughTheirMethods) {
    TestJni jni;
    JNIEnv* env = jni.env();
    const jclass integerClass = env->FindClass("java/lang/Integer");
    const jmethodID init = env->GetMethodID(integerClass, "<init>", "(I)V");
    const jmethodID intValue = env->GetMethodID(integerClass, "intValue", "()I");
    for (const std::int32_t value : {0, -1, 2147483647, -2147483647 - 1}) {
        SCOPED_TRACE(value);
        const jobject boxed = env->NewObject(integerClass, init, static_cast<jint>(value));
        EXPECT_EQ(jni.classNameOf(boxed), "java/lang/Integer");
        EXPECT_EQ(jni.integerValue(boxed), value);
        EXPECT_EQ(env->CallIntMethod(jni.integer(value), intValue), value);
    }
    EXPECT_EQ(jni.integerValue(nullptr), std::nullopt);
}

TEST(TestJni, AnExpandStringHoldsTheStringItWasBuiltFrom) {
    TestJni jni;
    JNIEnv* env = jni.env();
    const jclass type = env->FindClass("com/runwright/api/windows/WinRegistry$ExpandString");
    const jmethodID init = env->GetMethodID(type, "<init>", "(Ljava/lang/String;)V");
    const jobject wrapper = env->NewObject(type, init, jni.string(u"%TEMP%\\x"));
    EXPECT_EQ(jni.classNameOf(wrapper), "com/runwright/api/windows/WinRegistry$ExpandString");
    EXPECT_EQ(jni.wrappedText(wrapper), u"%TEMP%\\x");
    EXPECT_TRUE(env->IsInstanceOf(wrapper, type));
    EXPECT_FALSE(env->IsInstanceOf(wrapper, env->FindClass("java/lang/String")));
    EXPECT_FALSE(env->IsInstanceOf(jni.string(u"x"), type));
    EXPECT_EQ(jni.wrappedText(nullptr), std::nullopt);
}

TEST(TestJni, ObjectsAreInstancesOfTheirClassesOnly) {
    struct Case {
        const char* className;
        bool string, integer, bytes, stringArray, objectArray, object;
    };
    const Case cases[] = {
        {"java/lang/String", true, false, false, false, false, true},
        {"java/lang/Integer", false, true, false, false, false, true},
        {"[B", false, false, true, false, false, true},
        {"[Ljava/lang/String;", false, false, false, true, true, true},
    };
    TestJni jni;
    JNIEnv* env = jni.env();
    const auto objectOf = [&](const std::string& className) -> jobject {
        if (className == "java/lang/String") return jni.string(u"x");
        if (className == "java/lang/Integer") return jni.integer(1);
        if (className == "[B") return jni.bytes({1});
        return jni.stringArray({u"x"});
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.className);
        const jobject object = objectOf(c.className);
        EXPECT_EQ(jni.classNameOf(object), c.className);
        const auto isA = [&](const char* type) {
            return env->IsInstanceOf(object, env->FindClass(type)) == JNI_TRUE;
        };
        EXPECT_EQ(isA("java/lang/String"), c.string);
        EXPECT_EQ(isA("java/lang/Integer"), c.integer);
        EXPECT_EQ(isA("[B"), c.bytes);
        EXPECT_EQ(isA("[Ljava/lang/String;"), c.stringArray);
        EXPECT_EQ(isA("[Ljava/lang/Object;"), c.objectArray);
        EXPECT_EQ(isA("java/lang/Object"), c.object);
        const jclass own = env->GetObjectClass(object);
        EXPECT_EQ(jni.classNameOf(own), "java/lang/Class");
        EXPECT_TRUE(env->IsInstanceOf(object, own));
    }
    EXPECT_TRUE(env->IsInstanceOf(nullptr, env->FindClass("java/lang/String")));
}

TEST(TestJni, StringsCrossAsUtf16AndModifiedUtf8) {
    const std::u16string text = u"a\u00e9\u4e2d\U0001D11E";
    TestJni jni;
    JNIEnv* env = jni.env();
    const jstring string = jni.string(text);
    EXPECT_EQ(env->GetStringLength(string), 5);
    const jchar* units = env->GetStringChars(string, nullptr);
    EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(units), 6), text + u'\0');
    env->ReleaseStringChars(string, units);

    const char* bytes = env->GetStringUTFChars(string, nullptr);
    EXPECT_STREQ(bytes, "a\xC3\xA9\xE4\xB8\xAD\xED\xA0\xB4\xED\xB4\x9E");
    EXPECT_EQ(jni.text(env->NewStringUTF(bytes)), text);
    env->ReleaseStringUTFChars(string, bytes);

    EXPECT_EQ(jni.text(env->NewString(reinterpret_cast<const jchar*>(text.data()), 2)), u"a\u00e9");
    EXPECT_EQ(jni.text(nullptr), std::nullopt);
}

TEST(TestJni, ArraysHoldWhatIsStoredAndCopyBackAsTheReleaseModeSays) {
    TestJni jni;
    JNIEnv* env = jni.env();
    const jbyteArray bytes = env->NewByteArray(4);
    const jbyte written[] = {1, -2, 3};
    env->SetByteArrayRegion(bytes, 1, 3, written);
    EXPECT_EQ(jni.bytesOf(bytes), (std::vector<std::uint8_t>{0, 1, 0xFE, 3}));

    struct Case {
        const char* name;
        jint mode;
        std::vector<std::int32_t> after;
    };
    const Case cases[] = {
        {"copy back and free", 0, {7, 2}},
        {"copy back, keep", JNI_COMMIT, {7, 2}},
        {"free only", JNI_ABORT, {1, 2}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const jintArray ints = jni.ints({1, 2});
        jint* elements = env->GetIntArrayElements(ints, nullptr);
        elements[0] = 7;
        env->ReleaseIntArrayElements(ints, elements, c.mode);
        jint region[2] = {};
        env->GetIntArrayRegion(ints, 0, 2, region);
        EXPECT_EQ((std::vector<std::int32_t>{region[0], region[1]}), c.after);
        if (c.mode == JNI_COMMIT) env->ReleaseIntArrayElements(ints, elements, JNI_ABORT);
    }

    const jobjectArray strings = env->NewObjectArray(2, env->FindClass("java/lang/String"), nullptr);
    EXPECT_EQ(jni.classNameOf(strings), "[Ljava/lang/String;");
    env->SetObjectArrayElement(strings, 0, jni.string(u"first"));
    env->SetObjectArrayElement(strings, 1, jni.string(u""));
    EXPECT_EQ(env->GetArrayLength(strings), 2);
    EXPECT_EQ(jni.text(env->GetObjectArrayElement(strings, 0)), u"first");
    EXPECT_EQ(jni.strings(strings), (std::vector<std::u16string>{u"first", u""}));
    EXPECT_EQ(jni.classNameOf(env->NewBooleanArray(0)), "[Z");
    EXPECT_EQ(jni.strings(nullptr), std::nullopt);
    EXPECT_EQ(jni.bytesOf(nullptr), std::nullopt);
}

TEST(TestJni, AHiddenClassIsNotFoundWithTheErrorPending) {
    TestJni jni;
    JNIEnv* env = jni.env();
    jni.hideClass(kRegistry);
    EXPECT_EQ(env->FindClass(kRegistry), nullptr);
    ASSERT_TRUE(env->ExceptionCheck());
    EXPECT_EQ(jni.classNameOf(env->ExceptionOccurred()), "java/lang/NoClassDefFoundError");
    env->ExceptionClear();
    EXPECT_FALSE(env->ExceptionCheck());
    EXPECT_NE(env->FindClass("java/lang/String"), nullptr);
}

TEST(TestJni, AnArrayBeyondTheLimitIsNotMadeWithTheErrorPending) {
    TestJni jni;
    JNIEnv* env = jni.env();
    jni.limitArrayLength(3);
    EXPECT_EQ(jni.bytesOf(env->NewByteArray(3)), (std::vector<std::uint8_t>{0, 0, 0}));
    EXPECT_FALSE(env->ExceptionCheck());
    EXPECT_EQ(env->NewByteArray(4), nullptr);
    ASSERT_TRUE(env->ExceptionCheck());
    EXPECT_EQ(jni.classNameOf(env->ExceptionOccurred()), "java/lang/OutOfMemoryError");
    env->ExceptionClear();
    EXPECT_EQ(env->NewIntArray(4), nullptr);
    env->ExceptionClear();
    EXPECT_EQ(jni.classNameOf(env->NewIntArray(2)), "[I");
}

TEST(TestJni, AStringBeyondTheLimitIsNotMadeWithTheErrorPending) {
    TestJni jni;
    JNIEnv* env = jni.env();
    jni.limitStringLength(4);
    const jchar units[] = {u'a', u'b', u'c', u'd', u'e'};
    EXPECT_EQ(jni.text(env->NewString(units, 4)), u"abcd");
    EXPECT_EQ(jni.text(env->NewStringUTF("true")), u"true");
    EXPECT_FALSE(env->ExceptionCheck());
    EXPECT_EQ(env->NewString(units, 5), nullptr);
    ASSERT_TRUE(env->ExceptionCheck());
    EXPECT_EQ(jni.classNameOf(env->ExceptionOccurred()), "java/lang/OutOfMemoryError");
    env->ExceptionClear();
    EXPECT_EQ(env->NewStringUTF("false"), nullptr);
    EXPECT_TRUE(env->ExceptionCheck());
    env->ExceptionClear();
    // The test's own strings are not the VM's to refuse.
    EXPECT_EQ(jni.text(jni.string(u"longer")), u"longer");
}

void JNICALL someNative(JNIEnv*, jclass) {}

TEST(TestJni, RegisterNativesRecordsEachMethod) {
    TestJni jni;
    JNIEnv* env = jni.env();
    JNINativeMethod methods[] = {
        {const_cast<char*>("keyExists0"), const_cast<char*>("(ILjava/lang/String;I)Z"), reinterpret_cast<void*>(&someNative)},
        {const_cast<char*>("changeNotifyAssociations0"), const_cast<char*>("()V"), reinterpret_cast<void*>(&someNative)},
    };
    EXPECT_EQ(env->RegisterNatives(env->FindClass(kRegistry), methods, 2), JNI_OK);
    ASSERT_EQ(jni.registrations().size(), 2u);
    EXPECT_EQ(jni.registrations()[0].classPath, kRegistry);
    EXPECT_EQ(jni.registrations()[0].name, "keyExists0");
    EXPECT_EQ(jni.registrations()[0].signature, "(ILjava/lang/String;I)Z");
    EXPECT_EQ(jni.registrations()[0].function, reinterpret_cast<void*>(&someNative));
    EXPECT_EQ(jni.registrations()[1].name, "changeNotifyAssociations0");
}

struct Misuse {
    const char* name;
    int exitCode;
    const char* message;  // gtest's simple regular expression
    std::function<void(TestJni&)> act;
};

DWORD WINAPI callFromAnotherThread(void* environment) {
    static_cast<TestJni*>(environment)->env()->FindClass("java/lang/String");
    return 0;
}

// Each ends the process: gtest runs it in a child process and checks how.
const Misuse kMisuses[] = {
    {"unimplemented GetVersion", kUnimplementedExit, "unimplemented JNI function 4\\s",
     [](TestJni& jni) { jni.env()->GetVersion(); }},
    {"unimplemented NewGlobalRef", kUnimplementedExit, "unimplemented JNI function 21\\s",
     [](TestJni& jni) { jni.env()->NewGlobalRef(jni.string(u"x")); }},
    {"call with an exception pending", kMisuseExit, "NewStringUTF with a java/lang/NoClassDefFoundError pending",
     [](TestJni& jni) {
         jni.hideClass(kRegistry);
         jni.env()->FindClass(kRegistry);
         jni.env()->NewStringUTF("x");
     }},
    {"string function on an array", kMisuseExit, "GetStringLength with .B\\s",
     [](TestJni& jni) { jni.env()->GetStringLength(reinterpret_cast<jstring>(jni.bytes({1}))); }},
    {"string function on null", kMisuseExit, "GetStringChars with null",
     [](TestJni& jni) { jni.env()->GetStringChars(nullptr, nullptr); }},
    {"int array function on a byte array", kMisuseExit, "GetIntArrayElements with .B\\s",
     [](TestJni& jni) { jni.env()->GetIntArrayElements(reinterpret_cast<jintArray>(jni.bytes({1})), nullptr); }},
    {"class expected", kMisuseExit, "NewObjectArray with java/lang/String",
     [](TestJni& jni) { jni.env()->NewObjectArray(1, reinterpret_cast<jclass>(jni.string(u"x")), nullptr); }},
    {"deleted reference", kMisuseExit, "GetStringLength with a deleted reference",
     [](TestJni& jni) {
         const jstring string = jni.string(u"x");
         jni.env()->DeleteLocalRef(string);
         jni.env()->GetStringLength(string);
     }},
    {"deleted twice", kMisuseExit, "DeleteLocalRef with a deleted reference",
     [](TestJni& jni) {
         const jstring string = jni.string(u"x");
         jni.env()->DeleteLocalRef(string);
         jni.env()->DeleteLocalRef(string);
     }},
    {"reference of another environment", kMisuseExit, "no reference of this environment",
     [](TestJni& jni) {
         TestJni other;
         jni.env()->GetStringLength(other.string(u"x"));
     }},
    {"negative byte array length", kMisuseExit, "NewByteArray of length -1",
     [](TestJni& jni) { jni.env()->NewByteArray(-1); }},
    {"negative object array length", kMisuseExit, "NewObjectArray of length -2",
     [](TestJni& jni) { jni.env()->NewObjectArray(-2, jni.env()->FindClass("java/lang/String"), nullptr); }},
    {"negative string length", kMisuseExit, "NewString with a negative length",
     [](TestJni& jni) {
         const jchar unit = 'a';
         jni.env()->NewString(&unit, -1);
     }},
    {"element index past the end", kMisuseExit, "GetObjectArrayElement at 2 in an array of 2",
     [](TestJni& jni) { jni.env()->GetObjectArrayElement(jni.stringArray({u"a", u"b"}), 2); }},
    {"negative element index", kMisuseExit, "SetObjectArrayElement at -1 in an array of 1",
     [](TestJni& jni) { jni.env()->SetObjectArrayElement(jni.stringArray({u"a"}), -1, nullptr); }},
    {"region past the end", kMisuseExit, "GetByteArrayRegion of 3 from 1 in an array of 3",
     [](TestJni& jni) {
         jbyte buffer[3];
         jni.env()->GetByteArrayRegion(jni.bytes({1, 2, 3}), 1, 3, buffer);
     }},
    {"element of the wrong class", kMisuseExit, "SetObjectArrayElement of a java/lang/Integer into a",
     [](TestJni& jni) { jni.env()->SetObjectArrayElement(jni.stringArray({u"a"}), 0, jni.integer(1)); }},
    {"release of characters never handed out", kMisuseExit, "ReleaseStringChars of a buffer",
     [](TestJni& jni) {
         const jchar units[] = {'x', 0};
         jni.env()->ReleaseStringChars(jni.string(u"x"), units);
     }},
    {"characters never released", kMisuseExit, "1 buffers never released, the first from GetStringChars",
     [](TestJni& jni) { jni.env()->GetStringChars(jni.string(u"x"), nullptr); }},
    {"unknown class", kMisuseExit, "FindClass of java/util/List, a class this environment does not have",
     [](TestJni& jni) { jni.env()->FindClass("java/util/List"); }},
    {"unknown method", kMisuseExit, "GetMethodID of java/lang/Integer.intValue..J, a method",
     [](TestJni& jni) { jni.env()->GetMethodID(jni.env()->FindClass("java/lang/Integer"), "intValue", "()J"); }},
    {"malformed native signature", kMisuseExit, "RegisterNatives of .*with the signature",
     [](TestJni& jni) {
         JNINativeMethod method{const_cast<char*>("f"), const_cast<char*>("(Ljava/lang/String)V"),
                                reinterpret_cast<void*>(&someNative)};
         jni.env()->RegisterNatives(jni.env()->FindClass(kRegistry), &method, 1);
     }},
    {"another thread's environment", kMisuseExit, "FindClass with another thread's JNIEnv",
     [](TestJni& jni) {
         const HANDLE thread = ::CreateThread(nullptr, 0, &callFromAnotherThread, &jni, 0, nullptr);
         ::WaitForSingleObject(thread, INFINITE);
     }},
    {"text of a non-string", kMisuseExit, "text.. of a java/lang/Integer",
     [](TestJni& jni) { jni.text(jni.integer(1)); }},
    {"expand string of a non-string", kMisuseExit,
     "NewObject of com/runwright/api/windows/WinRegistry.ExpandString with java/lang/Integer",
     [](TestJni& jni) {
         JNIEnv* env = jni.env();
         const jclass type = env->FindClass("com/runwright/api/windows/WinRegistry$ExpandString");
         env->NewObject(type, env->GetMethodID(type, "<init>", "(Ljava/lang/String;)V"), jni.integer(1));
     }},
    {"integer constructor for an expand string", kMisuseExit,
     "NewObject of com/runwright/api/windows/WinRegistry.ExpandString with java/lang/Integer.<init>",
     [](TestJni& jni) {
         JNIEnv* env = jni.env();
         const jmethodID init = env->GetMethodID(env->FindClass("java/lang/Integer"), "<init>", "(I)V");
         env->NewObject(env->FindClass("com/runwright/api/windows/WinRegistry$ExpandString"), init, 1);
     }},
};

TEST(TestJniDeathTest, EachMisuseAndMissingFunctionEndsTheProcessLoudly) {
    for (const Misuse& misuse : kMisuses) {
        SCOPED_TRACE(misuse.name);
        EXPECT_EXIT(
            {
                TestJni jni;
                misuse.act(jni);
            },
            ::testing::ExitedWithCode(misuse.exitCode), misuse.message);
    }
}

}  // namespace
}  // namespace tavik::testjni
