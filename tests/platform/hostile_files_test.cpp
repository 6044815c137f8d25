// Files that a careless or hostile peer puts where the tool reads: FIFOs, links, files
// being written while we look, files replaced under our feet, and lock contention.
#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <future>

#include "platform/atomic_file_writer.hpp"
#include "platform/file_access.hpp"
#include "platform/file_identity.hpp"
#include "platform/file_system.hpp"
#include "platform/input_file.hpp"
#include "platform/instance_lock.hpp"
#include "support/folder_test.hpp"
#include "support/temporary_folder.hpp"

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace kelmar::platform {
namespace {

namespace fs = std::filesystem;
using testing::listFolder;
using testing::readFile;
using testing::TemporaryFolder;

class HostileFilesTest : public testing::FolderTest {};

#ifndef _WIN32
TEST_F(HostileFilesTest, AFifoIsRefusedWithoutBlocking) {
    const auto fifo = folder_.path() / "x-nfe.xml";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    auto opening = std::async(std::launch::async, [&] {
        std::error_code reason;
        const bool opened = InputFile::open(at("x-nfe.xml"), reason).has_value();
        return std::make_pair(opened, reason);
    });
    if (opening.wait_for(std::chrono::seconds(5)) != std::future_status::ready) {
        // Release the blocked open by becoming its writer, then fail.
        const int writer = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
        opening.wait();
        if (writer >= 0) {
            ::close(writer);
        }
        FAIL() << "opening a FIFO blocked";
    }
    const auto [opened, reason] = opening.get();
    EXPECT_FALSE(opened);
    EXPECT_EQ(reason, std::errc::invalid_argument);
    // And the search never offers it.
    EXPECT_FALSE(findFirstXml(folder_.text()).has_value());
}

TEST_F(HostileFilesTest, LinksAreRefusedForRequestsAndFollowedWhenAsked) {
    const auto outside = folder_.write("outside/secret.xml", "<segredo/>");
    folder_.makeFolder("envio");
    fs::create_symlink(outside, folder_.path() / "envio" / "a-nfe.xml");
    std::error_code reason;
    EXPECT_FALSE(InputFile::open(at("envio\\a-nfe.xml"), reason).has_value());
    EXPECT_EQ(reason, std::errc::too_many_symbolic_link_levels);
    EXPECT_TRUE(InputFile::open(at("envio\\a-nfe.xml"), reason, LinkPolicy::Follow).has_value());
    EXPECT_FALSE(findFirstXml(at("envio")).has_value());
    EXPECT_FALSE(identifyFile(at("envio\\a-nfe.xml")).has_value());
}

TEST_F(HostileFilesTest, TheReasonOfAFailedOpenIsKept) {
    std::error_code reason;
    EXPECT_FALSE(InputFile::open(at("missing.xml"), reason).has_value());
    EXPECT_EQ(reason, std::errc::no_such_file_or_directory);
    folder_.makeFolder("dir.xml");
    EXPECT_FALSE(InputFile::open(at("dir.xml"), reason).has_value());
    EXPECT_EQ(reason, std::errc::is_a_directory);
    const auto path = folder_.write("busy.xml", "<a/>");
    std::ofstream writer(path, std::ios::app);
    EXPECT_FALSE(InputFile::open(at("busy.xml"), reason).has_value());
    EXPECT_EQ(reason, std::errc::device_or_resource_busy);
}

// A peer that keeps opening the file for writing while we check it: the lease break
// it causes must never reach us as a fatal signal. A child process plays the peer; if
// the signal killed us, this test would never finish.
TEST_F(HostileFilesTest, APeerOpeningForWritingNeverKillsTheReader) {
    const auto path = folder_.write("r-nfe.xml", "<NFe/>");
    const pid_t peer = ::fork();
    ASSERT_GE(peer, 0);
    if (peer == 0) {
        for (;;) {
            const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND);
            if (fd >= 0) {
                ::close(fd);
            }
        }
    }
    int readable = 0;
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    while (std::chrono::steady_clock::now() < until) {
        readable += InputFile::open(at("r-nfe.xml")).has_value() ? 1 : 0;
    }
    ::kill(peer, SIGKILL);
    ::waitpid(peer, nullptr, 0);
    // Reaching this line is the test (we were not killed); between the peer's opens the
    // file is read as usual.
    EXPECT_GT(readable, 0);
    EXPECT_TRUE(InputFile::open(at("r-nfe.xml")).has_value());
}
#endif

TEST_F(HostileFilesTest, OnlyTheVeryFileThatWasReadIsDeleted) {
    const auto path = folder_.write("a-nfe.xml", "<primeiro/>");
    const auto first = identifyFile(at("a-nfe.xml"));
    ASSERT_TRUE(first.has_value());

    // Renamed over by a new request: kept.
    const auto next = folder_.write(".novo", "<segundo/>");
    fs::rename(next, path);
    EXPECT_FALSE(deleteFileIfUnchanged(at("a-nfe.xml"), *first));
    EXPECT_EQ(readFile(path), "<segundo/>");

    // Renamed over by a file of the same size and the same time: only the file's own
    // identity on its volume tells them apart, and it is kept.
    const auto twin = folder_.write(".gemeo", "<terceiro>");
    fs::last_write_time(twin, fs::last_write_time(path));
    const auto beforeTwin = identifyFile(at("a-nfe.xml"));
    ASSERT_TRUE(beforeTwin.has_value());
    fs::rename(twin, path);
    EXPECT_FALSE(deleteFileIfUnchanged(at("a-nfe.xml"), *beforeTwin));
    EXPECT_EQ(readFile(path), "<terceiro>");

    // Rewritten in place with other content: kept.
    const auto second = identifyFile(at("a-nfe.xml"));
    ASSERT_TRUE(second.has_value());
    {
        std::ofstream rewrite(path, std::ios::app);
        rewrite << "<mais/>";
    }
    EXPECT_FALSE(deleteFileIfUnchanged(at("a-nfe.xml"), *second));
    EXPECT_TRUE(fs::exists(path));

    // Unchanged: deleted, and said so (the caller then takes the request as gone).
    const auto last = identifyFile(at("a-nfe.xml"));
    ASSERT_TRUE(last.has_value());
    EXPECT_TRUE(deleteFileIfUnchanged(at("a-nfe.xml"), *last));
    EXPECT_FALSE(fs::exists(path));
    EXPECT_FALSE(deleteFileIfUnchanged(at("a-nfe.xml"), *last));
}

TEST_F(HostileFilesTest, StaleTemporaryCleanupNeverFollowsANameAsAPath) {
    // On Linux a folder may be named "x\..\..\victim"; read as a path text, its
    // backslashes would lead out of the swept folder into "victim".
    folder_.makeFolder("swept/sub");
    folder_.write("victim/.kelmar-999999999-1f.part", "not ours to judge");
    fs::create_directory(folder_.path() / "swept" / "sub" / "x\\..\\..\\..\\victim");
    folder_.write("swept/sub/.kelmar-999999998-2f.part", "stale");
    removeStaleTemporaries(at("swept"), 3);
    EXPECT_TRUE(fs::exists(folder_.path() / "victim" / ".kelmar-999999999-1f.part"));
    EXPECT_FALSE(fs::exists(folder_.path() / "swept" / "sub" / ".kelmar-999999998-2f.part"));
}

TEST_F(HostileFilesTest, AnInstanceLockIsExclusiveAndNamesItsHolder) {
    const auto lockFile = folder_.path() / ".kelmar.lock";
    auto first = InstanceLock::acquire(lockFile);
    ASSERT_TRUE(first.lock.has_value());
    const auto second = InstanceLock::acquire(lockFile);
    EXPECT_TRUE(second.heldByAnother());
    EXPECT_EQ(second.holder, io::processId());
    first.lock.reset();
    EXPECT_TRUE(InstanceLock::acquire(lockFile).lock.has_value());
    // A folder that is not there cannot be locked, and says why.
    const auto missing = InstanceLock::acquire(folder_.path() / "missing" / ".kelmar.lock");
    EXPECT_FALSE(missing.lock.has_value());
    EXPECT_FALSE(missing.heldByAnother());
    EXPECT_TRUE(missing.reason);
}

#ifndef _WIN32

TEST_F(HostileFilesTest, AnInstanceLockTellsWhenItsFileIsReplacedOrDeleted) {
    const auto lockFile = folder_.path() / ".kelmar.lock";
    auto taken = InstanceLock::acquire(lockFile);
    ASSERT_TRUE(taken.lock.has_value());
    // Moved into another object, the lock still knows its file.
    InstanceLock lock = std::move(*taken.lock);
    EXPECT_TRUE(lock.stillHeld());
    folder_.write("other.lock", "1\n");
    fs::rename(folder_.path() / "other.lock", lockFile);
    EXPECT_FALSE(lock.stillHeld());
    fs::remove(lockFile);
    EXPECT_FALSE(lock.stillHeld());
}

TEST_F(HostileFilesTest, ContentIsReplacedThroughLinksAndInPlaceWhenNeeded) {
    // Through a link: the target changes, the link stays a link.
    const auto target = folder_.write("real/config.ini", "[NFE]\n");
    fs::create_symlink(target, folder_.path() / "config.ini");
    ASSERT_TRUE(replaceFileContent(followLinks(folder_.path() / "config.ini"), "novo\n"));
    EXPECT_TRUE(fs::is_symlink(folder_.path() / "config.ini"));
    EXPECT_EQ(readFile(target), "novo\n");

    // A folder that takes no new file, holding a writable file: written in place.
    const auto locked = folder_.write("locked/config.ini", "velho\n");
    fs::permissions(folder_.path() / "locked", fs::perms::owner_read | fs::perms::owner_exec);
    EXPECT_TRUE(replaceFileContent(locked, "novo em folha\n"));
    EXPECT_EQ(readFile(locked), "novo em folha\n");
    EXPECT_EQ(listFolder(folder_.path() / "locked"), (std::vector<std::string>{"config.ini"}));

    // Read-only as well: refused, untouched.
    fs::permissions(locked, fs::perms::owner_read);
    EXPECT_FALSE(replaceFileContent(locked, "perdido\n"));
    EXPECT_EQ(readFile(locked), "novo em folha\n");
    fs::permissions(folder_.path() / "locked", fs::perms::owner_all);
}
#endif

}  // namespace
}  // namespace kelmar::platform
