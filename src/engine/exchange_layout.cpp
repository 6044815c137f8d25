#include "engine/exchange_layout.hpp"

#include <array>

#include "engine/exchange_names.hpp"
#include "platform/file_system.hpp"
#include "platform/text_helpers.hpp"

namespace kelmar::engine {
namespace {

constexpr std::array<std::string_view, 6> kSubfolderNames = {"envio", "envio_lote", "retorno",
                                                             "lotes", "tmp",        "backup"};

std::string joined(std::string_view first, std::string_view second) {
    std::string text(first);
    text += '\\';
    text += second;
    return text;
}

}  // namespace

std::span<const std::string_view> ExchangeLayout::subfolderNames() {
    return kSubfolderNames;
}

std::string_view ExchangeLayout::subfolderName(Subfolder subfolder) {
    return kSubfolderNames[static_cast<std::size_t>(subfolder)];
}

std::string_view ExchangeLayout::archiveName(Archive archive) {
    return archive == Archive::Authorised ? "Autorizados" : "Denegados";
}

std::string ExchangeLayout::subfolder(Subfolder subfolder) const {
    return joined(folder_, subfolderName(subfolder));
}

std::string ExchangeLayout::file(Subfolder subfolder, std::string_view name) const {
    return joined(this->subfolder(subfolder), name);
}

Subfolder ExchangeLayout::subfolderOf(RequestFolder folder) {
    return folder == RequestFolder::Envio ? Subfolder::Envio : Subfolder::EnvioLote;
}

std::string ExchangeLayout::requestFolder(RequestFolder folder) const {
    return subfolder(subfolderOf(folder));
}

std::string ExchangeLayout::request(RequestFolder folder, std::string_view name) const {
    return joined(requestFolder(folder), name);
}

std::string ExchangeLayout::response(std::string_view name) const {
    return file(Subfolder::Retorno, name);
}

std::string ExchangeLayout::batchNumber(std::string_view key) const {
    return response(std::string(key) + "-num-lot.xml");
}

std::string ExchangeLayout::receipt(std::int32_t batch) const {
    return response(receiptFileName(batch));
}

std::string ExchangeLayout::sendFailure(std::int32_t batch) const {
    return response(sendFailureFileName(batch));
}

std::string ExchangeLayout::schemaFailure(std::string_view stem) const {
    return response(std::string(stem) + "-nfe.err");
}

std::string ExchangeLayout::batchFailure(std::string_view listName) const {
    return response(platform::replaceAll(listName, ".xml", ".err"));
}

std::string ExchangeLayout::queryResult(std::string_view receiptNumber) const {
    return response(std::string(receiptNumber) + "-pro-rec.xml");
}

std::string ExchangeLayout::cancellationResult(std::string_view key) const {
    return response(std::string(key) + "-can.xml");
}

std::string ExchangeLayout::voidingResult(std::string_view key) const {
    return response(std::string(key) + "-inu.xml");
}

std::string ExchangeLayout::batchRecord(std::string_view receiptNumber) const {
    return file(Subfolder::Lotes, std::string(receiptNumber) + "-lote-rec.xml");
}

std::string ExchangeLayout::assemblyBatchNumber(std::string_view batchText) const {
    return file(Subfolder::Tmp, std::string(batchText) + "-lote.xml");
}

std::string ExchangeLayout::archive(Archive archive) const {
    return file(Subfolder::Backup, archiveName(archive));
}

std::string ExchangeLayout::archiveMonth(Archive archive, std::string_view month) const {
    return joined(this->archive(archive), month);
}

std::string ExchangeLayout::archived(Archive archive, std::string_view month,
                                     std::string_view name) const {
    return joined(archiveMonth(archive, month), name);
}

FolderCheck ExchangeLayout::check() const {
    FolderCheck check;
    if (!platform::directoryExists(folder_)) {
        check.folderMissing = true;
        return check;
    }
    for (const auto name : kSubfolderNames) {
        if (!platform::directoryExists(joined(folder_, name))) {
            check.missingSubfolders.push_back(name);
        }
    }
    return check;
}

}  // namespace kelmar::engine
