#pragma once
// The account natives as the tests call them: looked up by export name in the
// real rwtnative.dll, with Java arguments built by the test JNI environment.
#include <windows.h>

#include <jni.h>

#include <optional>
#include <string>

#include "tests/native/support/TestJni.h"

namespace tavik::test::accounts {

class AccountNatives {
public:
    AccountNatives();

    testjni::TestJni& jni() { return jni_; }

    std::optional<std::u16string> userSid();
    bool isMemberOfGroup(jint rid);
    jint elevationType();
    bool executeElevated(const wchar_t* file, const wchar_t* parameters, const wchar_t* directory, jint show);
    std::optional<std::u16string> addUser(const wchar_t* name, const wchar_t* password, const wchar_t* comment,
                                          const wchar_t* group, const wchar_t* groupComment, bool createGroup,
                                          bool failIfGroupExists);
    jint deleteUser(const wchar_t* server, const wchar_t* name);
    jint deleteLocalGroup(const wchar_t* server, const wchar_t* name);
    std::optional<std::u16string> accountName(const wchar_t* sid, bool nameOnly);
    std::optional<std::u16string> profileDirectory(const wchar_t* sid, const wchar_t* password);
    bool setLsaAccountRight(const wchar_t* account, const wchar_t* right, bool add);
    bool addAce(const wchar_t* path, bool registryKey, bool read, bool write, bool execute, bool all, jint accountCode,
                const wchar_t* account);

private:
    template <class Function>
    Function userInfo(const char* method) const;
    jstring string(const wchar_t* text);  // null stays null

    testjni::TestJni jni_;
    testjni::NativeLibrary library_;
};

}  // namespace tavik::test::accounts
