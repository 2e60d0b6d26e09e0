#include "common/win/LastError.h"

#include "common/UniqueResource.h"
#include "common/win/WideText.h"

namespace tavik {
namespace {

using UniqueLocalMemory = UniqueResource<NullIsInvalid<HLOCAL, &::LocalFree>>;

std::wstring systemText(std::uint32_t code) {
    UniqueLocalMemory buffer;
    const DWORD length = ::FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0,
        reinterpret_cast<wchar_t*>(buffer.put()), 0, nullptr);
    if (length == 0) return {};
    return std::wstring(static_cast<const wchar_t*>(buffer.get()), length);
}

}  // namespace

std::u16string describe(const SysError& error, std::u16string_view subject) {
    return failureText(error, subject, toU16(systemText(error.code)));
}

}  // namespace tavik
