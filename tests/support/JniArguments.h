#pragma once
// The test VMs' reading of a call's variable arguments: which va_arg type each
// parameter of a method descriptor takes, with C's default promotions.
#include <jni.h>

#include <cstdarg>
#include <string>
#include <string_view>
#include <vector>

namespace tavik::test {

// One letter per parameter: the primitive's own, 'L' for every reference (arrays included).
inline std::string parameterTypes(std::string_view descriptor) {
    std::string types;
    for (std::size_t i = 1; i < descriptor.size() && descriptor[i] != ')'; ++i) {
        const std::size_t start = i;
        while (i < descriptor.size() && descriptor[i] == '[') ++i;
        if (i < descriptor.size() && descriptor[i] == 'L') i = descriptor.find(';', i);
        if (i == std::string_view::npos) break;
        types += i > start || descriptor[start] == 'L' ? 'L' : descriptor[start];
    }
    return types;
}

inline std::vector<jvalue> argumentsFrom(std::string_view descriptor, va_list args) {
    std::vector<jvalue> values;
    for (const char type : parameterTypes(descriptor)) {
        jvalue value{};
        switch (type) {
        case 'Z': value.z = static_cast<jboolean>(va_arg(args, int)); break;
        case 'B': value.b = static_cast<jbyte>(va_arg(args, int)); break;
        case 'C': value.c = static_cast<jchar>(va_arg(args, int)); break;
        case 'S': value.s = static_cast<jshort>(va_arg(args, int)); break;
        case 'I': value.i = va_arg(args, jint); break;
        case 'J': value.j = va_arg(args, jlong); break;
        case 'F': value.f = static_cast<jfloat>(va_arg(args, double)); break;
        case 'D': value.d = va_arg(args, double); break;
        default: value.l = va_arg(args, jobject); break;
        }
        values.push_back(value);
    }
    return values;
}

}  // namespace tavik::test
