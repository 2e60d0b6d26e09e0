#pragma once
// Where the running launcher lives.
#include <string>

namespace tavik {

// The module file name as the system reports it.
std::u16string moduleFileName();

// The long form of the module file name (the name as reported when the
// long-form query fails), with doubled backslashes collapsed. Computed on
// first use and kept for the process.
const std::u16string& launcherPathWide();

}  // namespace tavik
