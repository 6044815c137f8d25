#include "headless/folder_watch.hpp"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/temporary_folder.hpp"

namespace kelmar::ui {
namespace {

namespace fs = std::filesystem;

// The headless runner says what is missing at start and whenever that changes.
TEST(FolderWatchTest, WarnsAtStartAndOnEveryChange) {
    testing::TemporaryFolder root;
    const auto folder = root.text() + "\\nf_e";
    FolderWatch watch;
    EXPECT_EQ(watch.look(folder), "Pasta base n\xE3o encontrada: " + folder);
    EXPECT_EQ(watch.look(folder), std::nullopt);
    for (const char* sub : {"envio", "envio_lote", "retorno", "backup"}) {
        root.makeFolder(std::string("nf_e/") + sub);
    }
    EXPECT_EQ(watch.look(folder), "Faltam em " + folder + ": lotes, tmp");
    EXPECT_EQ(watch.look(folder), std::nullopt);
    root.makeFolder("nf_e/lotes");
    root.makeFolder("nf_e/tmp");
    EXPECT_EQ(watch.look(folder), "Pasta base completa: " + folder);
    EXPECT_EQ(watch.look(folder), std::nullopt);
    fs::remove(root.path() / "nf_e" / "tmp");
    EXPECT_EQ(watch.look(folder), "Faltam em " + folder + ": tmp");
}

TEST(FolderWatchTest, ACompleteFolderAtStartNeedsNoWord) {
    testing::TemporaryFolder root;
    for (const char* sub : {"envio", "envio_lote", "retorno", "lotes", "tmp", "backup"}) {
        root.makeFolder(sub);
    }
    FolderWatch watch;
    EXPECT_EQ(watch.look(root.text()), std::nullopt);
    EXPECT_EQ(watch.look(root.text() + "\\outra"),
              "Pasta base n\xE3o encontrada: " + root.text() + "\\outra");
}

}  // namespace
}  // namespace kelmar::ui
