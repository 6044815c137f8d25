// The program started as a process, as a shell or a harness starts it.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

#include "engine/exchange_layout.hpp"
#include "platform/text_encoding.hpp"
#include "support/temporary_folder.hpp"
#include "support/windows_launch.hpp"

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/wait.h>
#endif

namespace kelmar::ui {
namespace {

// Runs the program and gives its exit status, standard output and standard error.
struct Run {
    int status;
    std::string out;
    std::string err;
};

#ifdef _WIN32
// Runs the program with its standard output and error going to files, through the wide
// command line, as cmd.exe or PowerShell would start it.
Run runProgramAt(const std::filesystem::path& program, const testing::TemporaryFolder& folder,
                 const std::vector<std::string>& arguments) {
    const auto out = folder.path() / "out.txt";
    const auto err = folder.path() / "err.txt";
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    // Shared as cmd.exe shares a redirection: a process the program started may outlive it
    // holding its standard handles (Wine's desktop process does), and the next run must
    // still be able to create the file afresh.
    const auto create = [&](const std::filesystem::path& path) {
        const HANDLE handle = ::CreateFileW(
            path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
            &inherit, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        EXPECT_NE(handle, INVALID_HANDLE_VALUE) << "cannot create " << path.filename().string()
                                                << " (error " << ::GetLastError() << ")";
        return handle;
    };
    const HANDLE outHandle = create(out);
    const HANDLE errHandle = create(err);
    std::wstring commandLine = testing::windowsQuoted(program.native());
    for (const auto& argument : arguments) {
        commandLine += L" " + testing::windowsQuoted(testing::utf8Path(argument).native());
    }
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = nullptr;
    startup.hStdOutput = outHandle;
    startup.hStdError = errHandle;
    PROCESS_INFORMATION process{};
    DWORD status = static_cast<DWORD>(-1);
    if (::CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr,
                         folder.path().c_str(), &startup, &process)) {
        ::WaitForSingleObject(process.hProcess, INFINITE);
        ::GetExitCodeProcess(process.hProcess, &status);
        ::CloseHandle(process.hThread);
        ::CloseHandle(process.hProcess);
    }
    ::CloseHandle(outHandle);
    ::CloseHandle(errHandle);
    return {static_cast<int>(status), testing::readFile(out), testing::readFile(err)};
}

Run runProgram(const testing::TemporaryFolder& folder, const std::vector<std::string>& arguments) {
    return runProgramAt(testing::programPath(), folder, arguments);
}
#else
Run runProgram(const testing::TemporaryFolder& folder, const std::vector<std::string>& arguments) {
    const auto out = folder.path() / "out.txt";
    const auto err = folder.path() / "err.txt";
    std::string command = "cd '" + folder.path().string() + "' && '" + KELMAR_PROGRAM + "'";
    for (const auto& argument : arguments) {
        command += " '" + argument + "'";
    }
    command += " > '" + out.string() + "' 2> '" + err.string() + "'";
    const int raw = std::system(command.c_str());
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, testing::readFile(out), testing::readFile(err)};
}
#endif

// An exchange folder with its subfolders under the given folder, and a config.ini there
// naming it.
void prepareExchange(const testing::TemporaryFolder& folder, std::string_view where = "") {
    for (const auto sub : engine::ExchangeLayout::subfolderNames()) {
        folder.makeFolder(std::string(where) + "nf_e/" + std::string(sub));
    }
    folder.write(std::string(where) + "config.ini", "[NFE]\nPASTA=" + folder.text() + "\\" +
                                                        platform::utf8ToCp1252(std::string(where)) +
                                                        "nf_e\n");
}

TEST(HeadlessRunnerTest, ExitStatusTellsWhetherEveryTickSucceeded) {
    testing::TemporaryFolder folder;
    prepareExchange(folder);
    folder.write("nf_e/envio/a-nfe.xml", "<NFe><infNFe Id=\"NFe123\"/></NFe>");

    auto run = runProgram(folder, {"--headless", "--ticks", "2", "--config", "config.ini"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out,
              "envio/a-nfe.xml: NF-e (lote 205, recibo 420000000159093) -> autorizado "
              "[selecionado]\n");
    EXPECT_EQ(run.err, "");
    // Its locks are gone with it, so nothing of it stays behind once it has ended.
    EXPECT_FALSE(std::filesystem::exists(folder.path() / ".config.ini.lock"));
    EXPECT_FALSE(std::filesystem::exists(folder.path() / "nf_e/.kelmar.lock"));

    folder.write("nf_e/envio/b-nfe.xml", "<NFe>");
    run = runProgram(folder, {"--headless", "--ticks", "1", "--config", "config.ini"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "envio/b-nfe.xml: Missing close tag in element NFe.\n");
    EXPECT_TRUE(std::filesystem::exists(folder.path() / "nf_e/envio/b-nfe.xml"));

    run = runProgram(folder, {"--headless", "--outcome", "9"});
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.err.find("Usage:"), std::string::npos);
    EXPECT_EQ(runProgram(folder, {"--help"}).status, 0);
    EXPECT_EQ(runProgram(folder, {"--version"}).out.rfind("kelmar-sim ", 0), 0u);
}

// Text to a file or a pipe is UTF-8 on every system; a settings file named on the command
// line is found whatever letters its folder holds.
TEST(HeadlessRunnerTest, AccentedTextAndFoldersSurviveTheCommandLine) {
    testing::TemporaryFolder folder;
    prepareExchange(folder, "S\xC3\xA3o Jo\xC3\xA3o/");
    const auto config = folder.path() / testing::utf8Path("S\xC3\xA3o Jo\xC3\xA3o/config.ini");
    folder.write("S\xC3\xA3o Jo\xC3\xA3o/nf_e/envio/a-nfe.xml",
                 "<NFe><infNFe Id=\"NFe123\"/></NFe>");
    const auto u8 = config.u8string();
    const std::string configText(u8.begin(), u8.end());

    auto run = runProgram(folder, {"--headless", "--ticks", "1", "--config", configText});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(run.out.starts_with("envio/a-nfe.xml: NF-e (lote 205, recibo 420000000159093)"))
        << run.out;
    EXPECT_NE(testing::readFile(config).find("LOTE=205"), std::string::npos);

    // The settings' own error message, accented, arrives in UTF-8.
    folder.write("S\xC3\xA3o Jo\xC3\xA3o/config.ini",
                 "[NFE]\nLOTE=abc\nPASTA=" + folder.text() + "\\S\xE3o Jo\xE3o\\nf_e\n");
    folder.write("S\xC3\xA3o Jo\xC3\xA3o/nf_e/envio/b-nfe.xml",
                 "<NFe><infNFe Id=\"NFe124\"/></NFe>");
    run = runProgram(folder, {"--headless", "--ticks", "1", "--config", configText});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err,
              "envio/b-nfe.xml: 'abc' n\xC3\xA3o \xC3\xA9 um valor inteiro v\xC3\xA1lido.\n");
}

#ifdef _WIN32
// config.ini beside the program is found and written back in place, whatever letters
// the program's folder holds, and nothing is created anywhere else.
TEST(HeadlessRunnerTest, ProgramFolderWithAccentsKeepsItsSettings) {
    testing::TemporaryFolder folder;
    prepareExchange(folder);
    const auto programFolder = folder.makeFolder("S\xC3\xA3obin");
    std::filesystem::copy_file(testing::programPath(), programFolder / L"kelmar-sim.exe");
    folder.write("S\xC3\xA3obin/config.ini", "[NFE]\r\nPASTA=" + folder.text() + "\\nf_e\r\n");
    folder.write("nf_e/envio/a-nfe.xml", "<NFe><infNFe Id=\"NFe123\"/></NFe>");

    const auto run =
        runProgramAt(programFolder / L"kelmar-sim.exe", folder, {"--headless", "--ticks", "1"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");
    EXPECT_NE(testing::readFile(programFolder / L"config.ini").find("LOTE=205\r\n"),
              std::string::npos);
    EXPECT_EQ(
        testing::listFolder(folder.path()),
        (std::vector<std::string>{"S\xC3\xA3obin", "config.ini", "err.txt", "nf_e", "out.txt"}));
    // Beside the settings: only they; the lock that kept a second simulator off them went
    // with the program.
    EXPECT_EQ(testing::listFolder(programFolder),
              (std::vector<std::string>{"config.ini", "kelmar-sim.exe"}));
}
#endif

}  // namespace
}  // namespace kelmar::ui
