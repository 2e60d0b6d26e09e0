#pragma once
// The directory object picker for users and groups, owned by one of this
// process's windows and run modally on the calling thread, which it
// initialises for COM for the time it runs.
#include <windows.h>
#include <objbase.h>
#include <oleauto.h>
#include <objsel.h>

#include <optional>
#include <string>
#include <vector>

#include "native/dialogs/DialogRules.h"

namespace tavik::native::dialogs {

struct PickedObject {
    std::optional<std::u16string> name, adsPath, className, principalName, sid;
};

// Nullopt when the user cancelled or anything failed, "could not find
// window" printed when this process shows no window to own the picker.
std::optional<std::vector<PickedObject>> runObjectPicker(const PickerRequest& request);

// The owner: the last visible top-level window of this process in
// enumeration order other than its console window, else the console window;
// null when there is neither.
HWND pickerOwner();

// The selections the picker hands back, the first fetched attribute taken as
// the object's SID. Nullopt when the SID function cannot be bound.
std::optional<std::vector<PickedObject>> pickedObjectsOf(const DS_SELECTION_LIST& selections);

}  // namespace tavik::native::dialogs
