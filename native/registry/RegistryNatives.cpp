// Placeholders until this group of natives is built: each is exported under
// its JNI name and answers with its failure value.
#include "native/jni/JniExport.h"

TAVIK_NATIVE(jboolean, Registry, keyExists0)(JNIEnv*, jclass, jint, jstring, jint) { return JNI_FALSE; }

TAVIK_NATIVE(jboolean, Registry, createKey0)(JNIEnv*, jclass, jint, jstring, jint) { return JNI_FALSE; }

TAVIK_NATIVE(jobject, Registry, getValue0)(JNIEnv*, jclass, jint, jstring, jstring, jint) { return nullptr; }

TAVIK_NATIVE(jboolean, Registry, setValue0)(JNIEnv*, jclass, jint, jstring, jstring, jobject, jint, jint) { return JNI_FALSE; }

TAVIK_NATIVE(void, Registry, deleteValue0)(JNIEnv*, jclass, jint, jstring, jstring, jint) {}

TAVIK_NATIVE(void, Registry, deleteKey0)(JNIEnv*, jclass, jint, jstring, jboolean, jint) {}

TAVIK_NATIVE(jboolean, Registry, saveKey0)(JNIEnv*, jclass, jint, jstring, jstring, jint) { return JNI_FALSE; }

TAVIK_NATIVE(jboolean, Registry, restoreKey0)(JNIEnv*, jclass, jint, jstring, jstring, jint) { return JNI_FALSE; }

TAVIK_NATIVE(jobjectArray, Registry, enumSubKeys0)(JNIEnv*, jclass, jint, jstring, jint) { return nullptr; }

TAVIK_NATIVE(jobjectArray, Registry, enumValues0)(JNIEnv*, jclass, jint, jstring, jint) { return nullptr; }

TAVIK_NATIVE(void, Registry, changeNotifyAssociations0)(JNIEnv*, jclass) {}
