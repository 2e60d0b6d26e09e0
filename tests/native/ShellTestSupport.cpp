#include "tests/native/ShellTestSupport.h"

#include <objbase.h>
#include <objidl.h>
#include <shlobj.h>

#include <cstring>
#include <stdexcept>

#include "tests/win/TestSupport.h"

namespace tavik::test::shell {
namespace {

constexpr UINT kChangeMessage = WM_APP + 7;
constexpr wchar_t kWatchClass[] = L"TavikShellChangeWatch";

template <class Interface>
struct Com {
    Interface* object = nullptr;
    ~Com() {
        if (object != nullptr) object->Release();
    }
    void** put() { return reinterpret_cast<void**>(&object); }
};

std::wstring pathOf(PCIDLIST_ABSOLUTE item) {
    wchar_t path[MAX_PATH] = {};
    if (item == nullptr || !::SHGetPathFromIDListW(item, path)) return L"";
    return path;
}

}  // namespace

ComScope::ComScope() : initialized_(SUCCEEDED(::CoInitialize(nullptr))) {}
ComScope::~ComScope() {
    if (initialized_) ::CoUninitialize();
}

std::optional<SavedLink> loadLink(const std::wstring& linkFile) {
    const ComScope com;
    Com<IShellLinkW> link;
    if (FAILED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, link.put()))) {
        return std::nullopt;
    }
    Com<IPersistFile> file;
    if (FAILED(link.object->QueryInterface(IID_IPersistFile, file.put())) ||
        FAILED(file.object->Load(linkFile.c_str(), STGM_READ))) {
        return std::nullopt;
    }
    SavedLink saved;
    wchar_t text[INFOTIPSIZE] = {};
    if (SUCCEEDED(link.object->GetPath(text, MAX_PATH, nullptr, SLGP_RAWPATH))) saved.target = text;
    text[0] = L'\0';
    if (SUCCEEDED(link.object->GetArguments(text, INFOTIPSIZE))) saved.arguments = text;
    text[0] = L'\0';
    if (SUCCEEDED(link.object->GetWorkingDirectory(text, MAX_PATH))) saved.workingDirectory = text;
    text[0] = L'\0';
    if (SUCCEEDED(link.object->GetIconLocation(text, MAX_PATH, &saved.iconIndex))) saved.iconFile = text;
    text[0] = L'\0';
    if (SUCCEEDED(link.object->GetDescription(text, INFOTIPSIZE))) saved.description = text;
    return saved;
}

std::optional<LinkHeader> linkHeader(const std::wstring& linkFile) {
    constexpr std::size_t kHeaderSize = 0x4C;
    constexpr std::size_t kFlagsAt = 0x14;
    constexpr std::size_t kShowCommandAt = 0x3C;
    const std::string bytes = readFile(linkFile);  // empty when there is no file
    const auto dword = [&](std::size_t at) {
        DWORD value = 0;
        std::memcpy(&value, bytes.data() + at, sizeof value);
        return value;
    };
    if (bytes.size() < kHeaderSize || dword(0) != kHeaderSize ||
        std::memcmp(bytes.data() + 4, &CLSID_ShellLink, sizeof(CLSID)) != 0) {
        return std::nullopt;
    }
    return LinkHeader{dword(kFlagsAt), dword(kShowCommandAt)};
}

bool linkObjectKeepsRunAsFlag(const std::wstring& scratchDirectory) {
    const ComScope com;
    const std::wstring linkFile = scratchDirectory + L"\\run-as-probe.lnk";
    Com<IShellLinkW> link;
    Com<IShellLinkDataList> dataList;
    Com<IPersistFile> file;
    DWORD flags = 0;
    if (FAILED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, link.put())) ||
        FAILED(link.object->SetPath(L"C:\\windows\\notepad.exe")) ||
        FAILED(link.object->QueryInterface(IID_IShellLinkDataList, dataList.put())) ||
        FAILED(dataList.object->GetFlags(&flags)) || FAILED(dataList.object->SetFlags(flags | SLDF_RUNAS_USER)) ||
        FAILED(link.object->QueryInterface(IID_IPersistFile, file.put())) ||
        FAILED(file.object->Save(linkFile.c_str(), TRUE))) {
        return false;
    }
    const std::optional<LinkHeader> header = linkHeader(linkFile);
    ::DeleteFileW(linkFile.c_str());
    return header && (header->flags & SLDF_RUNAS_USER) != 0;
}

std::vector<std::uint8_t> utf16Bytes(const std::wstring& text, bool terminated) {
    std::vector<std::uint8_t> bytes;
    for (const wchar_t unit : text) {
        bytes.push_back(static_cast<std::uint8_t>(unit & 0xFF));
        bytes.push_back(static_cast<std::uint8_t>((unit >> 8) & 0xFF));
    }
    if (terminated) bytes.insert(bytes.end(), {0, 0});
    return bytes;
}

std::vector<std::uint8_t> codePageBytes(const std::string& text, bool terminated) {
    std::vector<std::uint8_t> bytes(text.begin(), text.end());
    if (terminated) bytes.push_back(0);
    return bytes;
}

ChangeWatch::ChangeWatch(const std::wstring& directory) {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = &ChangeWatch::procedure;
    windowClass.hInstance = ::GetModuleHandleW(nullptr);
    windowClass.lpszClassName = kWatchClass;
    ::RegisterClassW(&windowClass);  // a second watch finds it registered
    window_ = ::CreateWindowExW(0, kWatchClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                ::GetModuleHandleW(nullptr), this);
    if (window_ == nullptr) throw std::runtime_error("no window for the change watch");
    ::SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    PIDLIST_ABSOLUTE folder = ::ILCreateFromPathW(directory.c_str());
    if (folder == nullptr) return;
    SHChangeNotifyEntry entry{folder, TRUE};
    registration_ = ::SHChangeNotifyRegister(window_, SHCNRF_ShellLevel | SHCNRF_InterruptLevel | SHCNRF_NewDelivery,
                                             SHCNE_ALLEVENTS, kChangeMessage, 1, &entry);
    ::ILFree(folder);
}

ChangeWatch::~ChangeWatch() {
    if (registration_ != 0) ::SHChangeNotifyDeregister(registration_);
    if (window_ != nullptr) ::DestroyWindow(window_);
}

const std::vector<ChangeWatch::Change>& ChangeWatch::waitFor(std::size_t count, DWORD millis) {
    const ULONGLONG end = ::GetTickCount64() + millis;
    while (changes_.size() < count && ::GetTickCount64() < end) {
        MSG message;
        while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&message);
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
    }
    return changes_;
}

LRESULT CALLBACK ChangeWatch::procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* watch = reinterpret_cast<ChangeWatch*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
    if (message != kChangeMessage || watch == nullptr) return ::DefWindowProcW(window, message, wParam, lParam);
    PIDLIST_ABSOLUTE* items = nullptr;
    LONG event = 0;
    HANDLE lock = ::SHChangeNotification_Lock(reinterpret_cast<HANDLE>(wParam), static_cast<DWORD>(lParam), &items,
                                              &event);
    if (lock != nullptr) {
        watch->changes_.push_back({event, items != nullptr ? pathOf(items[0]) : L""});
        ::SHChangeNotification_Unlock(lock);
    }
    return 0;
}

std::optional<std::pair<DWORD, DWORD>> fileVersionOf(const std::wstring& file) {
    DWORD ignored = 0;
    const DWORD size = ::GetFileVersionInfoSizeW(file.c_str(), &ignored);
    if (size == 0) return std::nullopt;
    std::vector<std::uint8_t> block(size);
    void* fixed = nullptr;
    UINT fixedSize = 0;
    if (!::GetFileVersionInfoW(file.c_str(), 0, size, block.data()) ||
        !::VerQueryValueW(block.data(), L"\\", &fixed, &fixedSize) || fixedSize < sizeof(VS_FIXEDFILEINFO)) {
        return std::nullopt;
    }
    const auto* info = static_cast<const VS_FIXEDFILEINFO*>(fixed);
    return std::make_pair(info->dwFileVersionMS, info->dwFileVersionLS);
}

}  // namespace tavik::test::shell
