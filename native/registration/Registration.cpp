#include "native/registration/Registration.h"

#include <vector>

#include "native/registration/NativeTable.h"

namespace tavik::native {
namespace {

std::u16string widenAscii(const std::string& text) { return std::u16string(text.begin(), text.end()); }

bool registerClass(JNIEnv* env, const NativeClass& nativeClass, const ExportLookUp& lookUp, const Reporter& report) {
    const std::string path = classPath(nativeClass.name);
    const jclass type = env->FindClass(path.c_str());
    if (type == nullptr) {
        report(u"could not load class " + widenAscii(path));
        return false;
    }
    std::vector<JNINativeMethod> records;
    for (const NativeMethod& method : nativeClass.methods) {
        const std::string name = exportName(nativeClass.name, method.name);
        void* function = lookUp(name);
        if (function == nullptr) {
            report(u"did not find " + widenAscii(name));
            env->DeleteLocalRef(type);
            return false;
        }
        records.push_back({const_cast<char*>(method.name), const_cast<char*>(method.signature), function});
    }
    const jint status = env->RegisterNatives(type, records.data(), static_cast<jint>(records.size()));
    env->DeleteLocalRef(type);
    if (status != 0) {
        report(u"register " + widenAscii(path) + u" failed " + widenAscii(std::to_string(status)));
        return false;
    }
    return true;
}

}  // namespace

bool registerAllNatives(JNIEnv* env, const ExportLookUp& lookUp, const Reporter& report) {
    for (const NativeClass& nativeClass : registeredClasses()) {
        if (!registerClass(env, nativeClass, lookUp, report)) return false;
    }
    return true;
}

}  // namespace tavik::native
