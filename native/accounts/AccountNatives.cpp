// The natives of Win32UserInfo and ACLHandling: each converts its arguments,
// asks the account modules and hands their answer back. None throws into
// Java; out of memory answers like any other failure of the native.
#include <windows.h>

#include <optional>
#include <string>

#include "native/accounts/AccessEntries.h"
#include "native/accounts/AccountLookup.h"
#include "native/accounts/AccountRights.h"
#include "native/accounts/CurrentToken.h"
#include "native/accounts/Elevation.h"
#include "native/accounts/LocalAccounts.h"
#include "native/jni/JniExport.h"
#include "native/jni/JniShell.h"
#include "native/jni/JniText.h"

using tavik::native::NativeString;
using tavik::native::newJavaString;
using tavik::native::toWideString;
namespace accounts = tavik::native::accounts;

namespace {

using tavik::native::guarded;
using tavik::native::toJava;

jstring javaString(JNIEnv* env, const std::u16string& text) { return newJavaString(env, std::u16string_view(text)); }

}  // namespace

TAVIK_NATIVE(jboolean, ACLHandling, addACE)(JNIEnv* env, jclass, jstring path, jboolean registryKey, jboolean read,
                                            jboolean write, jboolean execute, jboolean all, jint accountCode,
                                            jstring account) {
    return guarded(jboolean{JNI_FALSE}, [&] {
        const NativeString pathText = toWideString(env, path);
        const NativeString accountText = toWideString(env, account);
        accounts::AccessGrant grant;
        grant.path = pathText.wide();
        grant.registryKey = registryKey != JNI_FALSE;
        grant.read = read != JNI_FALSE;
        grant.write = write != JNI_FALSE;
        grant.execute = execute != JNI_FALSE;
        grant.all = all != JNI_FALSE;
        grant.accountCode = accountCode;
        grant.account = accountText.wide();
        return toJava(accounts::addAccessEntry(grant));
    });
}

TAVIK_NATIVE(jboolean, Win32UserInfo, isMemberOfGroup0)(JNIEnv*, jclass, jint rid) {
    return toJava(accounts::isMemberOfBuiltinGroup(static_cast<DWORD>(rid)));
}

TAVIK_NATIVE(jboolean, Win32UserInfo, executeElevated0)(JNIEnv* env, jclass, jstring file, jstring parameters,
                                                        jstring directory, jint show) {
    return guarded(jboolean{JNI_FALSE}, [&] {
        return toJava(accounts::executeElevated(toWideString(env, file).wide(), toWideString(env, parameters).wide(),
                                               toWideString(env, directory).wide(), show));
    });
}

TAVIK_NATIVE(jint, Win32UserInfo, getElevationType0)(JNIEnv*, jclass) { return accounts::elevationType(); }

TAVIK_NATIVE(jstring, Win32UserInfo, addUser0)(JNIEnv* env, jclass, jstring name, jstring password, jstring comment,
                                               jstring group, jstring groupComment, jboolean createGroup,
                                               jboolean failIfGroupExists) {
    return guarded(jstring{}, [&]() -> jstring {
        const NativeString nameText = toWideString(env, name);
        const NativeString passwordText = toWideString(env, password);
        const NativeString commentText = toWideString(env, comment);
        const NativeString groupText = toWideString(env, group);
        const NativeString groupCommentText = toWideString(env, groupComment);
        accounts::NewUser user;
        user.name = nameText.wide();
        user.password = passwordText.wide();
        user.comment = commentText.wide();
        user.group = groupText.wide();
        user.groupComment = groupCommentText.wide();
        user.createGroup = createGroup != JNI_FALSE;
        user.failIfGroupExists = failIfGroupExists != JNI_FALSE;
        const std::optional<std::u16string> result = accounts::addUser(user);
        return result ? javaString(env, *result) : nullptr;
    });
}

TAVIK_NATIVE(jint, Win32UserInfo, deleteUser0)(JNIEnv* env, jclass, jstring server, jstring name) {
    return guarded(jint{-1}, [&] {
        return accounts::deleteUser(toWideString(env, server).wide(), toWideString(env, name).wide());
    });
}

TAVIK_NATIVE(jint, Win32UserInfo, deleteLocalGroup0)(JNIEnv* env, jclass, jstring server, jstring name) {
    return guarded(jint{-1}, [&] {
        return accounts::deleteLocalGroup(toWideString(env, server).wide(), toWideString(env, name).wide());
    });
}

TAVIK_NATIVE(jstring, Win32UserInfo, getAccountName0)(JNIEnv* env, jclass, jstring sid, jboolean nameOnly) {
    return guarded(jstring{}, [&] {
        return javaString(env, accounts::accountNameOf(toWideString(env, sid).wide(), nameOnly != JNI_FALSE));
    });
}

TAVIK_NATIVE(jstring, Win32UserInfo, getUserProfileDirectory0)(JNIEnv* env, jclass, jstring sid, jstring password) {
    return guarded(jstring{}, [&] {
        return javaString(env,
                          accounts::profileDirectoryOf(toWideString(env, sid).wide(), toWideString(env, password).wide()));
    });
}

TAVIK_NATIVE(jstring, Win32UserInfo, getUserSid0)(JNIEnv* env, jclass) {
    return guarded(jstring{}, [&]() -> jstring {
        const std::optional<std::wstring> sid = accounts::currentUserSid();
        return sid ? newJavaString(env, sid->c_str()) : nullptr;
    });
}

TAVIK_NATIVE(jboolean, Win32UserInfo, setLsaAccountRight0)(JNIEnv* env, jclass, jstring account, jstring right,
                                                           jboolean add) {
    return guarded(jboolean{JNI_FALSE}, [&] {
        return toJava(accounts::setAccountRight(toWideString(env, account).wide(), toWideString(env, right).wide(),
                                               add != JNI_FALSE));
    });
}
