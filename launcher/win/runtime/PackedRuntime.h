#pragma once
// A runtime shipped with its class archives packed ("*.jar.pack" in lib and
// lib\ext) is unpacked with its own bin\unpack200.exe before it is judged.
#include <string>

namespace tavik::runtime {

// Unpacks every packed archive of `runtimeDirectory` (normalised) that has
// no ".jar" yet and deletes the packed file. Ends the process with message
// 1009 and "20" when the tool cannot be started.
void unpackPackedRuntime(const std::string& runtimeDirectory);

// One subdirectory; `started` is shared by the calls of one unpacking so the
// progress line is printed once.
void unpackPackedDirectory(const std::string& runtimeDirectory, const std::string& subdirectory, bool& started);

// Runs the tool on one packed file, waits for it and deletes the packed file.
void unpackArchive(const std::string& runtimeDirectory, const std::string& packedPath);

}  // namespace tavik::runtime
