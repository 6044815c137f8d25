// What only the Windows build does: wide paths, long paths, hidden temporaries, sharing
// modes and the owners of stale temporaries. Runs under Wine in the Windows suite.
#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <chrono>
#include <optional>
#include <string>
#include <thread>

#include "platform/atomic_file_writer.hpp"
#include "platform/console_control_win32.hpp"
#include "platform/file_system.hpp"
#include "platform/input_file.hpp"
#include "platform/native_path.hpp"
#include "platform/stop_signals.hpp"
#include "platform/win32_files.hpp"
#include "support/folder_test.hpp"
#include "support/temporary_folder.hpp"

namespace kelmar::platform {
namespace {

namespace fs = std::filesystem;
using testing::listFolder;
using testing::readFile;
using testing::TemporaryFolder;
using testing::utf8Path;

class WindowsPlatformTest : public testing::FolderTest {};

TEST_F(WindowsPlatformTest, PathTextsBecomeUtf16WithoutTheAnsiCodePage) {
    const std::pair<std::string, std::wstring> cases[] = {
        {"C:\\S\xE3o Jo\xE3o\\nf_e", L"C:\\S\u00e3o Jo\u00e3o\\nf_e"},
        {"C:\\\x80\x9C\xFF", L"C:\\\u20ac\u0153\u00ff"},  // the bytes Windows-1252 moves
        {"rel\\a.xml", L"rel\\a.xml"},
    };
    for (const auto& [text, wide] : cases) {
        EXPECT_EQ(toNativePath(text).native(), wide) << text;
        EXPECT_EQ(win32::narrowPath(wide), text);
    }
    EXPECT_FALSE(win32::narrowName(L"\u4e2d-nfe.xml").has_value());
}

TEST_F(WindowsPlatformTest, AccentedFoldersWorkEndToEnd) {
    folder_.write("S\xC3\xA3o/envio/a-nfe.xml",
                  "conte\xC3\xBA"
                  "do");
    const auto envio = at("S\xE3o\\envio");
    EXPECT_TRUE(directoryExists(envio));
    EXPECT_EQ(findFirstXml(envio), "a-nfe.xml");
    createDirectory(at("S\xE3o\\Autoriza\xE7\xE3o"));
    copyFile(envio + "\\a-nfe.xml", at("S\xE3o\\Autoriza\xE7\xE3o\\c\xF3pia.xml"));
    EXPECT_EQ(readFile(folder_.path() /
                       utf8Path("S\xC3\xA3o/Autoriza\xC3\xA7\xC3\xA3o/c\xC3\xB3pia.xml")),
              "conte\xC3\xBA"
              "do");
    deleteFile(envio + "\\a-nfe.xml");
    EXPECT_FALSE(fileExists(envio + "\\a-nfe.xml"));
    // No stray folder named in the ANSI code page's reading of the UTF-8 bytes.
    EXPECT_EQ(listFolder(folder_.path()), std::vector<std::string>{"S\xC3\xA3o"});
}

TEST_F(WindowsPlatformTest, PathsLongerThanTheClassicLimitWork) {
    std::string folder = folder_.text();
    while (folder.size() < 300) {
        folder += "\\pasta-com-nome-comprido";
        createDirectory(folder);
        ASSERT_TRUE(directoryExists(folder)) << folder.size();
    }
    EXPECT_TRUE(toNativePath(folder).native().starts_with(L"\\\\?\\"));
    const auto file = folder + "\\\\r-nfe.xml";  // a doubled separator, as the engine makes
    auto writer = AtomicFileWriter::create(file);
    ASSERT_TRUE(writer.has_value());
    EXPECT_EQ(writer->write("longo", 5), 5u);
    ASSERT_TRUE(writer->commit());
    EXPECT_TRUE(fileExists(file));
    EXPECT_EQ(findFirstXml(folder), "r-nfe.xml");
    EXPECT_EQ(InputFile::open(file).value().size(), 5u);
    copyFile(file, folder + "\\c\xF3pia.xml");
    EXPECT_TRUE(fileExists(folder + "\\c\xF3pia.xml"));
    deleteFile(file);
    EXPECT_FALSE(fileExists(file));
}

TEST_F(WindowsPlatformTest, TemporariesAreHiddenAndThePublishedFileIsNot) {
    auto writer = AtomicFileWriter::create(at("out.xml"));
    ASSERT_TRUE(writer.has_value());
    const auto names = listFolder(folder_.path());
    ASSERT_EQ(names.size(), 1u);
    EXPECT_TRUE(isTemporaryName(names[0]));
    EXPECT_TRUE(win32::isHidden((folder_.path() / names[0]).native()));
    EXPECT_FALSE(findFirstXml(folder_.text()).has_value());
    writer->write("x", 1);
    ASSERT_TRUE(writer->commit());
    EXPECT_FALSE(win32::isHidden((folder_.path() / "out.xml").native()));
    EXPECT_EQ(findFirstXml(folder_.text()), "out.xml");
}

TEST_F(WindowsPlatformTest, FilesStillBeingWrittenAreNotRead) {
    const auto path = folder_.write("r-nfe.xml", "<NFe>");
    {
        // The invoicing application still writing: opened for writing, shared for reading.
        const HANDLE writer =
            ::CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                          OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(writer, INVALID_HANDLE_VALUE);
        EXPECT_FALSE(InputFile::open(at("r-nfe.xml")).has_value());
        ::CloseHandle(writer);
    }
    auto reader = InputFile::open(at("r-nfe.xml"));
    ASSERT_TRUE(reader.has_value());
    // While it is read, no one can start writing it.
    const HANDLE late = ::CreateFileW(path.c_str(), GENERIC_WRITE,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    EXPECT_EQ(late, INVALID_HANDLE_VALUE);
    if (late != INVALID_HANDLE_VALUE) {
        ::CloseHandle(late);
    }
}

TEST_F(WindowsPlatformTest, ReplacingWaitsForAReaderThatLetsGo) {
    const auto path = folder_.write("a.xml", "antigo");
    auto writer = AtomicFileWriter::create(at("a.xml"));
    ASSERT_TRUE(writer.has_value());
    writer->write("novo", 4);
    // A reader holds the old answer for a moment, as the application reading it would.
    const HANDLE reader = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(reader, INVALID_HANDLE_VALUE);
    std::thread release([reader] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        ::CloseHandle(reader);
    });
    EXPECT_TRUE(writer->commit());
    release.join();
    EXPECT_EQ(readFile(path), "novo");
    EXPECT_EQ(listFolder(folder_.path()), std::vector<std::string>{"a.xml"});
}

TEST_F(WindowsPlatformTest, AReaderThatHoldsOnRefusesTheNewFileBeforeItIsWritten) {
    const auto path = folder_.write("a.xml", "antigo");
    const auto held = testing::holdWithoutSharing(path);
    ASSERT_TRUE(held->isHeld());
    EXPECT_FALSE(AtomicFileWriter::create(at("a.xml")).has_value());
    EXPECT_EQ(listFolder(folder_.path()), std::vector<std::string>{"a.xml"});
}

TEST_F(WindowsPlatformTest, StaleTemporariesAreThoseOfEndedProcesses) {
    const auto self = std::to_string(::GetCurrentProcessId());
    EXPECT_TRUE(win32::isProcessRunning(static_cast<long>(::GetCurrentProcessId())));
    EXPECT_FALSE(isStaleTemporary(".kelmar-" + self + "-1f.part"));
    // A process that has ended: one started and waited for.
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    std::wstring command = L"cmd.exe /c exit 0";
    ASSERT_TRUE(::CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW,
                                 nullptr, nullptr, &startup, &process));
    ::WaitForSingleObject(process.hProcess, INFINITE);
    ::CloseHandle(process.hThread);
    ::CloseHandle(process.hProcess);
    EXPECT_FALSE(win32::isProcessRunning(static_cast<long>(process.dwProcessId)));
    const auto ended = ".kelmar-" + std::to_string(process.dwProcessId) + "-2f.part";
    EXPECT_TRUE(isStaleTemporary(ended));
    folder_.write(ended, "crash");
    removeStaleTemporaries(folder_.text(), 0);
    EXPECT_EQ(listFolder(folder_.path()), std::vector<std::string>{});
}

// Ctrl+C and Ctrl+Break end the next wait, as SIGINT does elsewhere;
// closing the console holds the console's thread until the waiter has stopped, so the
// process is never ended in the middle of a tick. The events arrive on a thread of their
// own, as the console delivers them.
TEST(StopSignalsTest, ConsoleControlEventsEndTheWait) {
    for (const unsigned long event : {CTRL_C_EVENT, CTRL_BREAK_EVENT}) {
        StopSignals stop;
        EXPECT_FALSE(stop.waitFor(std::chrono::milliseconds(10)));
        bool handled = false;
        std::thread([&] { handled = handleConsoleControl(event); }).join();
        EXPECT_TRUE(handled);
        EXPECT_TRUE(stop.waitFor(std::chrono::seconds(10))) << event;
    }
    EXPECT_FALSE(handleConsoleControl(12345));

    std::atomic<bool> closed = false;
    std::optional<std::thread> console;
    {
        StopSignals stop;
        console.emplace([&] { closed = handleConsoleControl(CTRL_CLOSE_EVENT); });
        EXPECT_TRUE(stop.waitFor(std::chrono::seconds(10)));
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        EXPECT_FALSE(closed) << "the console let go before the waiter stopped";
    }
    console->join();
    EXPECT_TRUE(closed);
}
}  // namespace
}  // namespace kelmar::platform
