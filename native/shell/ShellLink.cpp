#include "native/shell/ShellLink.h"

#include <objbase.h>
#include <objidl.h>
#include <shlobj.h>

#include "common/UniqueResource.h"
#include "native/system/ShellBinding.h"

namespace tavik::native::shell {
namespace {

template <class Interface>
void release(Interface* object) noexcept {
    object->Release();
}
template <class Interface>
using ComOwner = UniqueResource<NullIsInvalid<Interface*, &release<Interface>>>;

template <class Interface>
void** putInterface(ComOwner<Interface>& owner) noexcept {
    return reinterpret_cast<void**>(owner.put());
}

template <class Char>
struct LinkInterface;
template <>
struct LinkInterface<wchar_t> {
    using Type = IShellLinkW;
    static const IID& id() { return IID_IShellLinkW; }
};
template <>
struct LinkInterface<char> {
    using Type = IShellLinkA;
    static const IID& id() { return IID_IShellLinkA; }
};

// The setters' results are not checked: a link that cannot carry a text
// still saves, as the link object allows. A null text is never passed: the
// link object may read through it.
template <class Char, class Link>
void describe(Link& link, const LinkRequest<Char>& request) {
    if (request.target != nullptr) link.SetPath(request.target);
    if (request.workingDirectory != nullptr) link.SetWorkingDirectory(request.workingDirectory);
    if (request.iconFile != nullptr) link.SetIconLocation(request.iconFile, 0);
    if (request.arguments != nullptr) link.SetArguments(request.arguments);
    if (request.description != nullptr) link.SetDescription(request.description);
    if (request.showCommand) link.SetShowCmd(*request.showCommand);
}

template <class Link>
bool markRunAsUser(Link& link) {
    ComOwner<IShellLinkDataList> dataList;
    if (FAILED(link.QueryInterface(IID_IShellLinkDataList, putInterface(dataList)))) return false;
    DWORD flags = 0;
    if (FAILED(dataList.get()->GetFlags(&flags))) return false;
    return SUCCEEDED(dataList.get()->SetFlags(flags | SLDF_RUNAS_USER));
}

template <class Char>
bool save(const LinkRequest<Char>& request) {
    using Link = typename LinkInterface<Char>::Type;
    ComOwner<Link> link;
    if (FAILED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, LinkInterface<Char>::id(),
                                  putInterface(link)))) {
        return false;
    }
    describe(*link.get(), request);
    ComOwner<IPersistFile> file;
    if (FAILED(link.get()->QueryInterface(IID_IPersistFile, putInterface(file)))) return false;
    if (request.runAsAdministrator && !markRunAsUser(*link.get())) return false;
    return SUCCEEDED(file.get()->Save(request.linkFile, TRUE));
}

}  // namespace

bool saveLink(const LinkRequest<wchar_t>& request) { return save(request); }
bool saveLink(const LinkRequest<char>& request) { return save(request); }

bool notifyDeletedAndUpdated(const std::optional<std::u16string>& deleted,
                             const std::optional<std::u16string>& updatedDirectory) {
    const auto path = [](const std::optional<std::u16string>& text) -> const void* {
        return text ? text->c_str() : nullptr;
    };
    if (!changeNotify(SHCNE_DELETE, SHCNF_PATHW, path(deleted), nullptr)) return false;
    return changeNotify(SHCNE_UPDATEDIR, SHCNF_PATHW | SHCNF_FLUSH, path(updatedDirectory), nullptr);
}

}  // namespace tavik::native::shell
