// Placeholders until this group of natives is built: each is exported under
// its JNI name and answers with its failure value.
#include "native/jni/JniExport.h"

TAVIK_NATIVE(jint, Win32Proxy, getIEConfig0)(JNIEnv*, jclass, jobjectArray) { return 0; }

TAVIK_NATIVE(jint, Win32Proxy, getDefaultConfig0)(JNIEnv*, jclass, jobjectArray) { return 0; }

TAVIK_NATIVE(jlong, Win32Proxy, getAutoProxyConfig0)(JNIEnv*, jclass, jobjectArray, jstring, jstring, jint, jint, jboolean) { return 0; }

TAVIK_NATIVE(jboolean, Win32Proxy, loadFunctions0)(JNIEnv*, jclass) { return JNI_FALSE; }
