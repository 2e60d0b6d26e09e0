// The Registry natives as a VM binding by name calls them: looked up in the
// real rwtnative.dll, called with the test JNI environment, against Wine's
// registry. Fixtures are written raw with exact bytes; what the natives keep
// is read back raw.
#include <windows.h>

#include <jni.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "common/win/WideText.h"
#include "tests/native/RegistryTestSupport.h"
#include "tests/native/support/TestJni.h"
#include "tests/win/TestSupport.h"

namespace tavik::test::registry {
namespace {

using namespace std::string_literals;
using testjni::NativeLibrary;
using testjni::TestJni;

using KeyNative = jboolean(JNICALL*)(JNIEnv*, jclass, jint, jstring, jint);
using GetValueNative = jobject(JNICALL*)(JNIEnv*, jclass, jint, jstring, jstring, jint);
using SetValueNative = jboolean(JNICALL*)(JNIEnv*, jclass, jint, jstring, jstring, jobject, jint, jint);
using DeleteValueNative = void(JNICALL*)(JNIEnv*, jclass, jint, jstring, jstring, jint);
using DeleteKeyNative = void(JNICALL*)(JNIEnv*, jclass, jint, jstring, jboolean, jint);
using FileNative = jboolean(JNICALL*)(JNIEnv*, jclass, jint, jstring, jstring, jint);
using EnumNative = jobjectArray(JNICALL*)(JNIEnv*, jclass, jint, jstring, jint);

constexpr jint kClassesRoot = 1;
constexpr jint kCurrentUser = 2;
constexpr jint kLocalMachine = 3;
constexpr jint kUsers = 4;
constexpr jint kCurrentConfig = 5;
constexpr jint kView32 = KEY_WOW64_32KEY;
constexpr jint kView64 = KEY_WOW64_64KEY;

constexpr jint kStringCode = 1;
constexpr jint kDwordCode = 2;
constexpr jint kMultiStringCode = 3;
constexpr jint kBinaryCode = 4;
constexpr jint kExpandStringCode = 5;

constexpr const char* kExpandStringClass = "com/runwright/api/windows/WinRegistry$ExpandString";

template <class Function>
Function registryNative(const NativeLibrary& library, const char* method) {
    return library.native<Function>("Registry", method);
}

std::string shownUnits(const std::u16string& text) {
    std::string shown;
    for (const char16_t unit : text) shown += unit == u'\0' ? std::string("<0>") : utf8(std::u16string(1, unit));
    return shown;
}

// A returned value object as one line, so that a table can say what it wants.
std::string describe(TestJni& jni, jobject object) {
    const std::string className = jni.classNameOf(object);
    if (className == "null") return "null";
    if (className == "java/lang/String") return "String:" + shownUnits(*jni.text(object));
    if (className == kExpandStringClass) return "ExpandString:" + shownUnits(*jni.wrappedText(object));
    if (className == "java/lang/Integer") return "Integer:" + std::to_string(*jni.integerValue(object));
    if (className == "[B") {
        std::string shown = "bytes:";
        const std::vector<std::uint8_t> bytes = *jni.bytesOf(object);
        for (const std::uint8_t byte : bytes) {
            char hex[4];
            std::snprintf(hex, sizeof hex, "%02x", byte);
            shown += hex;
        }
        return shown;
    }
    if (className == "[Ljava/lang/String;") {
        std::string shown = "strings:[";
        const std::vector<std::u16string> strings = *jni.strings(object);
        for (std::size_t i = 0; i < strings.size(); ++i) shown += (i > 0 ? "|" : "") + shownUnits(strings[i]);
        return shown + "]";
    }
    return "unexpected " + className;
}

class RegistryNatives : public ::testing::Test {
protected:
    template <class Function>
    Function native(const char* method) const {
        return registryNative<Function>(library_, method);
    }

    jstring string(const std::wstring& text) { return jni_.string(toU16(text)); }
    jstring name(const wchar_t* valueName) { return valueName == nullptr ? nullptr : string(valueName); }

    bool keyExists(jint root, const std::wstring& path, jint view = 0) {
        return native<KeyNative>("keyExists0")(jni_.env(), nullptr, root, string(path), view) == JNI_TRUE;
    }
    bool createKey(jint root, const std::wstring& path, jint view = 0) {
        return native<KeyNative>("createKey0")(jni_.env(), nullptr, root, string(path), view) == JNI_TRUE;
    }
    jobject getValue(jint root, const std::wstring& path, const wchar_t* valueName, jint view = 0) {
        return native<GetValueNative>("getValue0")(jni_.env(), nullptr, root, string(path), name(valueName), view);
    }
    bool setValue(jint root, const std::wstring& path, const wchar_t* valueName, jobject value, jint typeCode,
                  jint view = 0) {
        return native<SetValueNative>("setValue0")(jni_.env(), nullptr, root, string(path), name(valueName), value,
                                                   typeCode, view) == JNI_TRUE;
    }
    void deleteValue(jint root, const std::wstring& path, const wchar_t* valueName, jint view = 0) {
        native<DeleteValueNative>("deleteValue0")(jni_.env(), nullptr, root, string(path), name(valueName), view);
    }
    void deleteKey(jint root, const jstring path, bool onlyIfEmpty, jint view = 0) {
        native<DeleteKeyNative>("deleteKey0")(jni_.env(), nullptr, root, path, onlyIfEmpty ? JNI_TRUE : JNI_FALSE,
                                              view);
    }
    void deleteKey(jint root, const std::wstring& path, bool onlyIfEmpty, jint view = 0) {
        deleteKey(root, string(path), onlyIfEmpty, view);
    }
    std::optional<std::vector<std::u16string>> enumerate(const char* method, jint root, const std::wstring& path,
                                                         jint view = 0) {
        return jni_.strings(native<EnumNative>(method)(jni_.env(), nullptr, root, string(path), view));
    }

    TestJni jni_;
    NativeLibrary library_{testjni::rwtnativePath()};
};

std::vector<std::u16string> u16(const std::vector<std::wstring>& names) {
    std::vector<std::u16string> converted;
    for (const std::wstring& name : names) converted.push_back(toU16(name));
    return converted;
}

TEST_F(RegistryNatives, EachRootCodeNamesItsRoot) {
    struct Root {
        jint code;
        HKEY key;
        const wchar_t* parent;
    };
    const Root roots[] = {
        {kClassesRoot, HKEY_CLASSES_ROOT, L""},
        {kCurrentUser, HKEY_CURRENT_USER, L"Software\\"},
        {kLocalMachine, HKEY_LOCAL_MACHINE, L"Software\\"},
        {kUsers, HKEY_USERS, L".DEFAULT\\Software\\"},
        {kCurrentConfig, HKEY_CURRENT_CONFIG, L"Software\\"},
    };
    const std::wstring unique = L"tavik-test-root-" + std::to_wstring(::GetCurrentProcessId());
    for (const Root& root : roots) {
        SCOPED_TRACE(root.code);
        const std::wstring path = root.parent + unique;
        ASSERT_TRUE(createRawKey(root.key, path));
        for (const Root& other : roots) {
            if (other.key == root.key) continue;
            // HKCR shows HKCU's and HKLM's classes: no other root holds this name.
            EXPECT_FALSE(keyExists(other.code, path)) << "also under code " << other.code;
        }
        EXPECT_TRUE(keyExists(root.code, path));
        ::RegDeleteKeyW(root.key, path.c_str());
    }
}

TEST_F(RegistryNatives, CreateKeyMakesTheWholePathAndKeyExistsSeesIt) {
    const ScratchKey scratch(L"create");
    const std::wstring path = scratch.path(L"a\\b\\c");
    EXPECT_FALSE(keyExists(kCurrentUser, path));
    EXPECT_TRUE(createKey(kCurrentUser, path));
    EXPECT_TRUE(rawKeyExists(HKEY_CURRENT_USER, path));
    EXPECT_TRUE(keyExists(kCurrentUser, path));
    EXPECT_TRUE(createKey(kCurrentUser, path)) << "an existing key opens";
    // The last is HKEY_CURRENT_USER's own handle value: codes are no handles.
    const jint unknownCodes[] = {0, 6, -1, static_cast<jint>(0x80000001u)};
    for (const jint code : unknownCodes) {
        SCOPED_TRACE(code);
        EXPECT_FALSE(keyExists(code, path));
        EXPECT_FALSE(createKey(code, scratch.path(L"other")));
    }
    EXPECT_FALSE(rawKeyExists(HKEY_CURRENT_USER, scratch.path(L"other")));
}

TEST_F(RegistryNatives, GetValueTurnsEachStoredTypeIntoItsObject) {
    struct Case {
        const char* name;
        DWORD type;
        std::vector<std::uint8_t> bytes;
        std::string want;
    };
    const Case cases[] = {
        {"string with terminator", REG_SZ, bytesOf(u"abc\0"s), "String:abc"},
        {"string without terminator", REG_SZ, bytesOf(u"abc"s), "String:abc"},
        {"empty string data", REG_SZ, {}, "String:"},
        {"only a terminator", REG_SZ, bytesOf(u"\0"s), "String:"},
        {"embedded zero kept", REG_SZ, bytesOf(u"a\0b\0"s), "String:a<0>b"},
        {"non-ASCII text", REG_SZ, bytesOf(u"Pr\u00f6be \u20ac\0"s), "String:Pr\xC3\xB6" "be \xE2\x82\xAC"},
        {"expand string unexpanded", REG_EXPAND_SZ, bytesOf(u"%SystemRoot%\\x\0"s), "ExpandString:%SystemRoot%\\x"},
        {"empty expand string data", REG_EXPAND_SZ, {}, "ExpandString:"},
        {"binary", REG_BINARY, {0x00, 0x01, 0x7f, 0xff}, "bytes:00017fff"},
        {"empty binary", REG_BINARY, {}, "bytes:"},
        {"dword", REG_DWORD, {0x78, 0x56, 0x34, 0x12}, "Integer:305419896"},
        {"negative dword", REG_DWORD, {0xfe, 0xff, 0xff, 0xff}, "Integer:-2"},
        {"dword of two bytes", REG_DWORD, {0x01, 0x02}, "null"},
        {"multi-string", REG_MULTI_SZ, bytesOf(u"ab\0cd\0\0"s), "strings:[ab|cd]"},
        {"multi-string with an empty string", REG_MULTI_SZ, bytesOf(u"ab\0\0cd\0\0"s), "strings:[ab||cd]"},
        {"multi-string without list terminator", REG_MULTI_SZ, bytesOf(u"ab\0cd\0"s), "strings:[ab|cd]"},
        {"multi-string without any terminator", REG_MULTI_SZ, bytesOf(u"ab\0cd"s), "strings:[ab|cd]"},
        {"empty multi-string data", REG_MULTI_SZ, {}, "strings:[]"},
        {"empty multi-string list", REG_MULTI_SZ, bytesOf(u"\0"s), "strings:[]"},
        {"qword", REG_QWORD, {1, 0, 0, 0, 0, 0, 0, 0}, "null"},
        {"none", REG_NONE, {1, 2}, "null"},
        {"big-endian dword", REG_DWORD_BIG_ENDIAN, {0, 0, 0, 1}, "null"},
        {"link", REG_LINK, bytesOf(u"x"s), "null"},
    };
    const ScratchKey scratch(L"get");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::wstring valueName(c.name, c.name + std::strlen(c.name));
        ASSERT_TRUE(setRaw(HKEY_CURRENT_USER, scratch.path(), valueName.c_str(), c.type, c.bytes));
        EXPECT_EQ(describe(jni_, getValue(kCurrentUser, scratch.path(), valueName.c_str())), c.want);
    }
}

TEST_F(RegistryNatives, GetValueGivesNullForWhatCannotBeRead) {
    const ScratchKey scratch(L"get-missing");
    ASSERT_TRUE(setRaw(HKEY_CURRENT_USER, scratch.path(), L"v", REG_SZ, bytesOf(u"x\0"s)));
    EXPECT_EQ(getValue(kCurrentUser, scratch.path(), L"missing"), nullptr);
    EXPECT_EQ(getValue(kCurrentUser, scratch.path(L"missing"), L"v"), nullptr);
    EXPECT_EQ(getValue(0, scratch.path(), L"v"), nullptr);
    EXPECT_EQ(getValue(kLocalMachine, scratch.path(), L"v"), nullptr);
    EXPECT_EQ(describe(jni_, getValue(kCurrentUser, scratch.path(), L"v")), "String:x");
    EXPECT_FALSE(jni_.env()->ExceptionCheck());
}

TEST_F(RegistryNatives, GetValueReadsTheDefaultValueForANullName) {
    const ScratchKey scratch(L"get-default");
    ASSERT_TRUE(setRaw(HKEY_CURRENT_USER, scratch.path(), nullptr, REG_SZ, bytesOf(u"default\0"s)));
    ASSERT_TRUE(setRaw(HKEY_CURRENT_USER, scratch.path(), L"named", REG_SZ, bytesOf(u"named\0"s)));
    EXPECT_EQ(describe(jni_, getValue(kCurrentUser, scratch.path(), nullptr)), "String:default");
}

TEST_F(RegistryNatives, GetValueReadsUpToTheBufferAndNoFurther) {
    const ScratchKey scratch(L"get-size");
    const std::vector<std::uint8_t> fits(100000, 0x5a);
    std::vector<std::uint8_t> tooBig(100001, 0x5a);
    ASSERT_TRUE(setRaw(HKEY_CURRENT_USER, scratch.path(), L"fits", REG_BINARY, fits));
    ASSERT_TRUE(setRaw(HKEY_CURRENT_USER, scratch.path(), L"too big", REG_BINARY, tooBig));
    ASSERT_TRUE(setRaw(HKEY_CURRENT_USER, scratch.path(), L"too big text", REG_SZ,
                       bytesOf(std::u16string(50001, u'x'))));
    EXPECT_EQ(jni_.bytesOf(getValue(kCurrentUser, scratch.path(), L"fits")), fits);
    EXPECT_EQ(getValue(kCurrentUser, scratch.path(), L"too big"), nullptr);
    EXPECT_EQ(getValue(kCurrentUser, scratch.path(), L"too big text"), nullptr);
}

TEST_F(RegistryNatives, SetValueWritesEachTypeCodeAsItsRegistryType) {
    struct Case {
        const char* name;
        std::function<jobject()> value;
        jint typeCode;
        RawValue want;
    };
    const Case cases[] = {
        {"string", [&] { return string(L"abc"); }, kStringCode, {REG_SZ, bytesOf(u"abc\0"s)}},
        {"empty string", [&] { return string(L""); }, kStringCode, {REG_SZ, bytesOf(u"\0"s)}},
        {"string cut at its zero", [&] { return jni_.string(u"ab\0cd"s); }, kStringCode, {REG_SZ, bytesOf(u"ab\0"s)}},
        {"expand string", [&] { return string(L"%TEMP%\\x"); }, kExpandStringCode,
         {REG_EXPAND_SZ, bytesOf(u"%TEMP%\\x\0"s)}},
        {"dword", [&] { return jni_.integer(-2); }, kDwordCode, {REG_DWORD, {0xfe, 0xff, 0xff, 0xff}}},
        {"dword zero", [&] { return jni_.integer(0); }, kDwordCode, {REG_DWORD, {0, 0, 0, 0}}},
        {"multi-string", [&] { return jni_.stringArray({u"ab", u"\u20ac"}); }, kMultiStringCode,
         {REG_MULTI_SZ, bytesOf(u"ab\0\u20ac\0\0"s)}},
        {"empty multi-string", [&] { return jni_.stringArray({}); }, kMultiStringCode, {REG_MULTI_SZ, {0, 0}}},
        {"binary", [&] { return jni_.bytes({0, 1, 0xff}); }, kBinaryCode, {REG_BINARY, {0, 1, 0xff}}},
        {"empty binary", [&] { return jni_.bytes({}); }, kBinaryCode, {REG_BINARY, {}}},
    };
    const ScratchKey scratch(L"set");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::wstring valueName(c.name, c.name + std::strlen(c.name));
        EXPECT_TRUE(setValue(kCurrentUser, scratch.path(), valueName.c_str(), c.value(), c.typeCode));
        EXPECT_EQ(rawValue(HKEY_CURRENT_USER, scratch.path(), valueName.c_str()), c.want);
    }
}

TEST_F(RegistryNatives, SetValueCreatesTheKeyAndWritesTheDefaultValueForANullName) {
    const ScratchKey scratch(L"set-default");
    EXPECT_TRUE(setValue(kCurrentUser, scratch.path(L"new\\key"), nullptr, string(L"d"), kStringCode));
    EXPECT_EQ(rawValue(HKEY_CURRENT_USER, scratch.path(L"new\\key"), nullptr), (RawValue{REG_SZ, bytesOf(u"d\0"s)}));
    EXPECT_EQ(rawValueNames(HKEY_CURRENT_USER, scratch.path(L"new\\key")), std::vector<std::wstring>{L""});
}

TEST_F(RegistryNatives, SetValueCutsLongDataToTheBuffer) {
    const ScratchKey scratch(L"set-long");
    std::u16string text(60000, u'x');
    text[49998] = u'L';
    text[49999] = u'C';
    EXPECT_TRUE(setValue(kCurrentUser, scratch.path(), L"text", jni_.string(text), kStringCode));
    EXPECT_EQ(rawValue(HKEY_CURRENT_USER, scratch.path(), L"text"),
              (RawValue{REG_SZ, bytesOf(text.substr(0, 49999) + u'\0')}));

    std::vector<std::uint8_t> bytes(100001, 0x11);
    bytes[99999] = 0x22;
    bytes[100000] = 0x33;
    EXPECT_TRUE(setValue(kCurrentUser, scratch.path(), L"bytes", jni_.bytes(bytes), kBinaryCode));
    EXPECT_EQ(rawValue(HKEY_CURRENT_USER, scratch.path(), L"bytes"),
              (RawValue{REG_BINARY, std::vector<std::uint8_t>(bytes.begin(), bytes.end() - 1)}));
}

TEST_F(RegistryNatives, SetValueWritesAMultiStringListUpToItsLimit) {
    const ScratchKey scratch(L"set-multi");
    const std::u16string rest(50000 - 5, u'x');
    EXPECT_TRUE(setValue(kCurrentUser, scratch.path(), L"full", jni_.stringArray({u"ab", rest}), kMultiStringCode));
    EXPECT_EQ(rawValue(HKEY_CURRENT_USER, scratch.path(), L"full"),
              (RawValue{REG_MULTI_SZ, bytesOf(u"ab\0"s + rest + u"\0\0"s)}));
    EXPECT_FALSE(
        setValue(kCurrentUser, scratch.path(), L"over", jni_.stringArray({u"abc", rest}), kMultiStringCode));
    EXPECT_EQ(rawValue(HKEY_CURRENT_USER, scratch.path(), L"over"), std::nullopt);
}

TEST_F(RegistryNatives, SetValueWithAnUnfitValueWritesNothingButCreatesTheKey) {
    struct Case {
        const char* name;
        std::function<jobject()> value;
        jint typeCode;
    };
    const Case cases[] = {
        {"empty string in a list", [&] { return jni_.stringArray({u"a", u""}); }, kMultiStringCode},
        {"null string in a list",
         [&] {
             const jobjectArray array = jni_.stringArray({u"a", u"b"});
             jni_.env()->SetObjectArrayElement(array, 1, nullptr);
             return array;
         },
         kMultiStringCode},
        {"string for a list", [&] { return string(L"a"); }, kMultiStringCode},
        {"integer for a string", [&] { return jni_.integer(1); }, kStringCode},
        {"list for a string", [&] { return jni_.stringArray({u"a"}); }, kStringCode},
        {"string for a dword", [&] { return string(L"1"); }, kDwordCode},
        {"list for binary", [&] { return jni_.stringArray({u"a"}); }, kBinaryCode},
        {"bytes for an expand string", [&] { return jni_.bytes({1}); }, kExpandStringCode},
        {"null string", [&]() -> jobject { return nullptr; }, kStringCode},
        {"null dword", [&]() -> jobject { return nullptr; }, kDwordCode},
        {"null list", [&]() -> jobject { return nullptr; }, kMultiStringCode},
        {"null bytes", [&]() -> jobject { return nullptr; }, kBinaryCode},
        {"null expand string", [&]() -> jobject { return nullptr; }, kExpandStringCode},
        {"type code 0", [&] { return string(L"a"); }, 0},
        {"type code 6", [&] { return string(L"a"); }, 6},
        {"type code 7", [&] { return jni_.stringArray({u"a"}); }, 7},
    };
    const ScratchKey scratch(L"set-unfit");
    int index = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::wstring path = scratch.path(L"k" + std::to_wstring(++index));
        ASSERT_FALSE(rawKeyExists(HKEY_CURRENT_USER, path));
        EXPECT_FALSE(setValue(kCurrentUser, path, L"v", c.value(), c.typeCode));
        EXPECT_TRUE(rawKeyExists(HKEY_CURRENT_USER, path));
        EXPECT_TRUE(rawValueNames(HKEY_CURRENT_USER, path).empty());

        ASSERT_TRUE(setRaw(HKEY_CURRENT_USER, path, L"v", REG_SZ, bytesOf(u"old\0"s)));
        EXPECT_FALSE(setValue(kCurrentUser, path, L"v", c.value(), c.typeCode));
        EXPECT_EQ(rawValue(HKEY_CURRENT_USER, path, L"v"), (RawValue{REG_SZ, bytesOf(u"old\0"s)}));
    }
    EXPECT_FALSE(setValue(0, scratch.path(L"unknown root"), L"v", string(L"a"), kStringCode));
    EXPECT_FALSE(jni_.env()->ExceptionCheck());
}

TEST_F(RegistryNatives, ARefusedWriteIsReportedWithTheStatusOfItsSecondTry) {
    const ScratchKey scratch(L"set-refused");
    // Longer than any value name may be.
    const std::wstring longName(20000, L'n');
    const LSTATUS refusal = rawSetStatus(HKEY_CURRENT_USER, scratch.path(L"probe"), longName.c_str(), REG_SZ,
                                         bytesOf(u"x\0"s));
    ASSERT_NE(refusal, ERROR_SUCCESS);
    const ChildResult child = runScenario(testExecutable(), "set-long-name", {toU16(scratch.path(L"key"))});
    EXPECT_EQ(child.exitCode, 0) << child.err;
    EXPECT_EQ(lines(child.out), (std::vector<std::string>{"no success " + std::to_string(refusal), "result=false"}));
    EXPECT_TRUE(rawKeyExists(HKEY_CURRENT_USER, scratch.path(L"key")));
}

TEST_F(RegistryNatives, DeleteValueRemovesOnlyTheNamedValue) {
    const ScratchKey scratch(L"delete-value");
    ASSERT_TRUE(setRaw(HKEY_CURRENT_USER, scratch.path(), L"gone", REG_SZ, bytesOf(u"x\0"s)));
    ASSERT_TRUE(setRaw(HKEY_CURRENT_USER, scratch.path(), L"kept", REG_SZ, bytesOf(u"x\0"s)));
    ASSERT_TRUE(setRaw(HKEY_CURRENT_USER, scratch.path(), nullptr, REG_SZ, bytesOf(u"x\0"s)));
    deleteValue(kCurrentUser, scratch.path(), L"gone");
    EXPECT_EQ(rawValue(HKEY_CURRENT_USER, scratch.path(), L"gone"), std::nullopt);
    deleteValue(kCurrentUser, scratch.path(), nullptr);
    EXPECT_EQ(rawValue(HKEY_CURRENT_USER, scratch.path(), nullptr), std::nullopt);
    deleteValue(kCurrentUser, scratch.path(), L"missing");
    deleteValue(kCurrentUser, scratch.path(L"missing"), L"kept");
    deleteValue(0, scratch.path(), L"kept");
    EXPECT_EQ(rawValueNames(HKEY_CURRENT_USER, scratch.path()), std::vector<std::wstring>{L"kept"});
}

TEST_F(RegistryNatives, DeleteKeyRemovesTheWholeTree) {
    const ScratchKey scratch(L"delete-tree");
    for (const wchar_t* child : {L"t\\a\\deep\\deeper", L"t\\b", L"t\\c\\x"})
        ASSERT_TRUE(setRaw(HKEY_CURRENT_USER, scratch.path(child), L"v", REG_DWORD, {1, 0, 0, 0}));
    ASSERT_TRUE(setRaw(HKEY_CURRENT_USER, scratch.path(L"t"), L"v", REG_DWORD, {1, 0, 0, 0}));
    ASSERT_TRUE(createRawKey(HKEY_CURRENT_USER, scratch.path(L"sibling")));
    deleteKey(kCurrentUser, scratch.path(L"t"), false);
    EXPECT_FALSE(rawKeyExists(HKEY_CURRENT_USER, scratch.path(L"t")));
    EXPECT_EQ(rawSubKeys(HKEY_CURRENT_USER, scratch.path()), std::vector<std::wstring>{L"sibling"});
}

TEST_F(RegistryNatives, DeleteKeyOnlyIfEmptyKeepsAKeyWithContent) {
    const ScratchKey scratch(L"delete-empty");
    ASSERT_TRUE(setRaw(HKEY_CURRENT_USER, scratch.path(L"value"), L"v", REG_DWORD, {1, 0, 0, 0}));
    ASSERT_TRUE(setRaw(HKEY_CURRENT_USER, scratch.path(L"default"), nullptr, REG_DWORD, {1, 0, 0, 0}));
    ASSERT_TRUE(createRawKey(HKEY_CURRENT_USER, scratch.path(L"subkey\\child")));
    ASSERT_TRUE(createRawKey(HKEY_CURRENT_USER, scratch.path(L"empty")));
    for (const wchar_t* child : {L"value", L"default", L"subkey", L"empty"})
        deleteKey(kCurrentUser, scratch.path(child), true);
    EXPECT_TRUE(rawKeyExists(HKEY_CURRENT_USER, scratch.path(L"value")));
    EXPECT_TRUE(rawKeyExists(HKEY_CURRENT_USER, scratch.path(L"default")));
    EXPECT_TRUE(rawKeyExists(HKEY_CURRENT_USER, scratch.path(L"subkey\\child")));
    EXPECT_FALSE(rawKeyExists(HKEY_CURRENT_USER, scratch.path(L"empty")));
}

TEST_F(RegistryNatives, DeleteKeyOnlyIfEmptyKeepsAKeyItCannotOpenForWriting) {
    const ScratchKey scratch(L"delete-locked");
    const std::wstring path = scratch.path(L"locked");
    ASSERT_TRUE(setRaw(HKEY_CURRENT_USER, path, L"v", REG_DWORD, {1, 0, 0, 0}));
    // Readable and deletable, but its values cannot be changed.
    ASSERT_TRUE(setKeyAccess(HKEY_CURRENT_USER, path, L"D:P(A;;KRSD;;;WD)"));
    HKEY probe = nullptr;
    ASSERT_EQ(::RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ | KEY_SET_VALUE, &probe),
              ERROR_ACCESS_DENIED);
    deleteKey(kCurrentUser, path, true);
    EXPECT_EQ(rawValueNames(HKEY_CURRENT_USER, path), std::vector<std::wstring>{L"v"});
    deleteKey(kCurrentUser, path, false);
    EXPECT_FALSE(rawKeyExists(HKEY_CURRENT_USER, path)) << "without the flag the key goes";
}

TEST_F(RegistryNatives, DeleteKeyLeavesASubTreeItCannotOpenAndItsParents) {
    const ScratchKey scratch(L"delete-partial");
    ASSERT_TRUE(createRawKey(HKEY_CURRENT_USER, scratch.path(L"t\\open\\child")));
    ASSERT_TRUE(createRawKey(HKEY_CURRENT_USER, scratch.path(L"t\\middle\\closed\\inner")));
    ASSERT_TRUE(setKeyAccess(HKEY_CURRENT_USER, scratch.path(L"t\\middle\\closed"), L"D:P(A;;SD;;;WD)"));
    deleteKey(kCurrentUser, scratch.path(L"t"), false);
    EXPECT_FALSE(rawKeyExists(HKEY_CURRENT_USER, scratch.path(L"t\\open")));
    EXPECT_EQ(rawSubKeys(HKEY_CURRENT_USER, scratch.path(L"t")), std::vector<std::wstring>{L"middle"});
    EXPECT_EQ(rawSubKeys(HKEY_CURRENT_USER, scratch.path(L"t\\middle")), std::vector<std::wstring>{L"closed"});
}

TEST_F(RegistryNatives, DeleteKeyOfNoKeyDeletesNothing) {
    const ScratchKey scratch(L"delete-none");
    ASSERT_TRUE(createRawKey(HKEY_CURRENT_USER, scratch.path(L"kept\\child")));
    deleteKey(kCurrentUser, scratch.path(L"missing"), false);
    deleteKey(kCurrentUser, scratch.path(L"missing"), true);
    deleteKey(0, scratch.path(L"kept"), false);
    deleteKey(7, scratch.path(L"kept"), true);
    EXPECT_TRUE(rawKeyExists(HKEY_CURRENT_USER, scratch.path(L"kept\\child")));
}

// The empty and the null path name the root itself: its sub-keys must not go.
// HKEY_CURRENT_USER stands for a scratch key in this process while they run.
TEST_F(RegistryNatives, DeleteKeyOfTheRootItselfDeletesNothing) {
    const ScratchKey scratch(L"delete-root");
    ASSERT_TRUE(createRawKey(HKEY_CURRENT_USER, scratch.path(L"stand-in\\child")));
    HKEY standIn = nullptr;
    ASSERT_EQ(::RegOpenKeyExW(HKEY_CURRENT_USER, scratch.path(L"stand-in").c_str(), 0, KEY_ALL_ACCESS, &standIn),
              ERROR_SUCCESS);
    if (::RegOverridePredefKey(HKEY_CURRENT_USER, standIn) != ERROR_SUCCESS) {
        ::RegCloseKey(standIn);
        GTEST_SKIP() << "RegOverridePredefKey is refused here: the root cannot be stood in for";
    }
    const bool overridden = rawKeyExists(HKEY_CURRENT_USER, L"child");
    if (overridden) {
        for (const bool onlyIfEmpty : {false, true}) {
            deleteKey(kCurrentUser, jni_.string(u""), onlyIfEmpty);
            deleteKey(kCurrentUser, nullptr, onlyIfEmpty);
        }
    }
    ::RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
    ::RegCloseKey(standIn);
    if (!overridden) GTEST_SKIP() << "RegOverridePredefKey succeeded but HKEY_CURRENT_USER was not redirected";
    EXPECT_TRUE(rawKeyExists(HKEY_CURRENT_USER, scratch.path(L"stand-in\\child")));
}

TEST_F(RegistryNatives, EnumerationListsNamesInTheRegistrysOrder) {
    const ScratchKey scratch(L"enum");
    for (const wchar_t* child : {L"b", L"a", L"\u00e9t\u00e9", L"c"})
        ASSERT_TRUE(createRawKey(HKEY_CURRENT_USER, scratch.path(child)));
    for (const wchar_t* value : {L"z", L"y", L"\u20ac"})
        ASSERT_TRUE(setRaw(HKEY_CURRENT_USER, scratch.path(), value, REG_DWORD, {1, 0, 0, 0}));
    const std::optional<std::vector<std::u16string>> subKeys = enumerate("enumSubKeys0", kCurrentUser, scratch.path());
    ASSERT_TRUE(subKeys);
    EXPECT_EQ(subKeys->size(), 4u);
    EXPECT_EQ(*subKeys, u16(rawSubKeys(HKEY_CURRENT_USER, scratch.path())));
    const std::optional<std::vector<std::u16string>> values = enumerate("enumValues0", kCurrentUser, scratch.path());
    ASSERT_TRUE(values);
    EXPECT_EQ(values->size(), 3u);
    EXPECT_EQ(*values, u16(rawValueNames(HKEY_CURRENT_USER, scratch.path())));
}

TEST_F(RegistryNatives, EnumerationOfAnEmptyOrMissingKey) {
    const ScratchKey scratch(L"enum-empty");
    ASSERT_TRUE(createRawKey(HKEY_CURRENT_USER, scratch.path(L"empty")));
    ASSERT_TRUE(setRaw(HKEY_CURRENT_USER, scratch.path(L"default"), nullptr, REG_SZ, bytesOf(u"d\0"s)));
    for (const char* method : {"enumSubKeys0", "enumValues0"}) {
        SCOPED_TRACE(method);
        EXPECT_EQ(enumerate(method, kCurrentUser, scratch.path(L"empty")), std::vector<std::u16string>{});
        EXPECT_EQ(enumerate(method, kCurrentUser, scratch.path(L"missing")), std::nullopt);
        EXPECT_EQ(enumerate(method, 0, scratch.path(L"empty")), std::nullopt);
    }
    EXPECT_EQ(enumerate("enumValues0", kCurrentUser, scratch.path(L"default")), std::vector<std::u16string>{u""});
}

TEST_F(RegistryNatives, EnumValuesLeavesOutANameTooLongForItsBuffer) {
    const ScratchKey scratch(L"enum-long");
    const std::wstring longest(4095, L'a');
    const std::wstring tooLong(4096, L'b');
    for (const std::wstring& value : {std::wstring(L"before"), longest, tooLong, std::wstring(L"after")})
        ASSERT_TRUE(setRaw(HKEY_CURRENT_USER, scratch.path(), value.c_str(), REG_DWORD, {1, 0, 0, 0}));
    std::vector<std::u16string> want;
    for (const std::wstring& name : rawValueNames(HKEY_CURRENT_USER, scratch.path()))
        if (name != tooLong) want.push_back(toU16(name));
    ASSERT_EQ(want.size(), 3u);
    EXPECT_EQ(enumerate("enumValues0", kCurrentUser, scratch.path()), want);
}

// One enumeration on a thread of its own, with its own environment; shared
// with the test only through this, so that a hung one can be left behind.
struct Enumeration {
    std::atomic<bool> started{false};
    std::atomic<bool> finished{false};
    std::optional<std::vector<std::u16string>> names;
};

void fillKey(const std::wstring& path, bool subKeys, int entries) {
    HKEY key = nullptr;
    ASSERT_EQ(::RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    const DWORD one = 1;
    for (int i = 0; i < entries; ++i) {
        const std::wstring entry = L"e" + std::to_wstring(i);
        HKEY child = nullptr;
        if (!subKeys)
            ::RegSetValueExW(key, entry.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&one), sizeof one);
        else if (::RegCreateKeyExW(key, entry.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &child, nullptr) ==
                 ERROR_SUCCESS)
            ::RegCloseKey(child);
    }
    ::RegCloseKey(key);
}

// The key goes while it is enumerated: every later index fails alike, and
// the enumeration must end with what it had. Where the deletion lands is up
// to the scheduler; the test tries until one lands inside an enumeration.
TEST_F(RegistryNatives, EnumerationOfAKeyDeletedMeanwhileEnds) {
    constexpr std::size_t kEntries = 3000;
    constexpr int kTries = 20;
    std::vector<std::string> neverInside;
    for (const char* method : {"enumSubKeys0", "enumValues0"}) {
        SCOPED_TRACE(method);
        bool landedInside = false;
        for (int attempt = 0; attempt < kTries && !landedInside; ++attempt) {
            const ScratchKey scratch(L"enum-deleted");
            fillKey(scratch.path(), std::string(method) == "enumSubKeys0", kEntries);
            const auto enumeration = std::make_shared<Enumeration>();
            std::thread worker([enumeration, method, path = toU16(scratch.path())] {
                TestJni jni;
                NativeLibrary library(testjni::rwtnativePath());
                const auto enumerate = registryNative<EnumNative>(library, method);
                const jstring key = jni.string(path);
                enumeration->started = true;
                enumeration->names = jni.strings(enumerate(jni.env(), nullptr, kCurrentUser, key, 0));
                enumeration->finished = true;
            });
            while (!enumeration->started) std::this_thread::yield();
            ::RegDeleteTreeW(HKEY_CURRENT_USER, scratch.path().c_str());
            ::RegDeleteKeyW(HKEY_CURRENT_USER, scratch.path().c_str());
            for (int waited = 0; waited < 600 && !enumeration->finished; ++waited) ::Sleep(100);
            if (!enumeration->finished) {
                worker.detach();
                FAIL() << "the enumeration did not end within a minute of the key's deletion";
            }
            worker.join();
            const auto& names = enumeration->names;
            landedInside = names && !names->empty() && names->size() < kEntries;
        }
        if (!landedInside) neverInside.push_back(method);
    }
    if (!neverInside.empty())
        GTEST_SKIP() << "no deletion landed inside an enumeration of " << neverInside.front() << " in " << kTries
                     << " tries";
}

TEST_F(RegistryNatives, SavedKeyRestoresIntoAnother) {
    const ScratchKey scratch(L"save");
    const ScratchDir files;
    ASSERT_TRUE(setRaw(HKEY_CURRENT_USER, scratch.path(L"saved"), L"text", REG_SZ, bytesOf(u"saved\0"s)));
    ASSERT_TRUE(setRaw(HKEY_CURRENT_USER, scratch.path(L"saved\\child"), L"n", REG_DWORD, {7, 0, 0, 0}));
    const std::wstring hive = (files.path() / "saved.hive").wstring();
    const auto save = native<FileNative>("saveKey0");
    const auto restore = native<FileNative>("restoreKey0");
    JNIEnv* env = jni_.env();

    EXPECT_EQ(save(env, nullptr, kCurrentUser, string(scratch.path(L"missing")), string(hive), 0), JNI_FALSE);
    EXPECT_EQ(save(env, nullptr, 0, string(scratch.path(L"saved")), string(hive), 0), JNI_FALSE);
    EXPECT_FALSE(fs::exists(hive));
    ASSERT_EQ(save(env, nullptr, kCurrentUser, string(scratch.path(L"saved")), string(hive), 0), JNI_TRUE);
    ASSERT_TRUE(fs::exists(hive));
    EXPECT_GT(fs::file_size(hive), 0u);

    EXPECT_EQ(restore(env, nullptr, 0, string(scratch.path(L"restored")), string(hive), 0), JNI_FALSE);
    EXPECT_EQ(restore(env, nullptr, kCurrentUser, string(scratch.path(L"restored")), string(hive), 0), JNI_TRUE);
    EXPECT_TRUE(rawKeyExists(HKEY_CURRENT_USER, scratch.path(L"restored"))) << "the key is created to restore into";
    if (rawValueNames(HKEY_CURRENT_USER, scratch.path(L"restored")).empty())
        GTEST_SKIP() << "this system's RegRestoreKeyW reports success and loads nothing";
    EXPECT_EQ(rawValue(HKEY_CURRENT_USER, scratch.path(L"restored"), L"text"),
              (RawValue{REG_SZ, bytesOf(u"saved\0"s)}));
    EXPECT_EQ(rawValue(HKEY_CURRENT_USER, scratch.path(L"restored\\child"), L"n"), (RawValue{REG_DWORD, {7, 0, 0, 0}}));
}

class RegistryViews : public RegistryNatives {
protected:
    void SetUp() override {
        if (!hasTwoViews()) GTEST_SKIP() << "a 32-bit system has one registry view";
    }

    static std::wstring view32(const std::wstring& path) {
        return L"Software\\Wow6432Node\\" + path.substr(std::wcslen(L"Software\\"));
    }
};

TEST_F(RegistryViews, The32BitViewLandsUnderWow6432Node) {
    const ScratchKey scratch(L"view", HKEY_LOCAL_MACHINE);
    EXPECT_TRUE(createKey(kLocalMachine, scratch.path(L"created"), kView32));
    EXPECT_TRUE(rawKeyExists(HKEY_LOCAL_MACHINE, view32(scratch.path(L"created"))));
    EXPECT_FALSE(rawKeyExists(HKEY_LOCAL_MACHINE, scratch.path(L"created")));
    EXPECT_TRUE(keyExists(kLocalMachine, scratch.path(L"created"), kView32));
    EXPECT_FALSE(keyExists(kLocalMachine, scratch.path(L"created"), kView64));

    EXPECT_TRUE(setValue(kLocalMachine, scratch.path(L"set"), L"v", string(L"32"), kStringCode, kView32));
    EXPECT_EQ(rawValue(HKEY_LOCAL_MACHINE, view32(scratch.path(L"set")), L"v"), (RawValue{REG_SZ, bytesOf(u"32\0"s)}));
    EXPECT_EQ(rawValue(HKEY_LOCAL_MACHINE, scratch.path(L"set"), L"v"), std::nullopt);

    ASSERT_TRUE(setRaw(HKEY_LOCAL_MACHINE, scratch.path(L"both"), L"v", REG_SZ, bytesOf(u"64\0"s)));
    ASSERT_TRUE(setRaw(HKEY_LOCAL_MACHINE, view32(scratch.path(L"both")), L"v", REG_SZ, bytesOf(u"32\0"s)));
    EXPECT_EQ(describe(jni_, getValue(kLocalMachine, scratch.path(L"both"), L"v", kView32)), "String:32");
    EXPECT_EQ(describe(jni_, getValue(kLocalMachine, scratch.path(L"both"), L"v", kView64)), "String:64");
    EXPECT_EQ(describe(jni_, getValue(kLocalMachine, scratch.path(L"both"), L"v", 0)), "String:64");
    ASSERT_TRUE(createRawKey(HKEY_LOCAL_MACHINE, view32(scratch.path(L"both\\only32"))));
    EXPECT_EQ(enumerate("enumSubKeys0", kLocalMachine, scratch.path(L"both"), kView32),
              std::vector<std::u16string>{u"only32"});
    EXPECT_EQ(enumerate("enumSubKeys0", kLocalMachine, scratch.path(L"both"), kView64), std::vector<std::u16string>{});
}

TEST_F(RegistryViews, TreeDeletionDeletesInTheViewItWasGiven) {
    const ScratchKey scratch(L"view-delete", HKEY_LOCAL_MACHINE);
    const std::wstring path = scratch.path(L"t");
    for (const std::wstring& stored : {path + L"\\child", view32(path) + L"\\child"})
        ASSERT_TRUE(createRawKey(HKEY_LOCAL_MACHINE, stored));
    deleteKey(kLocalMachine, path, false, kView32);
    EXPECT_FALSE(rawKeyExists(HKEY_LOCAL_MACHINE, view32(path)));
    EXPECT_TRUE(rawKeyExists(HKEY_LOCAL_MACHINE, path + L"\\child"));

    ASSERT_TRUE(createRawKey(HKEY_LOCAL_MACHINE, view32(path) + L"\\child"));
    deleteKey(kLocalMachine, path, false, 0);
    EXPECT_FALSE(rawKeyExists(HKEY_LOCAL_MACHINE, path));
    EXPECT_TRUE(rawKeyExists(HKEY_LOCAL_MACHINE, view32(path) + L"\\child"));
}

}  // namespace

// set-long-name <key path>: a value whose name is too long, through setValue0.
int setLongNameScenario(const std::vector<std::u16string>& arguments) {
    TestJni jni;
    NativeLibrary library(testjni::rwtnativePath());
    const std::wstring longName(20000, L'n');
    const jboolean written = registryNative<SetValueNative>(library, "setValue0")(
        jni.env(), nullptr, kCurrentUser, jni.string(arguments.at(0)), jni.string(toU16(longName)),
        jni.string(u"x"), kStringCode, 0);
    std::printf("result=%s\n", written == JNI_TRUE ? "true" : "false");
    std::fflush(stdout);
    return 0;
}

}  // namespace tavik::test::registry
