// The archive reader over archives made at test time: by Info-ZIP's zip with a password, as a
// Sendrixor's archives are made, and byte by byte for names, extra fields, attributes and damage no
// zip tool writes.
#include <gtest/gtest.h>

#include <QDir>
#include <QRegularExpression>
#include <QString>
#include <QStringList>

#include <filesystem>
#include <functional>
#include <map>
#include <random>
#include <set>
#include <stdexcept>
#include <string>
#include <sys/stat.h>
#include <vector>

#include "EncodeEnvironment.h"
#include "HandMadeZip.h"
#include "ILogInterface.h"
#include "TempFolder.h"
#include "UmaskScope.h"
#include "ZipArchive.h"
#include "ZipTool.h"

namespace
{
namespace fs = std::filesystem;
using testsupport::UmaskScope;
using ziptest::HandEntry;
using Zolvane::ZipArchive;

constexpr std::uint32_t cDosFolder = 0x10;
constexpr std::uint16_t cMadeByDos = 0x0014;

QString Q(fs::path const& path)
{
    return QString::fromStdString(path.string());
}

// Decomposed, as names come out of the reader and onto the disk.
QString Decomposed(char const* utf8)
{
    return QString::fromUtf8(utf8).normalized(QString::NormalizationForm_D);
}

std::string Text(std::size_t size)
{
    std::string text;
    for (int i = 0; text.size() < size; ++i)
        text += "*PPD option " + std::to_string(i * 7919 % 1000) + ": \"value\"\n";
    text.resize(size);
    return text;
}

std::string RandomBytes(std::size_t size)
{
    std::mt19937 engine(static_cast<unsigned>(size));
    std::string bytes(size, '\0');
    for (char& byte : bytes)
        byte = static_cast<char>(engine());
    return bytes;
}

// Valid deflate data for the text, then a block of the reserved type: inflating fails after the text.
std::string DeflatedThenBroken(std::string const& text)
{
    return ziptest::Deflated(text, Z_FULL_FLUSH) + "\xFF\xFF\xFF\xFF";
}

// Everything below the folder, "/"-separated and relative, folders ending in "/".
std::set<std::string> Tree(fs::path const& root)
{
    std::set<std::string> items;
    if (!fs::exists(root))
        return items;
    for (auto const& item : fs::recursive_directory_iterator(root))
        items.insert(fs::relative(item.path(), root).string() + (item.is_directory() ? "/" : ""));
    return items;
}

unsigned ModeOf(fs::path const& path)
{
    struct stat info = {};
    stat(path.c_str(), &info);
    return info.st_mode & 07777;
}

class RecordingLogger : public Zolvane::ILogInterface
{
public:
    RecordingLogger() : ILogInterface(true) {}
    void Write(Severity, QString const& message, QString const& location) override
    {
        fHeard.append(location + ": " + message);
    }
    QStringList fHeard;
};

class JapaneseEnvironmentScope
{
public:
    explicit JapaneseEnvironmentScope(bool japanese)
        : fPrevious(Zolvane::EncodeEnvironment::runningInJapaneseEnvironment())
    {
        Zolvane::EncodeEnvironment::setRunningInJapaneseEnvironment(japanese);
    }
    ~JapaneseEnvironmentScope() { Zolvane::EncodeEnvironment::setRunningInJapaneseEnvironment(fPrevious); }

private:
    bool fPrevious;
};

class ZipArchiveTest : public ::testing::Test
{
protected:
    void SetUp() override { fs::create_directories(Destination()); }

    // Archives live apart from the extraction, so that nothing but the destination is expected
    // beside it.
    fs::path ArchivePath(std::string const& name) const { return fTemp / "archives" / name; }
    fs::path Work() const { return fTemp / "work"; }
    fs::path Destination() const { return Work() / "out"; }

    fs::path WriteArchive(std::vector<HandEntry> const& entries, std::string const& name = "hand.zip")
    {
        fs::path const path = ArchivePath(name);
        ziptest::WriteFile(path, ziptest::ZipOf(entries));
        return path;
    }

    int MakeWithZip(fs::path const& source, std::string const& name, std::string const& password,
                    std::vector<std::string> const& items, std::vector<std::string> const& options = {})
    {
        fs::create_directories(ArchivePath(name).parent_path());
        return ziptest::Zip(source, ArchivePath(name), password, items, options);
    }

    // Makes a fresh destination.
    void ClearDestination()
    {
        fs::remove_all(Work());
        fs::create_directories(Destination());
    }

    testsupport::TempFolder fTemp;
};

TEST_F(ZipArchiveTest, ExtractsAnArchiveMadeByZipIntoTheSameTree)
{
    fs::path const source = fTemp / "source";
    std::map<std::string, std::string> const files = {
        {"Project/Project.prefs", "#BEGINPREFS\n#BEGINDICT\n/Name (Sendrixor)\n#ENDDICT\n#ENDPREFS\n"},
        {"PrinterFiles/printer.ppd", Text(60000)},
        {"PrinterFiles/Fonts/random.bin", RandomBytes(10000)},
        {"PrinterFiles/empty.txt", ""},
        {"PrinterFiles/Caf\xC3\xA9.txt", "accent in the name"},
    };
    for (auto const& [name, content] : files)
        ziptest::WriteFile(source / name, content);
    ASSERT_EQ(0, MakeWithZip(source, "made.zip", "secret", {"Project", "PrinterFiles"}));

    ZipArchive archive(Q(ArchivePath("made.zip")));
    int const count = archive.StartIterate();
    QStringList names;
    for (; !archive.AtEnd(); archive.Next())
    {
        EXPECT_EQ(names.size(), archive.GetCurrentIndex());
        names.append(archive.GetCurrentFileName());
        EXPECT_TRUE(archive.ExtractCurrentFile(Q(Destination()), "secret", 0))
            << archive.GetLastError().toStdString();
    }
    EXPECT_FALSE(archive.Next());
    EXPECT_EQ(count, names.size());
    EXPECT_EQ(names, archive.GetFileList());

    std::set<std::string> expected = {"Project/", "PrinterFiles/", "PrinterFiles/Fonts/"};
    for (auto const& [name, content] : files)
    {
        std::string const onDisk = Decomposed(name.c_str()).toStdString();
        expected.insert(onDisk);
        EXPECT_EQ(content, ziptest::ReadFile(Destination() / onDisk)) << name;
    }
    EXPECT_EQ(expected, Tree(Destination()));
    std::set<std::string> const listed = [&]
    {
        std::set<std::string> set;
        for (QString const& name : names)
            set.insert(name.toStdString());
        return set;
    }();
    EXPECT_EQ(expected, listed);

    EXPECT_EQ(QByteArray::fromStdString(files.at("Project/Project.prefs")),
              archive.ExtractToMemory(QRegularExpression("Project/Project\\.prefs"), "secret"));
    EXPECT_EQ(QByteArray::fromStdString(files.at("PrinterFiles/printer.ppd")),
              archive.ExtractToMemory(QRegularExpression(".*\\.ppd"), "secret"));
    // The whole name must match.
    EXPECT_TRUE(archive.ExtractToMemory(QRegularExpression("Project"), "secret").isEmpty());
    EXPECT_TRUE(archive.ExtractToMemory(QRegularExpression("rinterFiles/printer.pp"), "secret").isEmpty());
}

// zip writes the sizes in a zip64 record when told to (-fz), or when it cannot know them; the
// directory's 32-bit fields then hold all ones.
TEST_F(ZipArchiveTest, ReadsZip64ArchivesAsZipMakesThem)
{
    fs::path const source = fTemp / "source";
    std::map<std::string, std::string> const files = {
        {"Project/Project.prefs", Text(3000)},
        {"PrinterFiles/random.bin", RandomBytes(5000)},
        {"PrinterFiles/empty.txt", ""},
    };
    for (auto const& [name, content] : files)
        ziptest::WriteFile(source / name, content);
    for (std::string const password : {"", "secret"})
    {
        SCOPED_TRACE(password);
        ClearDestination();
        std::string const name = "zip64" + password + ".zip";
        ASSERT_EQ(0, MakeWithZip(source, name, password, {"Project", "PrinterFiles"}, {"-fz"}));
        ZipArchive archive(Q(ArchivePath(name)));
        for (archive.StartIterate(); !archive.AtEnd(); archive.Next())
        {
            std::string const entry = archive.GetCurrentFileName().toStdString();
            SCOPED_TRACE(entry);
            EXPECT_TRUE(archive.ExtractCurrentFile(Q(Destination()), QString::fromStdString(password), 0))
                << archive.GetLastError().toStdString();
            if (files.count(entry) != 0)
            {
                EXPECT_TRUE(QByteArray::fromStdString(files.at(entry)) ==
                            archive.ExtractCurrentToMemory(QString::fromStdString(password)));
            }
        }
        for (auto const& [file, content] : files)
            EXPECT_TRUE(content == ziptest::ReadFile(Destination() / file)) << file;
    }

    // A size of all ones without its value in a zip64 record is no size: nothing is extracted.
    auto const zip64 = [](std::string const& values)
    { return std::string("\x01\x00", 2) + char(values.size()) + '\0' + values; };
    std::string const size8("\x05\0\0\0\0\0\0\0", 8);
    ClearDestination();
    ZipArchive archive(Q(WriteArchive({
        HandEntry("read.txt", "hello").DeclaredSize(0xFFFFFFFFu).Extra(zip64(size8)),
        HandEntry("deflated.txt", "hello").Deflate().DeclaredSize(0xFFFFFFFFu).Extra(zip64(size8)),
        HandEntry("no record.txt", "hello").DeclaredSize(0xFFFFFFFFu),
        HandEntry("short record.txt", "hello").DeclaredSize(0xFFFFFFFFu).Extra(zip64(size8.substr(0, 4))),
    })));
    std::vector<bool> extracted;
    for (archive.StartIterate(); !archive.AtEnd(); archive.Next())
        extracted.push_back(archive.ExtractCurrentFile(Q(Destination()), "", 0));
    EXPECT_EQ(extracted, (std::vector<bool>{true, true, false, false}));
    EXPECT_EQ(Tree(Destination()), (std::set<std::string>{"read.txt", "deflated.txt"}));
    EXPECT_EQ("hello", ziptest::ReadFile(Destination() / "deflated.txt"));
}

TEST_F(ZipArchiveTest, ReadsEntriesWithoutEncryptionWhetherOrNotAPasswordIsGiven)
{
    fs::path const source = fTemp / "source";
    std::string const content = Text(9000);
    ziptest::WriteFile(source / "plain.txt", content);
    ASSERT_EQ(0, MakeWithZip(source, "plain.zip", "", {"plain.txt"}));
    for (QString const password : {"", "secret"})
    {
        SCOPED_TRACE(password.toStdString());
        ClearDestination();
        ZipArchive archive(Q(ArchivePath("plain.zip")));
        ASSERT_EQ(1, archive.StartIterate());
        EXPECT_EQ(QByteArray::fromStdString(content), archive.ExtractCurrentToMemory(password));
        EXPECT_TRUE(archive.ExtractCurrentFile(Q(Destination()), password, 0));
        EXPECT_EQ(content, ziptest::ReadFile(Destination() / "plain.txt"));
    }
}

TEST_F(ZipArchiveTest, WrongOrMissingPasswordExtractsNothing)
{
    fs::path const source = fTemp / "source";
    ziptest::WriteFile(source / "deflated.txt", Text(20000));
    ziptest::WriteFile(source / "stored.bin", RandomBytes(3000));
    ASSERT_EQ(0, MakeWithZip(source, "locked.zip", "secret", {"deflated.txt", "stored.bin"}));
    ZipArchive archive(Q(ArchivePath("locked.zip")));
    for (archive.StartIterate(); !archive.AtEnd(); archive.Next())
    {
        std::string const name = archive.GetCurrentFileName().toStdString();
        // A wrong password passes the check byte once in 256 times; reading then fails instead.
        for (QString const password : {"", "wrong", "Secret", "secret "})
        {
            SCOPED_TRACE(name + " with " + password.toStdString());
            EXPECT_FALSE(archive.ExtractCurrentFile(Q(Destination()), password, 0));
            if (password.isEmpty())
            {
                EXPECT_EQ(QString("Can't read file %1 from %2. %2 is probably corrupt.")
                              .arg(QString::fromStdString(name),
                                   QDir::toNativeSeparators(Q(ArchivePath("locked.zip")))),
                          archive.GetLastError());
            }
            EXPECT_TRUE(archive.ExtractCurrentToMemory(password).isEmpty());
            EXPECT_FALSE(fs::exists(Destination() / name));
        }
        EXPECT_TRUE(archive.ExtractCurrentFile(Q(Destination()), "secret", 0));
    }
    EXPECT_EQ(std::set<std::string>({"deflated.txt", "stored.bin"}), Tree(Destination()));
}

TEST_F(ZipArchiveTest, PasswordGoesToTheArchiveAsLatin1)
{
    fs::path const source = fTemp / "source";
    ziptest::WriteFile(source / "a.txt", "umlaut password");
    ASSERT_EQ(0, MakeWithZip(source, "latin1.zip", "p\xE4ss", {"a.txt"}));
    ASSERT_EQ(0, MakeWithZip(source, "utf8.zip", "p\xC3\xA4ss", {"a.txt"}));
    QString const password = QString::fromUtf8("p\xC3\xA4ss");

    ZipArchive latin1(Q(ArchivePath("latin1.zip")));
    ASSERT_EQ(1, latin1.StartIterate());
    EXPECT_EQ("umlaut password", latin1.ExtractCurrentToMemory(password));
    ZipArchive utf8(Q(ArchivePath("utf8.zip")));
    ASSERT_EQ(1, utf8.StartIterate());
    EXPECT_TRUE(utf8.ExtractCurrentToMemory(password).isEmpty());
}

struct NameCase
{
    char const* label;
    std::string rawName;
    std::string extra;
    bool japanese;
    QString expected;
};

TEST_F(ZipArchiveTest, DecodesEntryNamesByTheirRecordOrTheirEncoding)
{
    std::string const bom = "\xEF\xBB\xBF";
    std::string const shiftJis = "\x83\x66\x81\x5B\x83\x5E.txt"; // "データ.txt"
    // The usual layout, with a 2-byte size: Info-ZIP's time stamp.
    std::string const timeStamp = std::string("UT\x05\x00\x03\x10\x20\x30\x40", 9);
    std::vector<NameCase> const cases = {
        {"UTF-8", "Caf\xC3\xA9/na\xC3\xAFve.txt", "", false, Decomposed("Caf\xC3\xA9/na\xC3\xAFve.txt")},
        {"Latin-1 bytes read as Mac Roman", "Caf\xE9.txt", "", false, Decomposed("Caf\xC3\x88.txt")},
        {"Shift-JIS in a Japanese environment", shiftJis, "", true,
         Decomposed("\xE3\x83\x87\xE3\x83\xBC\xE3\x82\xBF.txt")},
        {"Shift-JIS bytes elsewhere read as Mac Roman", shiftJis, "", false,
         Decomposed("\xC3\x89"
                    "f\xC3\x85[\xC3\x89^.txt")},
        {"UTF-8 even in a Japanese environment", "Caf\xC3\xA9.txt", "", true, Decomposed("Caf\xC3\xA9.txt")},
        {"name record with byte order mark wins", "raw.txt",
         ziptest::NameRecord(0xD7D3, bom + "R\xC3\xA9sum\xC3\xA9.txt"), false,
         Decomposed("R\xC3\xA9sum\xC3\xA9.txt")},
        {"name record without byte order mark is ignored", "raw.txt",
         ziptest::NameRecord(0xD7D3, "R\xC3\xA9sum\xC3\xA9.txt"), false, "raw.txt"},
        {"name record after a record of another id", "raw.txt",
         ziptest::NameRecord(0x1234, "xyz") + ziptest::NameRecord(0xD7D3, bom + "second.txt"), false,
         "second.txt"},
        {"record of the usual layout ends the scan", "raw.txt",
         timeStamp + ziptest::NameRecord(0xD7D3, bom + "never.txt"), false, "raw.txt"},
        {"empty name record: the raw name as UTF-8", "Caf\xE9.txt", ziptest::NameRecord(0xD7D3, bom), false,
         "Caf_.txt"},
        {"record longer than the field", "raw.txt",
         ziptest::NameRecord(0xD7D3, bom + "long.txt").substr(0, 12), false, "raw.txt"},
        {"record of negative size", "raw.txt", std::string("\xD3\xD7\xFF\xFF\xFF\xFF", 6) + bom + "neg.txt",
         false, "raw.txt"},
        // Fewer than a record header's 6 bytes: nothing is read past the field.
        {"field of 4 bytes", "raw.txt", std::string("\xD3\xD7\x00\x00", 4), false, "raw.txt"},
        {"field of 5 bytes after a record", "raw.txt",
         ziptest::NameRecord(0x1234, "ab") + std::string("\xD3\xD7\x00\x00\x00", 5), false, "raw.txt"},
        {"zero byte ends the raw name", std::string("abc\0def", 7), "", false, "abc"},
        {"control character",
         "a\x01"
         "b.txt",
         "", false, "a_b.txt"},
    };
    for (NameCase const& test : cases)
    {
        SCOPED_TRACE(test.label);
        JapaneseEnvironmentScope const environment(test.japanese);
        ZipArchive archive(Q(WriteArchive({HandEntry(test.rawName, "x").Extra(test.extra)})));
        ASSERT_EQ(1, archive.StartIterate());
        EXPECT_EQ(test.expected, archive.GetCurrentFileName());
    }
}

TEST_F(ZipArchiveTest, FolderEntriesMakeFoldersAndBackslashesSeparate)
{
    std::string const content = "inside";
    fs::path const archivePath = WriteArchive({
        HandEntry("Only/Folder/", ""),
        HandEntry("DosFolder", "").Attributes(cDosFolder, cMadeByDos),
        HandEntry("Back\\Slash\\file.txt", content).Deflate(),
        HandEntry("Back\\Slash\\Folder\\", ""),
        HandEntry("Many/Slashes///", ""),
        // Names Qt would otherwise take for its resources, made in the working folder.
        HandEntry(":", "").Attributes(cDosFolder, cMadeByDos),
        HandEntry(":Colon/file.txt", content),
    });
    ZipArchive archive(Q(archivePath));
    for (archive.StartIterate(); !archive.AtEnd(); archive.Next())
        EXPECT_TRUE(archive.ExtractCurrentFile(Q(Destination()), "", 0))
            << archive.GetLastError().toStdString();
    EXPECT_EQ(std::set<std::string>({"Only/", "Only/Folder/", "DosFolder/", "Back/", "Back/Slash/",
                                     "Back/Slash/file.txt", "Back/Slash/Folder/", "Many/", "Many/Slashes/",
                                     ":/", ":Colon/", ":Colon/file.txt"}),
              Tree(Destination()));
    EXPECT_FALSE(fs::exists(":Colon"));
    EXPECT_EQ(content, ziptest::ReadFile(Destination() / "Back/Slash/file.txt"));
}

struct PermissionCase
{
    char const* label;
    HandEntry entry;
    int extraAttributes;
    std::string item;
    unsigned mode;
};

// New items get 0600 or 0700 under the mask 077, so what the entry adds shows.
TEST_F(ZipArchiveTest, AddsTheEntryPermissionsToWhatTheNewItemHas)
{
    UmaskScope const mask(077);
    std::vector<PermissionCase> const cases = {
        {"rw-r--r--", HandEntry("file", "x").Attributes(0100644u << 16), 0, "file", 0644},
        {"r--r-----", HandEntry("file", "x").Attributes(0100440u << 16), 0, "file", 0640},
        {"rwxr-x---", HandEntry("file", "x").Attributes(0100750u << 16), 0, "file", 0750},
        {"set-id bits dropped", HandEntry("file", "x").Attributes(0106777u << 16), 0, "file", 0777},
        {"no Unix mode", HandEntry("file", "x").Attributes(0x20, cMadeByDos), 0, "file", 0711},
        {"extra attributes", HandEntry("file", "x").Attributes(0100640u << 16), 0004 << 16, "file", 0644},
        {"folder rwxr-xr-x", HandEntry("folder/", "").Attributes(040755u << 16 | cDosFolder), 0, "folder",
         0755},
        {"MS-DOS folder", HandEntry("folder", "").Attributes(cDosFolder, cMadeByDos), 0, "folder", 0711},
        // Names Qt would otherwise take for its resources.
        {"file named \":\"", HandEntry(":file", "x").Attributes(0100750u << 16), 0, ":file", 0750},
        {"folder named \":\"", HandEntry(":folder/", "").Attributes(040750u << 16 | cDosFolder), 0, ":folder",
         0750},
    };
    for (PermissionCase const& test : cases)
    {
        SCOPED_TRACE(test.label);
        ClearDestination();
        ZipArchive archive(Q(WriteArchive({test.entry})));
        ASSERT_EQ(1, archive.StartIterate());
        ASSERT_TRUE(archive.ExtractCurrentFile(Q(Destination()), "", test.extraAttributes));
        EXPECT_EQ(test.mode, ModeOf(Destination() / test.item));
    }

    // As zip writes them.
    fs::path const source = fTemp / "source";
    ziptest::WriteFile(source / "shared.txt", "x");
    ASSERT_EQ(0, chmod((source / "shared.txt").c_str(), 0644));
    ASSERT_EQ(0, MakeWithZip(source, "modes.zip", "secret", {"shared.txt"}));
    ClearDestination();
    ZipArchive archive(Q(ArchivePath("modes.zip")));
    ASSERT_EQ(1, archive.StartIterate());
    ASSERT_TRUE(archive.ExtractCurrentFile(Q(Destination()), "secret", 0));
    EXPECT_EQ(0644u, ModeOf(Destination() / "shared.txt"));
}

struct FailureCase
{
    char const* label;
    HandEntry entry;
    QString password;
    std::function<void(fs::path const& destination)> prepare;
    // The message, from the destination's and the archive's paths.
    std::function<QString(QString const& destination, QString const& archive)> message;
    std::set<std::string> left; // the destination afterwards
};

TEST_F(ZipArchiveTest, ReportsEachExtractionFailureAndLeavesNoFile)
{
    std::string const text = Text(30000);
    auto const nothing = [](fs::path const&) {};
    auto const blockedByFile = [](fs::path const& destination)
    { ziptest::WriteFile(destination / "Blocked", "file"); };
    auto const notReadable = [](QString const&, QString const& archive)
    { return QString("Can't read file secret.txt from %1. %1 is probably corrupt.").arg(archive); };
    std::vector<FailureCase> const cases = {
        {"parent folder is a file",
         HandEntry("Blocked/inner.txt", "x"),
         "",
         blockedByFile,
         [](QString const& destination, QString const&)
         { return QString("Can't create folder %1/Blocked.").arg(destination); },
         {"Blocked"}},
        {"folder entry where a file is",
         HandEntry("Blocked/Sub/", ""),
         "",
         blockedByFile,
         [](QString const& destination, QString const&)
         { return QString("Can't create folder %1/Blocked/Sub.").arg(destination); },
         {"Blocked"}},
        {"target is a folder",
         HandEntry("Taken", "x"),
         "",
         [](fs::path const& destination) { fs::create_directory(destination / "Taken"); },
         [](QString const& destination, QString const&)
         { return QString("Can't write in %1/Taken.").arg(destination); },
         {"Taken/"}},
        {"no password",
         HandEntry("secret.txt", text).Deflate().Encrypt("secret"),
         "",
         nothing,
         notReadable,
         {}},
        {"wrong password",
         HandEntry("secret.txt", text).Deflate().Encrypt("secret"),
         "wrong",
         nothing,
         notReadable,
         {}},
        {"bzip2", HandEntry("secret.txt", text).Method(12), "", nothing, notReadable, {}},
        {"data broken halfway",
         HandEntry("half.txt", text).Deflate().Data(DeflatedThenBroken(text.substr(0, 10000))),
         "",
         nothing,
         [](QString const&, QString const& archive) { return QString("Can't read from %1").arg(archive); },
         {}},
        {"CRC-32 that does not fit",
         HandEntry("Sub/crc.txt", text).Deflate().Crc(ziptest::Crc32(text) ^ 0x100),
         "",
         nothing,
         [](QString const&, QString const&) { return QString("Can't close current file Sub/crc.txt."); },
         {"Sub/"}},
        {"CRC-32 that does not fit, encrypted",
         HandEntry("crc.txt", text).Encrypt("secret").Crc(ziptest::Crc32(text) ^ 0x100),
         "secret",
         nothing,
         [](QString const&, QString const&) { return QString("Can't close current file crc.txt."); },
         {}},
        {"data shorter than declared",
         HandEntry("short.txt", text).Data(text.substr(0, 5000)),
         "",
         nothing,
         [](QString const&, QString const&) { return QString("Can't close current file short.txt."); },
         {}},
    };
    for (FailureCase const& test : cases)
    {
        SCOPED_TRACE(test.label);
        ClearDestination();
        test.prepare(Destination());
        fs::path const archivePath = WriteArchive({test.entry});
        ZipArchive archive(Q(archivePath));
        ASSERT_EQ(1, archive.StartIterate());
        EXPECT_FALSE(archive.ExtractCurrentFile(Q(Destination()), test.password, 0));
        EXPECT_EQ(test.message(Q(Destination()), QDir::toNativeSeparators(Q(archivePath))),
                  archive.GetLastError());
        EXPECT_EQ(test.left, Tree(Destination()));
    }
}

struct OutsideCase
{
    char const* label;
    HandEntry entry;
    // The message, from the folder that holds the destination.
    std::function<QString(QString const& work)> message;
};

TEST_F(ZipArchiveTest, RefusesEntriesThatLeadOutsideTheFolder)
{
    QString const work = Q(Work());
    auto const fileOutside = [](QString const& work)
    { return QString("Can't write in %1/escape.txt.").arg(work); };
    auto const folderOutside = [](QString const& work)
    { return QString("Can't create folder %1/Escape.").arg(work); };
    std::vector<OutsideCase> const cases = {
        {"parent of the folder", HandEntry("../escape.txt", "x"), fileOutside},
        {"back out of a subfolder", HandEntry("Inner/../../escape.txt", "x"), fileOutside},
        {"backslashes", HandEntry("Inner\\..\\..\\escape.txt", "x"), fileOutside},
        {"absolute path", HandEntry(Work().string() + "/escape.txt", "x"), fileOutside},
        {"encrypted", HandEntry("../escape.txt", "x").Encrypt("secret"), fileOutside},
        {"folder entry", HandEntry("../Escape/", ""), folderOutside},
        {"folder entry backing out of a subfolder", HandEntry("Inner/../../Escape/", ""), folderOutside},
        {"MS-DOS folder entry", HandEntry("Inner\\..\\..\\Escape", "").Attributes(cDosFolder, cMadeByDos),
         folderOutside},
        {"absolute folder entry", HandEntry(Work().string() + "/Escape/", ""), folderOutside},
        {"to the root", HandEntry("/", ""), [](QString const&) { return QString("Can't create folder /."); }},
    };
    for (OutsideCase const& test : cases)
    {
        SCOPED_TRACE(test.label);
        ClearDestination();
        ZipArchive archive(Q(WriteArchive({test.entry})));
        ASSERT_EQ(1, archive.StartIterate());
        EXPECT_FALSE(archive.ExtractCurrentFile(Q(Destination()), "secret", 0));
        EXPECT_EQ(test.message(work), archive.GetLastError());
        EXPECT_EQ(std::set<std::string>({"out/"}), Tree(Work()));
    }
}

struct MemoryFailureCase
{
    char const* label;
    HandEntry entry;
    QString password;
    QString logged;
};

TEST_F(ZipArchiveTest, ExtractionToMemoryGivesNothingAfterAnyError)
{
    std::string const text = Text(30000);
    QString const notOpened = "ExtractCurrentToMemory: Error with zipfile in unzOpenCurrentFilePassword";
    std::vector<MemoryFailureCase> const cases = {
        {"no password", HandEntry("a.txt", text).Deflate().Encrypt("secret"), "", notOpened},
        {"wrong password", HandEntry("a.txt", text).Deflate().Encrypt("secret"), "wrong", notOpened},
        {"data broken halfway",
         HandEntry("a.txt", text).Deflate().Data(DeflatedThenBroken(text.substr(0, 10000))), "",
         "ExtractCurrentToMemory: Error with zipfile in unzReadCurrentFile"},
        {"CRC-32 that does not fit", HandEntry("a.txt", text).Deflate().Crc(ziptest::Crc32(text) ^ 1), "",
         "ExtractCurrentToMemory: Error with zipfile in unzCloseCurrentFile"},
        {"data shorter than declared", HandEntry("a.txt", text).Data(text.substr(0, 5000)), "",
         "ExtractCurrentToMemory: Error with zipfile in unzCloseCurrentFile"},
    };
    for (MemoryFailureCase const& test : cases)
    {
        SCOPED_TRACE(test.label);
        ZipArchive archive(Q(WriteArchive({test.entry})));
        ASSERT_EQ(1, archive.StartIterate());
        RecordingLogger logger;
        EXPECT_EQ(QByteArray(), archive.ExtractCurrentToMemory(test.password));
        EXPECT_EQ(QStringList({test.logged}), logger.fHeard);
        EXPECT_EQ("No last error, the user should not get this message.", archive.GetLastError());
    }
}

// A few bytes of archive can claim, or inflate to, far more than an entry ever holds.
TEST_F(ZipArchiveTest, ExtractionNeverGoesBeyondTheDeclaredSize)
{
    std::string const text = Text(100000);
    std::string const head = text.substr(0, 10);
    ZipArchive archive(
        Q(WriteArchive({HandEntry("bomb.txt", head).Deflate().Data(ziptest::Deflated(text))})));
    ASSERT_EQ(1, archive.StartIterate());
    EXPECT_EQ(QByteArray::fromStdString(head), archive.ExtractCurrentToMemory(""));
    ASSERT_TRUE(archive.ExtractCurrentFile(Q(Destination()), "", 0));
    EXPECT_EQ(head, ziptest::ReadFile(Destination() / "bomb.txt"));
}

// Zeros deflated: a few dozen KiB for the caps' 64 MiB.
HandEntry DeflatedZeros(std::string const& name, std::size_t size)
{
    z_stream stream{};
    if (deflateInit2(&stream, 1, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK)
        throw std::runtime_error("deflateInit2");
    std::string const zeros(1 << 20, '\0');
    std::string deflated;
    uLong crc = crc32(0, nullptr, 0);
    std::vector<unsigned char> out(1 << 16);
    for (std::size_t done = 0; done < size;)
    {
        std::size_t const piece = std::min(zeros.size(), size - done);
        crc = crc32(crc, reinterpret_cast<Bytef const*>(zeros.data()), static_cast<uInt>(piece));
        done += piece;
        stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(zeros.data()));
        stream.avail_in = static_cast<uInt>(piece);
        int const flush = done == size ? Z_FINISH : Z_NO_FLUSH;
        do
        {
            stream.next_out = out.data();
            stream.avail_out = static_cast<uInt>(out.size());
            deflate(&stream, flush);
            deflated.append(reinterpret_cast<char*>(out.data()), out.size() - stream.avail_out);
        } while (stream.avail_out == 0);
    }
    deflateEnd(&stream);
    return HandEntry(name, "")
        .Deflate()
        .Data(deflated)
        .Crc(static_cast<std::uint32_t>(crc))
        .DeclaredSize(static_cast<std::uint32_t>(size));
}

TEST_F(ZipArchiveTest, RefusesAnEntryLargerThanTheCapIntoMemoryAndIntoAFolder)
{
    std::size_t const size = ZipArchive::cMaxMemoryEntrySize + 1;
    ZipArchive archive(Q(WriteArchive({
        DeflatedZeros("huge.bin", size),
        HandEntry("small.txt", "fits").Deflate(),
    })));
    ASSERT_EQ(2, archive.StartIterate());
    {
        RecordingLogger logger;
        EXPECT_EQ(QByteArray(), archive.ExtractCurrentToMemory(""));
        EXPECT_EQ(1, logger.fHeard.size());
    }
    EXPECT_FALSE(archive.ExtractCurrentFile(Q(Destination()), "", 0));
    EXPECT_EQ(QString("Can't extract from %1: it would write more than 67108864 bytes.")
                  .arg(QDir::toNativeSeparators(Q(ArchivePath("hand.zip")))),
              archive.GetLastError());
    EXPECT_EQ(std::set<std::string>(), Tree(Destination()));
    ASSERT_TRUE(archive.Next());
    EXPECT_EQ("fits", archive.ExtractCurrentToMemory(""));
}

// A walk's extractions into folders add up: a small archive of many entries that each inflate to
// much must not fill the disk. The one that would pass the bound fails, and everything the walk
// wrote or made goes; the walk's later extractions fail alike, and a new walk starts afresh.
TEST_F(ZipArchiveTest, BoundsWhatAWalkWritesIntoFoldersAndLeavesNothingWhenItIsPassed)
{
    std::size_t const part = 24 * 1024 * 1024;
    fs::path const path = WriteArchive({
        DeflatedZeros("Made/first.bin", part),
        HandEntry("Made/Folder/", ""),
        DeflatedZeros("second.bin", part),
        DeflatedZeros("Other/third.bin", part),
        HandEntry("small.txt", "fits"),
        HandEntry("Late/", ""),
    });
    ziptest::WriteFile(Destination() / "before.txt", "the user's");
    QString const tooMuch = QString("Can't extract from %1: it would write more than 67108864 bytes.")
                                .arg(QDir::toNativeSeparators(Q(path)));
    ZipArchive archive(Q(path));
    std::vector<bool> extracted;
    QStringList errors;
    for (archive.StartIterate(); !archive.AtEnd(); archive.Next())
    {
        extracted.push_back(archive.ExtractCurrentFile(Q(Destination() / "deep" / "out"), "", 0));
        errors.append(extracted.back() ? QString() : archive.GetLastError());
    }
    EXPECT_EQ(extracted, (std::vector<bool>{true, true, true, false, false, false}));
    EXPECT_EQ(errors, (QStringList{"", "", "", tooMuch, tooMuch, tooMuch}));
    EXPECT_EQ(std::set<std::string>{"before.txt"}, Tree(Destination()))
        << "the walk made the folder it extracted into; it goes too";

    // Each walk has the bound of its own.
    std::size_t written = 0;
    for (archive.StartIterate(); !archive.AtEnd(); archive.Next())
    {
        if (archive.GetCurrentIndex() == 2 || archive.GetCurrentIndex() == 4)
        {
            EXPECT_TRUE(archive.ExtractCurrentFile(Q(Destination()), "", 0))
                << archive.GetLastError().toStdString();
            written += fs::file_size(Destination() / archive.GetCurrentFileName().toStdString());
        }
    }
    EXPECT_EQ(written, part + 4);
}

// Entries that share bytes of the file, as in archives made to inflate one stretch of data many
// times over, are refused as unzip refuses them; entries side by side are not.
TEST_F(ZipArchiveTest, RefusesArchivesWhoseEntriesOverlapInTheFile)
{
    std::string const text = Text(5000);
    // "b.txt"'s local header and data, as "a.txt"'s stored content.
    std::string const inner = ziptest::ZipOf({HandEntry("b.txt", "inner")}).substr(0, 30 + 5 + 5);
    std::string const plain = ziptest::ZipOf({
        HandEntry("a.txt", inner),
        HandEntry("b.txt", "inner"),
        HandEntry("e.txt", "inner"),
        HandEntry("c.txt", "").Flags(8),
        HandEntry("d.txt", text).Deflate(),
    });
    // The central record of the entry at the given index, by its signature.
    auto const record = [](std::string const& bytes, int index)
    {
        std::size_t at = bytes.find("PK\x01\x02");
        for (int i = 0; i < index; ++i)
            at = bytes.find("PK\x01\x02", at + 4);
        return at;
    };
    auto const withOffset = [&](int index, std::uint32_t offset)
    {
        std::string bytes = plain;
        for (int i = 0; i < 4; ++i)
            bytes[record(bytes, index) + 42 + i] = static_cast<char>((offset >> (8 * i)) & 0xff);
        return bytes;
    };
    // "b.txt" read from inside "a.txt"'s data; "e.txt" reading "b.txt"'s header and data.
    std::string const inside = withOffset(1, 30 + 5);
    std::string const sameData = withOffset(2, (30 + 5) + (30 + 5 + 5));

    struct Case
    {
        char const* fLabel;
        std::string fBytes;
        bool fRefused;
    };
    for (Case const& c :
         {Case{"side by side", plain, false}, Case{"one data for two entries", sameData, true},
          Case{"a header inside data", inside, true}})
    {
        SCOPED_TRACE(c.fLabel);
        ClearDestination();
        fs::path const path = ArchivePath("overlap.zip");
        ziptest::WriteFile(path, c.fBytes);
        ZipArchive archive(Q(path));
        ASSERT_EQ(5, archive.StartIterate());
        RecordingLogger logger;
        QByteArray const bytes = archive.ExtractCurrentToMemory("");
        EXPECT_EQ(c.fRefused, bytes.isEmpty());
        EXPECT_EQ(c.fRefused, !archive.ExtractCurrentFile(Q(Destination()), "", 0));
        if (c.fRefused)
        {
            EXPECT_EQ(QString("Can't read file a.txt from %1. Entries of %1 overlap in the file.")
                          .arg(QDir::toNativeSeparators(Q(path))),
                      archive.GetLastError());
            EXPECT_EQ(std::set<std::string>(), Tree(Destination()));
            EXPECT_TRUE(logger.fHeard.contains(
                "ExtractCurrentToMemory: Error with zipfile: entries overlap in the file"));
        }
        EXPECT_EQ("a.txt", archive.GetCurrentFileName()) << "the walk stays where it is";
        ASSERT_TRUE(archive.Next());
        EXPECT_EQ("b.txt", archive.GetCurrentFileName());
    }
}

TEST_F(ZipArchiveTest, WalksEntriesInArchiveOrderWithoutMovingOnExtraction)
{
    ZipArchive archive(Q(WriteArchive({
        HandEntry("first.txt", "1"),
        HandEntry("second.txt", "2").Deflate(),
        HandEntry("third.txt", "3").Encrypt("secret"),
    })));
    EXPECT_TRUE(archive.AtEnd());
    EXPECT_EQ(QString(), archive.GetCurrentFileName());
    ASSERT_EQ(3, archive.StartIterate());
    EXPECT_EQ("first.txt", archive.GetCurrentFileName());
    EXPECT_TRUE(archive.Next());
    EXPECT_EQ(1, archive.GetCurrentIndex());
    EXPECT_EQ("2", archive.ExtractCurrentToMemory("secret"));
    EXPECT_TRUE(archive.ExtractCurrentFile(Q(Destination()), "secret", 0));
    EXPECT_EQ("second.txt", archive.GetCurrentFileName());
    EXPECT_TRUE(archive.Next());
    EXPECT_EQ("third.txt", archive.GetCurrentFileName());
    EXPECT_EQ("3", archive.ExtractCurrentToMemory("secret"));
    EXPECT_FALSE(archive.AtEnd());
    EXPECT_FALSE(archive.Next());
    EXPECT_TRUE(archive.AtEnd());
    EXPECT_EQ(3, archive.GetCurrentIndex());

    ASSERT_EQ(3, archive.StartIterate());
    archive.SetAtEnd();
    EXPECT_TRUE(archive.AtEnd());
    EXPECT_EQ(QStringList({"first.txt", "second.txt", "third.txt"}), archive.GetFileList());

    // Closed, the archive opens again on the next walk.
    archive.CloseArchive();
    archive.CloseArchive();
    ASSERT_EQ(3, archive.StartIterate());
    EXPECT_EQ("1", archive.ExtractCurrentToMemory(""));
    EXPECT_EQ("3", archive.ExtractToMemory(QRegularExpression("third\\.txt"), "secret"));
    EXPECT_EQ(QByteArray(), archive.ExtractToMemory(QRegularExpression("fourth\\.txt"), "secret"));
}

// The archive is read through windows of 64 KiB: entries and directory far apart, data across
// window edges, and an end record found back behind a long comment.
TEST_F(ZipArchiveTest, ReadsEveryPartOfALargeArchive)
{
    std::vector<HandEntry> entries;
    std::vector<std::string> contents;
    for (int i = 0; i < 40; ++i)
    {
        contents.push_back(i % 3 == 0 ? Text(20000 + i * 997) : RandomBytes(9000 + i * 131));
        entries.push_back(HandEntry("entry" + std::to_string(i), contents.back()));
        if (i % 3 == 0)
            entries.back().Deflate();
        if (i % 2 == 0)
            entries.back().Encrypt("secret");
    }
    for (std::size_t const commentSize : {std::size_t(0), std::size_t(1000), std::size_t(65000)})
    {
        SCOPED_TRACE(commentSize);
        fs::path const path = ArchivePath("large.zip");
        ziptest::WriteFile(path, ziptest::ZipOf(entries, {}, std::string(commentSize, 'c')));
        ZipArchive archive(Q(path));
        ASSERT_EQ(40, archive.StartIterate());
        for (std::size_t i = 0; !archive.AtEnd(); archive.Next(), ++i)
        {
            ASSERT_EQ("entry" + std::to_string(i), archive.GetCurrentFileName().toStdString());
            EXPECT_EQ(QByteArray::fromStdString(contents[i]), archive.ExtractCurrentToMemory("secret"));
        }
    }
}

TEST_F(ZipArchiveTest, ArchiveThatCannotBeOpenedHasNoEntries)
{
    std::string const valid = ziptest::ZipOf({HandEntry("a.txt", "abc")});
    std::vector<std::pair<char const*, std::function<void(fs::path const&)>>> const cases = {
        {"missing", [](fs::path const&) {}},
        {"empty file", [](fs::path const& path) { ziptest::WriteFile(path, ""); }},
        {"text", [](fs::path const& path) { ziptest::WriteFile(path, "not an archive\n"); }},
        {"no end record",
         [&](fs::path const& path) { ziptest::WriteFile(path, valid.substr(0, valid.size() - 22)); }},
        {"folder", [](fs::path const& path) { fs::create_directories(path); }},
    };
    for (auto const& [label, make] : cases)
    {
        SCOPED_TRACE(label);
        fs::path const path = ArchivePath(std::string(label) + ".zip");
        fs::create_directories(path.parent_path());
        make(path);
        QString const native = QDir::toNativeSeparators(Q(path));
        RecordingLogger logger;
        ZipArchive archive(Q(path));
        EXPECT_EQ(0, archive.StartIterate());
        EXPECT_TRUE(archive.AtEnd());
        EXPECT_FALSE(archive.Next());
        EXPECT_EQ(QStringList(), archive.GetFileList());
        EXPECT_FALSE(archive.OpenArchive());
        EXPECT_EQ(QByteArray(), archive.ExtractCurrentToMemory(""));
        EXPECT_FALSE(archive.ExtractCurrentFile(Q(Destination()), "", 0));
        EXPECT_EQ(std::set<std::string>(), Tree(Destination()));
        ASSERT_FALSE(logger.fHeard.isEmpty());
        EXPECT_EQ("OpenArchive: Can't open zip archive: " + native, logger.fHeard.front());
    }
}

// Linux keeps a name in the form it was made in, and "José" typed on most keyboards is
// precomposed; a decomposed path names another folder there, or none.
TEST_F(ZipArchiveTest, OpensTheArchiveWhateverTheUnicodeFormOfItsFoldersName)
{
    QString const name = QStringLiteral("Jos\u00E9 Caf\u00E9");
    for (QString::NormalizationForm const form : {QString::NormalizationForm_C, QString::NormalizationForm_D})
    {
        SCOPED_TRACE(form == QString::NormalizationForm_C ? "precomposed" : "decomposed");
        fs::path const folder = fTemp / name.normalized(form).toStdString();
        ziptest::WriteFile(folder / "hand.zip", ziptest::ZipOf({HandEntry("a.txt", "abc")}));
        ZipArchive archive(Q(folder / "hand.zip"));
        ASSERT_EQ(1, archive.StartIterate());
        EXPECT_EQ(QByteArray("abc"), archive.ExtractCurrentToMemory(""));
        fs::remove_all(folder);
    }
}

// minizip does not open an archive that is only its end record (it takes an end record found at
// offset 0 for none found); either way there is nothing to walk.
TEST_F(ZipArchiveTest, EmptyArchiveHasNoEntries)
{
    ZipArchive archive(Q(WriteArchive({})));
    EXPECT_EQ(0, archive.StartIterate());
    EXPECT_TRUE(archive.AtEnd());
    EXPECT_EQ(QStringList(), archive.GetFileList());
}

// The end record may claim far more entries than the directory holds; a walk ends at the first
// entry that is not there.
TEST_F(ZipArchiveTest, WalkEndsWhereTheDirectoryEnds)
{
    for (std::uint16_t const claimed : {3, 65534, 65535})
    {
        SCOPED_TRACE(claimed);
        fs::path const path = ArchivePath("claims.zip");
        ziptest::WriteFile(
            path, ziptest::ZipOf({HandEntry("only.txt", "x"), HandEntry("second.txt", "y")}, claimed));
        RecordingLogger logger;
        ZipArchive archive(Q(path));
        EXPECT_EQ(claimed, archive.StartIterate());
        EXPECT_EQ(QStringList({"only.txt", "second.txt"}), archive.GetFileList());
        EXPECT_TRUE(logger.fHeard.contains("Next: Error with zipfile in unzGoToNextFile"));
        EXPECT_EQ(QByteArray(), archive.ExtractToMemory(QRegularExpression("third"), ""));
    }
}
} // namespace
