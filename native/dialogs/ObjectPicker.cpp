#include "native/dialogs/ObjectPicker.h"

#include <cstdio>
#include <string>

#include "common/ScopeExit.h"
#include "common/win/SystemLibrary.h"
#include "common/win/WideText.h"
#include "native/dialogs/ComObject.h"

namespace tavik::native::dialogs {
namespace {

constexpr CLSID kPickerClass = {0x17D6CCD8, 0x3B7B, 0x11D2, {0xB9, 0xE0, 0x00, 0xC0, 0x4F, 0xD8, 0xDB, 0xF7}};
constexpr IID kPickerInterface = {0x0C87E64E, 0x3B7A, 0x11D2, {0xB9, 0xE0, 0x00, 0xC0, 0x4F, 0xD8, 0xDB, 0xF7}};

using ConvertSidToStringSidFn = BOOL(WINAPI*)(PSID, LPWSTR*);

ConvertSidToStringSidFn convertSidToStringSid() noexcept {
    static const auto bound =
        findFunction<ConvertSidToStringSidFn>(::GetModuleHandleW(L"advapi32.dll"), "ConvertSidToStringSidW");
    return bound;
}

using LocalText = UniqueResource<NullIsInvalid<wchar_t*, &::LocalFree>>;

std::optional<std::u16string> textOf(const wchar_t* text) {
    if (text == nullptr) return std::nullopt;
    return toU16(text);
}

// A SID held as a one-dimensional byte array that it fits in whole.
std::optional<std::u16string> sidText(const VARIANT* attribute, ConvertSidToStringSidFn convert) {
    if (attribute == nullptr || attribute->vt != (VT_ARRAY | VT_UI1) || attribute->parray == nullptr)
        return std::nullopt;
    const SAFEARRAY& bytes = *attribute->parray;
    if (bytes.cDims != 1 || bytes.cbElements != 1 || bytes.pvData == nullptr) return std::nullopt;
    const auto sid = static_cast<PSID>(bytes.pvData);
    const ULONG size = bytes.rgsabound[0].cElements;
    if (size < 8 || !::IsValidSid(sid) || ::GetLengthSid(sid) > size) return std::nullopt;
    LocalText converted;
    if (!convert(sid, converted.put())) return std::nullopt;
    return toU16(converted.get());
}

// Once per process: the console's title is made unique for a moment and
// its window looked up by it.
HWND findConsoleWindow() {
    std::wstring saved(1024, L'\0');
    saved.resize(::GetConsoleTitleW(saved.data(), static_cast<DWORD>(saved.size())));
    const std::wstring unique =
        std::to_wstring(static_cast<int>(::GetTickCount())) + L"/" + std::to_wstring(::GetCurrentProcessId());
    if (!::SetConsoleTitleW(unique.c_str())) return nullptr;
    ::Sleep(40);
    const HWND console = ::FindWindowW(nullptr, unique.c_str());
    ::SetConsoleTitleW(saved.c_str());
    return console;
}

HWND consoleWindow() {
    static const HWND console = findConsoleWindow();
    return console;
}

struct OwnerSearch {
    DWORD processId;
    HWND console;
    HWND last = nullptr;
};

BOOL CALLBACK noteOwnWindow(HWND window, LPARAM context) {
    OwnerSearch& search = *reinterpret_cast<OwnerSearch*>(context);
    DWORD processId = 0;
    ::GetWindowThreadProcessId(window, &processId);
    if (processId == search.processId && window != search.console && ::IsWindowVisible(window)) search.last = window;
    return TRUE;
}

DSOP_SCOPE_INIT_INFO scopeOf(const PickerRequest& request) {
    const PickerScope scope = pickerScope(request);
    DSOP_SCOPE_INIT_INFO info{};
    info.cbSize = sizeof info;
    info.flType = scope.scopeTypes;
    info.flScope = scope.scopeFlags;
    info.FilterFlags.Uplevel.flBothModes = scope.upLevelFilter;
    info.FilterFlags.flDownlevel = scope.downLevelFilter;
    return info;
}

std::optional<std::vector<PickedObject>> chosenObjects(IDataObject& data) {
    FORMATETC format{static_cast<CLIPFORMAT>(::RegisterClipboardFormatW(L"CFSTR_DSOP_DS_SELECTION_LIST")), nullptr,
                     DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    STGMEDIUM medium{};
    if (format.cfFormat == 0 || FAILED(data.GetData(&format, &medium))) return std::nullopt;
    const ScopeExit releaseMedium([&] { ::ReleaseStgMedium(&medium); });
    const auto* selections = static_cast<const DS_SELECTION_LIST*>(::GlobalLock(medium.hGlobal));
    if (selections == nullptr) return std::nullopt;
    const ScopeExit unlock([&] { ::GlobalUnlock(medium.hGlobal); });
    return pickedObjectsOf(*selections);
}

std::optional<std::vector<PickedObject>> pickWith(HWND owner, const PickerRequest& request) {
    ComObject<IDsObjectPicker> picker;
    if (FAILED(::CoCreateInstance(kPickerClass, nullptr, CLSCTX_INPROC_SERVER, kPickerInterface, asOut(picker))))
        return std::nullopt;
    DSOP_SCOPE_INIT_INFO scope = scopeOf(request);
    PCWSTR attributes[] = {L"objectSID"};
    DSOP_INIT_INFO init{};
    init.cbSize = sizeof init;
    init.cDsScopeInfos = 1;
    init.aDsScopeInfos = &scope;
    init.flOptions = request.multipleSelection ? DSOP_FLAG_MULTISELECT : 0;
    init.cAttributesToFetch = 1;
    init.apwzAttributeNames = attributes;
    if (FAILED(picker.get()->Initialize(&init))) return std::nullopt;

    ComObject<IDataObject> data;
    if (picker.get()->InvokeDialog(owner, data.put()) != S_OK || !data) return std::nullopt;
    return chosenObjects(*data.get());
}

}  // namespace

HWND pickerOwner() {
    OwnerSearch search{::GetCurrentProcessId(), consoleWindow()};
    ::EnumWindows(&noteOwnWindow, reinterpret_cast<LPARAM>(&search));
    return search.last != nullptr ? search.last : search.console;
}

std::optional<std::vector<PickedObject>> pickedObjectsOf(const DS_SELECTION_LIST& selections) {
    const ConvertSidToStringSidFn convert = convertSidToStringSid();
    if (convert == nullptr) return std::nullopt;
    std::vector<PickedObject> objects;
    // The list runs on past its declared one-element array.
    const DS_SELECTION* const first = selections.aDsSelection;
    for (ULONG i = 0; i < selections.cItems; ++i) {
        const DS_SELECTION& selection = first[i];
        const VARIANT* sid = selections.cFetchedAttributes > 0 ? selection.pvarFetchedAttributes : nullptr;
        objects.push_back({textOf(selection.pwzName), textOf(selection.pwzADsPath), textOf(selection.pwzClass),
                           textOf(selection.pwzUPN), sidText(sid, convert)});
    }
    return objects;
}

std::optional<std::vector<PickedObject>> runObjectPicker(const PickerRequest& request) {
    if (convertSidToStringSid() == nullptr) return std::nullopt;
    const HWND owner = pickerOwner();
    if (owner == nullptr) {
        std::printf("could not find window\n");
        std::fflush(stdout);
        return std::nullopt;
    }
    if (FAILED(::CoInitialize(nullptr))) return std::nullopt;
    std::optional<std::vector<PickedObject>> picked = pickWith(owner, request);
    ::CoUninitialize();
    std::fflush(stdout);
    return picked;
}

}  // namespace tavik::native::dialogs
