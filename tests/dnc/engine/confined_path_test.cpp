// Names and folders from the serial line stay inside the machine's folders.
#include "dnc/engine/confined_path.h"

#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <sys/stat.h>

namespace dnc {
namespace {

namespace fs = std::filesystem;

// The program folder holds the machine's folder NC (with a sub-folder and links of
// every kind) and, outside it, a canary file.
struct Folders {
    Folders()
    {
        ::setenv("MRW_PROGRAM_DIR", tmp.path().c_str(), 1);
        fs::create_directories(nc + "SUB");
        fs::create_directories(tmp.path() + "OTHER");
        tmp.write("NC/O1000.TAP", "%\r\nO1000\r\n%\r\n");
        tmp.write("CANARY.TXT", "secret");
        fs::create_symlink(nc + "O1000.TAP", nc + "INSIDE.TAP");
        fs::create_symlink(tmp.path() + "CANARY.TXT", nc + "OUT.TAP");
        fs::create_symlink("/dev/zero", nc + "ZERO.TAP");
        fs::create_symlink(tmp.path() + "OTHER", nc + "UP");
        fs::create_symlink(nc + "NOWHERE", nc + "DANGLING.TAP");
        ::mkfifo((nc + "PIPE.TAP").c_str(), 0600);
    }
    ~Folders() { ::unsetenv("MRW_PROGRAM_DIR"); }
    testsupport::TempFolder tmp;
    std::string nc = tmp.path() + "NC/";
};

TEST(ConfinedPath, PlainNames)
{
    const std::string longName(300, 'A');
    const struct {
        std::string name;
        bool mask;
        bool plain;
    } cases[] = {
        {"O1000", false, true},          {"O1000.TAP", false, true},     {"*.TAP", true, true},
        {"O?000.*", true, true},         {"*.TAP", false, false},        {"", false, false},
        {".", false, false},             {"..", true, false},            {"..\\x", false, false},
        {"../x", false, false},          {"/etc/passwd", false, false},  {"a/b", true, false},
        {"C:\\NC\\O1", false, false},    {longName, false, false},       {std::string(255, 'A'), false, true},
        {"O1\x01", false, false},        {"O1\x7f", false, false},       {"O1\xe9", false, true},
        {"..TAP", false, true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(isPlainName(c.name, c.mask), c.plain) << c.name;
}

TEST(ConfinedPath, FilesToReadAndToWrite)
{
    Folders f;
    using S = ConfinedFile::Status;
    const struct {
        std::string name;
        S read;
        S write;
    } cases[] = {
        {"O1000.TAP", S::Ok, S::Ok},
        {"o1000.tap", S::Ok, S::Ok}, // letter case does not matter
        {"INSIDE.TAP", S::Ok, S::Ok},
        {"NEW.TAP", S::Missing, S::Missing},
        {"OUT.TAP", S::Refused, S::Refused},
        {"ZERO.TAP", S::Refused, S::Refused},
        {"PIPE.TAP", S::Refused, S::Refused},
        {"DANGLING.TAP", S::Refused, S::Refused},
        {"SUB", S::Refused, S::Refused},
        {"../CANARY.TXT", S::Refused, S::Refused},
        {"..\\CANARY.TXT", S::Refused, S::Refused},
        {"UP", S::Refused, S::Refused},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(confinedSource(f.nc, c.name).status, c.read) << c.name;
        EXPECT_EQ(confinedTarget(f.nc, c.name).status, c.write) << c.name;
    }
    EXPECT_EQ(confinedSource(f.nc, "o1000.tap").path, f.nc + "O1000.TAP");
    EXPECT_EQ(confinedTarget(f.nc, "NEW.TAP").path, f.nc + "NEW.TAP");
}

TEST(ConfinedPath, FoldersNamedByTheControl)
{
    Folders f;
    const std::vector<std::string> roots{f.nc};
    const std::string real = fs::canonical(f.nc).string();
    const struct {
        std::string stored;
        std::string expected; // "" refused
    } cases[] = {
        {"C:\\NC\\", real},          {"C:\\NC\\SUB", real + "/SUB"}, {"\\nc\\sub\\", real + "/SUB"},
        {f.nc + "SUB", real + "/SUB"}, {"C:\\", ""},                 {"C:\\OTHER", ""},
        {"C:\\NC\\..", ""},          {"C:\\NC\\UP", ""},             {"/etc", ""},
        {"NC\\O1000.TAP", ""},       {"C:\\NC\\NOPE", ""},           {"", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(confinedFolder(c.stored, roots).value_or(""), c.expected) << c.stored;
    // A machine folder above the requested one admits it.
    EXPECT_TRUE(confinedFolder("C:\\NC\\SUB", {f.tmp.path()}));
}

TEST(ConfinedPath, ListingHoldsOnlyRegularFilesInsideTheFolder)
{
    Folders f;
    f.tmp.write("NC/o2000.tap", std::string(20480, 'x'));
    f.tmp.write("NC/O3000.NC", "x");
    std::vector<std::string> names;
    for (const FolderEntry& e : confinedListing(f.nc, "*.TAP"))
        names.push_back(e.name + ":" + std::to_string(e.size));
    EXPECT_EQ(names, (std::vector<std::string>{"INSIDE.TAP:13", "O1000.TAP:13", "o2000.tap:20480"}));
    EXPECT_EQ(confinedListing(f.nc, "*.*").size(), 4u);
    EXPECT_TRUE(confinedListing(f.nc, "../*").empty());
    EXPECT_TRUE(confinedListing(f.nc, "*.XYZ").empty());
}

// The program's own files, in a machine folder that is the program folder: a link with
// an NC program's name leads to one as well.
TEST(ConfinedPath, ProgramFilesAreNeitherReadWrittenNorListed)
{
    Folders f;
    const std::string root = f.tmp.path();
    for (const char* own : {"WPOSTS.INI", "MRWDNC.LOG", "MRW1A.TMP", "DV2.TMP", "DVW.DI~", "VORK.MOT"})
        f.tmp.write(own, "private");
    fs::create_symlink(root + "WPOSTS.INI", root + "DB.TAP");
    f.tmp.write("MRW5.TAP", "%");
    for (const char* own : {"WPOSTS.INI", "wposts.ini", "TKZPWL.INI", "MRWDNC.LOG", "MRW1A.TMP", "DV2.TMP",
                            "DVW.DI~", "VORK.MOT", "DB.TAP"}) {
        EXPECT_EQ(confinedSource(root, own).status, ConfinedFile::Refused) << own;
        EXPECT_EQ(confinedTarget(root, own).status, ConfinedFile::Refused) << own;
    }
    EXPECT_EQ(confinedSource(root, "MRW5.TAP").status, ConfinedFile::Ok);
    std::vector<std::string> names;
    for (const FolderEntry& e : confinedListing(root, "*.*"))
        names.push_back(e.name);
    EXPECT_EQ(names, (std::vector<std::string>{"CANARY.TXT", "MRW5.TAP"}));
}

TEST(ConfinedPath, DefaultExtensionOnlyWithoutAnyDot)
{
    EXPECT_EQ(withDefaultExtension("C:\\NC", "O1234", "TAP"), "O1234.TAP");
    EXPECT_EQ(withDefaultExtension("C:\\NC", "O1234.NC", "TAP"), "O1234.NC");
    EXPECT_EQ(withDefaultExtension("C:\\NC.V2", "O1234", "TAP"), "O1234");
}

TEST(ConfinedPath, MaskMatching)
{
    const struct {
        const char* mask;
        const char* name;
        bool match;
    } cases[] = {
        {"*.TAP", "O1.tap", true}, {"*.TAP", "O1.TAPE", false}, {"O?.*", "O1.NC", true},
        {"O?.*", "O12.NC", false}, {"*.*", "README", true},      {"*", "x", true},
        {"*1*", "O21.TAP", true},  {"A*B*C", "AxxBxxBxC", true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(maskMatches(c.mask, c.name), c.match) << c.mask << " " << c.name;
}

} // namespace
} // namespace dnc
