#include "launcher/core/PathText.h"

namespace tavik::path {

std::u16string collapseBackslashes(std::u16string_view path) {
    std::u16string result(path.substr(0, 2));
    for (std::size_t i = result.size(); i < path.size(); ++i) {
        if (path[i] == u'\\' && result.back() == u'\\') continue;
        result.push_back(path[i]);
    }
    return result;
}

}  // namespace tavik::path
