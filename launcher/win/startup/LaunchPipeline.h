#pragma once
// Running the application in this process: the way of a direct run and of
// the service's supervised child.
#include <string>
#include <vector>

namespace tavik::startup {

// How the entry came to run the application: as the service's supervised
// child, or through one of the "run" commands (which ask the Java side not
// to redirect its output, or to).
enum class LaunchMode { SupervisedChild, Run, RunRedirect };

// Extraction into a new temporary directory, native library directories,
// the console control handler for a supervised child, the single-instance
// guard, the runtime, then a Java VM running the main class with `tokens`
// (all but the first reach the main method). Each stage hands what it
// settled to the next. Every failure ends the process through the error path.
void launchPipeline(const std::vector<std::u16string>& tokens, LaunchMode mode);

}  // namespace tavik::startup
