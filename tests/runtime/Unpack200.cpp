// unpack200.exe of the test runtime: "[-r] packed-file jar-file" writes the
// jar as a copy of the packed file's bytes, and with -r removes the packed
// file, as the real tool's option does. Every run is recorded in
// unpack-runs.log beside the program, with its command line.
#include <windows.h>
#include <shellapi.h>

#include <cwctype>
#include <string>
#include <vector>

#include "tests/runtime/RuntimeFiles.h"

namespace {

using namespace tavik::testruntime;

constexpr int kFailed = 1;
constexpr int kUsage = 2;

struct Request {
    bool removePacked = false;
    std::vector<std::wstring> files;
};

std::wstring lowered(std::wstring text) {
    for (wchar_t& c : text) c = static_cast<wchar_t>(std::towlower(c));
    return text;
}

// The launcher starts the tool with its arguments alone, a shell with the
// program name in front: only a first word that names this program is skipped.
bool namesThisProgram(const std::wstring& word, const std::wstring& self) {
    const std::wstring name = lowered(fileNameOf(word));
    const std::wstring own = lowered(fileNameOf(self));
    return name == own || name + L".exe" == own;
}

std::vector<std::wstring> arguments(const std::wstring& self) {
    int count = 0;
    wchar_t** words = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    if (words == nullptr) return {};
    std::vector<std::wstring> all(words, words + count);
    ::LocalFree(words);
    if (!all.empty() && namesThisProgram(all.front(), self)) all.erase(all.begin());
    return all;
}

bool parseRequest(const std::vector<std::wstring>& words, Request& request) {
    for (const std::wstring& word : words) {
        if (word == L"-r")
            request.removePacked = true;
        else if (!word.empty() && word[0] == L'-')
            return false;
        else
            request.files.push_back(word);
    }
    return request.files.size() == 2;
}

int unpack() {
    const std::wstring self = modulePath(nullptr);
    appendLine(directoryOf(self) + L"\\unpack-runs.log", toUtf8(::GetCommandLineW()));

    Request request;
    if (!parseRequest(arguments(self), request)) {
        writeStandardError("usage: unpack200 [-r] packed-file jar-file\r\n");
        return kUsage;
    }
    const std::wstring& packed = request.files[0];
    const std::wstring& jar = request.files[1];
    const auto content = readBytes(packed);
    if (!content) {
        writeStandardError("cannot read " + toUtf8(packed) + "\r\n");
        return kFailed;
    }
    if (!writeBytes(jar, *content)) {
        writeStandardError("cannot write " + toUtf8(jar) + "\r\n");
        return kFailed;
    }
    if (request.removePacked && !::DeleteFileW(packed.c_str())) {
        writeStandardError("cannot remove " + toUtf8(packed) + "\r\n");
        return kFailed;
    }
    return 0;
}

}  // namespace

int wmain() {
    try {
        return unpack();
    } catch (...) {
        return kFailed;
    }
}
