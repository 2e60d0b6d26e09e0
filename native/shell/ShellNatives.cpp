// The natives of ShellLink, FolderInfo and FileVersion: each converts its
// arguments, asks the shell link, folder and file-version modules and hands
// the answer back. None throws into Java: out of memory gives the native's
// failure value.
#include <windows.h>

#include <objbase.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "native/jni/JniExport.h"
#include "native/jni/JniShell.h"
#include "native/jni/JniText.h"
#include "native/shell/FileVersion.h"
#include "native/shell/FolderInfo.h"
#include "native/shell/ShellLink.h"
#include "native/shell/ShellRules.h"

using tavik::native::newJavaString;
using tavik::native::NativeString;
using tavik::native::toWideString;
namespace shell = tavik::native::shell;

namespace {

using tavik::native::guarded;
using tavik::native::toJava;

jstring toJava(JNIEnv* env, const std::optional<std::u16string>& text) {
    if (!text) return nullptr;
    const jstring result = newJavaString(env, *text);
    if (result == nullptr) env->ExceptionClear();
    return result;
}

// A byte array's elements, read in place and released without copy-back;
// nullopt for a null array or one the VM cannot hand out.
std::optional<std::vector<std::uint8_t>> elementsOf(JNIEnv* env, jbyteArray array) {
    if (array == nullptr) return std::nullopt;
    const jsize length = env->GetArrayLength(array);
    jbyte* const elements = env->GetByteArrayElements(array, nullptr);
    if (elements == nullptr) {
        env->ExceptionClear();
        return std::nullopt;
    }
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(elements);
    std::vector<std::uint8_t> copy(bytes, bytes + length);
    env->ReleaseByteArrayElements(array, elements, JNI_ABORT);
    return copy;
}

// The zero-terminated code-page text an array holds; it ends at the array's
// end when the terminator is missing.
std::optional<std::string> narrowText(JNIEnv* env, jbyteArray array) {
    const std::optional<std::vector<std::uint8_t>> bytes = elementsOf(env, array);
    if (!bytes) return std::nullopt;
    return shell::bytesUpToZero(bytes->data(), bytes->size());
}

std::optional<std::u16string> wideText(JNIEnv* env, jbyteArray array) {
    const std::optional<std::vector<std::uint8_t>> bytes = elementsOf(env, array);
    if (!bytes) return std::nullopt;
    return shell::unitsUpToZero(bytes->data(), bytes->size());
}

const char* orNull(const std::optional<std::string>& text) { return text ? text->c_str() : nullptr; }

}  // namespace

TAVIK_NATIVE(jint, FileVersion, compare0)(JNIEnv* env, jclass, jstring first, jstring second) {
    constexpr auto kUnreadable = static_cast<jint>(shell::VersionOrder::Unreadable);
    return guarded(kUnreadable, [&] {
        return static_cast<jint>(
            shell::compareFileVersions(toWideString(env, first).wide(), toWideString(env, second).wide()));
    });
}

TAVIK_NATIVE(jstring, FolderInfo, getSpecialFolder0)(JNIEnv* env, jclass, jint id, jboolean allUsers) {
    return guarded(jstring{}, [&] { return toJava(env, shell::specialFolderPath(id, allUsers != JNI_FALSE)); });
}

TAVIK_NATIVE(jstring, FolderInfo, getPathFromRegistry0)(JNIEnv* env, jclass, jstring valueName) {
    return guarded(jstring{}, [&] {
        return toJava(env, shell::currentVersionValue(toWideString(env, valueName).wide()));
    });
}

TAVIK_NATIVE(jstring, FolderInfo, getWindowsDirectory0)(JNIEnv* env, jclass) {
    return guarded(jstring{}, [&] { return toJava(env, shell::windowsDirectory()); });
}

TAVIK_NATIVE(jstring, FolderInfo, getSystemDirectory0)(JNIEnv* env, jclass) {
    return guarded(jstring{}, [&] { return toJava(env, shell::systemDirectory()); });
}

TAVIK_NATIVE(jint, FolderInfo, getDriveType0)(JNIEnv* env, jclass, jstring rootPath) {
    return guarded(jint{DRIVE_UNKNOWN}, [&] {
        return static_cast<jint>(shell::driveType(toWideString(env, rootPath).wide()));
    });
}

// Where the system has no answer, the very string object passed in.
TAVIK_NATIVE(jstring, FolderInfo, getShortPathName0)(JNIEnv* env, jclass, jstring path) {
    return guarded(path, [&] {
        const std::optional<std::u16string> shortName = shell::shortPathName(toWideString(env, path).wide());
        return shortName ? toJava(env, shortName) : path;
    });
}

TAVIK_NATIVE(jstring, FolderInfo, getUniversalPathName0)(JNIEnv* env, jclass, jstring path) {
    return guarded(path, [&] {
        const std::optional<std::u16string> name = shell::universalName(toWideString(env, path).wide());
        return name ? toJava(env, name) : path;
    });
}

TAVIK_NATIVE(jboolean, ShellLink, createWide0)(JNIEnv* env, jclass, jstring linkFile, jstring target,
                                               jstring workingDirectory, jstring iconFile, jstring arguments,
                                               jboolean runAsAdministrator, jstring description, jint showCommand) {
    return guarded(jboolean{JNI_FALSE}, [&] {
        const NativeString texts[] = {toWideString(env, linkFile), toWideString(env, target),
                                      toWideString(env, workingDirectory), toWideString(env, iconFile),
                                      toWideString(env, arguments), toWideString(env, description)};
        shell::LinkRequest<wchar_t> request;
        request.linkFile = texts[0].wide();
        request.target = texts[1].wide();
        request.workingDirectory = texts[2].wide();
        request.iconFile = texts[3].wide();
        request.arguments = texts[4].wide();
        request.runAsAdministrator = runAsAdministrator != JNI_FALSE;
        request.description = texts[5].wide();
        request.showCommand = showCommand;
        return toJava(shell::saveLink(request));
    });
}

TAVIK_NATIVE(jboolean, ShellLink, create0)(JNIEnv* env, jclass, jstring linkFile, jbyteArray target,
                                           jbyteArray workingDirectory, jbyteArray iconFile, jbyteArray arguments,
                                           jboolean runAsAdministrator, jbyteArray description) {
    return guarded(jboolean{JNI_FALSE}, [&] {
        const NativeString file = toWideString(env, linkFile);
        const std::optional<std::string> texts[] = {narrowText(env, target), narrowText(env, workingDirectory),
                                                    narrowText(env, iconFile), narrowText(env, arguments),
                                                    narrowText(env, description)};
        shell::LinkRequest<char> request;
        request.linkFile = file.wide();
        request.target = orNull(texts[0]);
        request.workingDirectory = orNull(texts[1]);
        request.iconFile = orNull(texts[2]);
        request.arguments = orNull(texts[3]);
        request.runAsAdministrator = runAsAdministrator != JNI_FALSE;
        request.description = orNull(texts[4]);
        return toJava(shell::saveLink(request));
    });
}

// True even when the shell could not be told: the Java side has nothing to undo.
TAVIK_NATIVE(jboolean, ShellLink, changeNotify0)(JNIEnv* env, jclass, jbyteArray deleted, jbyteArray updated) {
    guarded(false, [&] { return shell::notifyDeletedAndUpdated(wideText(env, deleted), wideText(env, updated)); });
    return JNI_TRUE;
}

TAVIK_NATIVE(jboolean, ShellLink, initialize0)(JNIEnv*, jclass) {
    ::CoInitialize(nullptr);
    return JNI_TRUE;
}

TAVIK_NATIVE(jboolean, ShellLink, uninitialize)(JNIEnv*, jclass) {
    ::CoUninitialize();
    return JNI_TRUE;
}
