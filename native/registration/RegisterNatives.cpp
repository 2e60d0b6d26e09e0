// The entry point a launcher calls with its environment, this library's
// module handle and its message function.
#include <windows.h>

#include <jni.h>

#include <string>

#include "native/registration/Registration.h"

namespace {

using MessageFunction = void(__cdecl*)(const wchar_t* format, ...);

}  // namespace

extern "C" JNIEXPORT unsigned char __cdecl registerNatives(JNIEnv* env, HMODULE module, MessageFunction message) {
    const auto lookUp = [module](const std::string& exportName) {
        // Through void*: GCC warns about casts between unrelated function types.
        return reinterpret_cast<void*>(::GetProcAddress(module, exportName.c_str()));
    };
    const auto report = [message](const std::u16string& text) {
        if (message != nullptr) message(L"%ls", reinterpret_cast<const wchar_t*>(text.c_str()));
    };
    try {
        return tavik::native::registerAllNatives(env, lookUp, report) ? 1 : 0;
    } catch (...) {
        return 0;  // out of memory: nothing may unwind into the VM
    }
}
