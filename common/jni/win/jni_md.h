/* Machine-dependent JNI types for Windows, for building with MinGW-w64
   against a JDK's platform-neutral jni.h. */
#ifndef _JAVASOFT_JNI_MD_H_
#define _JAVASOFT_JNI_MD_H_

#define JNIEXPORT __declspec(dllexport)
#define JNIIMPORT __declspec(dllimport)
/* The VM calls natives and invocation functions with __stdcall on x86. */
#define JNICALL __stdcall

/* Windows is LLP64: long is 32-bit even on x86-64. */
typedef long jint;
typedef __int64 jlong;
typedef signed char jbyte;

#endif
