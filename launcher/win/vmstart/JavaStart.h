#pragma once
// Starting the Java application in this process: what the launch has
// settled, gathered into the inputs of the portable VM start, and the helper
// library of the installer flavour.
#include <optional>
#include <string>
#include <vector>

#include "launcher/jvm/JavaVMLauncher.h"
#include "launcher/win/vmstart/SettledLaunch.h"

namespace tavik::vmstart {

// `tokens` as the launch pipeline has them: the program path (or, in a
// service child, the service name) first, then the launcher's arguments.
jvm::JavaStartInputs gatherJavaStartInputs(const std::vector<std::u16string>& tokens, const SettledLaunch& settled);

// The helper library's path: id 10003 made absolute against the launcher
// directory, then ".runwright\rwtnative.dll".
std::u16string helperLibraryPath();

// Loads the helper library (for the life of the process) and binds its
// registerNatives; none when it does not load.
std::optional<jvm::HelperLibrary> loadHelperLibrary();

}  // namespace tavik::vmstart
