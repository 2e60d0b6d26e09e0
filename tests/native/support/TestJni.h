#pragma once
// A JNI environment for driving the natives of rwtnative without a VM. It
// models the few classes and functions the natives use and ends the process
// loudly on everything else: an unimplemented JNI function prints its slot
// index and exits with kUnimplementedExit; a call JNI forbids (an object of
// the wrong kind, a deleted reference, a call with an exception pending, a
// negative length, an index outside an array, an unknown class or method, a
// buffer released twice or never) prints why and exits with kMisuseExit.
//
// FindClass of a hidden class yields null with a java/lang/NoClassDefFoundError
// pending, as a VM's does; ExceptionCheck shows it and ExceptionClear ends it.
// Likewise a new primitive array longer than the limit a test set yields null
// with a java/lang/OutOfMemoryError pending, as from a VM whose heap is full,
// and so does a new string of more UTF-16 units than its limit.
//
// One environment belongs to the thread that made it, as a JNIEnv does; a
// test that calls natives on another thread makes a TestJni there.
#include <windows.h>

#include <jni.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace tavik::testjni {

inline constexpr int kUnimplementedExit = 99;
inline constexpr int kMisuseExit = 98;

class TestJni {
public:
    TestJni();
    ~TestJni();
    TestJni(const TestJni&) = delete;
    TestJni& operator=(const TestJni&) = delete;

    JNIEnv* env();

    // Objects a test hands to a native, as local references.
    jstring string(std::u16string_view text);
    jobjectArray stringArray(const std::vector<std::u16string>& texts);
    jbyteArray bytes(const std::vector<std::uint8_t>& data);
    jintArray ints(const std::vector<std::int32_t>& values);
    jbooleanArray booleans(const std::vector<bool>& values);
    jobject integer(std::int32_t value);  // a java/lang/Integer

    // What a native returned or filled in: nullopt for null; an object of
    // another kind ends the process loudly.
    std::optional<std::u16string> text(jobject stringOrNull);
    std::optional<std::vector<std::u16string>> strings(jobject arrayOrNull);
    std::optional<std::vector<std::uint8_t>> bytesOf(jobject arrayOrNull);
    std::optional<std::int32_t> integerValue(jobject integerOrNull);
    // The string a WinRegistry$ExpandString was built from.
    std::optional<std::u16string> wrappedText(jobject wrapperOrNull);
    // What a com/runwright/api/windows/WindowInfo was built from.
    struct WindowInfo {
        std::int64_t handle;
        std::int32_t style;
        std::optional<std::u16string> className, title;
    };
    std::optional<WindowInfo> windowInfo(jobject infoOrNull);
    // An object array's elements as new local references, null ones as null.
    std::optional<std::vector<jobject>> elementsOf(jobject arrayOrNull);
    std::optional<std::vector<std::int32_t>> intsOf(jobject arrayOrNull);
    std::optional<std::vector<bool>> booleansOf(jobject arrayOrNull);
    // A string array's elements, null ones as nullopt.
    std::optional<std::vector<std::optional<std::u16string>>> optionalStrings(jobject arrayOrNull);
    // "java/lang/String", "[B", "[Ljava/lang/String;", "java/lang/Class"...; "null" for null.
    std::string classNameOf(jobject object);

    void hideClass(const std::string& classPath);
    void limitArrayLength(jsize longest);
    void limitStringLength(std::size_t longest);

    struct Registration {
        std::string classPath, name, signature;
        void* function;
    };
    const std::vector<Registration>& registrations() const;

    struct State;

private:
    std::unique_ptr<State> state_;
};

// A library loaded with LoadLibraryW and freed at the end. A library that does
// not load, or an export it lacks, throws, which fails the test at hand.
class NativeLibrary {
public:
    explicit NativeLibrary(const std::wstring& path);
    ~NativeLibrary();
    NativeLibrary(const NativeLibrary&) = delete;
    NativeLibrary& operator=(const NativeLibrary&) = delete;

    HMODULE handle() const { return module_; }

    template <class Function>
    Function function(const char* exportName) const {
        // Through void*: GCC warns about casts between unrelated function types.
        return reinterpret_cast<Function>(address(exportName));
    }

    // A native of one of the helper's classes, by the name a VM binds it under.
    template <class Function>
    Function native(const char* className, const char* method) const {
        const std::string name =
            std::string("Java_com_runwright_runtime_installer_platform_win32_") + className + "_" + method;
        return function<Function>(name.c_str());
    }

private:
    void* address(const char* exportName) const;

    HMODULE module_;
};

std::wstring rwtnativePath();

}  // namespace tavik::testjni
