#include "tests/native/support/TestJni.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <deque>
#include <map>
#include <set>
#include <utility>

#include "launcher/jvm/JniText.h"
#include "tests/support/JniArguments.h"

namespace tavik::testjni {
namespace {

using test::argumentsFrom;

[[noreturn]] void abortLoudly(int exitCode, const std::string& why) {
    std::fprintf(stderr, "TestJni: %s\n", why.c_str());
    std::fflush(stderr);
    ::ExitProcess(static_cast<UINT>(exitCode));
}

[[noreturn]] void misuse(const std::string& why) { abortLoudly(kMisuseExit, "JNI misuse: " + why); }

constexpr const char* kStringClass = "java/lang/String";
constexpr const char* kIntegerClass = "java/lang/Integer";
constexpr const char* kStringArrayClass = "[Ljava/lang/String;";
constexpr const char* kExpandStringClass = "com/runwright/api/windows/WinRegistry$ExpandString";
constexpr const char* kWindowInfoClass = "com/runwright/api/windows/WindowInfo";

// The classes a native may look up; array classes of these and of the
// primitives exist too.
const char* const kClasses[] = {
    "java/lang/Object",
    "java/lang/Class",
    kStringClass,
    kIntegerClass,
    kExpandStringClass,
    kWindowInfoClass,
    "com/runwright/runtime/installer/platform/win32/ACLHandling",
    "com/runwright/runtime/installer/platform/win32/FileVersion",
    "com/runwright/runtime/installer/platform/win32/FolderInfo",
    "com/runwright/runtime/installer/platform/win32/Misc",
    "com/runwright/runtime/installer/platform/win32/ObjectPicker",
    "com/runwright/runtime/installer/platform/win32/ShellLink",
    "com/runwright/runtime/installer/platform/win32/VistaFileChooser",
    "com/runwright/runtime/installer/platform/win32/VistaTaskDialog",
    "com/runwright/runtime/installer/platform/win32/Win32CommunicationBackend",
    "com/runwright/runtime/installer/platform/win32/Win32Proxy",
    "com/runwright/runtime/installer/platform/win32/Win32UserInfo",
    "com/runwright/runtime/installer/platform/win32/Registry",
    "com/runwright/runtime/installer/platform/win32/Win32Exec",
    "com/runwright/runtime/installer/platform/win32/Win32Handle",
    "com/runwright/runtime/installer/platform/win32/Win32Services",
};

constexpr std::string_view kPrimitives = "BCDFIJSZ";

bool isKnownClass(std::string_view name) {
    if (!name.empty() && name[0] == '[') {
        const std::string_view element = name.substr(1);
        if (element.size() == 1) return kPrimitives.find(element[0]) != std::string_view::npos;
        if (!element.empty() && element[0] == '[') return isKnownClass(element);
        // "[L...;" names a class, never an array: that is "[[".
        return element.size() > 2 && element.front() == 'L' && element.back() == ';' && element[1] != '[' &&
               isKnownClass(element.substr(1, element.size() - 2));
    }
    for (const char* known : kClasses)
        if (name == known) return true;
    return false;
}

// The class name an array of this element class has.
std::string arrayClassOf(const std::string& elementClass) {
    return elementClass[0] == '[' ? "[" + elementClass : "[L" + elementClass + ";";
}

// An array's element class; nullopt for a primitive element.
std::optional<std::string_view> referenceElementOf(std::string_view arrayClass) {
    const std::string_view element = arrayClass.substr(1);
    if (element[0] == '[') return element;
    if (element[0] == 'L') return element.substr(1, element.size() - 2);
    return std::nullopt;
}

bool isAssignable(std::string_view from, std::string_view to) {
    if (from == to || to == "java/lang/Object") return true;
    if (from.size() < 2 || to.size() < 2 || from[0] != '[' || to[0] != '[') return false;
    const auto fromElement = referenceElementOf(from);
    const auto toElement = referenceElementOf(to);
    return fromElement && toElement && isAssignable(*fromElement, *toElement);
}

// One field type off the front of a descriptor.
bool takeFieldType(std::string_view& rest) {
    while (!rest.empty() && rest[0] == '[') rest.remove_prefix(1);
    if (rest.empty()) return false;
    if (rest[0] == 'L') {
        const std::size_t end = rest.find(';');
        if (end == std::string_view::npos || end == 1) return false;
        rest.remove_prefix(end + 1);
        return true;
    }
    if (kPrimitives.find(rest[0]) == std::string_view::npos) return false;
    rest.remove_prefix(1);
    return true;
}

bool isMethodDescriptor(std::string_view descriptor) {
    if (descriptor.empty() || descriptor[0] != '(') return false;
    descriptor.remove_prefix(1);
    while (!descriptor.empty() && descriptor[0] != ')')
        if (!takeFieldType(descriptor)) return false;
    if (descriptor.empty()) return false;
    descriptor.remove_prefix(1);
    return descriptor == "V" || (takeFieldType(descriptor) && descriptor.empty());
}

// ---- Objects and references.

// Wrapper: an object built from one string, which it holds as its only element.
// WindowInfo: its handle in `handle`, its style in `value`, its class name and
// title as its two elements.
enum class Kind { Class, String, Integer, Wrapper, WindowInfo, ObjectArray, PrimitiveArray, Throwable };

struct Object {
    Kind kind;
    std::string className;   // the object's own class
    std::string represents;  // Class: the class it stands for
    std::u16string text;     // String; Throwable: its message
    std::int32_t value = 0;  // Integer
    std::vector<Object*> elements;    // ObjectArray; Wrapper: its string
    std::vector<unsigned char> data;  // PrimitiveArray: the elements' bytes
    std::int64_t handle = 0;          // WindowInfo
};

struct Ref {
    Object* target;
    bool deleted = false;
};

// Characters or elements handed out by a Get... function, awaiting release.
struct Buffer {
    const Object* owner;
    std::string handedOutBy;
    std::vector<unsigned char> bytes;
};

struct Method {
    const char* className;
    const char* name;
    const char* signature;
};

const Method kMethods[] = {
    {kIntegerClass, "<init>", "(I)V"},
    {kIntegerClass, "intValue", "()I"},
    {kExpandStringClass, "<init>", "(Ljava/lang/String;)V"},
    {kWindowInfoClass, "<init>", "(JILjava/lang/String;Ljava/lang/String;)V"},
};

}  // namespace

struct TestJni::State {
    JNIEnv env{};
    DWORD threadId = ::GetCurrentThreadId();
    std::deque<Object> objects;
    std::deque<Ref> refs;
    std::set<const Ref*> knownRefs;
    std::map<std::string, Object*> classes;
    std::set<std::string> hidden;
    std::optional<jsize> longestArray;
    std::optional<std::size_t> longestString;
    Object* pending = nullptr;
    std::map<const void*, Buffer> buffers;
    std::vector<Registration> registrations;
};

namespace {

using State = TestJni::State;

std::map<const JNIEnv*, State*>& environments() {
    static auto* const all = new std::map<const JNIEnv*, State*>;
    return *all;
}

Object* newObject(State& state, Object object) { return &state.objects.emplace_back(std::move(object)); }

jobject newRef(State& state, Object* target) {
    if (target == nullptr) return nullptr;
    Ref& added = state.refs.emplace_back(Ref{target});
    state.knownRefs.insert(&added);
    // A jobject is an opaque handle; only this environment looks through it.
    return reinterpret_cast<jobject>(&added);
}

template <class Handle>
Handle newRefAs(State& state, Object* target) {
    return static_cast<Handle>(newRef(state, target));
}

Object* deref(State& state, jobject handle, const std::string& function) {
    if (handle == nullptr) return nullptr;
    auto* ref = reinterpret_cast<Ref*>(handle);
    if (state.knownRefs.count(ref) == 0) misuse(function + " with something that is no reference of this environment");
    if (ref->deleted) misuse(function + " with a deleted reference");
    return ref->target;
}

std::string shown(const Object* object) { return object == nullptr ? "null" : object->className; }

Object& derefKind(State& state, jobject handle, Kind kind, const std::string& function) {
    Object* object = deref(state, handle, function);
    if (object == nullptr || object->kind != kind) misuse(function + " with " + shown(object));
    return *object;
}

Object& derefClass(State& state, jclass type, const std::string& function) {
    return derefKind(state, type, Kind::Class, function);
}

Object* classObject(State& state, const std::string& name) {
    Object*& known = state.classes[name];
    if (known == nullptr) known = newObject(state, {Kind::Class, "java/lang/Class", name, {}, 0, {}, {}});
    return known;
}

Object* newStringObject(State& state, std::u16string text) {
    return newObject(state, {Kind::String, kStringClass, {}, std::move(text), 0, {}, {}});
}

// A string the test limited away: null, with the VM's error pending.
jstring newStringWithin(State& state, std::u16string text) {
    if (state.longestString && text.size() > *state.longestString) {
        state.pending = newObject(state, {Kind::Throwable, "java/lang/OutOfMemoryError", {}, u"Java heap space", 0, {}, {}});
        return nullptr;
    }
    return newRefAs<jstring>(state, newStringObject(state, std::move(text)));
}

// Every JNI function starts here: the environment must be one of the live
// ones and the calling thread's, and only the functions JNI allows then may
// run with an exception pending.
enum class WhilePending { Forbidden, Allowed };

State& enter(JNIEnv* env, const char* function, WhilePending whilePending = WhilePending::Forbidden) {
    const auto found = environments().find(env);
    if (found == environments().end()) misuse(std::string(function) + " with an unknown JNIEnv");
    State& state = *found->second;
    if (state.threadId != ::GetCurrentThreadId()) misuse(std::string(function) + " with another thread's JNIEnv");
    if (state.pending != nullptr && whilePending == WhilePending::Forbidden)
        misuse(std::string(function) + " with a " + state.pending->className + " pending");
    return state;
}

void checkRange(const std::string& function, jsize start, jsize length, std::size_t count) {
    if (start < 0 || length < 0 || static_cast<std::size_t>(start) + static_cast<std::size_t>(length) > count)
        misuse(function + " of " + std::to_string(length) + " from " + std::to_string(start) + " in an array of " +
               std::to_string(count));
}

void checkIndex(const std::string& function, jsize index, std::size_t count) {
    if (index < 0 || static_cast<std::size_t>(index) >= count)
        misuse(function + " at " + std::to_string(index) + " in an array of " + std::to_string(count));
}

void* handOut(State& state, const Object& owner, const std::string& function, std::vector<unsigned char> bytes,
              jboolean* isCopy) {
    if (isCopy != nullptr) *isCopy = JNI_TRUE;
    void* at = bytes.data();
    state.buffers[at] = Buffer{&owner, function, std::move(bytes)};
    return at;
}

Buffer& handedOut(State& state, const Object& owner, const void* at, const char* function) {
    const auto found = state.buffers.find(at);
    if (found == state.buffers.end() || found->second.owner != &owner)
        misuse(std::string(function) + " of a buffer this object did not hand out");
    return found->second;
}

// ---- Classes and methods.

jclass JNICALL findClass(JNIEnv* env, const char* name) {
    State& state = enter(env, "FindClass");
    if (name == nullptr) misuse("FindClass with a null name");
    if (state.hidden.count(name) != 0) {
        state.pending = newObject(state, {Kind::Throwable, "java/lang/NoClassDefFoundError", {},
                                          std::u16string(name, name + std::strlen(name)), 0, {}, {}});
        return nullptr;
    }
    if (!isKnownClass(name)) misuse(std::string("FindClass of ") + name + ", a class this environment does not have");
    return newRefAs<jclass>(state, classObject(state, name));
}

jclass JNICALL getObjectClass(JNIEnv* env, jobject object) {
    State& state = enter(env, "GetObjectClass");
    const Object* target = deref(state, object, "GetObjectClass");
    if (target == nullptr) misuse("GetObjectClass of null");
    return newRefAs<jclass>(state, classObject(state, target->className));
}

jboolean JNICALL isInstanceOf(JNIEnv* env, jobject object, jclass type) {
    State& state = enter(env, "IsInstanceOf");
    const Object& typeObject = derefClass(state, type, "IsInstanceOf");
    const Object* target = deref(state, object, "IsInstanceOf");
    return target == nullptr || isAssignable(target->className, typeObject.represents) ? JNI_TRUE : JNI_FALSE;
}

jmethodID JNICALL getMethodID(JNIEnv* env, jclass type, const char* name, const char* signature) {
    State& state = enter(env, "GetMethodID");
    const Object& owner = derefClass(state, type, "GetMethodID");
    if (name == nullptr || signature == nullptr) misuse("GetMethodID with a null name or signature");
    for (const Method& method : kMethods) {
        if (owner.represents == method.className && std::strcmp(name, method.name) == 0 &&
            std::strcmp(signature, method.signature) == 0)
            return reinterpret_cast<jmethodID>(const_cast<Method*>(&method));
    }
    misuse("GetMethodID of " + owner.represents + "." + name + signature + ", a method this environment does not have");
}

const Method& methodOf(jmethodID id, const char* function) {
    for (const Method& method : kMethods)
        if (reinterpret_cast<jmethodID>(const_cast<Method*>(&method)) == id) return method;
    misuse(std::string(function) + " with something that is no method ID");
}

jobject JNICALL newObjectA(JNIEnv* env, jclass type, jmethodID id, const jvalue* args) {
    State& state = enter(env, "NewObject");
    const Object& owner = derefClass(state, type, "NewObject");
    const Method& method = methodOf(id, "NewObject");
    if (std::strcmp(method.name, "<init>") != 0 || owner.represents != method.className)
        misuse("NewObject of " + owner.represents + " with " + method.className + "." + method.name);
    if (owner.represents == kIntegerClass)
        return newRef(state, newObject(state, {Kind::Integer, kIntegerClass, {}, {}, args[0].i, {}, {}}));
    if (owner.represents == kWindowInfoClass) {
        Object* className = deref(state, args[2].l, "NewObject");
        Object* title = deref(state, args[3].l, "NewObject");
        for (const Object* text : {className, title})
            if (text != nullptr && text->kind != Kind::String) misuse("NewObject of " + owner.represents + " with " + shown(text));
        Object info{Kind::WindowInfo, kWindowInfoClass, {}, {}, args[1].i, {className, title}, {}};
        info.handle = args[0].j;
        return newRef(state, newObject(state, std::move(info)));
    }
    Object* text = deref(state, args[0].l, "NewObject");
    if (text != nullptr && text->kind != Kind::String)
        misuse("NewObject of " + owner.represents + " with " + shown(text));
    return newRef(state, newObject(state, {Kind::Wrapper, owner.represents, {}, {}, 0, {text}, {}}));
}

jobject JNICALL newObjectV(JNIEnv* env, jclass type, jmethodID id, va_list args) {
    enter(env, "NewObject");
    const std::vector<jvalue> values = argumentsFrom(methodOf(id, "NewObject").signature, args);
    return newObjectA(env, type, id, values.data());
}

jobject JNICALL newObjectVarargs(JNIEnv* env, jclass type, jmethodID id, ...) {
    va_list args;
    va_start(args, id);
    const jobject created = newObjectV(env, type, id, args);
    va_end(args);
    return created;
}

jint JNICALL callIntMethodA(JNIEnv* env, jobject receiver, jmethodID id, const jvalue*) {
    State& state = enter(env, "CallIntMethod");
    const Method& method = methodOf(id, "CallIntMethod");
    const Object* target = deref(state, receiver, "CallIntMethod");
    if (target == nullptr || std::strcmp(method.signature, "()I") != 0 ||
        !isAssignable(target->className, method.className))
        misuse(std::string("CallIntMethod of ") + method.className + "." + method.name + method.signature + " on " +
               shown(target));
    return target->value;
}

jint JNICALL callIntMethodV(JNIEnv* env, jobject receiver, jmethodID id, va_list args) {
    enter(env, "CallIntMethod");
    const std::vector<jvalue> values = argumentsFrom(methodOf(id, "CallIntMethod").signature, args);
    return callIntMethodA(env, receiver, id, values.data());
}

jint JNICALL callIntMethodVarargs(JNIEnv* env, jobject receiver, jmethodID id, ...) {
    va_list args;
    va_start(args, id);
    const jint result = callIntMethodV(env, receiver, id, args);
    va_end(args);
    return result;
}

// ---- Strings, UTF-16 throughout; the UTF functions speak modified UTF-8.

jstring JNICALL newString(JNIEnv* env, const jchar* units, jsize length) {
    State& state = enter(env, "NewString");
    if (length < 0 || (units == nullptr && length > 0)) misuse("NewString with a negative length or no characters");
    const auto* first = reinterpret_cast<const char16_t*>(units);
    return newStringWithin(state, std::u16string(first, first + length));
}

jsize JNICALL getStringLength(JNIEnv* env, jstring text) {
    State& state = enter(env, "GetStringLength");
    return static_cast<jsize>(derefKind(state, text, Kind::String, "GetStringLength").text.size());
}

const jchar* JNICALL getStringChars(JNIEnv* env, jstring text, jboolean* isCopy) {
    State& state = enter(env, "GetStringChars");
    const Object& string = derefKind(state, text, Kind::String, "GetStringChars");
    std::vector<unsigned char> bytes((string.text.size() + 1) * sizeof(jchar), 0);
    std::memcpy(bytes.data(), string.text.data(), string.text.size() * sizeof(jchar));
    return static_cast<const jchar*>(handOut(state, string, "GetStringChars", std::move(bytes), isCopy));
}

void JNICALL releaseStringChars(JNIEnv* env, jstring text, const jchar* chars) {
    State& state = enter(env, "ReleaseStringChars", WhilePending::Allowed);
    const Object& string = derefKind(state, text, Kind::String, "ReleaseStringChars");
    handedOut(state, string, chars, "ReleaseStringChars");
    state.buffers.erase(chars);
}

jstring JNICALL newStringUtf(JNIEnv* env, const char* bytes) {
    State& state = enter(env, "NewStringUTF");
    if (bytes == nullptr) misuse("NewStringUTF of null");
    return newStringWithin(state, jni::decodeModifiedUtf8(bytes));
}

const char* JNICALL getStringUtfChars(JNIEnv* env, jstring text, jboolean* isCopy) {
    State& state = enter(env, "GetStringUTFChars");
    const Object& string = derefKind(state, text, Kind::String, "GetStringUTFChars");
    const std::string encoded = jni::encodeModifiedUtf8(string.text);
    std::vector<unsigned char> bytes(encoded.begin(), encoded.end());
    bytes.push_back(0);
    return static_cast<const char*>(handOut(state, string, "GetStringUTFChars", std::move(bytes), isCopy));
}

void JNICALL releaseStringUtfChars(JNIEnv* env, jstring text, const char* chars) {
    State& state = enter(env, "ReleaseStringUTFChars", WhilePending::Allowed);
    const Object& string = derefKind(state, text, Kind::String, "ReleaseStringUTFChars");
    handedOut(state, string, chars, "ReleaseStringUTFChars");
    state.buffers.erase(chars);
}

// ---- Arrays.

jobjectArray JNICALL newObjectArray(JNIEnv* env, jsize length, jclass elementType, jobject initial) {
    State& state = enter(env, "NewObjectArray");
    const Object& element = derefClass(state, elementType, "NewObjectArray");
    if (length < 0) misuse("NewObjectArray of length " + std::to_string(length));
    Object* fill = deref(state, initial, "NewObjectArray");
    if (fill != nullptr && !isAssignable(fill->className, element.represents))
        misuse("NewObjectArray of " + element.represents + " filled with " + fill->className);
    return newRefAs<jobjectArray>(
        state, newObject(state, {Kind::ObjectArray, arrayClassOf(element.represents), {}, {}, 0,
                                 std::vector<Object*>(static_cast<std::size_t>(length), fill), {}}));
}

jsize JNICALL getArrayLength(JNIEnv* env, jarray array) {
    State& state = enter(env, "GetArrayLength");
    const Object* target = deref(state, array, "GetArrayLength");
    if (target == nullptr || (target->kind != Kind::ObjectArray && target->kind != Kind::PrimitiveArray))
        misuse("GetArrayLength with " + shown(target));
    if (target->kind == Kind::ObjectArray) return static_cast<jsize>(target->elements.size());
    const std::size_t elementSize = target->className == "[I" ? sizeof(jint) : 1;
    return static_cast<jsize>(target->data.size() / elementSize);
}

jobject JNICALL getObjectArrayElement(JNIEnv* env, jobjectArray array, jsize index) {
    State& state = enter(env, "GetObjectArrayElement");
    const Object& target = derefKind(state, array, Kind::ObjectArray, "GetObjectArrayElement");
    checkIndex("GetObjectArrayElement", index, target.elements.size());
    return newRef(state, target.elements[static_cast<std::size_t>(index)]);
}

void JNICALL setObjectArrayElement(JNIEnv* env, jobjectArray array, jsize index, jobject value) {
    State& state = enter(env, "SetObjectArrayElement");
    Object& target = derefKind(state, array, Kind::ObjectArray, "SetObjectArrayElement");
    Object* element = deref(state, value, "SetObjectArrayElement");
    checkIndex("SetObjectArrayElement", index, target.elements.size());
    if (element != nullptr && !isAssignable(element->className, *referenceElementOf(target.className)))
        misuse("SetObjectArrayElement of a " + element->className + " into a " + target.className);
    target.elements[static_cast<std::size_t>(index)] = element;
}

template <class Element>
struct Primitive;
template <>
struct Primitive<jbyte> {
    static constexpr const char* arrayClass = "[B";
    static constexpr const char* name = "Byte";
};
template <>
struct Primitive<jint> {
    static constexpr const char* arrayClass = "[I";
    static constexpr const char* name = "Int";
};
template <>
struct Primitive<jboolean> {
    static constexpr const char* arrayClass = "[Z";
    static constexpr const char* name = "Boolean";
};

template <class Element>
std::string functionName(const char* prefix, const char* suffix) {
    return std::string(prefix) + Primitive<Element>::name + suffix;
}

template <class Element>
Object& derefPrimitiveArray(State& state, jobject array, const std::string& function) {
    Object* target = deref(state, array, function);
    if (target == nullptr || target->className != Primitive<Element>::arrayClass)
        misuse(function + " with " + shown(target));
    return *target;
}

template <class Element>
std::size_t countOf(const Object& array) {
    return array.data.size() / sizeof(Element);
}

Object* newPrimitiveArrayObject(State& state, const char* arrayClass, std::vector<unsigned char> data) {
    return newObject(state, {Kind::PrimitiveArray, arrayClass, {}, {}, 0, {}, std::move(data)});
}

template <class Element, class Array>
Array JNICALL newPrimitiveArray(JNIEnv* env, jsize length) {
    const std::string function = functionName<Element>("New", "Array");
    State& state = enter(env, function.c_str());
    if (length < 0) misuse(function + " of length " + std::to_string(length));
    if (state.longestArray && length > *state.longestArray) {
        state.pending = newObject(state, {Kind::Throwable, "java/lang/OutOfMemoryError", {},
                                          u"Java heap space", 0, {}, {}});
        return nullptr;
    }
    return newRefAs<Array>(state, newPrimitiveArrayObject(state, Primitive<Element>::arrayClass,
                                                          std::vector<unsigned char>(length * sizeof(Element), 0)));
}

template <class Element, class Array>
void JNICALL getArrayRegion(JNIEnv* env, Array array, jsize start, jsize length, Element* buffer) {
    const std::string function = functionName<Element>("Get", "ArrayRegion");
    State& state = enter(env, function.c_str());
    const Object& target = derefPrimitiveArray<Element>(state, array, function);
    checkRange(function, start, length, countOf<Element>(target));
    if (buffer == nullptr && length > 0) misuse(function + " into no buffer");
    std::memcpy(buffer, target.data.data() + start * sizeof(Element), length * sizeof(Element));
}

template <class Element, class Array>
void JNICALL setArrayRegion(JNIEnv* env, Array array, jsize start, jsize length, const Element* buffer) {
    const std::string function = functionName<Element>("Set", "ArrayRegion");
    State& state = enter(env, function.c_str());
    Object& target = derefPrimitiveArray<Element>(state, array, function);
    checkRange(function, start, length, countOf<Element>(target));
    if (buffer == nullptr && length > 0) misuse(function + " from no buffer");
    std::memcpy(target.data.data() + start * sizeof(Element), buffer, length * sizeof(Element));
}

template <class Element, class Array>
Element* JNICALL getArrayElements(JNIEnv* env, Array array, jboolean* isCopy) {
    const std::string function = functionName<Element>("Get", "ArrayElements");
    State& state = enter(env, function.c_str());
    const Object& target = derefPrimitiveArray<Element>(state, array, function);
    std::vector<unsigned char> copy(target.data);
    copy.resize(std::max<std::size_t>(copy.size(), 1));  // never a null buffer, even for no elements
    return static_cast<Element*>(handOut(state, target, function, std::move(copy), isCopy));
}

template <class Element, class Array>
void JNICALL releaseArrayElements(JNIEnv* env, Array array, Element* elements, jint mode) {
    const std::string function = functionName<Element>("Release", "ArrayElements");
    State& state = enter(env, function.c_str(), WhilePending::Allowed);
    Object& target = derefPrimitiveArray<Element>(state, array, function);
    const Buffer& buffer = handedOut(state, target, elements, function.c_str());
    if (mode != 0 && mode != JNI_COMMIT && mode != JNI_ABORT) misuse(function + " with mode " + std::to_string(mode));
    if (mode != JNI_ABORT) std::memcpy(target.data.data(), buffer.bytes.data(), target.data.size());
    if (mode != JNI_COMMIT) state.buffers.erase(elements);
}

// ---- References, exceptions, registration.

void JNICALL deleteLocalRef(JNIEnv* env, jobject handle) {
    State& state = enter(env, "DeleteLocalRef", WhilePending::Allowed);
    if (handle == nullptr) return;
    deref(state, handle, "DeleteLocalRef");
    reinterpret_cast<Ref*>(handle)->deleted = true;
}

jboolean JNICALL exceptionCheck(JNIEnv* env) {
    return enter(env, "ExceptionCheck", WhilePending::Allowed).pending != nullptr ? JNI_TRUE : JNI_FALSE;
}

jthrowable JNICALL exceptionOccurred(JNIEnv* env) {
    State& state = enter(env, "ExceptionOccurred", WhilePending::Allowed);
    return newRefAs<jthrowable>(state, state.pending);
}

void JNICALL exceptionClear(JNIEnv* env) { enter(env, "ExceptionClear", WhilePending::Allowed).pending = nullptr; }

jint JNICALL registerNatives(JNIEnv* env, jclass type, const JNINativeMethod* methods, jint count) {
    State& state = enter(env, "RegisterNatives");
    const Object& owner = derefClass(state, type, "RegisterNatives");
    if (count < 0 || (methods == nullptr && count > 0)) misuse("RegisterNatives with a negative count or no methods");
    for (jint i = 0; i < count; ++i) {
        const JNINativeMethod& method = methods[i];
        if (method.name == nullptr || method.signature == nullptr || method.fnPtr == nullptr)
            misuse("RegisterNatives of " + owner.represents + " with a null name, signature or function");
        if (!isMethodDescriptor(method.signature))
            misuse("RegisterNatives of " + owner.represents + "." + method.name + " with the signature " +
                   method.signature);
        state.registrations.push_back({owner.represents, method.name, method.signature, method.fnPtr});
    }
    return JNI_OK;
}

// ---- The function table: every slot ends the process until it is filled.

template <std::size_t Slot>
void JNICALL unimplemented(JNIEnv*) {
    abortLoudly(kUnimplementedExit, "unimplemented JNI function " + std::to_string(Slot));
}

template <std::size_t... Slots>
JNINativeInterface_ unimplementedTable(std::index_sequence<Slots...>) {
    using Stub = void(JNICALL*)(JNIEnv*);
    const Stub stubs[] = {&unimplemented<Slots>...};
    JNINativeInterface_ table;
    static_assert(sizeof table == sizeof stubs, "a JNI table is nothing but function pointers");
    std::memcpy(&table, stubs, sizeof stubs);
    return table;
}

const JNINativeInterface_* nativeInterface() {
    static const JNINativeInterface_ table = [] {
        JNINativeInterface_ f =
            unimplementedTable(std::make_index_sequence<sizeof(JNINativeInterface_) / sizeof(void*)>());
        f.FindClass = &findClass;
        f.GetObjectClass = &getObjectClass;
        f.IsInstanceOf = &isInstanceOf;
        f.GetMethodID = &getMethodID;
        f.NewObject = &newObjectVarargs;
        f.NewObjectV = &newObjectV;
        f.NewObjectA = &newObjectA;
        f.CallIntMethod = &callIntMethodVarargs;
        f.CallIntMethodV = &callIntMethodV;
        f.CallIntMethodA = &callIntMethodA;
        f.NewString = &newString;
        f.GetStringLength = &getStringLength;
        f.GetStringChars = &getStringChars;
        f.ReleaseStringChars = &releaseStringChars;
        f.NewStringUTF = &newStringUtf;
        f.GetStringUTFChars = &getStringUtfChars;
        f.ReleaseStringUTFChars = &releaseStringUtfChars;
        f.NewObjectArray = &newObjectArray;
        f.GetArrayLength = &getArrayLength;
        f.GetObjectArrayElement = &getObjectArrayElement;
        f.SetObjectArrayElement = &setObjectArrayElement;
        f.NewByteArray = &newPrimitiveArray<jbyte, jbyteArray>;
        f.NewIntArray = &newPrimitiveArray<jint, jintArray>;
        f.NewBooleanArray = &newPrimitiveArray<jboolean, jbooleanArray>;
        f.GetByteArrayRegion = &getArrayRegion<jbyte, jbyteArray>;
        f.GetIntArrayRegion = &getArrayRegion<jint, jintArray>;
        f.GetBooleanArrayRegion = &getArrayRegion<jboolean, jbooleanArray>;
        f.SetByteArrayRegion = &setArrayRegion<jbyte, jbyteArray>;
        f.SetIntArrayRegion = &setArrayRegion<jint, jintArray>;
        f.SetBooleanArrayRegion = &setArrayRegion<jboolean, jbooleanArray>;
        f.GetByteArrayElements = &getArrayElements<jbyte, jbyteArray>;
        f.GetIntArrayElements = &getArrayElements<jint, jintArray>;
        f.GetBooleanArrayElements = &getArrayElements<jboolean, jbooleanArray>;
        f.ReleaseByteArrayElements = &releaseArrayElements<jbyte, jbyteArray>;
        f.ReleaseIntArrayElements = &releaseArrayElements<jint, jintArray>;
        f.ReleaseBooleanArrayElements = &releaseArrayElements<jboolean, jbooleanArray>;
        f.DeleteLocalRef = &deleteLocalRef;
        f.ExceptionCheck = &exceptionCheck;
        f.ExceptionOccurred = &exceptionOccurred;
        f.ExceptionClear = &exceptionClear;
        f.RegisterNatives = &registerNatives;
        return f;
    }();
    return &table;
}

// ---- What the test side sees.

Object* inspect(State& state, jobject handle, Kind kind, const char* what) {
    Object* object = deref(state, handle, what);
    if (object != nullptr && object->kind != kind) abortLoudly(kMisuseExit, std::string(what) + " of a " + object->className);
    return object;
}

std::vector<unsigned char> bytesOfValues(const void* values, std::size_t size) {
    const auto* first = static_cast<const unsigned char*>(values);
    return std::vector<unsigned char>(first, first + size);
}

std::string narrow(const std::wstring& text) {
    const int length = static_cast<int>(text.size());
    std::string bytes(static_cast<std::size_t>(::WideCharToMultiByte(CP_UTF8, 0, text.data(), length, nullptr, 0,
                                                                     nullptr, nullptr)),
                      '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text.data(), length, bytes.data(), static_cast<int>(bytes.size()), nullptr,
                          nullptr);
    return bytes;
}

}  // namespace

TestJni::TestJni() : state_(std::make_unique<State>()) {
    state_->env.functions = nativeInterface();
    environments()[&state_->env] = state_.get();
}

TestJni::~TestJni() {
    environments().erase(&state_->env);
    if (!state_->buffers.empty())
        abortLoudly(kMisuseExit, "JNI misuse: " + std::to_string(state_->buffers.size()) +
                                     " buffers never released, the first from " +
                                     state_->buffers.begin()->second.handedOutBy);
}

JNIEnv* TestJni::env() { return &state_->env; }

jstring TestJni::string(std::u16string_view text) {
    return newRefAs<jstring>(*state_, newStringObject(*state_, std::u16string(text)));
}

jobjectArray TestJni::stringArray(const std::vector<std::u16string>& texts) {
    std::vector<Object*> elements;
    for (const std::u16string& text : texts) elements.push_back(newStringObject(*state_, text));
    return newRefAs<jobjectArray>(
        *state_, newObject(*state_, {Kind::ObjectArray, kStringArrayClass, {}, {}, 0, std::move(elements), {}}));
}

jbyteArray TestJni::bytes(const std::vector<std::uint8_t>& data) {
    return newRefAs<jbyteArray>(*state_,
                                newPrimitiveArrayObject(*state_, "[B", bytesOfValues(data.data(), data.size())));
}

jintArray TestJni::ints(const std::vector<std::int32_t>& values) {
    static_assert(sizeof(jint) == sizeof(std::int32_t), "jint is 32 bits");
    return newRefAs<jintArray>(
        *state_, newPrimitiveArrayObject(*state_, "[I", bytesOfValues(values.data(), values.size() * sizeof(jint))));
}

jbooleanArray TestJni::booleans(const std::vector<bool>& values) {
    std::vector<unsigned char> data;
    for (const bool value : values) data.push_back(value ? JNI_TRUE : JNI_FALSE);
    return newRefAs<jbooleanArray>(*state_, newPrimitiveArrayObject(*state_, "[Z", std::move(data)));
}

jobject TestJni::integer(std::int32_t value) {
    return newRef(*state_, newObject(*state_, {Kind::Integer, kIntegerClass, {}, {}, value, {}, {}}));
}

std::optional<std::u16string> TestJni::text(jobject stringOrNull) {
    const Object* string = inspect(*state_, stringOrNull, Kind::String, "text()");
    if (string == nullptr) return std::nullopt;
    return string->text;
}

std::optional<std::vector<std::u16string>> TestJni::strings(jobject arrayOrNull) {
    const Object* array = inspect(*state_, arrayOrNull, Kind::ObjectArray, "strings()");
    if (array == nullptr) return std::nullopt;
    std::vector<std::u16string> texts;
    for (const Object* element : array->elements) {
        if (element == nullptr || element->kind != Kind::String)
            abortLoudly(kMisuseExit, "strings() of an array holding " + shown(element) + " at " +
                                         std::to_string(texts.size()));
        texts.push_back(element->text);
    }
    return texts;
}

std::optional<std::vector<std::uint8_t>> TestJni::bytesOf(jobject arrayOrNull) {
    const Object* array = inspect(*state_, arrayOrNull, Kind::PrimitiveArray, "bytesOf()");
    if (array == nullptr) return std::nullopt;
    if (array->className != "[B") abortLoudly(kMisuseExit, "bytesOf() of a " + array->className);
    return std::vector<std::uint8_t>(array->data.begin(), array->data.end());
}

std::optional<std::int32_t> TestJni::integerValue(jobject integerOrNull) {
    const Object* integer = inspect(*state_, integerOrNull, Kind::Integer, "integerValue()");
    if (integer == nullptr) return std::nullopt;
    return integer->value;
}

std::optional<std::u16string> TestJni::wrappedText(jobject wrapperOrNull) {
    const Object* wrapper = inspect(*state_, wrapperOrNull, Kind::Wrapper, "wrappedText()");
    if (wrapper == nullptr) return std::nullopt;
    if (wrapper->elements[0] == nullptr)
        abortLoudly(kMisuseExit, "wrappedText() of a " + wrapper->className + " of null");
    return wrapper->elements[0]->text;
}

std::optional<TestJni::WindowInfo> TestJni::windowInfo(jobject infoOrNull) {
    const Object* info = inspect(*state_, infoOrNull, Kind::WindowInfo, "windowInfo()");
    if (info == nullptr) return std::nullopt;
    const auto textOf = [](const Object* text) { return text == nullptr ? std::nullopt : std::optional(text->text); };
    return WindowInfo{info->handle, info->value, textOf(info->elements[0]), textOf(info->elements[1])};
}

std::optional<std::vector<jobject>> TestJni::elementsOf(jobject arrayOrNull) {
    const Object* array = inspect(*state_, arrayOrNull, Kind::ObjectArray, "elementsOf()");
    if (array == nullptr) return std::nullopt;
    std::vector<jobject> elements;
    for (Object* element : array->elements) elements.push_back(newRef(*state_, element));
    return elements;
}

std::optional<std::vector<std::int32_t>> TestJni::intsOf(jobject arrayOrNull) {
    const Object* array = inspect(*state_, arrayOrNull, Kind::PrimitiveArray, "intsOf()");
    if (array == nullptr) return std::nullopt;
    if (array->className != "[I") abortLoudly(kMisuseExit, "intsOf() of a " + array->className);
    std::vector<std::int32_t> values(array->data.size() / sizeof(std::int32_t));
    std::memcpy(values.data(), array->data.data(), values.size() * sizeof(std::int32_t));
    return values;
}

std::optional<std::vector<bool>> TestJni::booleansOf(jobject arrayOrNull) {
    const Object* array = inspect(*state_, arrayOrNull, Kind::PrimitiveArray, "booleansOf()");
    if (array == nullptr) return std::nullopt;
    if (array->className != "[Z") abortLoudly(kMisuseExit, "booleansOf() of a " + array->className);
    std::vector<bool> values;
    for (const unsigned char value : array->data) values.push_back(value != JNI_FALSE);
    return values;
}

std::optional<std::vector<std::optional<std::u16string>>> TestJni::optionalStrings(jobject arrayOrNull) {
    const Object* array = inspect(*state_, arrayOrNull, Kind::ObjectArray, "optionalStrings()");
    if (array == nullptr) return std::nullopt;
    if (array->className != kStringArrayClass) abortLoudly(kMisuseExit, "optionalStrings() of a " + array->className);
    std::vector<std::optional<std::u16string>> texts;
    for (const Object* element : array->elements)
        texts.push_back(element == nullptr ? std::nullopt : std::optional<std::u16string>(element->text));
    return texts;
}

std::string TestJni::classNameOf(jobject object) { return shown(deref(*state_, object, "classNameOf()")); }

void TestJni::hideClass(const std::string& classPath) { state_->hidden.insert(classPath); }

void TestJni::limitArrayLength(jsize longest) { state_->longestArray = longest; }

void TestJni::limitStringLength(std::size_t longest) { state_->longestString = longest; }

const std::vector<TestJni::Registration>& TestJni::registrations() const { return state_->registrations; }

NativeLibrary::NativeLibrary(const std::wstring& path) : module_(::LoadLibraryW(path.c_str())) {
    if (module_ == nullptr)
        throw std::runtime_error("LoadLibraryW(" + narrow(path) + ") failed: " + std::to_string(::GetLastError()));
}

NativeLibrary::~NativeLibrary() { ::FreeLibrary(module_); }

void* NativeLibrary::address(const char* exportName) const {
    void* found = reinterpret_cast<void*>(::GetProcAddress(module_, exportName));
    if (found == nullptr) throw std::runtime_error(std::string("the library exports no ") + exportName);
    return found;
}

std::wstring rwtnativePath() {
    std::wstring path = L"" TAVIK_RWTNATIVE_DLL;
    for (wchar_t& c : path)
        if (c == L'/') c = L'\\';
    return path;
}

}  // namespace tavik::testjni
