#include "form/request_history.hpp"

#include <gtest/gtest.h>

namespace kelmar::ui {
namespace {

TEST(RequestHistory, KeepsTheLast500NewestFirst) {
    RequestHistory history;
    for (int i = 0; i < 502; ++i) {
        history.add(
            {"14:50:43", "envio/" + std::to_string(i) + "-nfe.xml", "NF-e", "", "", "", "", {}});
    }
    ASSERT_EQ(history.size(), RequestHistory::kLimit);
    EXPECT_EQ(history.entries().front().request, "envio/501-nfe.xml");
    EXPECT_EQ(history.entries().back().request, "envio/2-nfe.xml");
}

TEST(RequestHistory, LinesSayWhatWasAnsweredOrWhatWentWrong) {
    const struct {
        HistoryEntry entry;
        const char* line;
    } cases[] = {
        {{"14:50:43",
          "envio/a-nfe.xml",
          "NF-e",
          "autorizado [selecionado]",
          "lote 205, recibo 420000000159093",
          "",
          "retorno/x",
          {}},
         "14:50:43  envio/a-nfe.xml  NF-e  autorizado [selecionado]  lote 205, recibo "
         "420000000159093"},
        {{"14:50:44", "envio/a-ped-can.xml", "Cancelamento NF-e", "", "protocolo 1", "", "", {}},
         "14:50:44  envio/a-ped-can.xml  Cancelamento NF-e  protocolo 1"},
        {{"14:50:45", "", "", "", "", "[CENARIOS] REGRA1: falta o resultado", "", {}},
         "14:50:45  erro: [CENARIOS] REGRA1: falta o resultado"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.entry.text(), c.line);
    }
}

}  // namespace
}  // namespace kelmar::ui
