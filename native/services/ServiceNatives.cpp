// Placeholders until this group of natives is built: each is exported under
// its JNI name and answers with its failure value.
#include "native/jni/JniExport.h"

TAVIK_NATIVE(jint, Win32Services, installService0)(JNIEnv*, jclass, jstring, jstring, jstring) { return 0; }

TAVIK_NATIVE(jint, Win32Services, changeServiceConfig0)(JNIEnv*, jclass, jstring, jstring, jstring, jint, jint, jstring, jstring, jstring, jstring) { return 0; }

TAVIK_NATIVE(jint, Win32Services, setRestartServiceConfig0)(JNIEnv*, jclass, jstring, jboolean, jint, jint, jint) { return 0; }

TAVIK_NATIVE(jint, Win32Services, setDelayedAutoStart0)(JNIEnv*, jclass, jstring, jboolean) { return 0; }

TAVIK_NATIVE(jint, Win32Services, stopService0)(JNIEnv*, jclass, jstring, jint) { return 0; }

TAVIK_NATIVE(jint, Win32Services, startService0)(JNIEnv*, jclass, jstring, jobjectArray) { return 0; }

TAVIK_NATIVE(jint, Win32Services, uninstallService0)(JNIEnv*, jclass, jstring) { return 0; }

TAVIK_NATIVE(jint, Win32Services, queryStatus0)(JNIEnv*, jclass, jstring) { return 0; }

TAVIK_NATIVE(jint, Win32Services, getStartType0)(JNIEnv*, jclass, jstring) { return 0; }

TAVIK_NATIVE(jstring, Win32Services, getServiceBinary0)(JNIEnv*, jclass, jstring) { return nullptr; }
