#include "engine/exchange_layout.hpp"

#include "platform/file_system.hpp"
#include "platform/text_helpers.hpp"

namespace kelmar::engine {
namespace {

std::string joined(std::string_view first, std::string_view second) {
    std::string text(first);
    text += '\\';
    text += second;
    return text;
}

}  // namespace

std::string ExchangeLayout::subfolder(Subfolder subfolder) const {
    return joined(folder_, subfolderName(subfolder));
}

std::string ExchangeLayout::file(Subfolder subfolder, std::string_view name) const {
    return joined(this->subfolder(subfolder), name);
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
    return response(std::string(key) + std::string(fragment::kBatchNumber));
}

std::string ExchangeLayout::receipt(std::int32_t batch) const {
    return response(receiptFileName(batch));
}

std::string ExchangeLayout::sendFailure(std::int32_t batch) const {
    return response(sendFailureFileName(batch));
}

std::string ExchangeLayout::schemaFailure(std::string_view stem) const {
    return response(std::string(stem) + std::string(fragment::kSchemaFailure));
}

std::string ExchangeLayout::batchFailure(std::string_view listName) const {
    return response(platform::replaceAll(listName, fragment::kXml, fragment::kError));
}

std::string ExchangeLayout::queryResult(std::string_view receiptNumber) const {
    return response(std::string(receiptNumber) + std::string(fragment::kQueryResult));
}

std::string ExchangeLayout::cancellationResult(std::string_view key) const {
    return response(std::string(key) + std::string(fragment::kCancellationResult));
}

std::string ExchangeLayout::voidingResult(std::string_view key) const {
    return response(std::string(key) + std::string(fragment::kVoidingResult));
}

std::string ExchangeLayout::batchRecord(std::string_view receiptNumber) const {
    return file(Subfolder::Lotes, std::string(receiptNumber) + std::string(fragment::kBatchRecord));
}

std::string ExchangeLayout::nfeMemory(std::string_view key) const {
    return file(Subfolder::Lotes, std::string(key) + std::string(fragment::kNfeMemory));
}

std::string ExchangeLayout::layout400Answer(std::string_view requestName,
                                            std::string_view requestFragment,
                                            std::string_view answerEnding) const {
    return response(platform::replaceAll(requestName, requestFragment, answerEnding));
}

std::string ExchangeLayout::batchMemory(std::string_view receiptNumber) const {
    return file(Subfolder::Lotes, std::string(receiptNumber) + std::string(fragment::kBatchMemory));
}

std::string ExchangeLayout::assemblyBatchNumber(std::string_view batchText) const {
    return file(Subfolder::Tmp,
                std::string(batchText) + std::string(fragment::kAssemblyBatchNumber));
}

std::string ExchangeLayout::pendingRecord(RequestFolder folder) const {
    return joined(folder_, std::string(fragment::kPendingRecord) +
                               std::string(subfolderName(subfolderOf(folder))) + ".ini");
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
    for (const auto name : subfolderNames()) {
        if (!platform::directoryExists(joined(folder_, name))) {
            check.missingSubfolders.push_back(name);
        }
    }
    return check;
}

}  // namespace kelmar::engine
