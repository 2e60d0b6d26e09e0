#pragma once
// Names of the archived files (configuration id 2003) and the rule that keeps
// every extracted file inside the launcher's temporary directory.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tavik::archive {

// The ';'-separated list, empty fields skipped, in archive order.
std::vector<std::string> splitNameList(std::string_view list);

// The names that extraction uses: the first `count` of the list, fewer when
// the list is shorter, none for a count of zero or less.
std::vector<std::string> namesToExtract(std::int32_t count, std::string_view list);

// Why the launcher refuses to extract under `name`, or none. A name may be
// a file, or one subdirectory and a file ("lib\a.jar"). Names that are
// empty or absolute, name a drive or stream (':'), hold a ".." component or
// more than one separator ('\' or '/', which Windows treats alike) could
// write outside the temporary directory and are refused. So are components
// that Windows takes for a device ("NUL", "com1.txt", "LPT\xB9" with the
// superscript one), wherever they stand.
// The reason reads after the name: "is empty", "holds ':'; ...".
std::optional<std::string> refusalReason(std::string_view name);
bool isSafeArchiveName(std::string_view name);

// Why a packer must not write `name`, or none: whatever the launcher
// refuses, and names it takes but that do not extract as written: a ';'
// splits the list, '/' makes no subdirectory, empty and "." parts.
std::optional<std::string> packingProblem(std::string_view name);

// The first name that isSafeArchiveName refuses, if any.
std::optional<std::string> firstUnsafeName(const std::vector<std::string>& names);

// The subdirectory part of a name ("lib" for "lib\a.jar"), empty without one.
std::string subdirectoryOf(std::string_view name);

}  // namespace tavik::archive
