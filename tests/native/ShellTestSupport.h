#pragma once
// Support for the shell link, folder and file-version natives' tests: the
// natives as the real DLL exports them, and what the shell keeps read back
// through the shell itself (links loaded by its link object, notifications
// it delivers to a window of ours), never through the code under test.
#include <windows.h>

#include <jni.h>

#include <optional>
#include <string>
#include <vector>

#include "tests/native/support/TestJni.h"

namespace tavik::test::shell {

struct Natives {
    using BooleanOfNothing = jboolean(JNICALL*)(JNIEnv*, jclass);
    using CreateWide = jboolean(JNICALL*)(JNIEnv*, jclass, jstring, jstring, jstring, jstring, jstring, jboolean,
                                          jstring, jint);
    using Create = jboolean(JNICALL*)(JNIEnv*, jclass, jstring, jbyteArray, jbyteArray, jbyteArray, jbyteArray,
                                      jboolean, jbyteArray);
    using ChangeNotify = jboolean(JNICALL*)(JNIEnv*, jclass, jbyteArray, jbyteArray);
    using StringOfIntFlag = jstring(JNICALL*)(JNIEnv*, jclass, jint, jboolean);
    using StringOfString = jstring(JNICALL*)(JNIEnv*, jclass, jstring);
    using StringOfNothing = jstring(JNICALL*)(JNIEnv*, jclass);
    using IntOfString = jint(JNICALL*)(JNIEnv*, jclass, jstring);
    using IntOfStrings = jint(JNICALL*)(JNIEnv*, jclass, jstring, jstring);

    testjni::NativeLibrary library{testjni::rwtnativePath()};
    const BooleanOfNothing initialize = library.native<BooleanOfNothing>("ShellLink", "initialize0");
    const BooleanOfNothing uninitialize = library.native<BooleanOfNothing>("ShellLink", "uninitialize");
    const CreateWide createWide = library.native<CreateWide>("ShellLink", "createWide0");
    const Create create = library.native<Create>("ShellLink", "create0");
    const ChangeNotify changeNotify = library.native<ChangeNotify>("ShellLink", "changeNotify0");
    const StringOfIntFlag getSpecialFolder = library.native<StringOfIntFlag>("FolderInfo", "getSpecialFolder0");
    const StringOfString getPathFromRegistry = library.native<StringOfString>("FolderInfo", "getPathFromRegistry0");
    const StringOfNothing getWindowsDirectory = library.native<StringOfNothing>("FolderInfo", "getWindowsDirectory0");
    const StringOfNothing getSystemDirectory = library.native<StringOfNothing>("FolderInfo", "getSystemDirectory0");
    const IntOfString getDriveType = library.native<IntOfString>("FolderInfo", "getDriveType0");
    const StringOfString getShortPathName = library.native<StringOfString>("FolderInfo", "getShortPathName0");
    const StringOfString getUniversalPathName = library.native<StringOfString>("FolderInfo", "getUniversalPathName0");
    const IntOfStrings compare = library.native<IntOfStrings>("FileVersion", "compare0");
};

// COM on this thread for as long as it lives, apart from the natives' own.
class ComScope {
public:
    ComScope();
    ~ComScope();
    ComScope(const ComScope&) = delete;
    ComScope& operator=(const ComScope&) = delete;

private:
    bool initialized_;
};

// A saved link's texts as the shell's link object loads them; nullopt when it cannot.
struct SavedLink {
    std::wstring target, arguments, workingDirectory, iconFile, description;
    int iconIndex = -1;
};
std::optional<SavedLink> loadLink(const std::wstring& linkFile);

// The fixed header at the start of a link file, read from the bytes on disk
// (a loaded link object need not report all of it).
struct LinkHeader {
    DWORD flags = 0;  // SLDF_*
    DWORD showCommand = 0;
};
std::optional<LinkHeader> linkHeader(const std::wstring& linkFile);

// Whether this system's link object saves SLDF_RUNAS_USER when told to.
bool linkObjectKeepsRunAsFlag(const std::wstring& scratchDirectory);

// Text as the arrays of the byte-array natives carry it.
std::vector<std::uint8_t> utf16Bytes(const std::wstring& text, bool terminated = true);
std::vector<std::uint8_t> codePageBytes(const std::string& text, bool terminated = true);

// A hidden window of this thread registered with the shell for every
// change at or below `directory`; what arrives is collected while waiting.
class ChangeWatch {
public:
    explicit ChangeWatch(const std::wstring& directory);
    ~ChangeWatch();
    ChangeWatch(const ChangeWatch&) = delete;
    ChangeWatch& operator=(const ChangeWatch&) = delete;

    bool registered() const { return registration_ != 0; }

    struct Change {
        LONG event;
        std::wstring path;
    };
    // Pumps this thread's messages until `count` changes came or the time is up.
    const std::vector<Change>& waitFor(std::size_t count, DWORD millis);

private:
    static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    HWND window_ = nullptr;
    ULONG registration_ = 0;
    std::vector<Change> changes_;
};

// The file version of a version resource read with version.dll directly.
std::optional<std::pair<DWORD, DWORD>> fileVersionOf(const std::wstring& file);

}  // namespace tavik::test::shell
