#include "native/accounts/LocalAccounts.h"

#include <lm.h>

#include <vector>

#include "common/win/WideText.h"
#include "native/accounts/AccountBinding.h"
#include "native/accounts/AccountRules.h"

namespace tavik::native::accounts {
namespace {

using NetLocalGroupAddFn = NET_API_STATUS(NET_API_FUNCTION*)(LPCWSTR, DWORD, LPBYTE, LPDWORD);
using NetLocalGroupGetInfoFn = NET_API_STATUS(NET_API_FUNCTION*)(LPCWSTR, LPCWSTR, DWORD, LPBYTE*);
using NetUserAddFn = NET_API_STATUS(NET_API_FUNCTION*)(LPCWSTR, DWORD, LPBYTE, LPDWORD);
using NetUserGetInfoFn = NET_API_STATUS(NET_API_FUNCTION*)(LPCWSTR, LPCWSTR, DWORD, LPBYTE*);
using NetLocalGroupAddMembersFn = NET_API_STATUS(NET_API_FUNCTION*)(LPCWSTR, LPCWSTR, DWORD, LPBYTE, DWORD);
using NetDeleteFn = NET_API_STATUS(NET_API_FUNCTION*)(LPCWSTR, LPCWSTR);

constexpr DWORD kNameUnits = 8192;
constexpr DWORD kSidBytes = 8192;

struct NetFunctions {
    ConvertSidToStringSidFn convertSidToStringSid = nullptr;
    NetLocalGroupAddFn localGroupAdd = nullptr;
    NetLocalGroupGetInfoFn localGroupGetInfo = nullptr;
    NetApiBufferFreeFn apiBufferFree = nullptr;
    NetUserAddFn userAdd = nullptr;
    NetUserGetInfoFn userGetInfo = nullptr;
    NetLocalGroupAddMembersFn localGroupAddMembers = nullptr;

    bool complete() const {
        return convertSidToStringSid != nullptr && localGroupAdd != nullptr && localGroupGetInfo != nullptr &&
               apiBufferFree != nullptr && userAdd != nullptr && userGetInfo != nullptr &&
               localGroupAddMembers != nullptr;
    }
};

NetFunctions netFunctions() noexcept {
    const HMODULE netapi = netapi32();
    return {findFunction<ConvertSidToStringSidFn>(advapi32(), "ConvertSidToStringSidW"),
            findFunction<NetLocalGroupAddFn>(netapi, "NetLocalGroupAdd"),
            findFunction<NetLocalGroupGetInfoFn>(netapi, "NetLocalGroupGetInfo"),
            findFunction<NetApiBufferFreeFn>(netapi, "NetApiBufferFree"),
            findFunction<NetUserAddFn>(netapi, "NetUserAdd"),
            findFunction<NetUserGetInfoFn>(netapi, "NetUserGetInfo"),
            findFunction<NetLocalGroupAddMembersFn>(netapi, "NetLocalGroupAddMembers")};
}

// What the group step found: whether this call created the group, or the failure.
struct GroupStep {
    bool created = false;
    std::optional<std::u16string> failure;
};

GroupStep createGroup(const NetFunctions& net, const NewUser& user) {
    LOCALGROUP_INFO_1 info{const_cast<LPWSTR>(user.group), const_cast<LPWSTR>(user.groupComment)};
    const NET_API_STATUS status = net.localGroupAdd(nullptr, 1, reinterpret_cast<LPBYTE>(&info), nullptr);
    switch (groupAddVerdict(status, user.failIfGroupExists)) {
    case GroupAddVerdict::Created: return {true, std::nullopt};
    case GroupAddVerdict::AlreadyThere: return {};
    case GroupAddVerdict::Failed: break;
    }
    return {false, addUserFailure(AddUserStep::GroupAdd, status)};
}

GroupStep checkGroup(const NetFunctions& net, const NewUser& user) {
    NetBuffer info(net.apiBufferFree);
    const NET_API_STATUS status = net.localGroupGetInfo(nullptr, user.group, 1, info.put());
    if (status != NERR_Success) return {false, addUserFailure(AddUserStep::GroupRead, status)};
    return {};
}

std::optional<std::u16string> sidText(const NetFunctions& net, PSID sid) {
    LocalMemory text;
    if (!net.convertSidToStringSid(sid, reinterpret_cast<LPWSTR*>(text.put()))) return std::nullopt;
    return toU16(static_cast<const wchar_t*>(text.get()));
}

// Nullopt when the group's name does not look up: the result then names the user alone.
std::optional<GroupOutcome> groupOutcome(const NetFunctions& net, const wchar_t* group, bool created) {
    std::vector<BYTE> sid(kSidBytes);
    std::wstring domain(kNameUnits, L'\0');
    DWORD sidBytes = kSidBytes;
    DWORD domainUnits = kNameUnits;
    SID_NAME_USE use{};
    if (!::LookupAccountNameW(nullptr, group, sid.data(), &sidBytes, domain.data(), &domainUnits, &use))
        return std::nullopt;
    std::optional<std::u16string> text = sidText(net, sid.data());
    if (!text) return std::nullopt;
    return GroupOutcome{std::move(*text), created};
}

std::u16string addUserWith(const NetFunctions& net, const NewUser& user) {
    GroupStep group;
    if (user.group != nullptr) {
        group = user.createGroup ? createGroup(net, user) : checkGroup(net, user);
        if (group.failure) return *group.failure;
    }
    USER_INFO_1 info{};
    info.usri1_name = const_cast<LPWSTR>(user.name);
    info.usri1_password = const_cast<LPWSTR>(user.password);
    info.usri1_priv = USER_PRIV_USER;
    info.usri1_comment = const_cast<LPWSTR>(user.comment);
    info.usri1_flags = UF_SCRIPT;
    // Not every implementation sets the index: an untouched one reads 0.
    DWORD parameterIndex = 0;
    NET_API_STATUS status = net.userAdd(nullptr, 1, reinterpret_cast<LPBYTE>(&info), &parameterIndex);
    if (status != NERR_Success) return addUserFailure(AddUserStep::UserAdd, status, parameterIndex);

    NetBuffer created(net.apiBufferFree);
    status = net.userGetInfo(nullptr, user.name, 23, created.put());
    if (status != NERR_Success) return addUserFailure(AddUserStep::UserRead, status);
    PSID userSid = created.as<USER_INFO_23>()->usri23_user_sid;
    if (user.group != nullptr) {
        LOCALGROUP_MEMBERS_INFO_0 member{userSid};
        status = net.localGroupAddMembers(nullptr, user.group, 0, reinterpret_cast<LPBYTE>(&member), 1);
        if (!membershipAdded(status)) return addUserFailure(AddUserStep::Membership, status);
    }
    const std::optional<std::u16string> userText = sidText(net, userSid);
    if (!userText) return addUserFailure(AddUserStep::UserSidText);
    if (user.group == nullptr) return *userText;
    return addUserSuccess(*userText, groupOutcome(net, user.group, group.created));
}

int deleteWith(const char* function, const wchar_t* server, const wchar_t* name) noexcept {
    const auto remove = findFunction<NetDeleteFn>(netapi32(), function);
    if (remove == nullptr) return -1;
    return static_cast<int>(remove(server, name));
}

}  // namespace

std::optional<std::u16string> addUser(const NewUser& user) {
    const NetFunctions net = netFunctions();
    if (!net.complete()) return std::nullopt;
    std::u16string result = addUserWith(net, user);
    if (result.empty()) return std::nullopt;
    return result;
}

int deleteUser(const wchar_t* server, const wchar_t* name) noexcept { return deleteWith("NetUserDel", server, name); }

int deleteLocalGroup(const wchar_t* server, const wchar_t* name) noexcept {
    return deleteWith("NetLocalGroupDel", server, name);
}

}  // namespace tavik::native::accounts
