// The object picker's own steps that Wine's picker never reaches: the
// owner it chooses among this process's windows, and the selections it reads
// back, from a list built here as the picker would hand it over.
#include <windows.h>
#include <oleauto.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "native/dialogs/ObjectPicker.h"
#include "tests/native/DialogTestSupport.h"

namespace tavik::native::dialogs {
namespace {

using test::dlg::OwnWindow;

BOOL CALLBACK noteVisibleOwnWindow(HWND window, LPARAM found) {
    DWORD processId = 0;
    ::GetWindowThreadProcessId(window, &processId);
    if (processId == ::GetCurrentProcessId() && ::IsWindowVisible(window))
        reinterpret_cast<std::vector<HWND>*>(found)->push_back(window);
    return TRUE;
}

// The system's own order of this process's visible top-level windows.
std::vector<HWND> visibleWindowsOfThisProcess() {
    std::vector<HWND> found;
    ::EnumWindows(&noteVisibleOwnWindow, reinterpret_cast<LPARAM>(&found));
    return found;
}

TEST(PickerOwner, IsTheLastVisibleWindowOfThisProcessInEnumerationOrder) {
    const OwnWindow first(L"first owner", 50, 50, 200, 100);
    const OwnWindow second(L"second owner", 80, 80, 200, 100);
    const OwnWindow hidden(L"hidden owner", 110, 110, 200, 100);
    ::ShowWindow(hidden.handle, SW_HIDE);
    const std::vector<HWND> visible = visibleWindowsOfThisProcess();
    ASSERT_GE(visible.size(), 2u);
    EXPECT_EQ(pickerOwner(), visible.back());
    EXPECT_NE(pickerOwner(), hidden.handle);
}

// A SAFEARRAY of bytes as the directory hands out a SID attribute.
struct SidAttribute {
    explicit SidAttribute(const std::vector<std::uint8_t>& bytes) {
        array = ::SafeArrayCreateVector(VT_UI1, 0, static_cast<ULONG>(bytes.size()));
        std::memcpy(array->pvData, bytes.data(), bytes.size());
        ::VariantInit(&value);
        value.vt = VT_ARRAY | VT_UI1;
        value.parray = array;
    }
    ~SidAttribute() { ::SafeArrayDestroy(array); }
    SAFEARRAY* array;
    VARIANT value;
};

// Administrators: revision 1, two sub-authorities, NT authority, 32, 544.
const std::vector<std::uint8_t> kAdministrators = {1, 2, 0, 0, 0, 0, 0, 5, 32, 0, 0, 0, 32, 2, 0, 0};

TEST(PickedObjects, TakeEveryTextAndTheSidFromTheFirstFetchedAttribute) {
    SidAttribute administrators(kAdministrators);
    SidAttribute cutShort(std::vector<std::uint8_t>(kAdministrators.begin(), kAdministrators.end() - 4));
    VARIANT empty;
    ::VariantInit(&empty);

    const std::size_t count = 4;
    std::vector<std::uint8_t> storage(sizeof(DS_SELECTION_LIST) + (count - 1) * sizeof(DS_SELECTION));
    auto* list = reinterpret_cast<DS_SELECTION_LIST*>(storage.data());
    list->cItems = count;
    list->cFetchedAttributes = 1;
    DS_SELECTION* selections = list->aDsSelection;
    wchar_t name[] = L"Administrators", path[] = L"WinNT://HOST/Administrators", group[] = L"group",
            user[] = L"user", upn[] = L"someone@example.org", guest[] = L"Guest";
    selections[0] = {name, path, group, nullptr, &administrators.value, 1};
    selections[1] = {guest, nullptr, user, upn, &empty, 1};
    selections[2] = {nullptr, nullptr, nullptr, nullptr, &cutShort.value, 1};
    selections[3] = {guest, nullptr, user, nullptr, nullptr, 1};

    const std::optional<std::vector<PickedObject>> picked = pickedObjectsOf(*list);
    ASSERT_TRUE(picked.has_value());
    ASSERT_EQ(picked->size(), count);
    const PickedObject& first = (*picked)[0];
    EXPECT_EQ(first.name, std::optional<std::u16string>(u"Administrators"));
    EXPECT_EQ(first.adsPath, std::optional<std::u16string>(u"WinNT://HOST/Administrators"));
    EXPECT_EQ(first.className, std::optional<std::u16string>(u"group"));
    EXPECT_EQ(first.principalName, std::nullopt);
    EXPECT_EQ(first.sid, std::optional<std::u16string>(u"S-1-5-32-544"));
    const PickedObject& second = (*picked)[1];
    EXPECT_EQ(second.name, std::optional<std::u16string>(u"Guest"));
    EXPECT_EQ(second.adsPath, std::nullopt);
    EXPECT_EQ(second.principalName, std::optional<std::u16string>(u"someone@example.org"));
    EXPECT_EQ(second.sid, std::nullopt) << "an attribute that was not fetched";
    EXPECT_EQ((*picked)[2].name, std::nullopt);
    EXPECT_EQ((*picked)[2].sid, std::nullopt) << "a SID longer than its bytes";
    EXPECT_EQ((*picked)[3].sid, std::nullopt) << "no attributes at all";

    list->cFetchedAttributes = 0;
    const std::optional<std::vector<PickedObject>> unfetched = pickedObjectsOf(*list);
    ASSERT_TRUE(unfetched.has_value());
    EXPECT_EQ((*unfetched)[0].sid, std::nullopt) << "no attribute was asked for";
}

}  // namespace
}  // namespace tavik::native::dialogs
