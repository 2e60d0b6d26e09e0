#include "launcher/jvm/JavaVMLauncher.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "tests/unit/support/LogRecorder.h"

namespace tavik::jvm {
namespace {

using testing::ElementsAre;
using testing::ElementsAreArray;
using testsupport::LoggedLine;
using testsupport::takeLoggedLines;

PropertyInputs plainInputs() {
    PropertyInputs inputs;
    inputs.launcherPath = "C:\\PROGRA~1\\App\\app.exe";
    inputs.tempDirectory = "C:\\Temp\\tvk1_dir5";
    inputs.unextractedPosition = 81920;
    inputs.pathVariable = "C:\\Windows;C:\\Tools";
    inputs.consoleOutputCodePage = 850;
    return inputs;
}

TEST(LauncherProperties, PlainLauncherGetsTheFixedPropertiesInOrder) {
    EXPECT_THAT(launcherProperties(plainInputs()),
                ElementsAre("-Dtavik.moduleName=C:\\PROGRA~1\\App\\app.exe",
                            "-Dsun.java.command=C:\\PROGRA~1\\App\\app.exe", "-Dtavik.tempDir=C:\\Temp\\tvk1_dir5",
                            "-Dtavik.unextractedPosition=81920", "-Djava.library.path=C:\\Windows;C:\\Tools",
                            "-Dtavik.consoleCodepage=cp850"));
}

TEST(LauncherProperties, OptionalPropertiesTakeTheirPlacesAtTheHead) {
    PropertyInputs inputs = plainInputs();
    inputs.semaphoreName = "tavik_app_sem";
    inputs.installerFlavour = true;
    inputs.serviceMode = true;
    inputs.tempDirectory.clear();
    inputs.unextractedPosition = 0;
    inputs.consoleOutputCodePage = 0;
    EXPECT_THAT(launcherProperties(inputs),
                ElementsAre("-Dtavik.semaphoreName=tavik_app_sem", "-Dtavik.isRunwright=true", "-Dtavik.isService=true",
                            "-Dtavik.moduleName=C:\\PROGRA~1\\App\\app.exe",
                            "-Dsun.java.command=C:\\PROGRA~1\\App\\app.exe", "-Dtavik.tempDir=",
                            "-Dtavik.unextractedPosition=0", "-Djava.library.path=C:\\Windows;C:\\Tools",
                            "-Dtavik.consoleCodepage=cp0"));
}

TEST(LauncherProperties, ManPathLeavesOutTheConsoleCodePage) {
    PropertyInputs inputs = plainInputs();
    inputs.manPathSet = true;
    const auto properties = launcherProperties(inputs);
    EXPECT_EQ(properties.back(), "-Djava.library.path=C:\\Windows;C:\\Tools");
    for (const std::string& property : properties) EXPECT_EQ(property.find("consoleCodepage"), std::string::npos);
}

TEST(LauncherProperties, LibraryPathIsEmptyWhenPathLeavesNoRoom) {
    const std::string prefix = "-Djava.library.path=";
    // The option and its terminator share kLibraryPathOptionCapacity bytes.
    const std::size_t room = kLibraryPathOptionCapacity - prefix.size() - 1;
    struct Case { const char* name; std::size_t pathLength; bool kept; };
    const Case cases[] = {
        {"just fits", room, true},
        {"one byte over", room + 1, false},
        {"far over", 40000, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PropertyInputs inputs = plainInputs();
        inputs.pathVariable = std::string(c.pathLength, 'p');
        const auto properties = launcherProperties(inputs);
        const std::string& option = properties.at(properties.size() - 2);
        EXPECT_EQ(option, c.kept ? prefix + inputs.pathVariable : prefix);
    }
}

MainArgumentInputs mainInputs() {
    MainArgumentInputs inputs;
    inputs.mainClass = u"app.Main";
    inputs.launcherArguments = {u"C:\\App\\app.exe"};
    inputs.fullPath = [](std::u16string_view path) { return u"C:\\App\\" + std::u16string(path); };
    return inputs;
}

TEST(MainArguments, LeadingValuesFollowTheConfiguration) {
    struct Case {
        const char* name;
        void (*configure)(MainArgumentInputs&);
        std::vector<std::u16string> want;
    };
    const Case cases[] = {
        {"nothing configured", [](MainArgumentInputs&) {},
         {u"false", u"app.Main", u"", u"", u"false", u"C:\\App\\app.exe"}},
        {"gui program, module launch, flag",
         [](MainArgumentInputs& in) {
             in.guiProgram = true;
             in.moduleLaunch = true;
             in.mainClass = u"app.mod/app.mod.Main";
             in.flag = true;
         },
         {u"true", u"/app.mod/app.mod.Main", u"", u"", u"true", u"C:\\App\\app.exe"}},
        {"relative paths made full, a $ path kept",
         [](MainArgumentInputs& in) {
             in.firstPath = u"conf\\app.ini";
             in.secondPath = u"$HOME\\data";
         },
         {u"false", u"app.Main", u"C:\\App\\conf\\app.ini", u"$HOME\\data", u"false", u"C:\\App\\app.exe"}},
        {"configured but empty path is still resolved",
         [](MainArgumentInputs& in) { in.firstPath = u""; },
         {u"false", u"app.Main", u"C:\\App\\", u"", u"false", u"C:\\App\\app.exe"}},
        {"no launcher arguments: no program path",
         [](MainArgumentInputs& in) { in.launcherArguments.clear(); },
         {u"false", u"app.Main", u"", u"", u"false"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MainArgumentInputs inputs = mainInputs();
        c.configure(inputs);
        EXPECT_EQ(mainArguments(inputs), c.want);
    }
}

TEST(MainArguments, FixedArgumentsComeBeforeTheCommandLineWithoutVmOptions) {
    MainArgumentInputs inputs = mainInputs();
    inputs.fixedArguments = u"--mode 'two words' \"x y\"";
    inputs.launcherArguments = {u"C:\\App\\app.exe", u"-J-Xmx64m", u"file.txt", u"-Dsun.locale.formatasdefault=true",
                                u"-D other", u"-j-lower"};
    const std::vector<std::u16string> leading = {u"false", u"app.Main", u"", u"", u"false", u"C:\\App\\app.exe",
                                                 u"--mode", u"two words", u"x y"};
    struct Case { const char* name; bool javaArgumentsAreVmOptions; std::vector<std::u16string> rest; };
    const Case cases[] = {
        {"-J arguments went to the VM", true, {u"file.txt", u"-D other", u"-j-lower"}},
        {"-J arguments are the application's", false, {u"-J-Xmx64m", u"file.txt", u"-D other", u"-j-lower"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        inputs.javaArgumentsAreVmOptions = c.javaArgumentsAreVmOptions;
        std::vector<std::u16string> want = leading;
        want.insert(want.end(), c.rest.begin(), c.rest.end());
        EXPECT_EQ(mainArguments(inputs), want);
    }
}

// Stands in for JNI_CreateJavaVM: keeps what it was handed and refuses.
struct CreationRecord {
    jint version = 0;
    jboolean ignoreUnrecognized = JNI_FALSE;
    std::vector<std::string> options;
    bool extraInfoSet = false;
};
CreationRecord lastCreation;

jint JNICALL refuseCreation(JavaVM** vm, void** env, void* args) {
    const auto* initArgs = static_cast<const JavaVMInitArgs*>(args);
    lastCreation = {initArgs->version, initArgs->ignoreUnrecognized, {}, false};
    for (jint i = 0; i < initArgs->nOptions; ++i) {
        lastCreation.options.emplace_back(initArgs->options[i].optionString);
        lastCreation.extraInfoSet = lastCreation.extraInfoSet || initArgs->options[i].extraInfo != nullptr;
    }
    *vm = nullptr;
    *env = nullptr;
    return JNI_ENOMEM;
}

TEST(StartJavaApplication, RefusedCreationFailsWithTheOptionListAsBuilt) {
    JavaStartInputs inputs;
    inputs.createJavaVM = &refuseCreation;
    inputs.properties = plainInputs();
    inputs.properties.manPathSet = true;
    inputs.buildOptions = [](std::vector<std::string> properties) {
        properties.insert(properties.begin() + 1, "-Xmx64m");
        properties.push_back("-Djava.class.path=app.jar");
        return properties;
    };
    takeLoggedLines();
    const JavaStartResult result = startJavaApplication(inputs);

    EXPECT_FALSE(result.success);
    EXPECT_EQ(result.fatalMessageId, std::nullopt);
    EXPECT_FALSE(javaVMCreated());
    EXPECT_EQ(javaVM(), nullptr);
    EXPECT_EQ(lastCreation.version, JNI_VERSION_1_2);
    EXPECT_EQ(lastCreation.ignoreUnrecognized, JNI_TRUE);
    EXPECT_FALSE(lastCreation.extraInfoSet);
    EXPECT_THAT(lastCreation.options,
                ElementsAre("-Dtavik.moduleName=C:\\PROGRA~1\\App\\app.exe", "-Xmx64m",
                            "-Dsun.java.command=C:\\PROGRA~1\\App\\app.exe", "-Dtavik.tempDir=C:\\Temp\\tvk1_dir5",
                            "-Dtavik.unextractedPosition=81920", "-Djava.library.path=C:\\Windows;C:\\Tools",
                            "-Djava.class.path=app.jar"));
    EXPECT_THAT(takeLoggedLines(), ElementsAre(LoggedLine{false, u"launching program"},
                                               LoggedLine{false, u"Creating JVM"},
                                               LoggedLine{true, u"could not initialize JVM"}));
}

TEST(StartJavaApplication, WithoutACreationFunctionTheVmIsNotCreated) {
    JavaStartInputs inputs;
    inputs.properties = plainInputs();
    takeLoggedLines();
    EXPECT_FALSE(startJavaApplication(inputs).success);
    EXPECT_FALSE(javaVMCreated());
    EXPECT_THAT(takeLoggedLines(), testing::Contains(LoggedLine{true, u"could not initialize JVM"}));
}

}  // namespace
}  // namespace tavik::jvm
