#include "platform/file_system.hpp"

#include <gtest/gtest.h>

#include <array>
#include <fstream>
#include <functional>
#include <optional>
#include <vector>

#include "platform/atomic_file_writer.hpp"
#include "platform/change_notifier.hpp"
#include "platform/file_change_watch.hpp"
#include "platform/folder_candidates.hpp"
#include "platform/input_file.hpp"
#include "support/temporary_folder.hpp"

#ifdef _WIN32
#include <windows.h>
#endif

namespace kelmar::platform {
namespace {

namespace fs = std::filesystem;
using testing::listFolder;
using testing::readFile;
using testing::TemporaryFolder;

class FileSystemTest : public ::testing::Test {
  protected:
    std::string at(std::string_view relative) const {
        std::string text = folder_.text();
        for (const char c : relative) {
            text.push_back(c == '/' ? '\\' : c);
        }
        return text;
    }

    TemporaryFolder folder_;
};

TEST_F(FileSystemTest, FindFirstTakesTheSmallestNameIgnoringCase) {
    folder_.write("d/b-nfe.xml", "");
    folder_.write("d/A-nfe.xml", "");
    folder_.write("d/c-nfe.XML", "");
    EXPECT_EQ(findFirstXml(at("/d")), "A-nfe.xml");
    fs::remove(folder_.path() / "d/A-nfe.xml");
    EXPECT_EQ(findFirstXml(at("/d")), "b-nfe.xml");
    fs::remove(folder_.path() / "d/b-nfe.xml");
    EXPECT_EQ(findFirstXml(at("/d")), "c-nfe.XML");
}

TEST_F(FileSystemTest, FindFirstPassesOverWhatIsNoRequestFile) {
    const auto hidden = folder_.write("d/.hidden-nfe.xml", "");
#ifdef _WIN32
    ::SetFileAttributesW(hidden.c_str(),
                         FILE_ATTRIBUTE_HIDDEN);  // a leading dot hides nothing there
#endif
    folder_.makeFolder("d/0-folder.xml");
    folder_.write("d/1-notes.txt", "");
    folder_.write("d/2-nfe.xml.bak", "");
#ifndef _WIN32
    // Names only other systems can hold.
    folder_.write("d/3?-nfe.xml", "");
    folder_.write("d/4:-nfe.xml", "");
    folder_.write("d/5\\..\\..\\fora-nfe.xml", "");  // a backslash would climb out
#endif
    folder_.write("d/z-nfe.xml", "");
    EXPECT_EQ(findFirstXml(at("/d")), "z-nfe.xml");
}

TEST_F(FileSystemTest, FindFirstSkipsNamesOutsideTheCodePage) {
    folder_.write("d/\xE4\xB8\xAD-nfe.xml", "");  // a CJK character in UTF-8
#ifndef _WIN32
    folder_.write("d/\xFF-nfe.xml", "");  // not UTF-8 (Windows names are always UTF-16)
#endif
    EXPECT_FALSE(findFirstXml(at("/d")).has_value());
    folder_.write("d/S\xC3\xA3o-nfe.xml", "");
    EXPECT_EQ(findFirstXml(at("/d")), "S\xE3o-nfe.xml");
}

TEST_F(FileSystemTest, FindFirstHonoursFragments) {
    folder_.write("d/a-leia-me.xml", "");
    folder_.write("d/b-ped-rec.xml", "");
    const std::array<std::string_view, 1> fragments = {"-ped-rec.xml"};
    EXPECT_EQ(findFirstXml(at("/d"), fragments), "b-ped-rec.xml");
    EXPECT_EQ(findFirstXml(at("/d")), "a-leia-me.xml");
    EXPECT_FALSE(findFirstXml(at("/missing")).has_value());
}

TEST_F(FileSystemTest, KeptCandidatesFollowTheFolderBetweenRefreshes) {
    const std::array<std::string_view, 1> fragments = {"-nfe.xml"};
    FolderCandidates candidates(fragments);
    folder_.makeFolder("d");
    folder_.makeFolder("elsewhere");
    // A settings file kept in the same folder, watched through the same channel: each
    // watch is told its own changes, whichever asks first.
    const auto notifier = openChangeNotifier();
    candidates.shareNotifications(notifier);
    const auto settingsWatch = watchFileChanges(folder_.path() / "d" / "config.ini", notifier);
    const auto in = [&](std::string_view name) { return folder_.path() / "d" / name; };
    struct Step {
        const char* change;
        std::function<void()> make;
        std::optional<std::string> first;
        bool settingsTold = false;
    };
    const std::vector<Step> steps = {
        {"a new file", [&] { folder_.write("d/b-nfe.xml", ""); }, "b-nfe.xml"},
        {"an earlier one", [&] { folder_.write("d/a-nfe.xml", ""); }, "a-nfe.xml"},
        {"the settings written", [&] { folder_.write("d/config.ini", "[NFE]"); }, "a-nfe.xml",
         true},
        {"the first removed", [&] { fs::remove(in("a-nfe.xml")); }, "b-nfe.xml"},
        {"one moved in",
         [&] { fs::rename(folder_.write("elsewhere/0-nfe.xml", ""), in("0-nfe.xml")); },
         "0-nfe.xml"},
        {"renamed to no request", [&] { fs::rename(in("0-nfe.xml"), in("0-nfe.tmp")); },
         "b-nfe.xml"},
        {"replaced by a folder",
         [&] {
             fs::remove(in("b-nfe.xml"));
             folder_.makeFolder("d/b-nfe.xml");
         },
         std::nullopt},
        {"the folder replaced",
         [&] {
             fs::rename(folder_.path() / "d", folder_.path() / "old");
             folder_.write("d/e-nfe.xml", "");
         },
         "e-nfe.xml", true},
    };
    candidates.refresh(at("/d"));
    EXPECT_FALSE(candidates.first({}).has_value());
    if (settingsWatch) {
        settingsWatch->mark(false);
    }
    for (const auto& step : steps) {
        step.make();
        // The settings' watch asks first on even steps, the folder's on odd ones.
        const bool settingsFirst = (&step - steps.data()) % 2 == 0;
        const bool told = settingsFirst && settingsWatch && !settingsWatch->unchangedSinceMark();
        candidates.refresh(at("/d"));
        EXPECT_EQ(candidates.first({}), step.first) << step.change;
        if (settingsWatch) {
            EXPECT_EQ(told || !settingsWatch->unchangedSinceMark(), step.settingsTold)
                << step.change;
            settingsWatch->mark(false);
        }
    }
    // More changes than the system queues for a watch (inotify's 16384 events, the
    // 64 KiB buffer of the Windows call): the folder is listed again.
#ifdef _WIN32
    constexpr int kFlood = 3000;
#else
    constexpr int kFlood = 17000;
#endif
    for (int i = 0; i < kFlood; ++i) {
        folder_.write("d/z" + std::to_string(i) + "-nfe.xml", "");
    }
    folder_.write("d/a-late-nfe.xml", "");
    candidates.refresh(at("/d"));
    EXPECT_EQ(candidates.first({}), "a-late-nfe.xml");
}

TEST_F(FileSystemTest, DoubledSeparatorStillWorks) {
    folder_.write("d/x-nfe.xml", "conteudo");
    EXPECT_EQ(findFirstXml(folder_.text() + "\\\\d"), "x-nfe.xml");
    EXPECT_TRUE(fileExists(folder_.text() + "\\\\d\\x-nfe.xml"));
}

TEST_F(FileSystemTest, CopyReplacesAndIgnoresFailures) {
    folder_.write("a.txt", "novo");
    folder_.write("b.txt", "velho conteudo");
    EXPECT_TRUE(copyFile(at("/a.txt"), at("/b.txt")));
    EXPECT_EQ(readFile(folder_.path() / "b.txt"), "novo");
    EXPECT_FALSE(copyFile(at("/missing.txt"), at("/c.txt")));
    EXPECT_FALSE(copyFile(at("/a.txt"), at("/no/such/folder.txt")));
    EXPECT_EQ(listFolder(folder_.path()), (std::vector<std::string>{"a.txt", "b.txt"}));
}

TEST_F(FileSystemTest, ForbiddenNamesFailEverywhere) {
    folder_.write("a.txt", "x");
    EXPECT_FALSE(copyFile(at("/a.txt"), at("/b?.txt")));
    createDirectory(at("/c:d"));
    EXPECT_FALSE(fileExists(at("/a?.txt")));
    EXPECT_FALSE(AtomicFileWriter::create(at("/x|y.xml")).has_value());
    EXPECT_FALSE(InputFile::open(at("/a*.txt")).has_value());
    EXPECT_EQ(listFolder(folder_.path()), (std::vector<std::string>{"a.txt"}));
}

TEST_F(FileSystemTest, DeleteRemovesFilesButNeverFolders) {
    folder_.write("a.txt", "x");
    folder_.makeFolder("f");
    deleteFile(at("/a.txt"));
    deleteFile(at("/f"));
    deleteFile(at("/missing"));
    EXPECT_EQ(listFolder(folder_.path()), (std::vector<std::string>{"f"}));
}

TEST_F(FileSystemTest, CreateDirectoryMakesOneLevelOnly) {
    createDirectory(at("/a"));
    createDirectory(at("/b/c"));
    EXPECT_TRUE(directoryExists(at("/a")));
    EXPECT_FALSE(directoryExists(at("/b")));
    EXPECT_FALSE(fileExists(at("/a")));
}

TEST_F(FileSystemTest, AtomicWriterPublishesOnlyOnCommit) {
    folder_.write("out.xml", "antigo");
    {
        auto writer = AtomicFileWriter::create(at("/out.xml"));
        ASSERT_TRUE(writer.has_value());
        EXPECT_EQ(writer->write("novo", 4), 4u);
        EXPECT_EQ(readFile(folder_.path() / "out.xml"), "antigo");
        EXPECT_EQ(listFolder(folder_.path()).size(), 2u);  // the hidden temporary
        EXPECT_TRUE(writer->commit());
    }
    EXPECT_EQ(readFile(folder_.path() / "out.xml"), "novo");
    {
        auto abandoned = AtomicFileWriter::create(at("/out.xml"));
        ASSERT_TRUE(abandoned.has_value());
        abandoned->write("perdido", 7);
    }
    EXPECT_EQ(listFolder(folder_.path()), (std::vector<std::string>{"out.xml"}));
    EXPECT_EQ(readFile(folder_.path() / "out.xml"), "novo");
}

TEST_F(FileSystemTest, AtomicWriterRefusesWhatWindowsWouldRefuse) {
    EXPECT_FALSE(AtomicFileWriter::create(at("/missing/out.xml")).has_value());
    folder_.makeFolder("dir.xml");
    EXPECT_FALSE(AtomicFileWriter::create(at("/dir.xml")).has_value());
    // The read-only attribute on Windows, the mode bits elsewhere.
    const auto readOnly = folder_.write("ro.xml", "guardado");
    fs::permissions(readOnly,
                    fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    EXPECT_FALSE(AtomicFileWriter::create(at("/ro.xml")).has_value());
    EXPECT_EQ(readFile(readOnly), "guardado");
#ifdef _WIN32
    // Windows ignores a folder's read-only attribute; what it refuses is replacing a file
    // that another program holds open without sharing it.
    folder_.write("locked/out.xml", "guardado");
    const auto held = testing::holdWithoutSharing(folder_.path() / "locked/out.xml");
    EXPECT_FALSE(AtomicFileWriter::create(at("/locked/out.xml")).has_value());
#else
    const auto lockedFolder = folder_.makeFolder("locked");
    fs::permissions(lockedFolder, fs::perms::owner_read | fs::perms::owner_exec);
    EXPECT_FALSE(AtomicFileWriter::create(at("/locked/out.xml")).has_value());
#endif
}

TEST_F(FileSystemTest, StaleTemporariesAreRemovedLiveOnesKept) {
    folder_.write("a/.kelmar-999999999-1f.part", "crash");
    folder_.write("a/b/.kelmar-999999998-2f.part", "crash");
    folder_.write("a/keep.xml", "x");
    auto live = AtomicFileWriter::create(at("/a/live.xml"));
    ASSERT_TRUE(live.has_value());
    removeStaleTemporaries(at("/a"), 1);
    auto names = listFolder(folder_.path() / "a");
    ASSERT_EQ(names.size(), 3u);  // b, keep.xml and the live temporary
    EXPECT_TRUE(isTemporaryName(names[0]));
    EXPECT_TRUE(listFolder(folder_.path() / "a/b").empty());
}

TEST_F(FileSystemTest, InputFileReadsAndRefusesFilesBeingWritten) {
    const auto path = folder_.write("r.xml", "0123456789");
    {
        auto file = InputFile::open(at("/r.xml"));
        ASSERT_TRUE(file.has_value());
        EXPECT_EQ(file->size(), 10u);
        char buffer[4];
        EXPECT_EQ(file->read(buffer, 4), 4u);
        EXPECT_TRUE(file->seek(8));
        EXPECT_EQ(file->read(buffer, 4), 2u);
    }
    EXPECT_FALSE(InputFile::open(at("/missing.xml")).has_value());
    EXPECT_FALSE(InputFile::open(folder_.text()).has_value());
#ifdef __linux__
    // A writer in another process is what the check is for; within one process the
    // kernel sees our own open descriptor, which serves the same purpose here.
    std::ofstream writer(path, std::ios::app);
    ASSERT_TRUE(writer.is_open());
    EXPECT_FALSE(InputFile::open(at("/r.xml")).has_value());
#endif
}

TEST_F(FileSystemTest, ReadRestReadsToTheEndWhereverItStartsAndHoweverTheFileGrew) {
    struct Row {
        std::uint64_t start;
        std::size_t grownBy;
    };
    std::vector<Row> rows = {{0, 0}, {3, 0}};
#ifndef _WIN32
    // Windows lets no one write a file while it is open for reading here.
    rows.insert(rows.end(), {{0, 1}, {0, 200000}, {7, 70000}});
#endif
    for (const Row row : rows) {
        const std::string before = "0123456789";
        const std::string added(row.grownBy, 'g');
        const auto path = folder_.write("grow.xml", before);
        auto file = InputFile::open(at("/grow.xml"));
        ASSERT_TRUE(file.has_value());
        std::ofstream(path, std::ios::app) << added;
        ASSERT_TRUE(file->seek(row.start));
        const auto expected = (before + added).substr(row.start);
        const auto read = file->readRest();
        EXPECT_EQ(read.size(), expected.size())
            << "from " << row.start << ", grown by " << row.grownBy;
        EXPECT_TRUE(read == expected) << "from " << row.start << ", grown by " << row.grownBy;
    }
}

}  // namespace
}  // namespace kelmar::platform
