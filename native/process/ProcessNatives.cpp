// Placeholders until this group of natives is built: each is exported under
// its JNI name and answers with its failure value.
#include "native/jni/JniExport.h"

TAVIK_NATIVE(void, Misc, reboot0)(JNIEnv*, jclass) {}

TAVIK_NATIVE(jobjectArray, Misc, getRunningModules0)(JNIEnv*, jclass, jboolean) { return nullptr; }

TAVIK_NATIVE(jobjectArray, Misc, getEnvVarPairs0)(JNIEnv*, jclass) { return nullptr; }

TAVIK_NATIVE(void, Misc, broadcastSettingChange0)(JNIEnv*, jclass) {}

TAVIK_NATIVE(jlong, Misc, getPhysicalMemory0)(JNIEnv*, jclass) { return 0; }

TAVIK_NATIVE(jlong, Misc, getFreeDiskSpace0)(JNIEnv*, jclass, jstring) { return -1; }

TAVIK_NATIVE(jboolean, Misc, moveWithDelayUntilReboot0)(JNIEnv*, jclass, jstring, jstring) { return JNI_FALSE; }

TAVIK_NATIVE(void, Misc, toFront0)(JNIEnv*, jclass) {}

TAVIK_NATIVE(jint, Misc, terminateProcesses0)(JNIEnv*, jclass, jintArray, jboolean, jint) { return 0; }

TAVIK_NATIVE(jstring, Misc, getWindowTitle0)(JNIEnv*, jclass, jint) { return nullptr; }

TAVIK_NATIVE(void, Misc, setForegroundWindow0)(JNIEnv*, jclass, jlong) {}

TAVIK_NATIVE(jobjectArray, Misc, getTopLevelWindows0)(JNIEnv*, jclass, jclass, jint) { return nullptr; }

TAVIK_NATIVE(jint, Misc, getPidFromHandle0)(JNIEnv*, jclass, jlong) { return 0; }

TAVIK_NATIVE(jint, Win32Exec, launch0)(JNIEnv*, jclass, jstring, jstring) { return 0; }

TAVIK_NATIVE(jobjectArray, Win32Handle, list0)(JNIEnv*, jclass) { return nullptr; }

TAVIK_NATIVE(jboolean, Win32Handle, close0)(JNIEnv*, jclass, jint) { return JNI_FALSE; }

TAVIK_NATIVE(jstring, Win32Handle, getDeviceName0)(JNIEnv*, jclass, jstring) { return nullptr; }
