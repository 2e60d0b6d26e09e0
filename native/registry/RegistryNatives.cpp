// The natives of Registry: each converts its arguments, asks the registry
// module and turns what it found into Java objects. None throws into Java;
// every failure is a false, a null or no effect.
#include <windows.h>
#include <shlobj.h>

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "native/jni/JniExport.h"
#include "native/jni/JniShell.h"
#include "native/jni/JniStringArrays.h"
#include "native/jni/JniText.h"
#include "native/registry/RegistryAccess.h"
#include "native/registry/RegistryRules.h"
#include "native/system/ShellBinding.h"

using tavik::native::NativeString;
using tavik::native::toWideString;
namespace registry = tavik::native::registry;

namespace {

using tavik::native::guarded;

// The type codes the Java side passes to setValue0.
enum TypeCode : jint { kString = 1, kDword = 2, kMultiString = 3, kBinary = 4, kExpandString = 5 };

constexpr const char* kExpandStringClass = "com/runwright/api/windows/WinRegistry$ExpandString";

// For the boolean natives: out of memory is a failure like any other.
template <class Body>
jboolean guardedTruth(Body body) noexcept {
    return guarded(false, body) ? JNI_TRUE : JNI_FALSE;
}

REGSAM viewOf(jint view) { return static_cast<REGSAM>(view); }

// The units of a converted string, up to its first zero as a native string ends there.
std::u16string_view unitsOf(const NativeString& text) {
    return text.isNull() ? std::u16string_view{} : std::u16string_view(text.get());
}

bool isInstance(JNIEnv* env, jobject object, const char* classPath) {
    if (object == nullptr) return false;
    const jclass type = env->FindClass(classPath);
    if (type == nullptr) return false;
    const bool instance = env->IsInstanceOf(object, type) != JNI_FALSE;
    env->DeleteLocalRef(type);
    return instance;
}

registry::StoredValue unitsValue(DWORD type, std::u16string_view units) {
    const auto* first = reinterpret_cast<const std::uint8_t*>(units.data());
    return {type, std::vector<std::uint8_t>(first, first + units.size() * sizeof(char16_t))};
}

std::optional<std::int32_t> intValue(JNIEnv* env, jobject integer) {
    const jclass integerClass = env->FindClass("java/lang/Integer");
    if (integerClass == nullptr) return std::nullopt;
    const jmethodID method = env->GetMethodID(integerClass, "intValue", "()I");
    env->DeleteLocalRef(integerClass);
    if (method == nullptr) return std::nullopt;
    return env->CallIntMethod(integer, method);
}

std::optional<registry::StoredValue> dwordValue(JNIEnv* env, jobject value) {
    if (!isInstance(env, value, "java/lang/Integer")) return std::nullopt;
    const std::optional<std::int32_t> number = intValue(env, value);
    if (!number) return std::nullopt;
    const auto bits = static_cast<std::uint32_t>(*number);
    return registry::StoredValue{REG_DWORD,
                                 {static_cast<std::uint8_t>(bits), static_cast<std::uint8_t>(bits >> 8),
                                  static_cast<std::uint8_t>(bits >> 16), static_cast<std::uint8_t>(bits >> 24)}};
}

std::optional<registry::StoredValue> multiStringValue(JNIEnv* env, jobject value) {
    if (!isInstance(env, value, "[Ljava/lang/String;")) return std::nullopt;
    const std::vector<NativeString> texts = tavik::native::toWideStrings(env, static_cast<jobjectArray>(value));
    std::vector<std::optional<std::u16string_view>> strings;
    for (const NativeString& text : texts)
        strings.push_back(text.isNull() ? std::nullopt : std::optional(unitsOf(text)));
    const std::optional<std::u16string> data = registry::multiStringData(strings);
    if (!data) return std::nullopt;
    return unitsValue(REG_MULTI_SZ, *data);
}

std::optional<registry::StoredValue> binaryValue(JNIEnv* env, jobject value) {
    if (!isInstance(env, value, "[B")) return std::nullopt;
    const auto array = static_cast<jbyteArray>(value);
    const auto length = std::min<std::size_t>(static_cast<std::size_t>(env->GetArrayLength(array)),
                                              registry::kValueBufferBytes);
    registry::StoredValue stored{REG_BINARY, std::vector<std::uint8_t>(length)};
    env->GetByteArrayRegion(array, 0, static_cast<jsize>(length), reinterpret_cast<jbyte*>(stored.bytes.data()));
    return stored;
}

std::optional<registry::StoredValue> stringValue(JNIEnv* env, jobject value, DWORD type) {
    if (!isInstance(env, value, "java/lang/String")) return std::nullopt;
    const NativeString text = toWideString(env, static_cast<jstring>(value));
    return unitsValue(type, registry::stringData(unitsOf(text)));
}

// What the type code asks for, from a value object of the class it expects.
std::optional<registry::StoredValue> valueToWrite(JNIEnv* env, jobject value, jint typeCode) {
    switch (typeCode) {
    case kString: return stringValue(env, value, REG_SZ);
    case kExpandString: return stringValue(env, value, REG_EXPAND_SZ);
    case kDword: return dwordValue(env, value);
    case kMultiString: return multiStringValue(env, value);
    case kBinary: return binaryValue(env, value);
    default: return std::nullopt;
    }
}

// Null when any string cannot be made: a list with a hole reads as no list.
jobjectArray newCompleteStringArray(JNIEnv* env, const std::vector<std::u16string>& texts) {
    const jclass stringClass = env->FindClass("java/lang/String");
    if (stringClass == nullptr) return nullptr;
    const jobjectArray array = env->NewObjectArray(static_cast<jsize>(texts.size()), stringClass, nullptr);
    env->DeleteLocalRef(stringClass);
    if (array == nullptr) return nullptr;
    for (std::size_t i = 0; i < texts.size(); ++i) {
        const jstring element = tavik::native::newJavaString(env, texts[i]);
        if (element == nullptr) {
            env->DeleteLocalRef(array);
            return nullptr;
        }
        env->SetObjectArrayElement(array, static_cast<jsize>(i), element);
        env->DeleteLocalRef(element);
    }
    return array;
}

jobject newExpandString(JNIEnv* env, const std::u16string& text) {
    const jclass type = env->FindClass(kExpandStringClass);
    if (type == nullptr) return nullptr;
    const jmethodID constructor = env->GetMethodID(type, "<init>", "(Ljava/lang/String;)V");
    const jstring string = constructor == nullptr ? nullptr : tavik::native::newJavaString(env, text);
    const jobject created = string == nullptr ? nullptr : env->NewObject(type, constructor, string);
    if (string != nullptr) env->DeleteLocalRef(string);
    env->DeleteLocalRef(type);
    return created;
}

jobject newInteger(JNIEnv* env, std::int32_t value) {
    const jclass type = env->FindClass("java/lang/Integer");
    if (type == nullptr) return nullptr;
    const jmethodID constructor = env->GetMethodID(type, "<init>", "(I)V");
    const jobject created = constructor == nullptr ? nullptr : env->NewObject(type, constructor, value);
    env->DeleteLocalRef(type);
    return created;
}

jobject newByteArray(JNIEnv* env, const std::vector<std::uint8_t>& bytes) {
    const jbyteArray array = env->NewByteArray(static_cast<jsize>(bytes.size()));
    if (array == nullptr) return nullptr;
    env->SetByteArrayRegion(array, 0, static_cast<jsize>(bytes.size()), reinterpret_cast<const jbyte*>(bytes.data()));
    return array;
}

jobject valueObject(JNIEnv* env, const registry::StoredValue& value) {
    const std::uint8_t* data = value.bytes.data();
    const std::size_t size = value.bytes.size();
    switch (value.type) {
    case REG_SZ: return tavik::native::newJavaString(env, registry::textOfData(data, size));
    case REG_EXPAND_SZ: return newExpandString(env, registry::textOfData(data, size));
    case REG_BINARY: return newByteArray(env, value.bytes);
    case REG_DWORD: {
        const std::optional<std::int32_t> number = registry::dwordOfData(data, size);
        return number ? newInteger(env, *number) : nullptr;
    }
    case REG_MULTI_SZ: return newCompleteStringArray(env, registry::stringsOfData(data, size));
    default: return nullptr;
    }
}

jobjectArray namesArray(JNIEnv* env, const std::optional<std::vector<std::u16string>>& names) {
    return names ? tavik::native::newStringArray(env, *names) : nullptr;
}

}  // namespace

TAVIK_NATIVE(jboolean, Registry, keyExists0)(JNIEnv* env, jclass, jint root, jstring path, jint view) {
    return guardedTruth([&] {
        return static_cast<bool>(
            registry::openRegistryKey(root, toWideString(env, path).wide(), false, false, viewOf(view)));
    });
}

TAVIK_NATIVE(jboolean, Registry, createKey0)(JNIEnv* env, jclass, jint root, jstring path, jint view) {
    return guardedTruth([&] {
        return static_cast<bool>(
            registry::openRegistryKey(root, toWideString(env, path).wide(), true, false, viewOf(view)));
    });
}

TAVIK_NATIVE(jobject, Registry, getValue0)(JNIEnv* env, jclass, jint root, jstring path, jstring name, jint view) {
    return guarded<jobject>(nullptr, [&]() -> jobject {
        const std::optional<registry::StoredValue> value =
            registry::readValue(root, toWideString(env, path).wide(), toWideString(env, name).wide(), viewOf(view));
        return value ? valueObject(env, *value) : nullptr;
    });
}

TAVIK_NATIVE(jboolean, Registry, setValue0)(JNIEnv* env, jclass, jint root, jstring path, jstring name, jobject value,
                                            jint typeCode, jint view) {
    return guardedTruth([&] {
        return registry::writeValue(root, toWideString(env, path).wide(), toWideString(env, name).wide(),
                                    viewOf(view), [&] { return valueToWrite(env, value, typeCode); });
    });
}

TAVIK_NATIVE(void, Registry, deleteValue0)(JNIEnv* env, jclass, jint root, jstring path, jstring name, jint view) {
    guarded(0, [&] {
        registry::deleteValue(root, toWideString(env, path).wide(), toWideString(env, name).wide(), viewOf(view));
        return 0;
    });
}

TAVIK_NATIVE(void, Registry, deleteKey0)(JNIEnv* env, jclass, jint root, jstring path, jboolean onlyIfEmpty,
                                         jint view) {
    guarded(0, [&] {
        registry::deleteKey(root, toWideString(env, path).wide(), onlyIfEmpty != JNI_FALSE, viewOf(view));
        return 0;
    });
}

TAVIK_NATIVE(jboolean, Registry, saveKey0)(JNIEnv* env, jclass, jint root, jstring path, jstring file, jint view) {
    return guardedTruth([&] {
        return registry::saveKey(root, toWideString(env, path).wide(), toWideString(env, file).wide(), viewOf(view));
    });
}

TAVIK_NATIVE(jboolean, Registry, restoreKey0)(JNIEnv* env, jclass, jint root, jstring path, jstring file, jint view) {
    return guardedTruth([&] {
        return registry::restoreKey(root, toWideString(env, path).wide(), toWideString(env, file).wide(),
                                    viewOf(view));
    });
}

TAVIK_NATIVE(jobjectArray, Registry, enumSubKeys0)(JNIEnv* env, jclass, jint root, jstring path, jint view) {
    return guarded<jobjectArray>(nullptr, [&] {
        return namesArray(env, registry::subKeyNames(root, toWideString(env, path).wide(), viewOf(view)));
    });
}

TAVIK_NATIVE(jobjectArray, Registry, enumValues0)(JNIEnv* env, jclass, jint root, jstring path, jint view) {
    return guarded<jobjectArray>(nullptr, [&] {
        return namesArray(env, registry::valueNames(root, toWideString(env, path).wide(), viewOf(view)));
    });
}

// Unavailable shell functions leave the shell unnotified: there is nothing else to do.
TAVIK_NATIVE(void, Registry, changeNotifyAssociations0)(JNIEnv*, jclass) {
    tavik::native::shell::changeNotify(SHCNE_ASSOCCHANGED, SHCNF_IDLIST, nullptr, nullptr);
}
