#pragma once
// The Win32Proxy natives of the real rwtnative.dll, looked up by their export
// names and called with the test JNI environment, as a VM binding by name
// calls them.
#include <jni.h>

#include <optional>
#include <string>
#include <vector>

#include "tests/native/support/TestJni.h"

namespace tavik::test::proxy {

// A Java string array's elements, null ones as nullopt.
using Elements = std::vector<std::optional<std::u16string>>;

class JavaSide {
public:
    testjni::TestJni& jni() { return jni_; }

    jobjectArray array(const Elements& initial);
    Elements contents(jobjectArray array);
    bool exceptionPending();

    bool loadFunctions();
    jint ieConfig(jobjectArray elements);
    jint defaultConfig(jobjectArray elements);
    jlong autoProxy(jobjectArray elements, const std::optional<std::u16string>& url,
                    const std::optional<std::u16string>& scriptUrl, jint flags, jint autoDetectFlags,
                    bool autoLogonIfChallenged = false);

private:
    jstring stringOrNull(const std::optional<std::u16string>& text);

    testjni::TestJni jni_;
};

}  // namespace tavik::test::proxy
