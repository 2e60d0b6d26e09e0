// Placeholders until this group of natives is built: each is exported under
// its JNI name and answers with its failure value.
#include "native/jni/JniExport.h"

TAVIK_NATIVE(jboolean, ACLHandling, addACE)(JNIEnv*, jclass, jstring, jboolean, jboolean, jboolean, jboolean, jboolean, jint, jstring) { return JNI_FALSE; }

TAVIK_NATIVE(jboolean, Win32UserInfo, isMemberOfGroup0)(JNIEnv*, jclass, jint) { return JNI_FALSE; }

TAVIK_NATIVE(jboolean, Win32UserInfo, executeElevated0)(JNIEnv*, jclass, jstring, jstring, jstring, jint) { return JNI_FALSE; }

TAVIK_NATIVE(jint, Win32UserInfo, getElevationType0)(JNIEnv*, jclass) { return 0; }

TAVIK_NATIVE(jstring, Win32UserInfo, addUser0)(JNIEnv*, jclass, jstring, jstring, jstring, jstring, jstring, jboolean, jboolean) { return nullptr; }

TAVIK_NATIVE(jint, Win32UserInfo, deleteUser0)(JNIEnv*, jclass, jstring, jstring) { return -1; }

TAVIK_NATIVE(jint, Win32UserInfo, deleteLocalGroup0)(JNIEnv*, jclass, jstring, jstring) { return -1; }

TAVIK_NATIVE(jstring, Win32UserInfo, getAccountName0)(JNIEnv*, jclass, jstring, jboolean) { return nullptr; }

TAVIK_NATIVE(jstring, Win32UserInfo, getUserProfileDirectory0)(JNIEnv*, jclass, jstring, jstring) { return nullptr; }

TAVIK_NATIVE(jstring, Win32UserInfo, getUserSid0)(JNIEnv*, jclass) { return nullptr; }

TAVIK_NATIVE(jboolean, Win32UserInfo, setLsaAccountRight0)(JNIEnv*, jclass, jstring, jstring, jboolean) { return JNI_FALSE; }
