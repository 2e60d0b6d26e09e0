#pragma once
// Running the application in this process: the way of a direct run and of
// the service's supervised child.
#include <string>
#include <vector>

namespace tavik {

// Extraction into a new temporary directory, native library directories,
// the console control handler when `consoleHandler` is set, the
// single-instance guard, then a Java VM running the main class with
// `tokens` (all but the first reach the main method). Every failure ends the
// process through the error path.
void launchPipeline(const std::vector<std::u16string>& tokens, bool consoleHandler);

}  // namespace tavik
