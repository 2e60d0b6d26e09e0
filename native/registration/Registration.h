#pragma once
// Binds every registered native with RegisterNatives, class by class in the
// table's order; the first class that fails ends the whole registration and
// leaves the classes before it bound.
#include <jni.h>

#include <functional>
#include <string>

namespace tavik::native {

// The function a native's export name leads to; null when not exported.
using ExportLookUp = std::function<void*(const std::string& exportName)>;
using Reporter = std::function<void(const std::u16string& message)>;

bool registerAllNatives(JNIEnv* env, const ExportLookUp& lookUp, const Reporter& report);

}  // namespace tavik::native
