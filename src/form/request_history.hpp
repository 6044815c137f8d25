#pragma once

#include <cstddef>
#include <deque>
#include <string>
#include <vector>

namespace kelmar::ui {

// One line of the window's history: a request answered, or a tick that failed. Texts
// are Windows-1252.
struct HistoryEntry {
    std::string time;                  // "14:50:43"
    std::string request;               // "envio/a-nfe.xml"; empty for an error outside a request
    std::string kind;                  // "NF-e", "Consulta NF-e", ...
    std::string outcome;               // "autorizado [regra REGRA3]", or empty
    std::string numbers;               // "lote 205, recibo 420000000159093", or empty
    std::string error;                 // the error's message when the tick failed
    std::string answerFile;            // path text of the answer in retorno, or empty
    std::vector<std::string> written;  // path texts of every file the request wrote

    // "14:50:43  envio/a-nfe.xml  NF-e  autorizado [selecionado]  lote 205, recibo ...",
    // or "14:50:43  erro: <message>".
    std::string text() const;
    // The same in two lines, for a narrow list: "14:50:43  envio/a-nfe.xml  NF-e", then
    // "autorizado [selecionado]  lote 205, ..." or "erro: <message>".
    std::string twoLines() const;

    friend bool operator==(const HistoryEntry&, const HistoryEntry&) = default;
};

// The last requests answered, newest first, at most kLimit of them: the oldest goes
// when a new one comes.
class RequestHistory {
  public:
    static constexpr std::size_t kLimit = 500;

    void add(HistoryEntry entry);
    const std::deque<HistoryEntry>& entries() const { return entries_; }
    std::size_t size() const { return entries_.size(); }

  private:
    std::deque<HistoryEntry> entries_;
};

}  // namespace kelmar::ui
