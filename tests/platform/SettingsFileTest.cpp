#include "platform/SettingsFile.h"
#include "platform/SettingsDocument.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

using platform::SettingsDocument;
using platform::SettingsFile;
using platform::SettingsType;
using platform::SettingsValue;
using testsupport::TempFolder;

namespace fs = std::filesystem;

namespace {

SettingsValue dword(const char* name, uint32_t n) {
    SettingsValue v;
    v.name = name;
    v.type = SettingsType::Dword;
    v.number = n;
    return v;
}

SettingsValue text(const char* name, std::string s, SettingsType type = SettingsType::String) {
    SettingsValue v;
    v.name = name;
    v.type = type;
    v.bytes = std::move(s);
    return v;
}

std::string parseError(std::string_view input) {
    SettingsDocument doc;
    std::string error;
    if (doc.parse(input, &error))
        return "(parsed)";
    EXPECT_TRUE(doc.isEmpty()) << input;
    return error;
}

std::string slurp(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

void spit(const std::string& file, const std::string& content) {
    std::ofstream(file, std::ios::binary) << content;
}

bool setDword(SettingsFile& file, const char* key, const char* name, uint32_t n) {
    return file.update([&](SettingsDocument& doc) {
        doc.set(key, dword(name, n));
        return true;
    });
}

} // namespace

TEST(SettingsDocumentTest, EveryTypeSurvivesTheTextForm) {
    SettingsDocument doc;
    std::string allBytes;
    for (int i = 0; i < 256; ++i)
        allBytes += static_cast<char>(i);
    std::string allChars = allBytes.substr(1); // texts hold no zero byte
    doc.set("", dword("FULLSCREEN", 1));
    doc.set("", dword("MIXBUFFER", 0xFFFFFFFFu));
    doc.set("", text("MRUHSNAME", "Ann \"the ace\" \\ O'Neil"));
    doc.set("", text("EMPTY", ""));
    doc.set("", text("ALL", allChars));
    doc.set("", text("", "default value"));
    doc.set("", text("BLOB", allBytes + allBytes, SettingsType::Binary));
    doc.set("", text("NOTHING", "", SettingsType::Binary));
    doc.set("odd]key%[\xE9", text("we\"ird\\name\x01", allChars));
    doc.set("SAVE\\deep", dword("0", 7));

    std::string form = doc.serialize("Ripple");
    SettingsDocument back;
    std::string error;
    ASSERT_TRUE(back.parse(form, &error)) << error << "\n" << form;
    EXPECT_EQ(back, doc);
    EXPECT_EQ(back.serialize("Ripple"), form);

    // What a person sees: one line per value, plain names stay plain.
    EXPECT_NE(form.find("\n[Ripple]\n\"FULLSCREEN\"=dword:00000001\n"), std::string::npos);
    EXPECT_NE(form.find("\"MIXBUFFER\"=dword:ffffffff\n"), std::string::npos);
    EXPECT_NE(form.find("\"MRUHSNAME\"=\"Ann \\\"the ace\\\" \\\\ O'Neil\"\n"), std::string::npos);
    EXPECT_NE(form.find("\n[Ripple\\SAVE\\deep]\n\"0\"=dword:00000007\n"), std::string::npos);
    EXPECT_NE(form.find("[Ripple\\odd%5dkey%25%5b%e9]"), std::string::npos);
    EXPECT_NE(form.find("\"NOTHING\"=hex:\n"), std::string::npos);
    // Long binary data wraps instead of making one huge line.
    std::istringstream lines(form);
    for (std::string line; std::getline(lines, line);) {
        if (line.find("=\"") == std::string::npos) {
            EXPECT_LT(line.size(), 100u) << line;
        }
    }
}

TEST(SettingsDocumentTest, ReadsWhatAPersonMightWrite) {
    SettingsDocument doc;
    std::string error;
    // Even an empty file holds the root key, as its text form always shows.
    ASSERT_TRUE(doc.parse(""));
    SettingsDocument back;
    ASSERT_TRUE(back.parse(doc.serialize("R")));
    EXPECT_EQ(back, doc);

    ASSERT_TRUE(doc.parse("; my settings\r\n"
                          "  # another comment \\\r\n"
                          "\"TOP\"=dword:1f\r\n" // before any header: the root key
                          "[Whatever]\r\n"
                          "  \"A\" = dword:0000000A  \r\n"
                          "@=\"dflt\"\n"
                          "\"B\"=hex:01, 2,\\\n"
                          "    FF ,\\\n"
                          "    10\n"
                          "[Whatever\\\\Sub\\]\n"
                          "\"a\"=\"x\"\n"
                          "\"A\"=\"last one wins\"\n"
                          "[Whatever\\EMPTY]\n"
                          "\"tab\"=\"a\tb\"",
                          &error))
        << error;
    EXPECT_EQ(doc.find("", "top")->number, 0x1Fu);
    EXPECT_EQ(doc.find("", "a")->number, 10u);
    EXPECT_EQ(doc.find("", "")->bytes, "dflt");
    EXPECT_EQ(doc.find("", "B")->bytes, std::string("\x01\x02\xFF\x10", 4));
    // Names keep the case first written; lookups ignore case, and empty path
    // components are dropped.
    const SettingsValue* sub = doc.find("sub", "A");
    ASSERT_TRUE(sub);
    EXPECT_EQ(sub->name, "a");
    EXPECT_EQ(sub->bytes, "last one wins");
    EXPECT_EQ(doc.find("\\SUB\\", "a"), sub);
    EXPECT_EQ(doc.find("empty", "tab")->bytes, "a\tb");
    EXPECT_EQ(doc.subKeyNames(""), (std::vector<std::string>{"EMPTY", "Sub"}));
}

TEST(SettingsDocumentTest, BrokenTextIsRefusedWithItsLine) {
    EXPECT_EQ(parseError("[R]\n\"A\"=dword:1\n\"B\"=dword:123456789\n"),
              "line 3: a dword takes one to eight hex digits");
    EXPECT_EQ(parseError("\"A\"=dword:"), "line 1: a dword takes one to eight hex digits");
    EXPECT_EQ(parseError("\"A\"=dword:-1"), "line 1: a dword takes one to eight hex digits");
    EXPECT_EQ(parseError("\"A\"=hex:1,\\\n 2,\\\n 3x\n"),
              "line 1: binary data is hex bytes separated by commas");
    EXPECT_EQ(parseError("\"A\"=hex:123"), "line 1: binary data is hex bytes separated by commas");
    EXPECT_EQ(parseError("\"A\"=hex:" + std::string(40, 'f')),
              "line 1: binary data is hex bytes separated by commas");
    EXPECT_EQ(parseError("\"A\"=hex:01,,02"),
              "line 1: binary data is hex bytes separated by commas");
    EXPECT_EQ(parseError("\"A\"=\"open"), "line 1: a quoted text is not closed");
    EXPECT_EQ(parseError("\"A\"=\"ab\\"), "line 1: a quoted text is not closed");
    EXPECT_EQ(parseError("\"A\"=\"a\\qb\""), "line 1: unknown escape in a quoted text");
    EXPECT_EQ(parseError("\"A\"=\"a\\x0\""), "line 1: '\\x' must be followed by two hex digits");
    EXPECT_EQ(parseError("\"A\"=\"a\\x00\""), "line 1: a text cannot hold a zero byte");
    EXPECT_EQ(parseError("\"A\"=\"a\x01\""), "line 1: a control character in a quoted text");
    EXPECT_EQ(parseError("\"A\"=\"a\" junk"), "line 1: unexpected text after the closing '\"'");
    EXPECT_EQ(parseError("\"A\" dword:1"), "line 1: expected '=' after the value name");
    EXPECT_EQ(parseError("A=dword:1"), "line 1: expected '\"'");
    EXPECT_EQ(parseError("\"A\"=qword:1"), "line 1: a value is dword:, hex: or a quoted text");
    EXPECT_EQ(parseError("[R\n"), "line 1: a key header must end with ']'");
    EXPECT_EQ(parseError("[]"), "line 1: a key header must start with the root key's name");
    EXPECT_EQ(parseError("[\\X]"), "line 1: a key header must start with the root key's name");
    EXPECT_EQ(parseError("[R\\a%5cb]"), "line 1: a key name cannot hold that character");
    EXPECT_EQ(parseError("[R\\a%zz]"),
              "line 1: '%' in a key name must be followed by two hex digits");
    EXPECT_EQ(parseError("[R\\a]b]"), "line 1: a key name cannot hold that character");
    EXPECT_EQ(parseError(std::string("\"A\"=dword:1\n\0", 13)), "the file holds a zero byte");
    EXPECT_EQ(parseError(std::string(SettingsDocument::maxTextSize + 1, ';')),
              "the file is too large");
}

TEST(SettingsDocumentTest, KeysAndValuesAreRemovedWithTheirDescendants) {
    SettingsDocument doc;
    doc.set("", dword("A", 1));
    doc.set("blob", dword("0", 1));
    doc.set("blob\\inner", dword("0", 1));
    doc.set("blobby", dword("0", 1));
    doc.set("x\\y\\z", dword("0", 1));
    EXPECT_EQ(doc.subKeyNames(""), (std::vector<std::string>{"blob", "blobby", "x"}));
    EXPECT_EQ(doc.subKeyNames("X"), (std::vector<std::string>{"y"}));
    EXPECT_TRUE(doc.hasKey("x\\Y"));
    EXPECT_FALSE(doc.hasKey("x\\yz"));

    EXPECT_FALSE(doc.removeKey(""));
    EXPECT_FALSE(doc.removeKey("\\"));
    EXPECT_FALSE(doc.removeKey("blo"));
    EXPECT_TRUE(doc.removeKey("BLOB"));
    EXPECT_FALSE(doc.hasKey("blob\\inner"));
    EXPECT_TRUE(doc.hasKey("blobby"));
    EXPECT_TRUE(doc.removeValue("", "a"));
    EXPECT_FALSE(doc.removeValue("", "a"));
    EXPECT_FALSE(doc.removeValue("nokey", "a"));
    // An emptied key stays, as a registry key does, and survives the text form.
    EXPECT_TRUE(doc.removeValue("blobby", "0"));
    SettingsDocument back;
    ASSERT_TRUE(back.parse(doc.serialize("R")));
    EXPECT_TRUE(back.hasKey("blobby"));
    EXPECT_EQ(back, doc);
}

TEST(SettingsFileTest, ChangesReplaceTheFileWhole) {
    TempFolder dir;
    SettingsFile file(dir.file("settings.reg"), "Ripple");
    SettingsDocument doc;
    EXPECT_EQ(file.read(doc), SettingsFile::ReadResult::Missing);

    ASSERT_TRUE(setDword(file, "", "A", 1));
    ASSERT_TRUE(setDword(file, "sub", "B", 2));
    ASSERT_EQ(file.read(doc), SettingsFile::ReadResult::Ok);
    EXPECT_EQ(doc.find("", "A")->number, 1u);
    EXPECT_EQ(doc.find("SUB", "b")->number, 2u);
    EXPECT_EQ(slurp(dir.file("settings.reg")), doc.serialize("Ripple"));
    EXPECT_FALSE(fs::exists(dir.file("settings.reg.tmp")));

    // A change that changes nothing writes nothing.
    struct stat before, after;
    ASSERT_EQ(stat(dir.file("settings.reg").c_str(), &before), 0);
    EXPECT_TRUE(file.update([](SettingsDocument&) { return false; }));
    ASSERT_EQ(stat(dir.file("settings.reg").c_str(), &after), 0);
    EXPECT_EQ(before.st_ino, after.st_ino);

    // A temporary file left behind by a crashed writer does not matter.
    spit(dir.file("settings.reg.tmp"), "half a fi");
    ASSERT_TRUE(setDword(file, "", "A", 3));
    ASSERT_EQ(file.read(doc), SettingsFile::ReadResult::Ok);
    EXPECT_EQ(doc.find("", "A")->number, 3u);
    EXPECT_EQ(doc.find("sub", "B")->number, 2u);
}

TEST(SettingsFileTest, ABrokenFileIsKeptAsideNotOverwritten) {
    TempFolder dir;
    std::string path = dir.file("settings.reg");
    const std::string broken = "[Ripple]\n\"LEVEL\"=dword:5\n\"NAME\"=\"unclosed\n";
    spit(path, broken);
    SettingsFile file(path, "Ripple");
    SettingsDocument doc;
    std::string error;
    EXPECT_EQ(file.read(doc, &error), SettingsFile::ReadResult::Unparsable);
    EXPECT_EQ(error, "line 3: a quoted text is not closed");
    EXPECT_TRUE(doc.isEmpty());
    EXPECT_EQ(slurp(path), broken); // reading alone leaves it be

    ASSERT_TRUE(setDword(file, "", "A", 1));
    ASSERT_FALSE(file.getBrokenPath().empty());
    EXPECT_EQ(file.getBrokenPath().rfind(path + ".broken-", 0), 0u);
    EXPECT_EQ(slurp(file.getBrokenPath()), broken);
    ASSERT_EQ(file.read(doc), SettingsFile::ReadResult::Ok);
    EXPECT_EQ(doc.find("", "A")->number, 1u);
    EXPECT_FALSE(doc.find("", "LEVEL"));

    // A second broken file within the same second gets a name of its own.
    std::string first = file.getBrokenPath();
    spit(path, "garbage");
    ASSERT_TRUE(setDword(file, "", "A", 2));
    EXPECT_NE(file.getBrokenPath(), first);
    EXPECT_EQ(slurp(first), broken);
    EXPECT_EQ(slurp(file.getBrokenPath()), "garbage");
}

TEST(SettingsFileTest, UnusableFoldersAndFilesFailWithoutHarm) {
    TempFolder dir;
    SettingsDocument doc;

    SettingsFile nowhere("", "Ripple");
    EXPECT_EQ(nowhere.read(doc), SettingsFile::ReadResult::Unreadable);
    EXPECT_FALSE(setDword(nowhere, "", "A", 1));

    SettingsFile missing(dir.file("gone/settings.reg"), "Ripple");
    EXPECT_EQ(missing.read(doc), SettingsFile::ReadResult::Missing);
    EXPECT_FALSE(setDword(missing, "", "A", 1));
    EXPECT_FALSE(fs::exists(dir.file("gone")));

    // A settings "file" that is a folder cannot be read, so it is not replaced.
    fs::create_directory(dir.file("folder.reg"));
    SettingsFile folder(dir.file("folder.reg"), "Ripple");
    EXPECT_EQ(folder.read(doc), SettingsFile::ReadResult::Unreadable);
    EXPECT_FALSE(setDword(folder, "", "A", 1));
    EXPECT_TRUE(fs::is_directory(dir.file("folder.reg")));

    // The temporary file cannot be created: the old file stays as it was.
    std::string path = dir.file("settings.reg");
    SettingsFile file(path, "Ripple");
    ASSERT_TRUE(setDword(file, "", "A", 1));
    std::string before = slurp(path);
    fs::create_directory(path + ".tmp");
    EXPECT_FALSE(setDword(file, "", "A", 2));
    EXPECT_EQ(slurp(path), before);
    fs::remove(path + ".tmp");
    EXPECT_TRUE(setDword(file, "", "A", 2));

    // A change that would make the file too large to read back is refused.
    EXPECT_FALSE(file.update([](SettingsDocument& doc) {
        doc.set("", text("HUGE", std::string(SettingsDocument::maxTextSize / 3 + 1, 'x'),
                         SettingsType::Binary));
        return true;
    }));
    EXPECT_EQ(file.read(doc), SettingsFile::ReadResult::Ok);
    EXPECT_EQ(doc.find("", "A")->number, 2u);

    if (geteuid() != 0) { // permissions do not bind the superuser
        chmod(dir.path().c_str(), 0500);
        EXPECT_FALSE(setDword(file, "", "A", 3));
        chmod(dir.path().c_str(), 0700);
        ASSERT_EQ(file.read(doc), SettingsFile::ReadResult::Ok);
        EXPECT_EQ(doc.find("", "A")->number, 2u);
    }
}

TEST(SettingsFileTest, PrefPathFollowsTheDataHome) {
    TempFolder dir;
    const char* old = getenv("XDG_DATA_HOME");
    std::string saved = old ? old : "";
    setenv("XDG_DATA_HOME", dir.path().c_str(), 1);
    std::string path = SettingsFile::pathFor("Lumora", "Ripple");
    EXPECT_EQ(path, dir.path() + "/Lumora/Ripple/settings.reg");
    EXPECT_TRUE(fs::is_directory(dir.path() + "/Lumora/Ripple"));
    // Names that would climb out of the folder are refused.
    EXPECT_EQ(SettingsFile::pathFor("Lumora", ".."), "");
    EXPECT_EQ(SettingsFile::pathFor("Lumora", "a/b"), "");
    EXPECT_EQ(SettingsFile::pathFor("Lumora", ""), "");
    EXPECT_EQ(SettingsFile::pathFor(nullptr, "Ripple"), "");
    // A data home that cannot hold folders yields no file at all.
    spit(dir.file("plain"), "x");
    setenv("XDG_DATA_HOME", dir.file("plain").c_str(), 1);
    EXPECT_EQ(SettingsFile::pathFor("Lumora", "Ripple"), "");
    if (old)
        setenv("XDG_DATA_HOME", saved.c_str(), 1);
    else
        unsetenv("XDG_DATA_HOME");
}
