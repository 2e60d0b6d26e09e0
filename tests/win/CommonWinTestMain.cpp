// The shared Win32 helpers' test program. Started with "--child <what> ..."
// it is the child process the process and pipe tests start.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

namespace {

bool writeAll(HANDLE to, const char* bytes, DWORD count) {
    DWORD written = 0;
    return ::WriteFile(to, bytes, count, &written, nullptr) && written == count;
}

// Copies standard input to standard output until the input ends.
int copyInput() {
    char chunk[256];
    DWORD read = 0;
    while (::ReadFile(::GetStdHandle(STD_INPUT_HANDLE), chunk, sizeof chunk, &read, nullptr) && read != 0) {
        if (!writeAll(::GetStdHandle(STD_OUTPUT_HANDLE), chunk, read)) return 2;
    }
    return 0;
}

int runChild(const std::string& what, const char* argument) {
    if (what == "exit") return std::atoi(argument);
    if (what == "sleep") {
        ::Sleep(static_cast<DWORD>(std::atoi(argument)));
        return 0;
    }
    if (what == "stderr")
        return writeAll(::GetStdHandle(STD_ERROR_HANDLE), argument, static_cast<DWORD>(std::strlen(argument))) ? 0 : 2;
    if (what == "copy-input") return copyInput();
    return 125;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc >= 3 && std::string(argv[1]) == "--child") return runChild(argv[2], argc > 3 ? argv[3] : "");
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
