#pragma once
// The launcher's own temporary directory, made in the temporary base for
// each run, and the forms of the base that end the process when there is none.
#include <string>

namespace tavik::paths {

// The temporary base (see TempBase.h); ends the process with message 1015
// when no candidate is usable.
std::string tempBaseDirectory();
std::u16string tempBaseDirectoryWide();

// A unique placeholder name in the 8-bit temporary base, "tvk..." as the
// system makes it (which leaves an empty file of that name in place), or
// "tvk<random number>" when the system cannot. Ends the process with message
// 1015 when there is no usable base.
std::string tempFileName();

// Makes the launcher's temporary directory, "<placeholder>_dir<seconds since
// 1970>", in up to 10 attempts, hands its removal to the error path
// (removeAtLauncherExit) and returns its path. Ends the process with message
// 1009 and "7" when every attempt fails.
std::string createTempDirectory();

// From now on exitLauncher removes `directory` (the launcher's temporary
// directory) before the process ends: the files in it and in its direct
// subdirectories, those subdirectories, then the directory itself. An empty
// path removes nothing.
void removeAtLauncherExit(std::string directory);

}  // namespace tavik::paths
