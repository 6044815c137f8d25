#include "headless/folder_watch.hpp"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/temporary_folder.hpp"

namespace kelmar::ui {
namespace {

namespace fs = std::filesystem;

// A clock that moves on a second whenever it is asked for the time.
class TickingClock final : public platform::Clock {
  public:
    platform::LocalDateTime now() const override {
        auto time = platform::LocalDateTime{2026, 12, 9, 10, 0, 0, 250, -180};
        time.second = seconds_++ % 60;
        time.minute = seconds_ / 60;
        return time;
    }

  private:
    mutable int seconds_ = 0;
};

// The headless runner says what is missing at start and whenever that changes.
TEST(FolderWatchTest, WarnsAtStartAndOnEveryChange) {
    testing::TemporaryFolder root;
    const auto folder = root.text() + "\\nf_e";
    TickingClock clock;
    FolderWatch watch(clock);
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
    TickingClock clock;
    FolderWatch watch(clock);
    EXPECT_EQ(watch.look(root.text()), std::nullopt);
    EXPECT_EQ(watch.look(root.text() + "\\outra"),
              "Pasta base n\xE3o encontrada: " + root.text() + "\\outra");
}

// Ticks with no pause between them look at the folders once in a second of the clock;
// another folder is looked at at once.
TEST(FolderWatchTest, LooksAtMostOnceASecond) {
    testing::TemporaryFolder root;
    const auto folder = root.text() + "\\nf_e";
    platform::ManualClock clock({2026, 12, 9, 10, 0, 0, 100, -180});
    FolderWatch watch(clock);
    EXPECT_EQ(watch.look(folder), "Pasta base n\xE3o encontrada: " + folder);
    for (const char* sub : {"envio", "envio_lote", "retorno", "lotes", "tmp", "backup"}) {
        root.makeFolder(std::string("nf_e/") + sub);
    }
    clock.set({2026, 12, 9, 10, 0, 0, 900, -180});
    EXPECT_EQ(watch.look(folder), std::nullopt);
    EXPECT_EQ(watch.look(root.text()),
              "Faltam em " + root.text() + ": envio, envio_lote, retorno, lotes, tmp, backup");
    clock.set({2026, 12, 9, 10, 0, 1, 0, -180});
    EXPECT_EQ(watch.look(folder), "Pasta base completa: " + folder);
}

}  // namespace
}  // namespace kelmar::ui
