#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "platform/clock.hpp"

// Every name of the exchange folder: its subfolders, the fragments that mark requests,
// the endings of the answers, and the numbers the files carry. Paths are built from
// these by ExchangeLayout.
namespace kelmar::engine {

// The subfolders of the exchange folder, in the order they are listed to the operator.
enum class Subfolder { Envio, EnvioLote, Retorno, Lotes, Tmp, Backup };

// The two archives under "backup": authorised NF-e and processed requests, and the
// second copy kept for denied NF-e.
enum class Archive { Authorised, Denied };

// The two folders requests arrive in.
enum class RequestFolder { Envio, EnvioLote };

// "envio", "envio_lote", "retorno", "lotes", "tmp", "backup".
std::span<const std::string_view> subfolderNames();
std::string_view subfolderName(Subfolder subfolder);
Subfolder subfolderOf(RequestFolder folder);
// "Autorizados" or "Denegados".
std::string_view archiveName(Archive archive);

// The fragments a request's name holds, and the endings of the files written for them.
namespace fragment {
inline constexpr std::string_view kNfe = "-nfe.xml";
inline constexpr std::string_view kReceiptQuery = "-ped-rec.xml";
inline constexpr std::string_view kCancellation = "-ped-can.xml";
inline constexpr std::string_view kVoiding = "-ped-inu.xml";
inline constexpr std::string_view kBatchList = "-montar-lote.xml";
// Requests of today's layout only.
inline constexpr std::string_view kEvent = "-ped-eve.xml";
inline constexpr std::string_view kServiceStatus = "-ped-sta.xml";
inline constexpr std::string_view kSituation = "-ped-sit.xml";

inline constexpr std::string_view kBatchNumber = "-num-lot.xml";
inline constexpr std::string_view kSchemaFailure = "-nfe.err";
inline constexpr std::string_view kQueryResult = "-pro-rec.xml";
inline constexpr std::string_view kCancellationResult = "-can.xml";
inline constexpr std::string_view kVoidingResult = "-inu.xml";
inline constexpr std::string_view kBatchRecord = "-lote-rec.xml";
inline constexpr std::string_view kBatchMemory = "-lote-res.ini";
inline constexpr std::string_view kEventResult = "-eve.xml";
inline constexpr std::string_view kServiceStatusResult = "-sta.xml";
inline constexpr std::string_view kSituationResult = "-sit.xml";
inline constexpr std::string_view kNfeMemory = "-nfe-sit.ini";
inline constexpr std::string_view kAssemblyBatchNumber = "-lote.xml";
inline constexpr std::string_view kPendingRecord = ".kelmar-pendente-";  // + folder + ".ini"
inline constexpr std::string_view kXml = ".xml";
inline constexpr std::string_view kError = ".err";
}  // namespace fragment

// A number with at least eight digits, zero-filled (a sign, when negative, comes first).
std::string eightDigits(std::int32_t value);

// "420000000" followed by the receipt counter in plain decimal.
std::string receiptNumber(std::int32_t receiptCounter);

// "1600000" followed by the protocol counter with at least eight digits.
std::string protocolNumber(std::int32_t protocolCounter);

// Today's layout: "420" followed by the receipt counter zero-filled to 12 digits.
std::string receiptNumber400(std::int32_t receiptCounter);

// Today's layout: "1", the state code "42", the year's last two digits and the protocol
// counter zero-filled to 10 digits.
std::string protocolNumber400(std::int32_t protocolCounter, int year);

// The receipt's file name for a batch: "0000000" + eight digits + "-rec.xml".
std::string receiptFileName(std::int32_t batch);

// The name of the send-failure copy that stands in for that receipt: the same with ".err".
std::string sendFailureFileName(std::int32_t batch);

// The month folder name, "yyyyMM".
std::string monthText(const platform::LocalDateTime& time);

}  // namespace kelmar::engine
