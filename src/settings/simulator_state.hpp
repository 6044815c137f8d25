#pragma once

#include <array>
#include <functional>
#include <string>

namespace kelmar::settings {

// The outcome the operator picked; the values are the window's item indexes.
enum class ReturnKind : int {
    Authorised = 0,
    SchemaFailure = 1,
    SendFailure = 2,
    NotYetProcessed = 3,
    Rejected = 4,
    Denied = 5,
};

inline constexpr int kReturnKindCount = 6;

// The four texts the operator sees and edits.
enum class StateField : int {
    Batch = 0,           // last batch number handed out
    Receipt = 1,         // receipt counter
    Protocol = 2,        // protocol counter
    ExchangeFolder = 3,  // the folder the invoicing application shares with us
};

inline constexpr int kStateFieldCount = 4;

// The live values of the simulator, shared by the window and the engine. The engine
// reads them afresh on every use, so an edit counts at its next use; the listener lets
// the window show each change the engine makes at once. Texts are Windows-1252.
class SimulatorState {
  public:
    using Listener = std::function<void(StateField)>;

    const std::string& text(StateField field) const { return texts_[index(field)]; }
    void setText(StateField field, std::string value);

    const std::string& batch() const { return text(StateField::Batch); }
    const std::string& receipt() const { return text(StateField::Receipt); }
    const std::string& protocol() const { return text(StateField::Protocol); }
    const std::string& exchangeFolder() const { return text(StateField::ExchangeFolder); }

    ReturnKind returnKind() const { return returnKind_; }
    void setReturnKind(ReturnKind kind) { returnKind_ = kind; }

    // Called after every setText; one listener at a time.
    void setListener(Listener listener) { listener_ = std::move(listener); }

  private:
    static std::size_t index(StateField field) { return static_cast<std::size_t>(field); }

    std::array<std::string, kStateFieldCount> texts_;
    ReturnKind returnKind_ = ReturnKind::Authorised;
    Listener listener_;
};

}  // namespace kelmar::settings
