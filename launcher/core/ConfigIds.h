#pragma once
// Every configuration id the launcher reads, every message it can show and
// the buffers it reads texts into. The packer writes the same ids, so both
// sides take them from here.
#include <cstddef>
#include <cstdint>
#include <optional>

namespace tavik::config {

// Narrow texts (integers are narrow texts of decimal digits).
inline constexpr std::int32_t kServiceNameId = 101;
inline constexpr std::int32_t kFirstPathSetId = 102;  // non-zero: id 103 is handed to the entry class
inline constexpr std::int32_t kFirstPathId = 103;
inline constexpr std::int32_t kSecondPathSetId = 104;  // non-zero: id 105 is handed to the entry class
inline constexpr std::int32_t kSecondPathId = 105;
inline constexpr std::int32_t kEntryFlagId = 106;       // handed to the entry class as "true" / "false"
inline constexpr std::int32_t kExecutableKindId = 107;  // see the kinds below
inline constexpr std::int32_t kSplashId = 108;          // non-zero: splash settings go to the Java side
inline constexpr std::int32_t kClassPathId = 121;
inline constexpr std::int32_t kMainClassId = 122;
inline constexpr std::int32_t kConfiguredOptionsId = 123;
inline constexpr std::int32_t kFixedArgumentsId = 124;
inline constexpr std::int32_t kJavaArgumentsAreVmOptionsId = 125;  // non-zero: "-J" arguments are VM options
inline constexpr std::int32_t kMinimumVersionId = 126;
inline constexpr std::int32_t kMaximumVersionId = 127;
inline constexpr std::int32_t kSearchSequenceId = 128;
inline constexpr std::int32_t kAllowPrereleaseId = 130;  // non-zero: pre-releases pass for every candidate
inline constexpr std::int32_t kRequireJdkId = 131;
inline constexpr std::int32_t kModulePathId = 132;
inline constexpr std::int32_t kModuleLaunchId = 133;
inline constexpr std::int32_t kWorkingDirectoryId = 146;
inline constexpr std::int32_t kServiceDependenciesId = 149;
inline constexpr std::int32_t kVmSubdirectoryId = 152;
inline constexpr std::int32_t kUseDllDirectoriesId = 154;
inline constexpr std::int32_t kGlobalNamespaceId = 158;  // non-zero: the instance semaphore is "Global\"
inline constexpr std::int32_t kApplicationId = 160;
inline constexpr std::int32_t kSplashModeId = 163;
inline constexpr std::int32_t kBundledRuntimesOnlyId = 165;  // non-zero: the registry search is restricted
inline constexpr std::int32_t kDefaultOptionsFileId = 166;
inline constexpr std::int32_t kFlavourId = 2001;  // its first character: 'r' selects the installer flavour
inline constexpr std::int32_t kArchiveCountId = 2002;
inline constexpr std::int32_t kArchiveNamesId = 2003;  // ';'-separated, in archive order
inline constexpr std::int32_t kInstallationRootId = 10003;
inline constexpr std::int32_t kNativeLibraryDirectoriesId = 10004;
inline constexpr std::int32_t kSingleInstanceModeId = 10005;
inline constexpr std::int32_t kActivateWindowsId = 10007;
// The splash call's arguments, in the order the call takes them.
inline constexpr std::int32_t kSplashTextIds[] = {10111, 10114, 10118, 10121};
inline constexpr std::int32_t kSplashNumberIds[] = {10109, 10110, 10113, 10115, 10116, 10117, 10120, 10122};
// Version-specific VM options: a count, then per entry i a condition at
// kFirstVersionConditionId + 2i and its option line right after it.
inline constexpr std::int32_t kVersionOptionCountId = 10200;
inline constexpr std::int32_t kFirstVersionConditionId = 10201;

// Wide (localized) texts.
inline constexpr std::int32_t kServiceDescriptionId = 20017;

// Messages; "{0}" in a text is replaced by the detail named here.
inline constexpr std::int32_t kErrorCaptionMessageId = 1000;
inline constexpr std::int32_t kNoRuntimeMessageId = 1005;
inline constexpr std::int32_t kMissingEntryMessageId = 1006;   // the class-path or module-path entry
inline constexpr std::int32_t kUnsetVariableMessageId = 1008;  // the variable's name
inline constexpr std::int32_t kInternalFailureMessageId = 1009;  // one of the failure codes below
inline constexpr std::int32_t kMainClassMissingMessageId = 1010;
inline constexpr std::int32_t kMainMethodMissingMessageId = 1011;
inline constexpr std::int32_t kNoTempDirectoryMessageId = 1015;
inline constexpr std::int32_t kNoRuntimeOfWordSizeMessageId = 1016;    // "64" or "32"
inline constexpr std::int32_t kEnvironmentRuntimeMessageId = 1018;     // the variable's name
inline constexpr std::int32_t kConfiguredRuntimeMessageId = 1020;      // the configured location

// The details of message 1009.
inline constexpr char16_t kTempDirectoryFailure[] = u"7";
inline constexpr char16_t kExtractedFileFailure[] = u"11";
inline constexpr char16_t kExtractionFailure[] = u"16";
inline constexpr char16_t kRuntimePreparationFailure[] = u"20";

// Values of id 107.
inline constexpr std::int32_t kGuiProgramKind = 1;
inline constexpr std::int32_t kServiceKind = 4;  // installs the service with automatic start
inline constexpr std::int32_t kMessageBoxKind = 5;

// Buffers the launcher reads texts into, terminator included. A narrow text
// that does not fit is cut (and the cut logged).
inline constexpr std::size_t kTextCapacity = 6000;
inline constexpr std::size_t kMessageCapacity = 6000;  // wide texts and message bodies
inline constexpr std::size_t kFlavourCapacity = 2;     // one character
inline constexpr std::size_t kFixedArgumentsCapacity = 2000;
inline constexpr std::size_t kVmSubdirectoryCapacity = 200;
inline constexpr std::size_t kInstallationRootCapacity = 4000;  // as the Java start reads it
inline constexpr std::size_t kSplashTextCapacity = 2000;

// A version condition id (10201, 10203, ...): read whole.
constexpr bool isVersionConditionId(std::int32_t id) {
    return id >= kFirstVersionConditionId && (id - kFirstVersionConditionId) % 2 == 0;
}

// The smallest buffer any reader of `id` takes its narrow text into; none
// for texts read whole.
std::optional<std::size_t> narrowCapacity(std::int32_t id);

}  // namespace tavik::config
