#include "tools/pack/ProjectFile.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <optional>

#include "tests/support/ArchiveNameCases.h"

namespace tavik::pack {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

Expected<PackInput> parse(const std::string& toml) { return parseProject(toml, "project.toml", "/base"); }

std::optional<std::string> narrowOf(const PackInput& input, std::int32_t id) {
    std::optional<std::string> text;
    for (const NarrowRecord& record : input.narrow)
        if (record.id == id) text = record.text;
    return text;
}

std::vector<std::int32_t> narrowIds(const PackInput& input) {
    std::vector<std::int32_t> ids;
    for (const NarrowRecord& record : input.narrow) ids.push_back(record.id);
    return ids;
}

std::vector<std::int32_t> wideIds(const std::vector<WideRecord>& records) {
    std::vector<std::int32_t> ids;
    for (const WideRecord& record : records) ids.push_back(record.id);
    return ids;
}

TEST(ProjectFile, ReadableKeysBecomeTheirRecords) {
    struct Case {
        const char* toml;
        std::int32_t id;
        std::string want;
    };
    const Case cases[] = {
        {"[application]\nmain_class = 'com.example.Main'", 122, "com.example.Main"},
        {"[application]\nmodule = true", 133, "1"},
        {"[application]\nclass_path = [ { kind = 'archive', path = 'app.jar', required = true },\n"
         "  { kind = 'directory', path = 'classes' }, { kind = 'env', path = 'EXTRA_CP', required = false },\n"
         "  { kind = 'scan', path = 'lib' } ]",
         121, "A1app.jar;D0classes;E0EXTRA_CP;S0lib"},
        {"[[application.module_path]]\nkind = 'directory'\npath = 'mods'\nrequired = true", 132, "D1mods"},
        {"[application]\nvm_options = '-Xmx256m -Dx=1'", 123, "-Xmx256m -Dx=1"},
        {"[application]\nvm_options = ['-Xmx256m', '-Dx=a b', '-Dq=say \"hi\"', \"-Dit's\", '']", 123,
         "-Xmx256m \"-Dx=a b\" '-Dq=say \"hi\"' \"-Dit's\" \"\""},
        {"[application]\narguments = 'fixed args'", 124, "fixed args"},
        {"[application]\njava_options_from_command_line = false", 125, "0"},
        {"[application]\nworking_directory = '..\\work'", 146, "..\\work"},
        {"[application]\ninstallation_root = '..'", 10003, ".."},
        {"[application]\nnative_library_directories = ['a', 'b\\c']", 10004, "a;b\\c"},
        {"[application]\nexecutable_kind = 'console'", 107, "0"},
        {"[application]\nexecutable_kind = 'gui'", 107, "1"},
        {"[application]\nexecutable_kind = 'service'", 107, "4"},
        {"[application]\nexecutable_kind = 5", 107, "5"},
        {"[application]\nflavour = 'launcher'", 2001, "t"},
        {"[application]\nflavour = 'installer'", 2001, "r"},
        {"[application]\nread_default_vmoptions = true", 166, "1"},
        {"[application]\nadd_dll_directories = true", 154, "1"},
        {"[application]\nsplash = false", 108, "0"},
        {"[java]\nmin_version = '1.8'", 126, "1.8"},
        {"[java]\nmax_version = '21'", 127, "21"},
        {"[java]\nsearch_sequence = [ { kind = 'A', value = 'jre' }, { kind = 'Y' }, { kind = 'E', value = 'JAVA_HOME' },"
         " { kind = 'S' }, { kind = 'B', value = 'C:\\jdk' }, { kind = 'R', value = 'rt' } ]",
         128, "Ajre;Y;EJAVA_HOME;S;BC:\\jdk;Rrt"},
        {"[java]\nallow_prerelease = true", 130, "1"},
        {"[java]\nrequire_jdk = true", 131, "1"},
        {"[java]\nvm_subdirectory = 'server'", 152, "server"},
        {"[java]\napplication_id = '1234-5678'", 160, "1234-5678"},
        {"[java]\nrestrict_registry_search = true", 165, "1"},
        {"[java]\nversion_options = [ { condition = '9-11', option = '--add-opens=a/b=ALL-UNNAMED' } ]", 10202,
         "--add-opens=a/b=ALL-UNNAMED"},
        {"[service]\nname = 'MyService'", 101, "MyService"},
        {"[service]\ndependencies = ['Tcpip', 'Dnscache']", 149, "Tcpip,Dnscache"},
        {"[single_instance]\nmode = 2", 10005, "2"},
        {"[single_instance]\nmode = -1", 10005, "-1"},
        {"[single_instance]\nactivate_windows = true", 10007, "1"},
        {"[single_instance]\nglobal = true", 158, "1"},
        {"[files]\nembed = ['dist/app.jar', { source = 'x/y.dll', name = 'native\\y.dll' }]", 2002, "2"},
        {"[files]\nembed = ['dist/app.jar', { source = 'x/y.dll', name = 'native\\y.dll' }]", 2003,
         "app.jar;native\\y.dll"},
        {"[application]\nmain_class = 'Caf\u00e9\u20ac'", 122, "Caf\xE9\x80"},
        {"[narrow]\n2001 = 'r'\n7 = 12\n8 = true", 8, "1"},
        {"[narrow]\n2001 = 'r'\n7 = 12\n8 = true", 7, "12"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.toml);
        const auto input = parse(c.toml);
        ASSERT_TRUE(input) << describe(input.error());
        EXPECT_EQ(narrowOf(input.value(), c.id), c.want);
    }
}

TEST(ProjectFile, VersionOptionsBecomeACountAndConditionOptionPairs) {
    const auto input = parse(
        "[java]\n"
        "version_options = [ { condition = '9-11', option = '--add-opens=x' },\n"
        "                    { condition = '*17*', option = ['-Da', '-Db=c d'] } ]\n");
    ASSERT_TRUE(input) << describe(input.error());
    EXPECT_THAT(narrowIds(input.value()), ElementsAre(10200, 10201, 10202, 10203, 10204));
    EXPECT_EQ(narrowOf(input.value(), 10200), "2");
    EXPECT_EQ(narrowOf(input.value(), 10201), "9-11");
    EXPECT_EQ(narrowOf(input.value(), 10202), "--add-opens=x");
    EXPECT_EQ(narrowOf(input.value(), 10203), "*17*");
    EXPECT_EQ(narrowOf(input.value(), 10204), "-Da \"-Db=c d\"");
}

TEST(ProjectFile, NarrowRecordsAreSortedByIdThenRawOnesInFileOrder) {
    const auto input = parse(
        "[service]\nname = 'svc'\n"
        "[narrow]\n2001 = 'r'\n7 = 'x'\n101 = 'y'\n"
        "[application]\nflavour = 'launcher'\nmain_class = 'M'\n"
        "[java]\nmin_version = '11'\n");
    ASSERT_TRUE(input) << describe(input.error());
    EXPECT_THAT(narrowIds(input.value()), ElementsAre(101, 122, 126, 2001, 2001, 7, 101));
    EXPECT_EQ(narrowOf(input.value(), 2001), "r");  // the raw record comes later and wins
}

TEST(ProjectFile, WideRecordsAreDefaultsMessagesDescriptionThenRaw) {
    const auto input = parse(
        "[wide]\n20017 = 'raw description'\n42 = 'x'\n"
        "[messages]\n1010 = 'Klasse fehlt'\n1005 = 'Kein Java'\n"
        "[service]\ndescription = 'Gr\u00fc\u00dfe \u4e2d'\n");
    ASSERT_TRUE(input) << describe(input.error());
    EXPECT_THAT(wideIds(input.value().wide), ElementsAre(1000, 1005, 1006, 1008, 1009, 1010, 1011, 1015, 1016, 1018,
                                                         1020, 1010, 1005, 20017, 20017, 42));
    const auto& wide = input.value().wide;
    EXPECT_EQ(wide[12].text, u"Kein Java");
    EXPECT_EQ(wide[13].text, u"Gr\u00fc\u00dfe \u4e2d");  // wide texts keep what 1252 cannot hold
    EXPECT_EQ(wide[14].text, u"raw description");
}

TEST(ProjectFile, DefaultMessagesCoverEveryMessageWithTheirPlaceholders) {
    const auto input = parse("");
    ASSERT_TRUE(input) << describe(input.error());
    const auto& wide = input.value().wide;
    ASSERT_EQ(wide.size(), 11u);
    EXPECT_EQ(wide[0].text, u"Error");
    const std::int32_t withArgument[] = {1006, 1008, 1009, 1016, 1018, 1020};
    for (const WideRecord& record : wide) {
        SCOPED_TRACE(record.id);
        EXPECT_FALSE(record.text.empty());
        const bool wantsPlaceholder =
            std::find(std::begin(withArgument), std::end(withArgument), record.id) != std::end(withArgument);
        EXPECT_EQ(record.text.find(u"{0}") != std::u16string::npos, wantsPlaceholder);
    }
    EXPECT_TRUE(input.value().narrow.empty());
    EXPECT_TRUE(input.value().sets.empty());
}

TEST(ProjectFile, LocaleSetsKeepFileOrder) {
    const auto input = parse(
        "[[locale]]\nkey = 'de'\nmessages = { 1005 = 'Kein Java gefunden.', 1000 = 'Fehler' }\n"
        "[[locale]]\nkey = 'de_CH'\nmessages = { 1005 = 'Kei Java gfunde.' }\n"
        "[[locale]]\nkey = 'fr'\n");
    ASSERT_TRUE(input) << describe(input.error());
    const auto& sets = input.value().sets;
    ASSERT_EQ(sets.size(), 3u);
    EXPECT_EQ(sets[0].key, "de");
    EXPECT_THAT(wideIds(sets[0].records), ElementsAre(1005, 1000));
    EXPECT_EQ(sets[0].records[0].text, u"Kein Java gefunden.");
    EXPECT_EQ(sets[1].key, "de_CH");
    EXPECT_EQ(sets[1].records[0].text, u"Kei Java gfunde.");
    EXPECT_EQ(sets[2].key, "fr");
    EXPECT_TRUE(sets[2].records.empty());
}

TEST(ProjectFile, FilesToEmbedResolveAgainstTheProjectDirectory) {
    const auto input = parse(
        "[files]\n"
        "embed = [ 'dist/app.jar',\n"
        "          { source = '/abs/y.dll', name = 'native\\y.dll' } ]\n");
    ASSERT_TRUE(input) << describe(input.error());
    const auto& files = input.value().files;
    ASSERT_EQ(files.size(), 2u);
    EXPECT_EQ(files[0].source, std::filesystem::path("/base/dist/app.jar"));
    EXPECT_EQ(files[0].name, "app.jar");
    EXPECT_EQ(files[0].where.line, 2u);
    EXPECT_EQ(files[0].where.key, "files.embed[0]");
    EXPECT_EQ(files[1].source, std::filesystem::path("/abs/y.dll"));
    EXPECT_EQ(files[1].name, "native\\y.dll");
    EXPECT_EQ(files[1].where.line, 3u);
}

TEST(ProjectFile, ErrorsNameLineKeyAndProblem) {
    struct Case {
        const char* name;
        std::string toml;
        unsigned line;
        std::string key;
        std::string fragment;
    };
    const std::string longText(200, 'x');
    const std::string longMessage(6000, 'm');
    const Case cases[] = {
        {"unknown section", "\ncolour = 1", 2, "colour", "unknown key"},
        {"unknown setting", "[application]\nmain_clas = 'x'", 2, "application.main_clas", "unknown key"},
        {"unknown key in a class-path entry",
         "[application]\nclass_path = [ { kind = 'archive', path = 'a.jar', requird = true } ]", 2,
         "application.class_path[0].requird", "unknown key"},
        {"unknown key in an array of tables", "[[java.search_sequence]]\nkind = 'Y'\nvalu = 'x'", 3,
         "java.search_sequence[0].valu", "unknown key"},
        {"unknown key in a locale set", "[[locale]]\nkey = 'de'\ntexts = {}", 3, "locale[0].texts", "unknown key"},
        {"unknown key in files", "[files]\nembedded = []", 2, "files.embedded", "unknown key"},
        {"unknown key in an embed table", "[files]\nembed = [ { source = 'a', nme = 'b' } ]", 2,
         "files.embed[0].nme", "unknown key"},
        {"boolean given as text", "[application]\nmodule = 'yes'", 2, "application.module",
         "expected a boolean, found a string"},
        {"section that is no table", "application = 5", 1, "application", "expected a table, found an integer"},
        {"text given as number", "[java]\nmin_version = 1.8", 2, "java.min_version", "expected a string, found a float"},
        {"class-path entry that is no table", "[application]\nclass_path = ['app.jar']", 2,
         "application.class_path[0]", "expected a table"},
        {"class-path entry without path", "[application]\nclass_path = [ { kind = 'archive' } ]", 2,
         "application.class_path[0]", "missing key \"path\""},
        {"integer beyond 32 bits", "[single_instance]\nmode = 5000000000", 2, "single_instance.mode",
         "does not fit in 32 bits"},
        {"unknown path kind", "[application]\nclass_path = [ { kind = 'zip', path = 'a' } ]", 2,
         "application.class_path[0].kind", "unknown path entry kind \"zip\""},
        {"unknown search letter", "[java]\nsearch_sequence = [ { kind = 'Q', value = 'x' } ]", 2,
         "java.search_sequence[0].kind", "unknown search kind \"Q\""},
        {"search directory without value", "[java]\nsearch_sequence = [ { kind = 'A' } ]", 2,
         "java.search_sequence[0]", "missing key \"value\""},
        {"unknown executable kind", "[application]\nexecutable_kind = 'window'", 2, "application.executable_kind",
         "unknown executable kind \"window\""},
        {"unknown flavour", "[application]\nflavour = 'lite'", 2, "application.flavour", "unknown flavour \"lite\""},
        {"narrow text outside 1252", "[application]\n\nmain_class = 'app.\u4e2d'", 3, "application.main_class",
         "U+4E2D"},
        {"locale key outside 1252", "[[locale]]\nkey = '\u0101'", 2, "locale[0].key", "U+0101"},
        {"raw narrow outside 1252", "[narrow]\n5 = '\u2603'", 2, "narrow.5", "Windows-1252"},
        {"text with NUL", "[application]\nmain_class = \"a\\u0000b\"", 2, "application.main_class", "NUL"},
        {"list item holding the separator", "[application]\nnative_library_directories = ['a', 'b;c']", 2,
         "application.native_library_directories[1]", "must not contain ';'"},
        {"dependency holding a comma", "[service]\ndependencies = ['a,b']", 2, "service.dependencies[0]",
         "must not contain ','"},
        {"class-path path holding the separator", "[application]\nclass_path = [ { kind = 'archive', path = 'a;b' } ]",
         2, "application.class_path[0].path", "must not contain ';'"},
        {"empty list item", "[application]\nnative_library_directories = ['']", 2,
         "application.native_library_directories[0]", "must not be empty"},
        {"option with both quote kinds", "[application]\nvm_options = ['-Da', \"-Dx='\\\"\"]", 2,
         "application.vm_options[1]", "both kinds of quote"},
        {"version condition without range", "[java]\nversion_options = [ { condition = '11', option = '-Dx' } ]", 2,
         "java.version_options[0].condition", "range"},
        {"message key that is no id", "[messages]\nabc = 'x'", 2, "messages.abc", "numeric id"},
        {"raw id beyond 32 bits", "[narrow]\n3000000000 = 'x'", 2, "narrow.3000000000", "numeric id"},
        {"raw narrow of another type", "[narrow]\n5 = [1]", 2, "narrow.5", "expected a string, an integer or a boolean"},
        {"locale set without key", "[[locale]]\nmessages = { 1005 = 'x' }", 1, "locale[0]", "missing key \"key\""},
        {"narrow text too long for its buffer", "[java]\nvm_subdirectory = '" + longText + "'", 2,
         "java.vm_subdirectory", "at most 199"},
        {"wide text too long for its buffer", "[messages]\n1005 = '" + longMessage + "'", 2, "messages.1005",
         "at most 5999"},
        {"embed item of another type", "[files]\nembed = [ 5 ]", 2, "files.embed[0]", "a string or a table"},
        {"embed table without source", "[files]\nembed = [ { name = 'a' } ]", 2, "files.embed[0]",
         "missing key \"source\""},
        {"embed name climbing out", "[files]\nembed = [ { source = 'a', name = '..\\evil.dll' } ]", 2,
         "files.embed[0].name", "inside the extraction directory"},
        {"embed name two levels deep", "[files]\nembed = [ { source = 'a', name = 'a\\b\\c.jar' } ]", 2,
         "files.embed[0].name", "one subdirectory level"},
        {"embed name absolute", "[files]\nembed = [ { source = 'a', name = '\\a.jar' } ]", 2, "files.embed[0].name",
         "inside the extraction directory"},
        {"embed name with drive", "[files]\nembed = [ { source = 'a', name = 'c:a.jar' } ]", 2, "files.embed[0].name",
         "':'"},
        {"embed name with slash", "[files]\nembed = [ { source = 'a', name = 'lib/a.jar' } ]", 2,
         "files.embed[0].name", "'\\'"},
        {"embed name that is a device", "[files]\nembed = [ { source = 'a', name = 'lib\\nul.txt' } ]", 2,
         "files.embed[0].name", "device"},
        {"embed base name that is a device", "[files]\nembed = [ 'dist/Com\u00b9' ]", 2, "files.embed[0]", "device"},
        {"embed base name with separator", "[files]\nembed = [ 'dist/a;b.jar' ]", 2, "files.embed[0]",
         "must not contain ';'"},
        {"embed source that names a directory", "[files]\nembed = [ 'dist/' ]", 2, "files.embed[0]", "empty"},
        {"embed names differing in case", "[files]\nembed = [ 'a/App.jar',\n  'b/app.jar' ]", 3, "files.embed[1]",
         "already used by files.embed[0]"},
        {"syntax error", "[application]\nmain_class = \n", 2, "", "column"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto input = parse(c.toml);
        ASSERT_FALSE(input);
        const PackError& error = input.error();
        EXPECT_EQ(error.path, "project.toml");
        EXPECT_EQ(error.line, c.line);
        EXPECT_EQ(error.key, c.key);
        EXPECT_THAT(error.what, HasSubstr(c.fragment));
    }
}

// A narrow text must fit the smallest buffer the launcher reads it into,
// terminator included; the flavour is read for its first character only and
// version conditions are read whole.
TEST(ProjectFile, RawNarrowTextsMustFitTheLaunchersBuffers) {
    struct Case {
        std::int32_t id;
        std::optional<std::size_t> capacity;
    };
    const Case cases[] = {
        {123, 6000}, {124, 2000}, {152, 200}, {10003, 4000}, {10111, 2000}, {10121, 2000},
        {10202, 6000}, {2001, std::nullopt}, {2003, std::nullopt}, {10201, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.id);
        const auto withText = [&](std::size_t length) {
            return parse("[narrow]\n" + std::to_string(c.id) + " = '" + std::string(length, 'x') + "'");
        };
        const std::size_t longest = c.capacity.value_or(9000) - (c.capacity ? 1 : 0);
        const auto fits = withText(longest);
        ASSERT_TRUE(fits) << describe(fits.error());
        EXPECT_EQ(narrowOf(fits.value(), c.id)->size(), longest);
        if (!c.capacity) continue;
        const auto cut = withText(*c.capacity);
        ASSERT_FALSE(cut);
        EXPECT_EQ(cut.error().key, "narrow." + std::to_string(c.id));
        EXPECT_THAT(cut.error().what, HasSubstr("at most " + std::to_string(*c.capacity - 1)));
    }
}

// A name the launcher refuses would end every start of the packed program:
// the packer refuses it, naming the project file, the line and the key.
TEST(ProjectFile, ArchiveNamesTheLauncherRefusesAreRefused) {
    for (const auto& c : testsupport::kArchiveNameCases) {
        SCOPED_TRACE(c.label);
        const std::string name(c.name);
        const std::string spelled = testsupport::utf8Spelling(name);
        const auto input = parse("[files]\nembed = [\n  { source = 'dist/a.bin', name = '" + spelled + "' } ]");
        if (!c.refused) {
            ASSERT_TRUE(input) << describe(input.error());
            ASSERT_EQ(input.value().files.size(), 1u);
            EXPECT_EQ(input.value().files[0].name, name);
            EXPECT_EQ(narrowOf(input.value(), 2003), name);
            continue;
        }
        ASSERT_FALSE(input) << name;
        EXPECT_THAT(describe(input.error()),
                    HasSubstr("tavik-pack: project.toml:3: files.embed[0].name: archive name \"" + spelled + "\" "));
    }
}

// Without a name of its own an entry is named after its source file, and the
// error points at the source.
TEST(ProjectFile, ArchiveNameTakenFromTheSourceIsCheckedToo) {
    const auto input = parse("[files]\nembed = ['dist/CON']");
    ASSERT_FALSE(input);
    EXPECT_EQ(input.error().key, "files.embed[0]");
    EXPECT_THAT(input.error().what, HasSubstr("archive name \"CON\" holds \"CON\", which Windows takes for a device"));
}

TEST(ProjectFile, MissingProjectFileIsReportedByPath) {
    const auto input = readProjectFile("/nonexistent/dir/project.toml");
    ASSERT_FALSE(input);
    EXPECT_EQ(describe(input.error()), "tavik-pack: /nonexistent/dir/project.toml: project file not found");
}

TEST(PackError, DescribeLeavesOutWhatDoesNotApply) {
    EXPECT_EQ(describe({"p.toml", 7, "application.module", "expected a boolean"}),
              "tavik-pack: p.toml:7: application.module: expected a boolean");
    EXPECT_EQ(describe({"p.toml", 3, "", "syntax"}), "tavik-pack: p.toml:3: syntax");
    EXPECT_EQ(describe({"launcher.exe", 0, "", "template not found"}), "tavik-pack: launcher.exe: template not found");
}

}  // namespace
}  // namespace tavik::pack
