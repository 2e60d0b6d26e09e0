#include "native/accounts/AccountRights.h"

#include <ntsecapi.h>

#include <optional>
#include <string_view>

#include "native/accounts/AccountBinding.h"
#include "native/accounts/AccountLookup.h"
#include "native/accounts/AccountRules.h"

namespace tavik::native::accounts {
namespace {

constexpr ACCESS_MASK kPolicyAccess = POLICY_CREATE_ACCOUNT | POLICY_LOOKUP_NAMES;

struct LsaFunctions {
    LsaOpenPolicyFn openPolicy = nullptr;
    LsaAddAccountRightsFn addAccountRights = nullptr;
    LsaRemoveAccountRightsFn removeAccountRights = nullptr;
    LsaCloseFn close = nullptr;

    bool complete() const {
        return openPolicy != nullptr && addAccountRights != nullptr && removeAccountRights != nullptr &&
               close != nullptr;
    }
};

LsaFunctions lsaFunctions() noexcept {
    const HMODULE advapi = advapi32();
    return {findFunction<LsaOpenPolicyFn>(advapi, "LsaOpenPolicy"),
            findFunction<LsaAddAccountRightsFn>(advapi, "LsaAddAccountRights"),
            findFunction<LsaRemoveAccountRightsFn>(advapi, "LsaRemoveAccountRights"),
            findFunction<LsaCloseFn>(advapi, "LsaClose")};
}

// The policy handle, closed with the LsaClose bound beside LsaOpenPolicy.
class Policy {
public:
    explicit Policy(LsaCloseFn close) noexcept : close_(close) {}
    ~Policy() {
        if (handle_ != nullptr) close_(handle_);
    }
    Policy(const Policy&) = delete;
    Policy& operator=(const Policy&) = delete;

    LSA_HANDLE* put() noexcept { return &handle_; }
    LSA_HANDLE get() const noexcept { return handle_; }

private:
    LsaCloseFn close_;
    LSA_HANDLE handle_ = nullptr;
};

}  // namespace

bool setAccountRight(const wchar_t* account, const wchar_t* right, bool add) {
    const LsaFunctions lsa = lsaFunctions();
    if (!lsa.complete()) return false;
    const std::optional<AccountSid> sid = AccountSid::resolve(account);
    if (!sid) return false;
    const std::optional<RightText> counted = rightText(
        right == nullptr ? std::nullopt : std::optional(std::u16string_view(reinterpret_cast<const char16_t*>(right))));
    if (!counted) return false;

    LSA_OBJECT_ATTRIBUTES attributes{};
    Policy policy(lsa.close);
    if (lsa.openPolicy(nullptr, &attributes, kPolicyAccess, policy.put()) != 0) return false;
    LSA_UNICODE_STRING text{counted->length, counted->maximumLength, const_cast<PWSTR>(right ? right : L"")};
    const NTSTATUS status = add ? lsa.addAccountRights(policy.get(), sid->get(), &text, 1)
                                : lsa.removeAccountRights(policy.get(), sid->get(), counted->removeAll, &text, 1);
    return status == 0;
}

}  // namespace tavik::native::accounts
