// Placeholders until this group of natives is built: each is exported under
// its JNI name and answers with its failure value.
#include "native/jni/JniExport.h"

TAVIK_NATIVE(jint, FileVersion, compare0)(JNIEnv*, jclass, jstring, jstring) { return 0; }

TAVIK_NATIVE(jstring, FolderInfo, getSpecialFolder0)(JNIEnv*, jclass, jint, jboolean) { return nullptr; }

TAVIK_NATIVE(jstring, FolderInfo, getPathFromRegistry0)(JNIEnv*, jclass, jstring) { return nullptr; }

TAVIK_NATIVE(jstring, FolderInfo, getWindowsDirectory0)(JNIEnv*, jclass) { return nullptr; }

TAVIK_NATIVE(jstring, FolderInfo, getSystemDirectory0)(JNIEnv*, jclass) { return nullptr; }

TAVIK_NATIVE(jint, FolderInfo, getDriveType0)(JNIEnv*, jclass, jstring) { return 0; }

TAVIK_NATIVE(jstring, FolderInfo, getShortPathName0)(JNIEnv*, jclass, jstring) { return nullptr; }

TAVIK_NATIVE(jstring, FolderInfo, getUniversalPathName0)(JNIEnv*, jclass, jstring) { return nullptr; }

TAVIK_NATIVE(jboolean, ShellLink, createWide0)(JNIEnv*, jclass, jstring, jstring, jstring, jstring, jstring, jboolean, jstring, jint) { return JNI_FALSE; }

TAVIK_NATIVE(jboolean, ShellLink, changeNotify0)(JNIEnv*, jclass, jbyteArray, jbyteArray) { return JNI_FALSE; }

TAVIK_NATIVE(jboolean, ShellLink, initialize0)(JNIEnv*, jclass) { return JNI_FALSE; }

TAVIK_NATIVE(jboolean, ShellLink, uninitialize)(JNIEnv*, jclass) { return JNI_FALSE; }

TAVIK_NATIVE(jboolean, ShellLink, create0)(JNIEnv*, jclass, jstring, jbyteArray, jbyteArray, jbyteArray, jbyteArray, jboolean, jbyteArray) { return JNI_FALSE; }
