// Placeholders until this group of natives is built: each is exported under
// its JNI name and answers with its failure value.
#include "native/jni/JniExport.h"

TAVIK_NATIVE(jlong, Win32CommunicationBackend, getInvalidHandle0)(JNIEnv*, jclass) { return 0; }

TAVIK_NATIVE(jlong, Win32CommunicationBackend, createListener0)(JNIEnv*, jclass, jstring) { return 0; }

TAVIK_NATIVE(jbyteArray, Win32CommunicationBackend, readDataBlock0)(JNIEnv*, jclass, jlong) { return nullptr; }

TAVIK_NATIVE(jboolean, Win32CommunicationBackend, writeDataBlock0)(JNIEnv*, jclass, jlong, jbyteArray) { return JNI_FALSE; }

TAVIK_NATIVE(jlong, Win32CommunicationBackend, connectClient0)(JNIEnv*, jclass, jstring) { return 0; }

TAVIK_NATIVE(jboolean, Win32CommunicationBackend, connectNamedPipe0)(JNIEnv*, jclass, jlong) { return JNI_FALSE; }

TAVIK_NATIVE(void, Win32CommunicationBackend, disconnectNamedPipe0)(JNIEnv*, jclass, jlong) {}

TAVIK_NATIVE(void, Win32CommunicationBackend, closeHandle0)(JNIEnv*, jclass, jlong) {}

TAVIK_NATIVE(jboolean, Win32CommunicationBackend, isProcessAlive0)(JNIEnv*, jclass, jint) { return JNI_FALSE; }

TAVIK_NATIVE(jint, Win32CommunicationBackend, getCurrentProcessId0)(JNIEnv*, jclass) { return 0; }
