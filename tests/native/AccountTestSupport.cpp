#include "tests/native/AccountTestSupport.h"

#include <aclapi.h>
#include <lm.h>
#include <sddl.h>

#include <atomic>
#include <stdexcept>

namespace tavik::test::accounts {
namespace {

std::wstring sidText(PSID sid) {
    LPWSTR text = nullptr;
    if (!::ConvertSidToStringSidW(sid, &text)) throw std::runtime_error("ConvertSidToStringSidW failed");
    std::wstring copy(text);
    ::LocalFree(text);
    return copy;
}

// The process token for a null handle, opened and closed here.
template <class Reader>
auto withToken(HANDLE token, Reader reader) {
    if (token != nullptr) return reader(token);
    HANDLE own = nullptr;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &own)) throw std::runtime_error("OpenProcessToken");
    try {
        auto result = reader(own);
        ::CloseHandle(own);
        return result;
    } catch (...) {
        ::CloseHandle(own);
        throw;
    }
}

std::vector<ULONG_PTR> information(HANDLE token, TOKEN_INFORMATION_CLASS kind) {
    DWORD size = 0;
    ::GetTokenInformation(token, kind, nullptr, 0, &size);
    std::vector<ULONG_PTR> buffer(size / sizeof(ULONG_PTR) + 1);
    if (!::GetTokenInformation(token, kind, buffer.data(), size, &size))
        throw std::runtime_error("GetTokenInformation failed");
    return buffer;
}

HMODULE netapi() {
    static const HMODULE library = ::LoadLibraryW(L"netapi32.dll");
    if (library == nullptr) throw std::runtime_error("netapi32.dll is missing");
    return library;
}

template <class Fn>
Fn netFunction(const char* name) {
    const auto function = reinterpret_cast<Fn>(reinterpret_cast<void*>(::GetProcAddress(netapi(), name)));
    if (function == nullptr) throw std::runtime_error(std::string("netapi32 lacks ") + name);
    return function;
}


}  // namespace

std::wstring tokenUserSid(HANDLE token) {
    return withToken(token, [](HANDLE t) {
        const std::vector<ULONG_PTR> user = information(t, TokenUser);
        return sidText(reinterpret_cast<const TOKEN_USER*>(user.data())->User.Sid);
    });
}

std::optional<DWORD> builtinGroupAttributes(DWORD rid, HANDLE token) {
    return withToken(token, [rid](HANDLE t) -> std::optional<DWORD> {
        const std::vector<ULONG_PTR> buffer = information(t, TokenGroups);
        const auto* groups = reinterpret_cast<const TOKEN_GROUPS*>(buffer.data());
        const std::wstring wanted = L"S-1-5-32-" + std::to_wstring(rid);
        for (DWORD i = 0; i < groups->GroupCount; ++i)
            if (sidText(groups->Groups[i].Sid) == wanted) return groups->Groups[i].Attributes;
        return std::nullopt;
    });
}

std::optional<DWORD> processElevationType() {
    return withToken(nullptr, [](HANDLE t) -> std::optional<DWORD> {
        DWORD type = 0;
        DWORD size = sizeof type;
        if (!::GetTokenInformation(t, TokenElevationType, &type, sizeof type, &size)) return std::nullopt;
        return type;
    });
}

DenyOnlyAdministrators::DenyOnlyAdministrators() {
    HANDLE process = nullptr;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_DUPLICATE | TOKEN_QUERY, &process))
        throw std::runtime_error("OpenProcessToken");
    PSID administrators = nullptr;
    ::ConvertStringSidToSidW(L"S-1-5-32-544", &administrators);
    SID_AND_ATTRIBUTES disabled{administrators, 0};
    HANDLE restricted = nullptr;
    const BOOL made = ::CreateRestrictedToken(process, 0, 1, &disabled, 0, nullptr, 0, nullptr, &restricted);
    ::LocalFree(administrators);
    ::CloseHandle(process);
    if (!made) throw std::runtime_error("CreateRestrictedToken");
    const BOOL duplicated = ::DuplicateToken(restricted, SecurityImpersonation, &token_);
    ::CloseHandle(restricted);
    if (!duplicated) throw std::runtime_error("DuplicateToken");
    if (!::SetThreadToken(nullptr, token_)) {
        ::CloseHandle(token_);
        throw std::runtime_error("SetThreadToken");
    }
}

DenyOnlyAdministrators::~DenyOnlyAdministrators() {
    ::RevertToSelf();
    ::CloseHandle(token_);
}

std::optional<Account> lookUpSid(const wchar_t* sid) {
    PSID binary = nullptr;
    if (!::ConvertStringSidToSidW(sid, &binary)) return std::nullopt;
    wchar_t name[256];
    wchar_t domain[256];
    DWORD nameUnits = 256;
    DWORD domainUnits = 256;
    SID_NAME_USE use{};
    const BOOL found = ::LookupAccountSidW(nullptr, binary, name, &nameUnits, domain, &domainUnits, &use);
    ::LocalFree(binary);
    if (!found) return std::nullopt;
    return Account{domain, name};
}

std::optional<std::wstring> sidOfName(const wchar_t* name) {
    BYTE sid[SECURITY_MAX_SID_SIZE];
    wchar_t domain[256];
    DWORD sidBytes = sizeof sid;
    DWORD domainUnits = 256;
    SID_NAME_USE use{};
    if (!::LookupAccountNameW(nullptr, name, sid, &sidBytes, domain, &domainUnits, &use)) return std::nullopt;
    return sidText(sid);
}

std::wstring computerName() {
    wchar_t name[MAX_COMPUTERNAME_LENGTH + 1];
    DWORD units = MAX_COMPUTERNAME_LENGTH + 1;
    if (!::GetComputerNameW(name, &units)) throw std::runtime_error("GetComputerNameW");
    return name;
}

std::wstring userName() {
    wchar_t name[256];
    DWORD units = 256;
    if (!::GetUserNameW(name, &units)) throw std::runtime_error("GetUserNameW");
    return name;
}

std::optional<std::wstring> ownProfileDirectory() {
    using GetUserProfileDirectoryFn = BOOL(WINAPI*)(HANDLE, LPWSTR, LPDWORD);
    const HMODULE userenv = ::LoadLibraryW(L"userenv.dll");
    if (userenv == nullptr) return std::nullopt;
    const auto get = reinterpret_cast<GetUserProfileDirectoryFn>(
        reinterpret_cast<void*>(::GetProcAddress(userenv, "GetUserProfileDirectoryW")));
    std::optional<std::wstring> directory;
    HANDLE token = nullptr;
    if (get != nullptr && ::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token)) {
        wchar_t path[MAX_PATH];
        DWORD units = MAX_PATH;
        if (get(token, path, &units)) directory = path;
        ::CloseHandle(token);
    }
    ::FreeLibrary(userenv);
    return directory;
}

bool moduleLoaded(const wchar_t* name) { return ::GetModuleHandleW(name) != nullptr; }

std::wstring uniqueAccountName(wchar_t kind) {
    static std::atomic<unsigned> counter{0};
    return L"tvk" + std::to_wstring(::GetCurrentProcessId() % 100000) + kind + std::to_wstring(++counter);
}

AddStatus rawAddUser(const std::wstring& name, const wchar_t* password) {
    using Fn = NET_API_STATUS(NET_API_FUNCTION*)(LPCWSTR, DWORD, LPBYTE, LPDWORD);
    USER_INFO_1 info{};
    info.usri1_name = const_cast<LPWSTR>(name.c_str());
    info.usri1_password = const_cast<LPWSTR>(password);
    info.usri1_priv = USER_PRIV_USER;
    info.usri1_flags = UF_SCRIPT;
    AddStatus added;
    added.status = netFunction<Fn>("NetUserAdd")(nullptr, 1, reinterpret_cast<LPBYTE>(&info), &added.parameterIndex);
    return added;
}

DWORD rawUserInfo(const std::wstring& name, DWORD level, std::wstring* sid) {
    using Fn = NET_API_STATUS(NET_API_FUNCTION*)(LPCWSTR, LPCWSTR, DWORD, LPBYTE*);
    using FreeFn = NET_API_STATUS(NET_API_FUNCTION*)(LPVOID);
    LPBYTE buffer = nullptr;
    const NET_API_STATUS status = netFunction<Fn>("NetUserGetInfo")(nullptr, name.c_str(), level, &buffer);
    if (status == NERR_Success && level == 23 && sid != nullptr)
        *sid = sidText(reinterpret_cast<const USER_INFO_23*>(buffer)->usri23_user_sid);
    if (buffer != nullptr) netFunction<FreeFn>("NetApiBufferFree")(buffer);
    return status;
}

DWORD rawDeleteUser(const wchar_t* server, const std::wstring& name) {
    using Fn = NET_API_STATUS(NET_API_FUNCTION*)(LPCWSTR, LPCWSTR);
    return netFunction<Fn>("NetUserDel")(server, name.c_str());
}

DWORD rawAddGroup(const std::wstring& name) {
    using Fn = NET_API_STATUS(NET_API_FUNCTION*)(LPCWSTR, DWORD, LPBYTE, LPDWORD);
    LOCALGROUP_INFO_1 info{const_cast<LPWSTR>(name.c_str()), const_cast<LPWSTR>(L"tavik test group")};
    return netFunction<Fn>("NetLocalGroupAdd")(nullptr, 1, reinterpret_cast<LPBYTE>(&info), nullptr);
}

DWORD rawGroupInfo(const std::wstring& name) {
    using Fn = NET_API_STATUS(NET_API_FUNCTION*)(LPCWSTR, LPCWSTR, DWORD, LPBYTE*);
    using FreeFn = NET_API_STATUS(NET_API_FUNCTION*)(LPVOID);
    LPBYTE buffer = nullptr;
    const NET_API_STATUS status = netFunction<Fn>("NetLocalGroupGetInfo")(nullptr, name.c_str(), 1, &buffer);
    if (buffer != nullptr) netFunction<FreeFn>("NetApiBufferFree")(buffer);
    return status;
}

AccountCleanup::~AccountCleanup() {
    using Fn = NET_API_STATUS(NET_API_FUNCTION*)(LPCWSTR, LPCWSTR);
    try {
        const auto deleteGroup = netFunction<Fn>("NetLocalGroupDel");
        // A system that takes a name twice holds it twice.
        for (const std::wstring& name : users_)
            for (int i = 0; i < 8 && rawDeleteUser(nullptr, name) == NERR_Success && rawUserInfo(name, 1) == 0; ++i) {
            }
        for (const std::wstring& name : groups_)
            for (int i = 0; i < 8 && deleteGroup(nullptr, name.c_str()) == NERR_Success && rawGroupInfo(name) == 0;
                 ++i) {
            }
    } catch (...) {
    }
}

const std::wstring& AccountCleanup::user(std::wstring name) { return users_.emplace_back(std::move(name)); }
const std::wstring& AccountCleanup::group(std::wstring name) { return groups_.emplace_back(std::move(name)); }

std::optional<std::vector<AccessEntry>> accessEntries(const std::wstring& path, SE_OBJECT_TYPE type) {
    PACL dacl = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (::GetNamedSecurityInfoW(path.c_str(), type, DACL_SECURITY_INFORMATION, nullptr, nullptr, &dacl, nullptr,
                                &descriptor) != ERROR_SUCCESS)
        return std::nullopt;
    std::vector<AccessEntry> entries;
    for (DWORD i = 0; dacl != nullptr && i < dacl->AceCount; ++i) {
        void* ace = nullptr;
        if (!::GetAce(dacl, i, &ace)) continue;
        const auto* header = static_cast<const ACE_HEADER*>(ace);
        if (header->AceType != ACCESS_ALLOWED_ACE_TYPE && header->AceType != ACCESS_DENIED_ACE_TYPE) continue;
        const auto* allowed = static_cast<const ACCESS_ALLOWED_ACE*>(ace);
        entries.push_back({header->AceType, header->AceFlags, allowed->Mask,
                           sidText(const_cast<DWORD*>(&allowed->SidStart))});
    }
    ::LocalFree(descriptor);
    return entries;
}

DWORD rawSecurityStatus(const wchar_t* path, SE_OBJECT_TYPE type) {
    PACL dacl = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    const DWORD status = ::GetNamedSecurityInfoW(path, type, DACL_SECURITY_INFORMATION, nullptr, nullptr, &dacl,
                                                 nullptr, &descriptor);
    if (descriptor != nullptr) ::LocalFree(descriptor);
    return status;
}

ACCESS_MASK mappedFileRights(ACCESS_MASK mask) {
    GENERIC_MAPPING mapping{FILE_GENERIC_READ, FILE_GENERIC_WRITE, FILE_GENERIC_EXECUTE, FILE_ALL_ACCESS};
    ::MapGenericMask(&mask, &mapping);
    return mask;
}

ACCESS_MASK mappedKeyRights(ACCESS_MASK mask) {
    GENERIC_MAPPING mapping{KEY_READ, KEY_WRITE, KEY_EXECUTE, KEY_ALL_ACCESS};
    ::MapGenericMask(&mask, &mapping);
    return mask;
}

bool grantsInherited(const std::vector<AccessEntry>& entries, const std::wstring& sid, ACCESS_MASK wanted,
                     ACCESS_MASK (*map)(ACCESS_MASK)) {
    const ACCESS_MASK needed = map(wanted);
    constexpr BYTE kInherited = OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE;
    for (const AccessEntry& entry : entries) {
        if (entry.type != ACCESS_ALLOWED_ACE_TYPE || entry.sid != sid) continue;
        if ((entry.flags & kInherited) == kInherited && (map(entry.mask) & needed) == needed) return true;
    }
    return false;
}

}  // namespace tavik::test::accounts
