#include "tools/pack/DefaultMessages.h"

#include "launcher/core/ConfigIds.h"

namespace tavik::pack {

std::vector<WideRecord> defaultMessages() {
    using namespace config;
    // The launcher replaces the first "{0}" with the detail named at each id.
    return {
        {kErrorCaptionMessageId, u"Error", {}},
        {kNoRuntimeMessageId, u"No suitable Java runtime was found on this computer.", {}},
        {kMissingEntryMessageId, u"A required file or directory is missing: {0}", {}},
        {kUnsetVariableMessageId, u"The environment variable {0} is not set.", {}},
        {kInternalFailureMessageId, u"An internal error occurred ({0}).", {}},
        {kMainClassMissingMessageId, u"The application's main class was not found.", {}},
        {kMainMethodMissingMessageId, u"The application's main method was not found.", {}},
        {kNoTempDirectoryMessageId, u"No usable temporary directory was found.", {}},
        {kNoRuntimeOfWordSizeMessageId, u"No {0}-bit Java runtime was found.", {}},
        {kEnvironmentRuntimeMessageId, u"The Java runtime named by the environment variable {0} cannot be used.", {}},
        {kConfiguredRuntimeMessageId, u"The Java runtime at {0} cannot be used.", {}},
    };
}

}  // namespace tavik::pack
