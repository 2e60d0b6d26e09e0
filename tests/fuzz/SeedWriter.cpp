// Writes the fuzzers' starting inputs, one directory per fuzzer, from the
// cases of the unit tests of each reader: a valid input of every kind the
// tests name and the edge cases they pin down.
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "tests/fuzz/FuzzInput.h"
#include "tests/support/ArchiveNameCases.h"
#include "tests/support/BlockBuilder.h"

namespace {

using namespace std::string_literals;
using tavik::fuzz::joinFields;
using Seeds = std::vector<std::string>;

bool writeSeeds(const std::filesystem::path& directory, const Seeds& seeds) {
    std::error_code error;
    std::filesystem::create_directories(directory, error);
    if (error) return false;
    for (std::size_t i = 0; i < seeds.size(); ++i) {
        std::ofstream out(directory / ("seed" + std::to_string(i)), std::ios::binary);
        out.write(seeds[i].data(), static_cast<std::streamsize>(seeds[i].size()));
        if (!out) return false;
    }
    return true;
}

std::string bytesOf(const std::vector<unsigned char>& bytes) { return std::string(bytes.begin(), bytes.end()); }

// A complete block with every kind of field and an archive behind it, and the
// smallest complete block.
Seeds configBlockSeeds() {
    using tavik::testsupport::BlockBuilder;
    BlockBuilder full;
    full.header()
        .narrowTable({{107, "1"}, {122, "app.Main"}, {2001, "t"}, {121, "lib/app.jar"}})
        .wideTable({{1000, u"Error"}, {1006, u"Missing: {0}"}})
        .overrideSets({{"de", {{1000, u"Fehler"}}}, {"de_CH", {{1006, u"Fehlt: {0}"}}}, {"fr", {{1000, u"Erreur"}}}})
        .raw({'P', 'K', 3, 4});
    BlockBuilder empty;
    empty.header().narrowTable({}).wideTable({}).overrideSets({});
    return {bytesOf(full.bytes()), bytesOf(empty.bytes())};
}

Seeds commandLineSeeds() {
    return {
        "",
        "   ",
        "a  b",
        "a\tb c",
        " a b ",
        "pre\"fix x\" y",
        "a\"b c\"d e",
        "\"\"",
        "a \"\" b",
        "'x y' z",
        "'say \"hi\"' z",
        "\"it's\" z",
        "a'b\"c'd\"",
        "a \"b c",
        "C:\\x\\ \"C:\\y z\\\"",
        "\"C:\\Program Files\\app.exe\" /run a",
        "/stop Other",
        "--stop",
        "/--stop x __rwt_restart",
        "__rwt_restart x",
        "/Install Svc",
        "-? /help",
        "C:\\Program Files\\App\\my app.exe",
        "C:\\a.b\\tool.v2.EXE",
        "C:/dir/tool.exe",
    };
}

// The count byte, then the list: every row of the shared table on its own,
// then lists of several names.
Seeds archiveNameSeeds() {
    Seeds seeds;
    for (const auto& c : tavik::testsupport::kArchiveNameCases) seeds.push_back("\x01"s + std::string(c.name));
    // A '.' part: the launcher lets it through, only the packer refuses it.
    seeds.push_back("\x01" ".\\app.jar");
    seeds.push_back("\x05;a.jar;;lib\\b.jar;");
    seeds.push_back("\x02" "a;b;c");
    seeds.push_back("\x05" "a;;b");
    seeds.push_back("\x00" "a"s);
    seeds.push_back("\xFF" "a");
    seeds.push_back("\x03" "a.jar;..\\x;C:\\y");
    return seeds;
}

// Text, environment block, launcher directory, its temporary directory, Java
// home, temporary base.
std::string expansionInput(const std::string& text, const std::string& environment = "",
                           const std::string& tempDirectory = "C:\\Temp\\e4j_1.tmp") {
    return joinFields({text, environment, "C:\\PROGRA~1\\Caf\xE9\\", tempDirectory, "C:\\jre\\bin\\..",
                       "C:\\DOCUME~1\\Temp\\"});
}

Seeds variableExpansionSeeds() {
    const char* const patterns[] = {
        "%TAVIK_EXEDIR%", "%RUNWRIGHT_EXEDIR%", "%TAVIK_TEMPDIR%", "%RUNWRIGHT_TEMPDIR%",
        "%TAVIK_PATHLIST_SEPARATOR%", "%RUNWRIGHT_PATHLIST_SEPARATOR%", "%TAVIK_JVM_HOME%", "%RUNWRIGHT_JVM_HOME%",
        "${TAVIK_EXEDIR}", "${RUNWRIGHT_EXEDIR}", "${TAVIK_TEMPDIR}", "${RUNWRIGHT_TEMPDIR}",
        "${TAVIK_PATHLIST_SEPARATOR}", "${RUNWRIGHT_PATHLIST_SEPARATOR}", "${TAVIK_JVM_HOME}", "${RUNWRIGHT_JVM_HOME}",
        "${launcher:sys.launcherDirectory}", "${launcher:sys.launcherTempDirectory}",
        "${launcher:sys.pathlistSeparator}", "${launcher:sys.jvmHome}", "${launcher:sys.tempDir}",
    };
    Seeds seeds;
    for (const char* pattern : patterns) seeds.push_back(expansionInput("-Da="s + pattern + "x"));
    for (const char* text : {"%JAVA_HOME%", "${NO_SUCH_VARIABLE}", "${LAUNCHER:SYS.TEMPDIR}", "%tavik_exedir%",
                             "${TAVIK_EXEDIR", "$TAVIK_EXEDIR", "${ TAVIK_EXEDIR}", "${JAVA_HOME }"}) {
        seeds.push_back(expansionInput(text, "JAVA_HOME=C:\\jdk\0"s));
    }
    seeds.push_back(expansionInput("a${launcher:sys.pathlistSeparator}b${launcher:sys.pathlistSeparator}c"));
    seeds.push_back(expansionInput("${Path};${PATH};${path}|${lower}|${LOWER}|${Lower}", "Path=C:\\Windows\0lower=v\0"s));
    seeds.push_back(expansionInput("${caf\xE9_1}|${CAF\xE9_1}|${CAF\xC9_1}", "caf\xE9_1=x\0"s));
    seeds.push_back(expansionInput("${APP_OPTS} ${APP_OPTS}|${Path}|${PATH}",
                                   "APP_OPTS=-Da=${APP_OPTS}\0Path=C:\\bin;${PATH};${Path}\0"s));
    seeds.push_back(expansionInput("%TAVIK_TEMPDIR%|${A}|${C}|${D}", "A=${B}\0B=b\0C=${A}\0D=${TAVIK_EXEDIR}\0"s,
                                   "${launcher:sys.jvmHome}\\tmp"));
    seeds.push_back(expansionInput("${OPTS}|${EMPTY}|${AFTER_END}|${NOEQUALS}|${}",
                                   "=C:=C:\\work\0NOEQUALS\0OPTS=a=b\0EMPTY=\0\0AFTER_END=x\0"s));
    std::string doubling;
    for (int i = 0; i < 6; ++i) {
        const std::string next = "${V" + std::to_string(i + 1) + "}";
        doubling += "V" + std::to_string(i) + "=" + next + next + '\0';
    }
    seeds.push_back(expansionInput("${V0}", doubling + "V6=" + std::string(512, 'x') + '\0'));
    for (const char* javaExe : {"C:\\jre\\bin\\javaw.exe", "c:\\jre\\bin\\java.exe", "C:\\JRE\\BIN\\JAVAW.EXE", "exe"}) {
        seeds.push_back(expansionInput(javaExe));
    }
    return seeds;
}

// Configured options, default .vmoptions file, arguments, class path, module
// path, version lines, then "name\ncontent" files.
struct VmOptionsCase {
    std::string configured;
    std::string defaultFile;
    std::string arguments;
    std::string classPath;
    std::string modulePath;
    std::string versionLines;
    std::vector<std::string> files;
};

std::string vmOptionsInput(const VmOptionsCase& c) {
    std::vector<std::string> fields = {c.configured, c.defaultFile, c.arguments, c.classPath, c.modulePath,
                                       c.versionLines};
    fields.insert(fields.end(), c.files.begin(), c.files.end());
    return joinFields(fields);
}

Seeds vmOptionsSeeds() {
    std::vector<VmOptionsCase> cases = {
        {"", "# comment\r\n\r\n  -Xmx512m  \r\n", "", "", "", "", {}},
        {"", "-Dname=a b\n\t-Dtab=1\t\n   \n   # still a comment\n-Da#b\n-Xss1m", "", "", "", "", {}},
        {"", "-Da=1\r\n\x1A-Db=2\r\n", "", "", "", "", {}},
        {"", "-Dhome=${launcher:sys.launcherDirectory}x\n", "", "", "", "", {}},
        {"\"-classpath/a first.jar\" \"-classpath/a second.jar\"", "", "", "A0c.jar", "", "",
         {"c.jar\n", "tmp\\user\\u1.jar\n", "tmp\\user\\u2.zip\n", "tmp\\user\\notes.txt\n"}},
        {"\"-classpath/p a.jar\" \"-classpath b.jar\" -classpath", "", "", "A0c.jar", "", "", {"c.jar\n"}},
        {"-Dconfigured=1", "-Dfrom.file=1\n", "-J-Xmx1g\napp-arg\n-Dsun.locale.formatasdefault=true", "", "", "", {}},
        {"", "", "-J-Xmx1g\n-Xms1m\n-Jx-J-Xss1m\n-Dsun.locale.formatasdefault=false", "", "", "", {}},
        {"-Dconfigured=1", "", "", "", "", "11.0.2\n11\n-Dnever=1\n9-11\n-Dsecond=1 \"-Dspaced=a b\"\n*\n-Dthird=1", {}},
        {"", "", "", "", "", "1.8.0_292\n*1.?.0*\n-Da=1\n-8\n-Db=1\n0-99\n-Dc=1", {}},
        {"--add-opens java.base/java.lang=ALL-UNNAMED --add-reads --add-opens x", "", "", "", "", "", {}},
        {"-Dbefore=1 -include-options conf\\outer.vmoptions -Dafter=1", "", "", "", "", "",
         {"conf\\outer.vmoptions\n-Douter=1\n-include-options sub\\inner.vmoptions\n"
          "-include-options missing.vmoptions\n-Douter.end=1\n",
          "conf\\sub\\inner.vmoptions\n-Dinner=1\n-classpath/a inner.jar\n"}},
        {"\"-include-options outer\"", "", "", "", "", "", {"outer\n-include-options inner\n", "inner\n-Dinner=1\n"}},
        {"", "", "-J-include-options ${launcher:sys.launcherDirectory}x.vmoptions", "", "", "", {"x.vmoptions\n-Dx=1\n"}},
        {"-include-options a.vmoptions", "", "", "", "", "",
         {"a.vmoptions\n-Da=1\n-include-options a.vmoptions\n-Da.end=1\n"}},
        {"-include-options a.vmoptions", "", "", "", "", "",
         {"a.vmoptions\n-Da=1\n-include-options sub\\b.vmoptions\n",
          "sub\\b.vmoptions\n-Db=1\n-include-options ..\\.\\A.VMOPTIONS\n-Db.end=1\n"}},
        {"-include-options a.vmoptions", "", "", "", "", "",
         {"a.vmoptions\n-include-options b.vmoptions\n-include-options b.vmoptions\n", "b.vmoptions\n-Db=1\n"}},
        {"", "-Dd=1\n-include-options app.vmoptions\n", "", "", "", "", {}},
        {"", "", "", "A1${LIBDIR}\\a.jar;D1classes;A1D:\\x.jar;S1ext;E1QUOTED;E0ENDS;X1whatever;;A1nothing.jar", "", "",
         {"lib\\a.jar\n", "classes\\x.class\n", "ext\\z.zip\n", "ext\\b.jar\n", "ext\\a.jar\n"}},
        {"", "", "", "A0nothing.jar;E0UNSET;S0nodir;D1classes", "", "", {"classes\\x.class\n"}},
        {"", "", "", "D1classes;A1missing.jar", "", "", {"classes\\x.class\n"}},
        {"", "", "", "E1UNSET", "D1classes;D1gone", "", {"classes\\x.class\n"}},
        {"", "", "", "", "S1mods", "", {"mods\\m.jar\n", "tmp\\launcher.jar\n", "tmp\\app.zip\n"}},
    };
    VmOptionsCase chain{"-include-options f0", "", "", "", "", "", {}};
    for (int i = 0; i < 70; ++i) {
        chain.files.push_back("f" + std::to_string(i) + "\n-Dlevel=1\n-include-options f" + std::to_string(i + 1) + "\n");
    }
    cases.push_back(chain);
    Seeds seeds;
    for (const VmOptionsCase& c : cases) seeds.push_back(vmOptionsInput(c));
    return seeds;
}

Seeds projectFileSeeds() {
    return {
        "",
        "[application]\nmain_class = 'com.example.Main'\nmodule = true\narguments = 'fixed args'\n"
        "java_options_from_command_line = false\nworking_directory = '..\\work'\ninstallation_root = '..'\n"
        "native_library_directories = ['a', 'b\\c']\nexecutable_kind = 'console'\nflavour = 'installer'\n"
        "read_default_vmoptions = true\nadd_dll_directories = true\nsplash = false\n",
        "[application]\nclass_path = [ { kind = 'archive', path = 'app.jar', required = true },\n"
        "  { kind = 'directory', path = 'classes' }, { kind = 'env', path = 'EXTRA_CP', required = false },\n"
        "  { kind = 'scan', path = 'lib' } ]",
        "[[application.module_path]]\nkind = 'directory'\npath = 'mods'\nrequired = true",
        "[application]\nvm_options = '-Xmx256m -Dx=1'",
        "[application]\nvm_options = ['-Xmx256m', '-Dx=a b', '-Dq=say \"hi\"', \"-Dit's\", '']",
        "[application]\nexecutable_kind = 5\nflavour = 'launcher'\nmain_class = 'Caf\u00e9\u20ac'",
        "[java]\nmin_version = '1.8'\nmax_version = '21'\nallow_prerelease = true\nrequire_jdk = true\n"
        "vm_subdirectory = 'server'\napplication_id = '1234-5678'\nrestrict_registry_search = true\n",
        "[java]\nsearch_sequence = [ { kind = 'A', value = 'jre' }, { kind = 'Y' }, { kind = 'E', value = 'JAVA_HOME' },"
        " { kind = 'S' }, { kind = 'B', value = 'C:\\jdk' }, { kind = 'R', value = 'rt' } ]",
        "[java]\nversion_options = [ { condition = '9-11', option = '--add-opens=x' },\n"
        "                    { condition = '*17*', option = ['-Da', '-Db=c d'] } ]\n",
        "[service]\nname = 'MyService'\ndependencies = ['Tcpip', 'Dnscache']\ndescription = 'Gr\u00fc\u00dfe \u4e2d'",
        "[single_instance]\nmode = -1\nactivate_windows = true\nglobal = true",
        "[files]\nembed = ['dist/app.jar', { source = 'x/y.dll', name = 'native\\y.dll' }]",
        "[narrow]\n2001 = 'r'\n7 = 12\n8 = true",
        "[wide]\n20017 = 'raw description'\n42 = 'x'\n[messages]\n1010 = 'Klasse fehlt'\n1005 = 'Kein Java'\n",
        "[[locale]]\nkey = 'de'\nmessages = { 1005 = 'Kein Java gefunden.', 1000 = 'Fehler' }\n"
        "[[locale]]\nkey = 'de_CH'\nmessages = { 1005 = 'Kei Java gfunde.' }\n[[locale]]\nkey = 'fr'\n",
        "\ncolour = 1",
        "[application]\nclass_path = [ { kind = 'archive', path = 'a.jar', requird = true } ]",
        "[[java.search_sequence]]\nkind = 'Y'\nvalu = 'x'",
        "application = 5",
        "[java]\nmin_version = 1.8",
        "[single_instance]\nmode = 5000000000",
        "[application]\n\nmain_class = 'app.\u4e2d'",
        "[application]\nmain_class = \"a\\u0000b\"",
        "[application]\nvm_options = ['-Da', \"-Dx='\\\"\"]",
        "[java]\nversion_options = [ { condition = '11', option = '-Dx' } ]",
        "[messages]\nabc = 'x'",
        "[narrow]\n3000000000 = 'x'",
        "[java]\nvm_subdirectory = '" + std::string(200, 'x') + "'",
        "[files]\nembed = [ { source = 'a', name = '..\\evil.dll' }, { source = 'a', name = 'a\\b\\c.jar' } ]",
        "[files]\nembed = [ { source = 'a', name = 'c:a.jar' }, { source = 'a', name = 'lib/a.jar' } ]",
        "[files]\nembed = [ 'dist/a;b.jar', 'dist/' ]",
        "[files]\nembed = [ 'a/App.jar',\n  'b/app.jar' ]",
        "[application]\nmain_class = \n",
    };
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: " << argv[0] << " SEED_ROOT\n";
        return 2;
    }
    const std::filesystem::path root = argv[1];
    const bool written = writeSeeds(root / "config_block", configBlockSeeds()) &&
                         writeSeeds(root / "command_line", commandLineSeeds()) &&
                         writeSeeds(root / "archive_names", archiveNameSeeds()) &&
                         writeSeeds(root / "variable_expansion", variableExpansionSeeds()) &&
                         writeSeeds(root / "vm_options", vmOptionsSeeds()) &&
                         writeSeeds(root / "project_file", projectFileSeeds());
    if (!written) std::cerr << "cannot write seeds below " << root << "\n";
    return written ? 0 : 1;
}
