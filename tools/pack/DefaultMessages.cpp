#include "tools/pack/DefaultMessages.h"

namespace tavik::pack {

std::vector<WideRecord> defaultMessages() {
    // The launcher replaces the first "{0}" with the detail named in each comment.
    return {
        {1000, u"Error", {}},
        {1005, u"No suitable Java runtime was found on this computer.", {}},
        {1006, u"A required file or directory is missing: {0}", {}},  // the path entry
        {1008, u"The environment variable {0} is not set.", {}},      // its name
        {1009, u"An internal error occurred ({0}).", {}},             // a numeric code
        {1010, u"The application's main class was not found.", {}},
        {1011, u"The application's main method was not found.", {}},
        {1015, u"No usable temporary directory was found.", {}},
        {1016, u"No {0}-bit Java runtime was found.", {}},  // "32" or "64"
        {1018, u"The Java runtime named by the environment variable {0} cannot be used.", {}},
        {1020, u"The Java runtime at {0} cannot be used.", {}},  // its location
    };
}

}  // namespace tavik::pack
