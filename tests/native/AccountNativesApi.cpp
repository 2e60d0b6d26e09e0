#include "tests/native/AccountNativesApi.h"

#include "common/win/WideText.h"

namespace tavik::test::accounts {
namespace {

using SidNative = jstring(JNICALL*)(JNIEnv*, jclass);
using MemberNative = jboolean(JNICALL*)(JNIEnv*, jclass, jint);
using ElevationTypeNative = jint(JNICALL*)(JNIEnv*, jclass);
using ExecuteNative = jboolean(JNICALL*)(JNIEnv*, jclass, jstring, jstring, jstring, jint);
using AddUserNative = jstring(JNICALL*)(JNIEnv*, jclass, jstring, jstring, jstring, jstring, jstring, jboolean,
                                        jboolean);
using DeleteNative = jint(JNICALL*)(JNIEnv*, jclass, jstring, jstring);
using AccountNameNative = jstring(JNICALL*)(JNIEnv*, jclass, jstring, jboolean);
using ProfileNative = jstring(JNICALL*)(JNIEnv*, jclass, jstring, jstring);
using RightNative = jboolean(JNICALL*)(JNIEnv*, jclass, jstring, jstring, jboolean);
using AceNative = jboolean(JNICALL*)(JNIEnv*, jclass, jstring, jboolean, jboolean, jboolean, jboolean, jboolean, jint,
                                     jstring);

jboolean flag(bool value) { return value ? JNI_TRUE : JNI_FALSE; }

}  // namespace

AccountNatives::AccountNatives() : library_(testjni::rwtnativePath()) {}

template <class Function>
Function AccountNatives::userInfo(const char* method) const {
    return library_.native<Function>("Win32UserInfo", method);
}

jstring AccountNatives::string(const wchar_t* text) {
    return text == nullptr ? nullptr : jni_.string(toU16(text));
}

std::optional<std::u16string> AccountNatives::userSid() {
    return jni_.text(userInfo<SidNative>("getUserSid0")(jni_.env(), nullptr));
}

bool AccountNatives::isMemberOfGroup(jint rid) {
    return userInfo<MemberNative>("isMemberOfGroup0")(jni_.env(), nullptr, rid) == JNI_TRUE;
}

jint AccountNatives::elevationType() {
    return userInfo<ElevationTypeNative>("getElevationType0")(jni_.env(), nullptr);
}

bool AccountNatives::executeElevated(const wchar_t* file, const wchar_t* parameters, const wchar_t* directory,
                                     jint show) {
    return userInfo<ExecuteNative>("executeElevated0")(jni_.env(), nullptr, string(file), string(parameters),
                                                       string(directory), show) == JNI_TRUE;
}

std::optional<std::u16string> AccountNatives::addUser(const wchar_t* name, const wchar_t* password,
                                                      const wchar_t* comment, const wchar_t* group,
                                                      const wchar_t* groupComment, bool createGroup,
                                                      bool failIfGroupExists) {
    return jni_.text(userInfo<AddUserNative>("addUser0")(jni_.env(), nullptr, string(name), string(password),
                                                         string(comment), string(group), string(groupComment),
                                                         flag(createGroup), flag(failIfGroupExists)));
}

jint AccountNatives::deleteUser(const wchar_t* server, const wchar_t* name) {
    return userInfo<DeleteNative>("deleteUser0")(jni_.env(), nullptr, string(server), string(name));
}

jint AccountNatives::deleteLocalGroup(const wchar_t* server, const wchar_t* name) {
    return userInfo<DeleteNative>("deleteLocalGroup0")(jni_.env(), nullptr, string(server), string(name));
}

std::optional<std::u16string> AccountNatives::accountName(const wchar_t* sid, bool nameOnly) {
    return jni_.text(userInfo<AccountNameNative>("getAccountName0")(jni_.env(), nullptr, string(sid), flag(nameOnly)));
}

std::optional<std::u16string> AccountNatives::profileDirectory(const wchar_t* sid, const wchar_t* password) {
    return jni_.text(
        userInfo<ProfileNative>("getUserProfileDirectory0")(jni_.env(), nullptr, string(sid), string(password)));
}

bool AccountNatives::setLsaAccountRight(const wchar_t* account, const wchar_t* right, bool add) {
    return userInfo<RightNative>("setLsaAccountRight0")(jni_.env(), nullptr, string(account), string(right),
                                                        flag(add)) == JNI_TRUE;
}

bool AccountNatives::addAce(const wchar_t* path, bool registryKey, bool read, bool write, bool execute, bool all,
                            jint accountCode, const wchar_t* account) {
    const auto native = library_.native<AceNative>("ACLHandling", "addACE");
    return native(jni_.env(), nullptr, string(path), flag(registryKey), flag(read), flag(write), flag(execute),
                  flag(all), accountCode, string(account)) == JNI_TRUE;
}

}  // namespace tavik::test::accounts
