// The natives of VistaFileChooser, VistaTaskDialog and ObjectPicker: each
// converts its arguments, runs its dialog module and hands the answer back.
// None throws into Java: a failed VM call is cleared and answered with the
// native's failure value.
#include <windows.h>
#include <objbase.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "native/dialogs/DialogRules.h"
#include "native/dialogs/FileDialog.h"
#include "native/dialogs/ObjectPicker.h"
#include "native/dialogs/TaskDialog.h"
#include "native/jni/JniExport.h"
#include "native/jni/JniShell.h"
#include "native/jni/JniStringArrays.h"
#include "native/jni/JniText.h"

using tavik::native::NativeString;
using tavik::native::newJavaString;
using tavik::native::toWideString;
using tavik::native::toWideStrings;
namespace dialogs = tavik::native::dialogs;

namespace {

using tavik::native::guarded;
using tavik::native::cleared;
using tavik::native::toHandle;

std::optional<std::u16string> optionalText(JNIEnv* env, jstring text) {
    const NativeString converted = toWideString(env, text);
    if (converted.isNull()) return std::nullopt;
    return std::u16string(converted.get());
}

// A null element stands for empty text: the dialogs take no null labels.
std::vector<std::u16string> texts(JNIEnv* env, jobjectArray array) {
    std::vector<std::u16string> converted;
    for (const NativeString& text : toWideStrings(env, array)) converted.emplace_back(text.isNull() ? u"" : text.get());
    return converted;
}

// The elements of the check-box state array, handed back to it on release
// with whatever the dialog left in them.
class CheckBoxStates {
public:
    CheckBoxStates(JNIEnv* env, jbooleanArray array) : env_(env), array_(array) {
        if (array_ == nullptr) return;
        length_ = static_cast<std::size_t>(env_->GetArrayLength(array_));
        elements_ = env_->GetBooleanArrayElements(array_, nullptr);
        if (elements_ == nullptr) {
            env_->ExceptionClear();
            length_ = 0;
        }
    }
    ~CheckBoxStates() {
        if (elements_ != nullptr) env_->ReleaseBooleanArrayElements(array_, elements_, 0);
    }
    CheckBoxStates(const CheckBoxStates&) = delete;
    CheckBoxStates& operator=(const CheckBoxStates&) = delete;

    std::vector<bool> values() const {
        std::vector<bool> states;
        for (std::size_t i = 0; i < length_; ++i) states.push_back(elements_[i] != JNI_FALSE);
        return states;
    }
    void store(const std::vector<bool>& states) {
        const std::size_t count = dialogs::statesToCopyBack(states.size(), length_);
        for (std::size_t i = 0; i < count; ++i) elements_[i] = states[i] ? JNI_TRUE : JNI_FALSE;
    }

private:
    JNIEnv* env_;
    jbooleanArray array_;
    jboolean* elements_ = nullptr;
    std::size_t length_ = 0;
};

// A path-less item leaves its element null.
jobjectArray newPathArray(JNIEnv* env, const dialogs::ChosenPaths& paths) {
    const jclass stringClass = cleared(env, env->FindClass("java/lang/String"));
    if (stringClass == nullptr) return nullptr;
    const jobjectArray array =
        cleared(env, env->NewObjectArray(static_cast<jsize>(paths.size()), stringClass, nullptr));
    env->DeleteLocalRef(stringClass);
    if (array == nullptr) return nullptr;
    for (std::size_t i = 0; i < paths.size(); ++i) {
        if (!paths[i]) continue;
        const jstring path = cleared(env, newJavaString(env, *paths[i]));
        if (path == nullptr) {
            env->DeleteLocalRef(array);
            return nullptr;
        }
        env->SetObjectArrayElement(array, static_cast<jsize>(i), path);
        env->DeleteLocalRef(path);
    }
    return array;
}

constexpr const char* kPickerResultClass = "com/runwright/runtime/installer/platform/win32/ObjectPicker$Result";
constexpr const char* kPickerResultConstructor =
    "(Ljava/lang/String;Ljava/lang/String;Ljava/lang/String;Ljava/lang/String;Ljava/lang/String;)V";

// Null for an absent text, and for one the VM could not make: `failed` tells them apart.
jstring optionalJavaString(JNIEnv* env, const std::optional<std::u16string>& text, bool& failed) {
    if (!text) return nullptr;
    const jstring made = cleared(env, newJavaString(env, *text));
    if (made == nullptr) failed = true;
    return made;
}

jobject newPickerResult(JNIEnv* env, jclass resultClass, jmethodID constructor, const dialogs::PickedObject& object) {
    bool failed = false;
    const jstring fields[] = {optionalJavaString(env, object.name, failed),
                             optionalJavaString(env, object.adsPath, failed),
                             optionalJavaString(env, object.className, failed),
                             optionalJavaString(env, object.principalName, failed),
                             optionalJavaString(env, object.sid, failed)};
    const jobject result =
        failed ? nullptr
               : cleared(env, env->NewObject(resultClass, constructor, fields[0], fields[1], fields[2], fields[3],
                                             fields[4]));
    for (const jstring field : fields) env->DeleteLocalRef(field);
    return result;
}

jobjectArray newPickerResults(JNIEnv* env, const std::vector<dialogs::PickedObject>& objects) {
    const jclass resultClass = cleared(env, env->FindClass(kPickerResultClass));
    if (resultClass == nullptr) return nullptr;
    const jmethodID constructor = cleared(env, env->GetMethodID(resultClass, "<init>", kPickerResultConstructor));
    jobjectArray results =
        constructor == nullptr
            ? nullptr
            : cleared(env, env->NewObjectArray(static_cast<jsize>(objects.size()), resultClass, nullptr));
    for (std::size_t i = 0; results != nullptr && i < objects.size(); ++i) {
        const jobject result = newPickerResult(env, resultClass, constructor, objects[i]);
        if (result == nullptr) {
            env->DeleteLocalRef(results);
            results = nullptr;
            break;
        }
        env->SetObjectArrayElement(results, static_cast<jsize>(i), result);
        env->DeleteLocalRef(result);
    }
    env->DeleteLocalRef(resultClass);
    return results;
}

}  // namespace

TAVIK_NATIVE(void, VistaFileChooser, initialize0)(JNIEnv*, jclass) { ::CoInitialize(nullptr); }

TAVIK_NATIVE(jobjectArray, VistaFileChooser, displayDialog0)
(JNIEnv* env, jclass, jlong parent, jstring title, jstring okLabel, jstring folder, jstring fileName, jint addOptions,
 jint removeOptions, jboolean save, jstring defaultExtension, jobjectArray filterNames, jobjectArray filterPatterns,
 jint filterIndex, jobjectArray checkBoxLabels, jbooleanArray checkBoxStates) {
    return guarded(jobjectArray{}, [&]() -> jobjectArray {
        dialogs::FileDialogRequest request;
        request.parent = toHandle<HWND>(parent);
        request.save = save != JNI_FALSE;
        request.title = optionalText(env, title);
        request.okLabel = optionalText(env, okLabel);
        request.folder = optionalText(env, folder);
        request.fileName = optionalText(env, fileName);
        request.defaultExtension = optionalText(env, defaultExtension);
        request.addOptions = static_cast<std::uint32_t>(addOptions);
        request.removeOptions = static_cast<std::uint32_t>(removeOptions);
        if (filterNames != nullptr)
            request.filters = dialogs::pairFilters(texts(env, filterNames), texts(env, filterPatterns));
        request.filterIndex = filterIndex;
        CheckBoxStates states(env, checkBoxStates);
        request.checkBoxes = dialogs::layoutCheckBoxes(texts(env, checkBoxLabels), states.values());

        const std::optional<dialogs::FileDialogChoice> choice = dialogs::runFileDialog(request);
        if (!choice) return nullptr;
        states.store(choice->checkBoxStates);
        return choice->paths ? newPathArray(env, *choice->paths) : nullptr;
    });
}

TAVIK_NATIVE(jint, VistaTaskDialog, show0)
(JNIEnv* env, jclass, jlong parent, jstring title, jstring instruction, jstring content, jint extraFlags, jint iconId,
 jint width, jstring verification, jobjectArray buttons, jint defaultButton) {
    return guarded(jint{0}, [&]() -> jint {
        dialogs::TaskDialogRequest request;
        request.parent = toHandle<HWND>(parent);
        request.title = optionalText(env, title);
        request.instruction = optionalText(env, instruction);
        request.content = optionalText(env, content);
        request.verification = optionalText(env, verification);
        request.extraFlags = static_cast<std::uint32_t>(extraFlags);
        request.iconId = iconId;
        request.width = static_cast<std::uint32_t>(width);
        request.buttons = texts(env, buttons);
        request.defaultButton = defaultButton;
        return dialogs::runTaskDialog(request).value_or(0);
    });
}

TAVIK_NATIVE(jobjectArray, ObjectPicker, show0)
(JNIEnv* env, jclass, jboolean multipleSelection, jboolean groups, jboolean users, jboolean wellKnownPrincipals,
 jboolean localComputerOnly) {
    return guarded(jobjectArray{}, [&]() -> jobjectArray {
        const dialogs::PickerRequest request{multipleSelection != JNI_FALSE, groups != JNI_FALSE, users != JNI_FALSE,
                                             wellKnownPrincipals != JNI_FALSE, localComputerOnly != JNI_FALSE};
        const std::optional<std::vector<dialogs::PickedObject>> picked = dialogs::runObjectPicker(request);
        return picked ? newPickerResults(env, *picked) : nullptr;
    });
}
