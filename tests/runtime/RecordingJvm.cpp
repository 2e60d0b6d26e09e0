// jvm.dll of the test runtime: a recording VM. It records in jvm-calls.log
// beside itself that it was loaded, the creation call, and the JNI calls a
// launcher makes (class and method look-ups, calls with their arguments,
// exceptions, native registration, thread attachment, destruction). Java code
// is never run: the few classes and methods a launcher uses exist as a table.
// fake-jvm.cfg beside it makes creation fail, a class or method missing, or a
// call end with an exception pending, or the entry class's main wait for a
// file (RecordingJvmConfig.h has the format).
//
// Faults are never passed over: an unimplemented JNI function records its
// slot index and ends the process with 99; a call that breaks the JNI rules
// (with an exception pending, on another thread's JNIEnv, through a deleted
// reference, with a mismatched method) records why and ends it with 98.
#include <windows.h>

#define _JNI_IMPLEMENTATION_
#include <jni.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <deque>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "tests/runtime/RecordingJvmConfig.h"
#include "tests/support/JniArguments.h"
#include "tests/runtime/RuntimeFiles.h"

namespace {

using namespace tavik::testruntime;
using tavik::test::argumentsFrom;
using tavik::test::parameterTypes;

constexpr int kUnimplementedExit = 99;
constexpr int kMisuseExit = 98;
constexpr const char* kStringClass = "java/lang/String";
// Classes whose natives a helper library registers: all of them exist.
constexpr std::string_view kNativesPackage = "com/runwright/runtime/installer/platform/win32/";

HMODULE thisLibrary = nullptr;

std::wstring besideLibrary(const wchar_t* fileName) {
    return directoryOf(modulePath(thisLibrary)) + L"\\" + fileName;
}

void record(std::string_view line) noexcept {
    try {
        appendLine(besideLibrary(L"jvm-calls.log"), line);
    } catch (...) {
        // A test support library reports through its log only; nothing to report to.
    }
}

[[noreturn]] void abortLoudly(int exitCode, const std::string& why) {
    record(why);
    writeStandardError("jvm.dll: " + why + "\r\n");
    ::ExitProcess(static_cast<UINT>(exitCode));
}

[[noreturn]] void misuse(const std::string& why) { abortLoudly(kMisuseExit, "JNI misuse: " + why); }

std::string utf8(const std::u16string& text) { return toUtf8(std::wstring(text.begin(), text.end())); }

std::u16string fromAnsi(std::string_view bytes) {
    if (bytes.empty()) return {};
    const int length = static_cast<int>(bytes.size());
    std::wstring text(static_cast<std::size_t>(::MultiByteToWideChar(CP_ACP, 0, bytes.data(), length, nullptr, 0)), L'\0');
    ::MultiByteToWideChar(CP_ACP, 0, bytes.data(), length, text.data(), static_cast<int>(text.size()));
    return std::u16string(text.begin(), text.end());
}

// Modified UTF-8, the VM's narrow string form: NUL as two bytes, each
// surrogate on its own. A malformed byte reads as U+FFFD.
std::string toModifiedUtf8(const std::u16string& text) {
    std::string bytes;
    for (const char16_t unit : text) {
        if (unit != 0 && unit < 0x80) {
            bytes += static_cast<char>(unit);
        } else if (unit < 0x800) {
            bytes += static_cast<char>(0xC0 | (unit >> 6));
            bytes += static_cast<char>(0x80 | (unit & 0x3F));
        } else {
            bytes += static_cast<char>(0xE0 | (unit >> 12));
            bytes += static_cast<char>(0x80 | ((unit >> 6) & 0x3F));
            bytes += static_cast<char>(0x80 | (unit & 0x3F));
        }
    }
    return bytes;
}

std::u16string fromModifiedUtf8(std::string_view bytes) {
    const auto at = [&](std::size_t i) { return static_cast<unsigned char>(bytes[i]); };
    const auto continues = [&](std::size_t i) { return i < bytes.size() && (at(i) & 0xC0) == 0x80; };
    std::u16string text;
    for (std::size_t i = 0; i < bytes.size();) {
        const unsigned lead = at(i);
        if (lead < 0x80) {
            text += static_cast<char16_t>(lead);
            i += 1;
        } else if ((lead & 0xE0) == 0xC0 && continues(i + 1)) {
            text += static_cast<char16_t>((lead & 0x1F) << 6 | (at(i + 1) & 0x3F));
            i += 2;
        } else if ((lead & 0xF0) == 0xE0 && continues(i + 1) && continues(i + 2)) {
            text += static_cast<char16_t>((lead & 0x0F) << 12 | (at(i + 1) & 0x3F) << 6 | (at(i + 2) & 0x3F));
            i += 3;
        } else {
            text += u'\xFFFD';
            i += 1;
        }
    }
    return text;
}

// ---- The object model: every Java value a launcher can get hold of.

enum class Kind { Class, String, Array, Throwable };

struct Object {
    Kind kind;
    std::string className;  // Class: the class itself; Array: its element class
    std::u16string text;    // String: the characters; Throwable: what toString gives
    std::vector<const Object*> elements;
};

struct Ref {
    const Object* target;
    bool global;
    bool deleted = false;
};

struct Method {
    std::string className;
    std::string name;
    std::string signature;
    bool isStatic;
};

const Method kMethods[] = {
    {"java/lang/Object", "toString", "()Ljava/lang/String;", false},
    {"java/lang/Throwable", "toString", "()Ljava/lang/String;", false},
    {"java/lang/String", "toString", "()Ljava/lang/String;", false},
    {"java/lang/System", "setProperty", "(Ljava/lang/String;Ljava/lang/String;)Ljava/lang/String;", true},
    {"java/lang/System", "getProperty", "(Ljava/lang/String;)Ljava/lang/String;", true},
    {"com/tavik/runtime/WinLauncher", "main", "([Ljava/lang/String;)V", true},
    {"com/tavik/runtime/WinLauncher", "initAwtSplashConfig",
     "(ZZLjava/lang/String;IILjava/lang/String;IILjava/lang/String;IILjava/lang/String;II)V", true},
    {"com/runwright/runtime/launcher/WinLauncher", "main", "([Ljava/lang/String;)V", true},
    {"com/runwright/runtime/installer/platform/win32/Common", "initFromLauncher", "(Z)V", true},
    {"com/tavik/Controller", "startupPerformed", "(Ljava/lang/String;)V", true},
};

struct ThreadEnv {
    JNIEnv env;  // first: a JNIEnv* handed out converts back
    DWORD threadId;
    std::string name;
    bool attached = true;
    const Object* pending = nullptr;
};

// The whole VM; one lock, since attached threads call in concurrently.
struct Vm {
    CRITICAL_SECTION lock;
    VmConfig config;
    bool created = false;
    bool destroyed = false;
    std::map<std::u16string, std::u16string> properties;
    std::deque<Object> objects;
    std::deque<Ref> refs;
    std::set<const Ref*> knownRefs;
    std::map<std::string, const Object*> classes;
    std::deque<ThreadEnv> threads;
    std::set<const void*> stringBuffers;  // handed out by Get...Chars, awaiting release
    int threadCount = 0;

    Vm() { ::InitializeCriticalSection(&lock); }
};

Vm& vm() {
    static Vm* const instance = new Vm;  // never destroyed: attached threads may outlive static destruction
    return *instance;
}

class Locked {
public:
    Locked() { ::EnterCriticalSection(&vm().lock); }
    ~Locked() { ::LeaveCriticalSection(&vm().lock); }
    Locked(const Locked&) = delete;
    Locked& operator=(const Locked&) = delete;
};

const Object* newObject(Object object) { return &vm().objects.emplace_back(std::move(object)); }

jobject newRef(const Object* target, bool global = false) {
    if (target == nullptr) return nullptr;
    Ref& added = vm().refs.emplace_back(Ref{target, global});
    vm().knownRefs.insert(&added);
    // A jobject is an opaque handle; the VM alone looks through it.
    return reinterpret_cast<jobject>(&added);
}

Ref& refOf(jobject handle, const char* function) {
    auto* ref = reinterpret_cast<Ref*>(handle);
    if (vm().knownRefs.count(ref) == 0) misuse(std::string(function) + " with something that is no reference");
    if (ref->deleted) misuse(std::string(function) + " with a deleted reference");
    return *ref;
}

const Object* deref(jobject handle, const char* function) {
    return handle == nullptr ? nullptr : refOf(handle, function).target;
}

const Object& derefKind(jobject handle, Kind kind, const char* function) {
    const Object* object = deref(handle, function);
    if (object == nullptr || object->kind != kind) misuse(std::string(function) + " with a null or mistyped object");
    return *object;
}

bool classExists(const std::string& name) {
    if (vm().config.missingClasses.count(name) != 0) return false;
    if (name == kStringClass || name.rfind(kNativesPackage, 0) == 0) return true;
    for (const Method& method : kMethods)
        if (method.className == name) return true;
    return false;
}

const Object* classObject(const std::string& name) {
    const Object*& known = vm().classes[name];
    if (known == nullptr) known = newObject({Kind::Class, name, {}, {}});
    return known;
}

const Object* newString(std::u16string text) { return newObject({Kind::String, kStringClass, std::move(text), {}}); }

void throwNew(ThreadEnv& thread, const std::string& javaClass, const std::string& message) {
    thread.pending = newObject({Kind::Throwable, "java/lang/Throwable",
                                fromModifiedUtf8(javaClass + ": " + message), {}});
}

// Every JNI function starts here: the environment must be the calling thread's,
// and only the functions JNI allows then may run with an exception pending.
enum class WhilePending { Forbidden, Allowed };

ThreadEnv& enter(JNIEnv* env, const char* function, WhilePending whilePending = WhilePending::Forbidden) {
    ThreadEnv* thread = nullptr;
    for (ThreadEnv& known : vm().threads)
        if (&known.env == env) thread = &known;
    if (thread == nullptr) misuse(std::string(function) + " with an unknown JNIEnv");
    if (!thread->attached) misuse(std::string(function) + " with the JNIEnv of a detached thread");
    if (thread->threadId != ::GetCurrentThreadId()) misuse(std::string(function) + " with another thread's JNIEnv");
    if (thread->pending != nullptr && whilePending == WhilePending::Forbidden)
        misuse(std::string(function) + " with an exception pending: " + utf8(thread->pending->text));
    return *thread;
}

ThreadEnv* attachedThread() {
    for (ThreadEnv& known : vm().threads)
        if (known.attached && known.threadId == ::GetCurrentThreadId()) return &known;
    return nullptr;
}

// ---- Calls: arguments by signature, recorded one per line.

char returnType(const std::string& signature) {
    const char type = signature[signature.find(')') + 1];
    return type == '[' ? 'L' : type;
}


std::string shown(const Object* object) {
    if (object == nullptr) return "null";
    switch (object->kind) {
    case Kind::String: return "\"" + utf8(object->text) + "\"";
    case Kind::Class: return "class " + object->className;
    case Kind::Throwable: return "throwable " + utf8(object->text);
    case Kind::Array: break;
    }
    return object->className + "[" + std::to_string(object->elements.size()) + "]";
}

void recordArgument(char type, const jvalue& value) {
    switch (type) {
    // Any other value is no jboolean at all, and is shown as the number it is.
    case 'Z': return record("arg " + (value.z > 1 ? std::to_string(value.z) : value.z ? "true" : "false"));
    case 'B': return record("arg " + std::to_string(value.b));
    case 'C': return record("arg " + std::to_string(value.c));
    case 'S': return record("arg " + std::to_string(value.s));
    case 'I': return record("arg " + std::to_string(value.i));
    case 'J': return record("arg " + std::to_string(value.j));
    case 'F': return record("arg " + std::to_string(value.f));
    case 'D': return record("arg " + std::to_string(value.d));
    default: break;
    }
    const Object* object = deref(value.l, "a call's argument");
    record("arg " + shown(object));
    if (object == nullptr || object->kind != Kind::Array) return;
    // Each element on its own line, strings as their bare text.
    for (const Object* element : object->elements) {
        if (element == nullptr)
            record("null element");
        else
            record("element " + (element->kind == Kind::String ? utf8(element->text) : shown(element)));
    }
}

const Method& methodOf(jmethodID id, const char* function) {
    for (const Method& method : kMethods)
        if (reinterpret_cast<jmethodID>(const_cast<Method*>(&method)) == id) return method;
    misuse(std::string(function) + " with something that is no method ID");
}

// What a service child's main sees of the stop channel: every byte, then how
// the input ended (a closed pipe is its end of file).
void recordStandardInput() {
    const HANDLE input = ::GetStdHandle(STD_INPUT_HANDLE);
    std::string line = "stdin";
    char chunk[256];
    for (;;) {
        DWORD read = 0;
        if (!::ReadFile(input, chunk, sizeof chunk, &read, nullptr)) {
            const DWORD error = ::GetLastError();
            record(line + (error == ERROR_BROKEN_PIPE ? " EOF" : " error " + std::to_string(error)));
            return;
        }
        if (read == 0) break;
        for (DWORD i = 0; i < read; ++i) {
            char byte[4];
            std::snprintf(byte, sizeof byte, " %02x", static_cast<unsigned char>(chunk[i]));
            line += byte;
        }
    }
    record(line + " EOF");
}

// The few methods with an effect; the rest are only recorded.
const Object* run(ThreadEnv& thread, const Method& method, const Object* receiver, const std::vector<const Object*>& objects) {
    if (method.name == "main" && vm().config.mainReadsStdin) recordStandardInput();
    if (method.name == "toString") return receiver->kind == Kind::String ? receiver : newString(receiver->text);
    if (method.name == "setProperty" || method.name == "getProperty") {
        for (const Object* argument : objects) {
            if (argument == nullptr) {
                throwNew(thread, "java.lang.NullPointerException", "key or value is null");
                return nullptr;
            }
        }
        auto& properties = vm().properties;
        const auto found = properties.find(objects[0]->text);
        const Object* previous = found == properties.end() ? nullptr : newString(found->second);
        if (method.name == "setProperty") properties[objects[0]->text] = objects[1]->text;
        return previous;
    }
    return nullptr;
}

const Object* call(ThreadEnv& thread, const Method& method, const Object* receiver, const jvalue* args,
                   const char* function) {
    record("call " + method.className + "." + method.name + method.signature);
    const std::string types = parameterTypes(method.signature);
    std::vector<const Object*> objects;
    for (std::size_t i = 0; i < types.size(); ++i) {
        recordArgument(types[i], args[i]);
        if (types[i] == 'L') objects.push_back(deref(args[i].l, function));
    }
    const Object* result = run(thread, method, receiver, objects);
    const auto thrown = vm().config.throwingMethods.find(method.className + "." + method.name);
    if (thrown != vm().config.throwingMethods.end() && thread.pending == nullptr)
        thread.pending = newObject({Kind::Throwable, "java/lang/Throwable", fromModifiedUtf8(thrown->second), {}});
    return thread.pending == nullptr ? result : nullptr;
}

bool isInstance(const Object& object, const std::string& className) {
    if (className == "java/lang/Object") return true;
    if (className == "java/lang/Throwable") return object.kind == Kind::Throwable;
    return object.kind != Kind::Array && object.className == className;
}

const Object* callStatic(JNIEnv* env, jclass type, jmethodID id, const jvalue* args, char resultType,
                         const char* function) {
    ThreadEnv& thread = enter(env, function);
    const Object& owner = derefKind(type, Kind::Class, function);
    const Method& method = methodOf(id, function);
    if (!method.isStatic || method.className != owner.className)
        misuse(std::string(function) + " with " + method.className + "." + method.name + " on " + owner.className);
    if (returnType(method.signature) != resultType)
        misuse(std::string(function) + " for " + method.name + method.signature);
    return call(thread, method, nullptr, args, function);
}

const Object* callInstance(JNIEnv* env, jobject receiverRef, jmethodID id, const jvalue* args, const char* function) {
    ThreadEnv& thread = enter(env, function);
    const Object* receiver = deref(receiverRef, function);
    const Method& method = methodOf(id, function);
    if (receiver == nullptr) misuse(std::string(function) + " on null");
    if (method.isStatic || returnType(method.signature) != 'L' || !isInstance(*receiver, method.className))
        misuse(std::string(function) + " with " + method.className + "." + method.name + " on " + shown(receiver));
    return call(thread, method, receiver, args, function);
}

// ---- The JNI functions.

jint JNICALL getVersion(JNIEnv* env) {
    const Locked locked;
    enter(env, "GetVersion");
    return JNI_VERSION_10;
}

jclass JNICALL findClass(JNIEnv* env, const char* name) {
    const Locked locked;
    ThreadEnv& thread = enter(env, "FindClass");
    if (name == nullptr) misuse("FindClass with a null name");
    record(std::string("FindClass ") + name);
    if (!classExists(name)) {
        throwNew(thread, "java.lang.NoClassDefFoundError", name);
        return nullptr;
    }
    return static_cast<jclass>(newRef(classObject(name)));
}

jmethodID lookUpMethod(JNIEnv* env, jclass type, const char* name, const char* signature, bool isStatic,
                       const char* function) {
    const Locked locked;
    ThreadEnv& thread = enter(env, function);
    const Object& owner = derefKind(type, Kind::Class, function);
    if (name == nullptr || signature == nullptr) misuse(std::string(function) + " with a null name or signature");
    record(std::string(function) + " " + owner.className + "." + name + " " + signature);
    if (vm().config.missingMethods.count(owner.className + "." + name) == 0) {
        for (const Method& method : kMethods) {
            if (method.className == owner.className && method.name == name && method.signature == signature &&
                method.isStatic == isStatic)
                return reinterpret_cast<jmethodID>(const_cast<Method*>(&method));
        }
    }
    throwNew(thread, "java.lang.NoSuchMethodError", name);
    return nullptr;
}

jmethodID JNICALL getStaticMethodID(JNIEnv* env, jclass type, const char* name, const char* signature) {
    return lookUpMethod(env, type, name, signature, true, "GetStaticMethodID");
}

jmethodID JNICALL getMethodID(JNIEnv* env, jclass type, const char* name, const char* signature) {
    return lookUpMethod(env, type, name, signature, false, "GetMethodID");
}

jstring JNICALL newStringUtf(JNIEnv* env, const char* bytes) {
    const Locked locked;
    enter(env, "NewStringUTF");
    if (bytes == nullptr) return nullptr;
    return static_cast<jstring>(newRef(newString(fromModifiedUtf8(bytes))));
}

jstring JNICALL newStringUtf16(JNIEnv* env, const jchar* units, jsize length) {
    const Locked locked;
    enter(env, "NewString");
    if (length < 0 || (units == nullptr && length > 0)) misuse("NewString with a negative length or no characters");
    const std::u16string text(units == nullptr ? u"" : std::u16string(reinterpret_cast<const char16_t*>(units),
                                                                        static_cast<std::size_t>(length)));
    return static_cast<jstring>(newRef(newString(text)));
}

jsize JNICALL getStringLength(JNIEnv* env, jstring text) {
    const Locked locked;
    enter(env, "GetStringLength");
    return static_cast<jsize>(derefKind(text, Kind::String, "GetStringLength").text.size());
}

jsize JNICALL getStringUtfLength(JNIEnv* env, jstring text) {
    const Locked locked;
    enter(env, "GetStringUTFLength");
    return static_cast<jsize>(toModifiedUtf8(derefKind(text, Kind::String, "GetStringUTFLength").text).size());
}

// String characters handed out stay recorded until they come back, so a
// release of anything else, or a buffer never released, shows.
template <class Unit>
const Unit* handOut(Unit* copy, jboolean* isCopy) {
    vm().stringBuffers.insert(copy);
    if (isCopy != nullptr) *isCopy = JNI_TRUE;
    return copy;
}

template <class Unit>
void takeBack(JNIEnv* env, jstring text, const Unit* chars, const char* function) {
    const Locked locked;
    enter(env, function, WhilePending::Allowed);
    derefKind(text, Kind::String, function);
    if (vm().stringBuffers.erase(chars) == 0) misuse(std::string(function) + " of characters it did not hand out");
    delete[] chars;
}

const char* JNICALL getStringUtfChars(JNIEnv* env, jstring text, jboolean* isCopy) {
    const Locked locked;
    enter(env, "GetStringUTFChars");
    const std::string bytes = toModifiedUtf8(derefKind(text, Kind::String, "GetStringUTFChars").text);
    auto* copy = new char[bytes.size() + 1];
    std::memcpy(copy, bytes.c_str(), bytes.size() + 1);
    return handOut(copy, isCopy);
}

void JNICALL releaseStringUtfChars(JNIEnv* env, jstring text, const char* chars) {
    takeBack(env, text, chars, "ReleaseStringUTFChars");
}

const jchar* JNICALL getStringChars(JNIEnv* env, jstring text, jboolean* isCopy) {
    const Locked locked;
    enter(env, "GetStringChars");
    const std::u16string& units = derefKind(text, Kind::String, "GetStringChars").text;
    auto* copy = new jchar[units.size() + 1]();
    std::memcpy(copy, units.data(), units.size() * sizeof(jchar));
    return handOut(copy, isCopy);
}

void JNICALL releaseStringChars(JNIEnv* env, jstring text, const jchar* chars) {
    takeBack(env, text, chars, "ReleaseStringChars");
}

void JNICALL getStringRegion(JNIEnv* env, jstring text, jsize start, jsize length, jchar* buffer) {
    const Locked locked;
    ThreadEnv& thread = enter(env, "GetStringRegion");
    const std::u16string& units = derefKind(text, Kind::String, "GetStringRegion").text;
    if (start < 0 || length < 0 || static_cast<std::size_t>(start) + static_cast<std::size_t>(length) > units.size())
        return throwNew(thread, "java.lang.StringIndexOutOfBoundsException", "region outside the string");
    std::memcpy(buffer, units.data() + start, static_cast<std::size_t>(length) * sizeof(jchar));
}

jobjectArray JNICALL newObjectArray(JNIEnv* env, jsize length, jclass elementType, jobject initial) {
    const Locked locked;
    ThreadEnv& thread = enter(env, "NewObjectArray");
    const Object& elementClass = derefKind(elementType, Kind::Class, "NewObjectArray");
    if (length < 0) {
        throwNew(thread, "java.lang.NegativeArraySizeException", std::to_string(length));
        return nullptr;
    }
    const Object* fill = deref(initial, "NewObjectArray");
    return static_cast<jobjectArray>(newRef(newObject(
        {Kind::Array, elementClass.className, {}, std::vector<const Object*>(static_cast<std::size_t>(length), fill)})));
}

jsize JNICALL getArrayLength(JNIEnv* env, jarray array) {
    const Locked locked;
    enter(env, "GetArrayLength");
    return static_cast<jsize>(derefKind(array, Kind::Array, "GetArrayLength").elements.size());
}

// Arrays are the only objects that change after creation.
Object& mutableArray(jobjectArray array, const char* function) {
    return const_cast<Object&>(derefKind(array, Kind::Array, function));
}

bool inBounds(ThreadEnv& thread, const Object& array, jsize index) {
    if (index >= 0 && static_cast<std::size_t>(index) < array.elements.size()) return true;
    throwNew(thread, "java.lang.ArrayIndexOutOfBoundsException", std::to_string(index));
    return false;
}

jobject JNICALL getObjectArrayElement(JNIEnv* env, jobjectArray array, jsize index) {
    const Locked locked;
    ThreadEnv& thread = enter(env, "GetObjectArrayElement");
    const Object& target = mutableArray(array, "GetObjectArrayElement");
    return inBounds(thread, target, index) ? newRef(target.elements[static_cast<std::size_t>(index)]) : nullptr;
}

void JNICALL setObjectArrayElement(JNIEnv* env, jobjectArray array, jsize index, jobject value) {
    const Locked locked;
    ThreadEnv& thread = enter(env, "SetObjectArrayElement");
    Object& target = mutableArray(array, "SetObjectArrayElement");
    const Object* element = deref(value, "SetObjectArrayElement");
    if (!inBounds(thread, target, index)) return;
    if (element != nullptr && !isInstance(*element, target.className))
        return throwNew(thread, "java.lang.ArrayStoreException", shown(element));
    target.elements[static_cast<std::size_t>(index)] = element;
}

bool isEntryMain(const Method& method) {
    return method.name == "main" && (method.className == "com/tavik/runtime/WinLauncher" ||
                                     method.className == "com/runwright/runtime/launcher/WinLauncher");
}

// With main-waits-for, the entry class's main runs until the file appears;
// outside the lock, so that other threads can call in meanwhile.
void holdMainIfAsked(jmethodID id) {
    std::optional<std::string> fileName;
    {
        const Locked locked;
        if (isEntryMain(methodOf(id, "CallStaticVoidMethod"))) fileName = vm().config.mainWaitsFor;
    }
    if (!fileName) return;
    const std::wstring path = besideLibrary(std::wstring(fileName->begin(), fileName->end()).c_str());
    constexpr int kPolls = 60 * 20;
    bool appeared = false;
    for (int poll = 0; poll < kPolls && !appeared; ++poll) {
        appeared = ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
        if (!appeared) ::Sleep(50);
    }
    const Locked locked;
    record((appeared ? "main waited for " : "main gave up waiting for ") + *fileName);
}

void JNICALL callStaticVoidMethodA(JNIEnv* env, jclass type, jmethodID id, const jvalue* args) {
    {
        const Locked locked;
        callStatic(env, type, id, args, 'V', "CallStaticVoidMethod");
    }
    holdMainIfAsked(id);
}

void JNICALL callStaticVoidMethodV(JNIEnv* env, jclass type, jmethodID id, va_list args) {
    {
        const Locked locked;
        const std::vector<jvalue> values = argumentsFrom(methodOf(id, "CallStaticVoidMethod").signature, args);
        callStatic(env, type, id, values.data(), 'V', "CallStaticVoidMethod");
    }
    holdMainIfAsked(id);
}

void JNICALL callStaticVoidMethod(JNIEnv* env, jclass type, jmethodID id, ...) {
    va_list args;
    va_start(args, id);
    callStaticVoidMethodV(env, type, id, args);
    va_end(args);
}

jobject JNICALL callStaticObjectMethodA(JNIEnv* env, jclass type, jmethodID id, const jvalue* args) {
    const Locked locked;
    return newRef(callStatic(env, type, id, args, 'L', "CallStaticObjectMethod"));
}

jobject JNICALL callStaticObjectMethodV(JNIEnv* env, jclass type, jmethodID id, va_list args) {
    const Locked locked;
    const std::vector<jvalue> values = argumentsFrom(methodOf(id, "CallStaticObjectMethod").signature, args);
    return newRef(callStatic(env, type, id, values.data(), 'L', "CallStaticObjectMethod"));
}

jobject JNICALL callStaticObjectMethod(JNIEnv* env, jclass type, jmethodID id, ...) {
    va_list args;
    va_start(args, id);
    const jobject result = callStaticObjectMethodV(env, type, id, args);
    va_end(args);
    return result;
}

jobject JNICALL callObjectMethodA(JNIEnv* env, jobject receiver, jmethodID id, const jvalue* args) {
    const Locked locked;
    return newRef(callInstance(env, receiver, id, args, "CallObjectMethod"));
}

jobject JNICALL callObjectMethodV(JNIEnv* env, jobject receiver, jmethodID id, va_list args) {
    const Locked locked;
    const std::vector<jvalue> values = argumentsFrom(methodOf(id, "CallObjectMethod").signature, args);
    return newRef(callInstance(env, receiver, id, values.data(), "CallObjectMethod"));
}

jobject JNICALL callObjectMethod(JNIEnv* env, jobject receiver, jmethodID id, ...) {
    va_list args;
    va_start(args, id);
    const jobject result = callObjectMethodV(env, receiver, id, args);
    va_end(args);
    return result;
}

jboolean JNICALL exceptionCheck(JNIEnv* env) {
    const Locked locked;
    return enter(env, "ExceptionCheck", WhilePending::Allowed).pending != nullptr ? JNI_TRUE : JNI_FALSE;
}

jthrowable JNICALL exceptionOccurred(JNIEnv* env) {
    const Locked locked;
    return static_cast<jthrowable>(newRef(enter(env, "ExceptionOccurred", WhilePending::Allowed).pending));
}

// Described the way a VM does, on standard error; describing clears it.
void JNICALL exceptionDescribe(JNIEnv* env) {
    const Locked locked;
    ThreadEnv& thread = enter(env, "ExceptionDescribe", WhilePending::Allowed);
    if (thread.pending == nullptr) return;
    const std::string text = utf8(thread.pending->text);
    record("ExceptionDescribe " + text);
    writeStandardError("Exception in thread \"" + thread.name + "\" " + text + "\r\n");
    thread.pending = nullptr;
}

void JNICALL exceptionClear(JNIEnv* env) {
    const Locked locked;
    ThreadEnv& thread = enter(env, "ExceptionClear", WhilePending::Allowed);
    if (thread.pending == nullptr) return;
    record("ExceptionClear " + utf8(thread.pending->text));
    thread.pending = nullptr;
}

void deleteRef(JNIEnv* env, jobject handle, bool global, const char* function) {
    const Locked locked;
    enter(env, function, WhilePending::Allowed);
    if (handle == nullptr) return;
    Ref& ref = refOf(handle, function);
    if (ref.global != global) misuse(std::string(function) + (global ? " of a local reference" : " of a global reference"));
    ref.deleted = true;
}

void JNICALL deleteLocalRef(JNIEnv* env, jobject handle) { deleteRef(env, handle, false, "DeleteLocalRef"); }
void JNICALL deleteGlobalRef(JNIEnv* env, jobject handle) { deleteRef(env, handle, true, "DeleteGlobalRef"); }

jobject JNICALL newGlobalRef(JNIEnv* env, jobject handle) {
    const Locked locked;
    enter(env, "NewGlobalRef");
    return newRef(deref(handle, "NewGlobalRef"), true);
}

jobject JNICALL newLocalRef(JNIEnv* env, jobject handle) {
    const Locked locked;
    enter(env, "NewLocalRef");
    return newRef(deref(handle, "NewLocalRef"));
}

jint JNICALL registerNatives(JNIEnv* env, jclass type, const JNINativeMethod* methods, jint count) {
    const Locked locked;
    ThreadEnv& thread = enter(env, "RegisterNatives");
    const Object& owner = derefKind(type, Kind::Class, "RegisterNatives");
    if (count < 0 || (methods == nullptr && count > 0)) misuse("RegisterNatives with a negative count or no methods");
    record("RegisterNatives " + owner.className + " " + std::to_string(count));
    for (jint i = 0; i < count; ++i) {
        const JNINativeMethod& method = methods[i];
        if (method.name == nullptr || method.signature == nullptr) misuse("RegisterNatives with a null name or signature");
        record(std::string("native ") + method.name + " " + method.signature);
        if (method.fnPtr == nullptr) {
            throwNew(thread, "java.lang.NoSuchMethodError", method.name);
            return JNI_ERR;
        }
    }
    if (vm().config.refusedNatives.count(owner.className) != 0) {
        throwNew(thread, "java.lang.NoSuchMethodError", "natives of " + owner.className);
        return JNI_ERR;
    }
    return JNI_OK;
}

// ---- The function tables.

template <std::size_t Slot>
void JNICALL unimplemented(JNIEnv*) {
    abortLoudly(kUnimplementedExit, "unimplemented JNI function " + std::to_string(Slot));
}

template <class Table, std::size_t... Slots>
void fillWithUnimplemented(Table& table, std::index_sequence<Slots...>) {
    using Stub = void(JNICALL*)(JNIEnv*);
    const Stub stubs[] = {&unimplemented<Slots>...};
    static_assert(sizeof(Table) == sizeof stubs, "a JNI table is nothing but function pointers");
    std::memcpy(&table, stubs, sizeof stubs);
}

const JNINativeInterface_* nativeInterface() {
    static const JNINativeInterface_ table = [] {
        JNINativeInterface_ functions;
        fillWithUnimplemented(functions, std::make_index_sequence<sizeof(JNINativeInterface_) / sizeof(void*)>());
        functions.GetVersion = &getVersion;
        functions.FindClass = &findClass;
        functions.GetStaticMethodID = &getStaticMethodID;
        functions.GetMethodID = &getMethodID;
        functions.NewStringUTF = &newStringUtf;
        functions.NewString = &newStringUtf16;
        functions.GetStringLength = &getStringLength;
        functions.GetStringUTFLength = &getStringUtfLength;
        functions.GetStringUTFChars = &getStringUtfChars;
        functions.ReleaseStringUTFChars = &releaseStringUtfChars;
        functions.GetStringChars = &getStringChars;
        functions.ReleaseStringChars = &releaseStringChars;
        functions.GetStringRegion = &getStringRegion;
        functions.NewObjectArray = &newObjectArray;
        functions.GetArrayLength = &getArrayLength;
        functions.GetObjectArrayElement = &getObjectArrayElement;
        functions.SetObjectArrayElement = &setObjectArrayElement;
        functions.CallStaticVoidMethod = &callStaticVoidMethod;
        functions.CallStaticVoidMethodV = &callStaticVoidMethodV;
        functions.CallStaticVoidMethodA = &callStaticVoidMethodA;
        functions.CallStaticObjectMethod = &callStaticObjectMethod;
        functions.CallStaticObjectMethodV = &callStaticObjectMethodV;
        functions.CallStaticObjectMethodA = &callStaticObjectMethodA;
        functions.CallObjectMethod = &callObjectMethod;
        functions.CallObjectMethodV = &callObjectMethodV;
        functions.CallObjectMethodA = &callObjectMethodA;
        functions.ExceptionCheck = &exceptionCheck;
        functions.ExceptionOccurred = &exceptionOccurred;
        functions.ExceptionDescribe = &exceptionDescribe;
        functions.ExceptionClear = &exceptionClear;
        functions.DeleteLocalRef = &deleteLocalRef;
        functions.DeleteGlobalRef = &deleteGlobalRef;
        functions.NewGlobalRef = &newGlobalRef;
        functions.NewLocalRef = &newLocalRef;
        functions.RegisterNatives = &registerNatives;
        return functions;
    }();
    return &table;
}

bool isSupportedVersion(jint version) {
    return version == JNI_VERSION_1_2 || version == JNI_VERSION_1_4 || version == JNI_VERSION_1_6 ||
           version == JNI_VERSION_1_8 || version == JNI_VERSION_9 || version == JNI_VERSION_10;
}

JNIEnv* attach(std::string name) {
    ThreadEnv& thread = vm().threads.emplace_back();
    thread.env.functions = nativeInterface();
    thread.threadId = ::GetCurrentThreadId();
    thread.name = std::move(name);
    return &thread.env;
}

jint attachCurrentThread(void** env, void* args, const char* function) {
    const Locked locked;
    if (env == nullptr) misuse(std::string(function) + " without a place for the JNIEnv");
    const auto* attachArgs = static_cast<const JavaVMAttachArgs*>(args);
    const std::string name = attachArgs != nullptr && attachArgs->name != nullptr
                                 ? attachArgs->name
                                 : "Thread-" + std::to_string(vm().threadCount++);
    record(std::string(function) + " " + name);
    if (!vm().created || vm().destroyed) return JNI_ERR;
    ThreadEnv* thread = attachedThread();
    *env = thread != nullptr ? &thread->env : attach(name);
    return JNI_OK;
}

jint JNICALL attachCurrentThreadAsUser(JavaVM*, void** env, void* args) {
    return attachCurrentThread(env, args, "AttachCurrentThread");
}

jint JNICALL attachCurrentThreadAsDaemon(JavaVM*, void** env, void* args) {
    return attachCurrentThread(env, args, "AttachCurrentThreadAsDaemon");
}

jint JNICALL detachCurrentThread(JavaVM*) {
    const Locked locked;
    ThreadEnv* thread = attachedThread();
    record("DetachCurrentThread " + (thread != nullptr ? thread->name : std::string("(not attached)")));
    if (thread == nullptr) return JNI_EDETACHED;
    thread->attached = false;
    return JNI_OK;
}

jint JNICALL getEnv(JavaVM*, void** env, jint version) {
    const Locked locked;
    if (env == nullptr) misuse("GetEnv without a place for the JNIEnv");
    *env = nullptr;
    if (!isSupportedVersion(version)) return JNI_EVERSION;
    ThreadEnv* thread = attachedThread();
    if (thread == nullptr) return JNI_EDETACHED;
    *env = &thread->env;
    return JNI_OK;
}

// Returns at once: no application threads run that it would wait for.
jint JNICALL destroyJavaVm(JavaVM*) {
    const Locked locked;
    if (!vm().stringBuffers.empty())
        record("unreleased string characters " + std::to_string(vm().stringBuffers.size()));
    record("DestroyJavaVM");
    vm().destroyed = true;
    return JNI_OK;
}

JavaVM* theJavaVm() {
    static const JNIInvokeInterface_ functions = [] {
        JNIInvokeInterface_ table;
        fillWithUnimplemented(table, std::make_index_sequence<sizeof(JNIInvokeInterface_) / sizeof(void*)>());
        table.DestroyJavaVM = &destroyJavaVm;
        table.AttachCurrentThread = &attachCurrentThreadAsUser;
        table.DetachCurrentThread = &detachCurrentThread;
        table.GetEnv = &getEnv;
        table.AttachCurrentThreadAsDaemon = &attachCurrentThreadAsDaemon;
        return table;
    }();
    static JavaVM javaVm{&functions};
    return &javaVm;
}

std::string hex(jint value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08lx", static_cast<unsigned long>(value));
    return text;
}

long long millisecondsSinceProcessStart() {
    FILETIME created{}, exited{}, kernel{}, user{}, now{};
    if (!::GetProcessTimes(::GetCurrentProcess(), &created, &exited, &kernel, &user)) return -1;
    ::GetSystemTimeAsFileTime(&now);
    const auto ticks = [](const FILETIME& time) {
        return static_cast<long long>(static_cast<unsigned long long>(time.dwHighDateTime) << 32 | time.dwLowDateTime);
    };
    return (ticks(now) - ticks(created)) / 10000;  // 100 ns ticks
}

// -Dkey=value options become the properties System.getProperty sees.
void takeProperties(const JavaVMInitArgs& args) {
    for (jint i = 0; i < args.nOptions; ++i) {
        const std::string_view option = args.options[i].optionString;
        const auto equals = option.find('=');
        if (option.rfind("-D", 0) != 0 || equals == std::string_view::npos) continue;
        vm().properties[fromAnsi(option.substr(2, equals - 2))] = fromAnsi(option.substr(equals + 1));
    }
}

jint create(JavaVM** javaVm, void** env, const JavaVMInitArgs& args) {
    for (jint i = 0; i < args.nOptions; ++i)
        if (args.options[i].optionString == nullptr) return JNI_EINVAL;
    const auto configText = readBytes(besideLibrary(kVmConfigFileName));
    const ConfigReading reading = readVmConfig(configText.value_or(""));
    if (!reading.error.empty()) {
        record(std::string("fake-jvm.cfg: ") + reading.error);
        return JNI_EINVAL;
    }
    if (vm().created) return JNI_EEXIST;
    if (!isSupportedVersion(args.version)) return JNI_EVERSION;
    if (reading.config.failCreation) return *reading.config.failCreation;
    vm().config = reading.config;
    takeProperties(args);
    vm().created = true;
    *env = attach("main");
    *javaVm = theJavaVm();
    return JNI_OK;
}

}  // namespace

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        thisLibrary = instance;
        ::DisableThreadLibraryCalls(instance);
        // File calls only: no other library is loaded under the loader lock.
        record("loaded " + toAnsi(modulePath(instance)));
    }
    return TRUE;
}

extern "C" JNIEXPORT jint JNICALL JNI_CreateJavaVM(JavaVM** javaVm, void** env, void* args) {
    const Locked locked;
    const long long sinceStart = millisecondsSinceProcessStart();
    if (javaVm == nullptr || env == nullptr) misuse("JNI_CreateJavaVM without a place for the VM or the JNIEnv");
    *javaVm = nullptr;
    *env = nullptr;
    const auto* initArgs = static_cast<const JavaVMInitArgs*>(args);
    if (initArgs == nullptr) {
        record("JNI_CreateJavaVM without arguments");
        return JNI_EINVAL;
    }
    record("JNI_CreateJavaVM version=" + hex(initArgs->version) + " options=" + std::to_string(initArgs->nOptions) +
           " ignoreUnrecognized=" + (initArgs->ignoreUnrecognized ? "true" : "false"));
    record("JNI_CreateJavaVM at " + std::to_string(sinceStart) + " ms");
    for (jint i = 0; i < initArgs->nOptions; ++i) {
        const char* option = initArgs->options[i].optionString;
        record(std::string("option ") + (option != nullptr ? option : "(null)"));
    }
    const jint result = create(javaVm, env, *initArgs);
    record("JNI_CreateJavaVM returns " + std::to_string(result));
    return result;
}

extern "C" JNIEXPORT jint JNICALL JNI_GetDefaultJavaVMInitArgs(void* args) {
    const auto* initArgs = static_cast<const JavaVMInitArgs*>(args);
    if (initArgs == nullptr) {
        record("JNI_GetDefaultJavaVMInitArgs without arguments");
        return JNI_EINVAL;
    }
    record("JNI_GetDefaultJavaVMInitArgs version=" + hex(initArgs->version));
    return isSupportedVersion(initArgs->version) ? JNI_OK : JNI_EVERSION;
}

extern "C" JNIEXPORT jint JNICALL JNI_GetCreatedJavaVMs(JavaVM** vms, jsize capacity, jsize* count) {
    const Locked locked;
    record("JNI_GetCreatedJavaVMs capacity=" + std::to_string(capacity));
    const bool running = vm().created && !vm().destroyed;
    if (count != nullptr) *count = running ? 1 : 0;
    if (running && vms != nullptr && capacity > 0) vms[0] = theJavaVm();
    return JNI_OK;
}
