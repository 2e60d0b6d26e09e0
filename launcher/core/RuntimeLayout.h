#pragma once
// Where a Java runtime keeps its parts, as far as the path of its java.exe
// tells: the bin directory, the home recorded for the VM start, the jre of a
// JDK, the VM library's subdirectories, and the packed archives of lib.
#include <string>
#include <string_view>
#include <vector>

namespace tavik::jvm {

// The directory of a java.exe or javaw.exe path, without the backslash: the
// path less "javaw.exe" when it ends so, else less a name as long as
// "java.exe". Empty when the path is not longer than the name.
std::string binDirectoryOf(std::string_view javaExe);

// The path up to and including its last backslash, then "..": for example
// "c:\jre\bin\.." for "c:\jre\bin\java.exe".
std::string runtimeHomeOf(std::string_view javaExe);

// The java.exe of the jre below a JDK whose own bin holds no VM library:
// the directory of `javaExe` (with its backslash), then "..\jre\bin\java.exe".
std::string jreJavaExeOf(std::string_view javaExe);

// The subdirectories of bin tried for jvm.dll: the configured one (when
// there is one), then "client", "server", "j9vm", "hotspot", "jrockit".
std::vector<std::string> vmSubdirectoriesInTrialOrder(std::string_view preferred);

// The subdirectories of a runtime whose "*.jar.pack" archives are unpacked.
inline constexpr const char* kPackedArchiveDirectories[] = {"lib", "lib\\ext"};
inline constexpr std::string_view kPackSuffix = ".pack";

// A packed archive's path or name without its last five characters (its
// ".pack"); the empty text for a shorter one.
std::string unpackedArchiveOf(std::string_view packedPath);

// unpack200's command line, without the tool's own name: -r "<packed>" "<unpacked>".
std::string unpackArguments(std::string_view packedPath);

}  // namespace tavik::jvm
