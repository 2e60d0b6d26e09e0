#pragma once
// The Java end of the start-up notification: each message a later start sent
// goes to com/tavik/Controller.startupPerformed, called on the listener's
// own thread, attached to the VM as a daemon so that it never keeps the VM
// alive.
#include <jni.h>

#include <string_view>

namespace tavik::jvm {

class StartupCallback {
public:
    // `pauseForVm` waits a little while before the VM is asked for again.
    using Pause = void (*)();
    explicit StartupCallback(Pause pauseForVm) : pauseForVm_(pauseForVm) {}
    StartupCallback(const StartupCallback&) = delete;
    StartupCallback& operator=(const StartupCallback&) = delete;
    // Detaches the thread when it attached.
    ~StartupCallback();

    // Hands `message` on as the Java string of its notification argument
    // (null for the empty-tail marker). Waits for the VM first: a message
    // may come before the application's VM exists. A message that finds no
    // callback method yet is dropped (logged); the next one looks again.
    void deliver(std::u16string_view message);

private:
    JNIEnv* environment();
    bool findCallback(JNIEnv* env);

    Pause pauseForVm_;
    JNIEnv* env_ = nullptr;
    jclass controller_ = nullptr;  // a global reference
    jmethodID startupPerformed_ = nullptr;
};

}  // namespace tavik::jvm
