// Placeholders until this group of natives is built: each is exported under
// its JNI name and answers with its failure value.
#include "native/jni/JniExport.h"

TAVIK_NATIVE(jobjectArray, ObjectPicker, show0)(JNIEnv*, jclass, jboolean, jboolean, jboolean, jboolean, jboolean) { return nullptr; }

TAVIK_NATIVE(void, VistaFileChooser, initialize0)(JNIEnv*, jclass) {}

TAVIK_NATIVE(jobjectArray, VistaFileChooser, displayDialog0)(JNIEnv*, jclass, jlong, jstring, jstring, jstring, jstring, jint, jint, jboolean, jstring, jobjectArray, jobjectArray, jint, jobjectArray, jbooleanArray) { return nullptr; }

TAVIK_NATIVE(jint, VistaTaskDialog, show0)(JNIEnv*, jclass, jlong, jstring, jstring, jstring, jint, jint, jint, jstring, jobjectArray, jint) { return 0; }
