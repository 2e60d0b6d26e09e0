#include "native/registration/NativeTable.h"

namespace tavik::native {
namespace {

constexpr NativeMethod kACLHandling[] = {
    {"addACE", "(Ljava/lang/String;ZZZZZILjava/lang/String;)Z"},
};
constexpr NativeMethod kFileVersion[] = {
    {"compare0", "(Ljava/lang/String;Ljava/lang/String;)I"},
};
constexpr NativeMethod kFolderInfo[] = {
    {"getSpecialFolder0", "(IZ)Ljava/lang/String;"},
    {"getPathFromRegistry0", "(Ljava/lang/String;)Ljava/lang/String;"},
    {"getWindowsDirectory0", "()Ljava/lang/String;"},
    {"getSystemDirectory0", "()Ljava/lang/String;"},
    {"getDriveType0", "(Ljava/lang/String;)I"},
    {"getShortPathName0", "(Ljava/lang/String;)Ljava/lang/String;"},
    {"getUniversalPathName0", "(Ljava/lang/String;)Ljava/lang/String;"},
};
constexpr NativeMethod kMisc[] = {
    {"reboot0", "()V"},
    {"getRunningModules0", "(Z)[Ljava/lang/String;"},
    {"getEnvVarPairs0", "()[Ljava/lang/String;"},
    {"broadcastSettingChange0", "()V"},
    {"getPhysicalMemory0", "()J"},
    {"getFreeDiskSpace0", "(Ljava/lang/String;)J"},
    {"moveWithDelayUntilReboot0", "(Ljava/lang/String;Ljava/lang/String;)Z"},
    {"toFront0", "()V"},
    {"terminateProcesses0", "([IZI)I"},
    {"getWindowTitle0", "(I)Ljava/lang/String;"},
    {"setForegroundWindow0", "(J)V"},
    {"getTopLevelWindows0", "(Ljava/lang/Class;I)[Lcom/runwright/api/windows/WindowInfo;"},
    {"getPidFromHandle0", "(J)I"},
};
constexpr NativeMethod kObjectPicker[] = {
    {"show0", "(ZZZZZ)[Lcom/runwright/runtime/installer/platform/win32/ObjectPicker$Result;"},
};
constexpr NativeMethod kShellLink[] = {
    {"createWide0", "(Ljava/lang/String;Ljava/lang/String;Ljava/lang/String;Ljava/lang/String;Ljava/lang/String;ZLjava/lang/String;I)Z"},
    {"changeNotify0", "([B[B)Z"},
    {"initialize0", "()Z"},
    {"uninitialize", "()Z"},
};
constexpr NativeMethod kVistaFileChooser[] = {
    {"initialize0", "()V"},
    {"displayDialog0", "(JLjava/lang/String;Ljava/lang/String;Ljava/lang/String;Ljava/lang/String;IIZLjava/lang/String;[Ljava/lang/String;[Ljava/lang/String;I[Ljava/lang/String;[Z)[Ljava/lang/String;"},
};
constexpr NativeMethod kVistaTaskDialog[] = {
    {"show0", "(JLjava/lang/String;Ljava/lang/String;Ljava/lang/String;IIILjava/lang/String;[Ljava/lang/String;I)I"},
};
constexpr NativeMethod kWin32CommunicationBackend[] = {
    {"getInvalidHandle0", "()J"},
    {"createListener0", "(Ljava/lang/String;)J"},
    {"readDataBlock0", "(J)[B"},
    {"writeDataBlock0", "(J[B)Z"},
    {"connectClient0", "(Ljava/lang/String;)J"},
    {"connectNamedPipe0", "(J)Z"},
    {"disconnectNamedPipe0", "(J)V"},
    {"closeHandle0", "(J)V"},
    {"isProcessAlive0", "(I)Z"},
    {"getCurrentProcessId0", "()I"},
};
constexpr NativeMethod kWin32Proxy[] = {
    {"getIEConfig0", "([Ljava/lang/String;)I"},
    {"getDefaultConfig0", "([Ljava/lang/String;)I"},
    {"getAutoProxyConfig0", "([Ljava/lang/String;Ljava/lang/String;Ljava/lang/String;IIZ)J"},
    {"loadFunctions0", "()Z"},
};
constexpr NativeMethod kWin32UserInfo[] = {
    {"isMemberOfGroup0", "(I)Z"},
    {"executeElevated0", "(Ljava/lang/String;Ljava/lang/String;Ljava/lang/String;I)Z"},
    {"getElevationType0", "()I"},
    {"addUser0", "(Ljava/lang/String;Ljava/lang/String;Ljava/lang/String;Ljava/lang/String;Ljava/lang/String;ZZ)Ljava/lang/String;"},
    {"deleteUser0", "(Ljava/lang/String;Ljava/lang/String;)I"},
    {"deleteLocalGroup0", "(Ljava/lang/String;Ljava/lang/String;)I"},
    {"getAccountName0", "(Ljava/lang/String;Z)Ljava/lang/String;"},
    {"getUserProfileDirectory0", "(Ljava/lang/String;Ljava/lang/String;)Ljava/lang/String;"},
    {"getUserSid0", "()Ljava/lang/String;"},
    {"setLsaAccountRight0", "(Ljava/lang/String;Ljava/lang/String;Z)Z"},
};
constexpr NativeMethod kRegistry[] = {
    {"keyExists0", "(ILjava/lang/String;I)Z"},
    {"createKey0", "(ILjava/lang/String;I)Z"},
    {"getValue0", "(ILjava/lang/String;Ljava/lang/String;I)Ljava/lang/Object;"},
    {"setValue0", "(ILjava/lang/String;Ljava/lang/String;Ljava/lang/Object;II)Z"},
    {"deleteValue0", "(ILjava/lang/String;Ljava/lang/String;I)V"},
    {"deleteKey0", "(ILjava/lang/String;ZI)V"},
    {"saveKey0", "(ILjava/lang/String;Ljava/lang/String;I)Z"},
    {"restoreKey0", "(ILjava/lang/String;Ljava/lang/String;I)Z"},
    {"enumSubKeys0", "(ILjava/lang/String;I)[Ljava/lang/String;"},
    {"enumValues0", "(ILjava/lang/String;I)[Ljava/lang/String;"},
    {"changeNotifyAssociations0", "()V"},
};
constexpr NativeMethod kWin32Exec[] = {
    {"launch0", "(Ljava/lang/String;Ljava/lang/String;)I"},
};
constexpr NativeMethod kWin32Handle[] = {
    {"list0", "()[Ljava/lang/Object;"},
    {"close0", "(I)Z"},
    {"getDeviceName0", "(Ljava/lang/String;)Ljava/lang/String;"},
};
constexpr NativeMethod kWin32Services[] = {
    {"installService0", "(Ljava/lang/String;Ljava/lang/String;Ljava/lang/String;)I"},
    {"changeServiceConfig0", "(Ljava/lang/String;Ljava/lang/String;Ljava/lang/String;IILjava/lang/String;Ljava/lang/String;Ljava/lang/String;Ljava/lang/String;)I"},
    {"setRestartServiceConfig0", "(Ljava/lang/String;ZIII)I"},
    {"setDelayedAutoStart0", "(Ljava/lang/String;Z)I"},
    {"stopService0", "(Ljava/lang/String;I)I"},
    {"startService0", "(Ljava/lang/String;[Ljava/lang/String;)I"},
    {"uninstallService0", "(Ljava/lang/String;)I"},
    {"queryStatus0", "(Ljava/lang/String;)I"},
    {"getStartType0", "(Ljava/lang/String;)I"},
    {"getServiceBinary0", "(Ljava/lang/String;)Ljava/lang/String;"},
};

constexpr NativeClass kClasses[] = {
    {"ACLHandling", kACLHandling},
    {"FileVersion", kFileVersion},
    {"FolderInfo", kFolderInfo},
    {"Misc", kMisc},
    {"ObjectPicker", kObjectPicker},
    {"ShellLink", kShellLink},
    {"VistaFileChooser", kVistaFileChooser},
    {"VistaTaskDialog", kVistaTaskDialog},
    {"Win32CommunicationBackend", kWin32CommunicationBackend},
    {"Win32Proxy", kWin32Proxy},
    {"Win32UserInfo", kWin32UserInfo},
    {"Registry", kRegistry},
    {"Win32Exec", kWin32Exec},
    {"Win32Handle", kWin32Handle},
    {"Win32Services", kWin32Services},
};

// Bound by name only: the Java side loads it itself.
constexpr NativeExport kNameBoundOnly[] = {
    {"ShellLink", {"create0", "(Ljava/lang/String;[B[B[B[BZ[B)Z"}},
};

}  // namespace

Span<const NativeClass> registeredClasses() { return {kClasses, std::size(kClasses)}; }

Span<const NativeExport> nameBoundOnlyNatives() { return {kNameBoundOnly, std::size(kNameBoundOnly)}; }

std::string classPath(std::string_view className) {
    return std::string(kClassPackage) + std::string(className);
}

std::string exportName(std::string_view className, std::string_view methodName) {
    std::string name = "Java_";
    for (const char c : kClassPackage) name += c == '/' ? '_' : c;
    return name.append(className).append("_").append(methodName);
}

}  // namespace tavik::native
