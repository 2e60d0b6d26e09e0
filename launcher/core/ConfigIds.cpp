#include "launcher/core/ConfigIds.h"

#include <algorithm>
#include <iterator>

namespace tavik::config {

std::optional<std::size_t> narrowCapacity(std::int32_t id) {
    if (id == kArchiveNamesId || isVersionConditionId(id)) return std::nullopt;
    if (std::find(std::begin(kSplashTextIds), std::end(kSplashTextIds), id) != std::end(kSplashTextIds))
        return kSplashTextCapacity;
    switch (id) {
        case kFlavourId: return kFlavourCapacity;
        case kFixedArgumentsId: return kFixedArgumentsCapacity;
        case kVmSubdirectoryId: return kVmSubdirectoryCapacity;
        case kInstallationRootId: return kInstallationRootCapacity;
        default: return kTextCapacity;
    }
}

}  // namespace tavik::config
