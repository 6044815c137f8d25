#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "engine/exchange_layout.hpp"

// The engine's messages to the operator, in Windows-1252: the errors that stop a request
// and the warnings a handled request carries.
namespace kelmar::engine::messages {

// "A requisição %s não tem nenhum elemento dentro da raiz"
std::string noElementInsideRoot(std::string_view requestName);

// "A consulta %s não traz o número do recibo: a raiz tem menos de dois elementos"
std::string noReceiptNumber(std::string_view requestName);

// A value of a request that cannot be part of a file name: "<subject> %s traz '%s', que
// não pode fazer parte de um nome de arquivo" followed by what was done about it (": cópia
// de erro não gerada"), or nothing when the request stops there.
std::string unsafeFileNamePart(std::string_view subject, std::string_view requestName,
                               std::string_view shownValue, std::string_view consequence = {});
inline constexpr std::string_view kRequestSubject = "A requisi\xE7\xE3o";
inline constexpr std::string_view kListSubject = "A lista";
inline constexpr std::string_view kNoErrorCopy = ": c\xF3pia de erro n\xE3o gerada";
inline constexpr std::string_view kEntryIgnored = ": entrada ignorada";

// "Não foi possível copiar %s para %s"
std::string copyFailed(std::string_view source, std::string_view destination);

// "Memória insuficiente para a requisição %s (%s bytes)"
std::string outOfMemory(std::string_view request, std::uint64_t size);

// "A pasta %s já está sendo atendida por outro kelmar-sim (processo %d)"
std::string folderServed(std::string_view folderText, long holder);

// "O arquivo %s já está sendo usado por outro kelmar-sim (processo %d)"
std::string settingsServed(std::string_view pathText, long holder);

// "Não é possível reservar a pasta %s: %s": no lock can be taken in it, so it is not served.
std::string folderNotReserved(std::string_view folderText, std::string_view reason);

// "A reserva da pasta %s foi perdida (a pasta ou o seu %s foi apagado ou trocado): nada
// é atendido até que ela seja reservada de novo"
std::string folderLockLost(std::string_view folderText, std::string_view lockName);

// "%s não é atendido: o seu nome tem caracteres que o Windows-1252 não representa"
std::string unshowableName(std::string_view shownName);

// "A pasta %s não existe ou não aceita novos arquivos: a requisição fica para o próximo
// ciclo, sem gastar números"
std::string folderTakesNoAnswers(std::string_view folderText);

// "A requisição %s não poderia ser apagada depois de respondida (arquivo ou pasta somente
// para leitura): ela fica sem resposta até que possa ser apagada"
std::string requestNotRemovable(std::string_view pathText);

// "%s foi respondida, mas não pode ser apagada: não será respondida de novo enquanto
// estiver como está"
std::string answeredNotRemoved(std::string_view shownName);

// "%s é um pedido do leiaute 4.00, que não é respondido no leiaute 1.10: ponha
// LEIAUTE=4.00 na seção [NFE] de %s ou rode com --leiaute 4.00"
std::string layout400Request(std::string_view shownName, std::string_view settingsFile);

// "Pasta base não encontrada"
inline constexpr std::string_view kFolderMissing = "Pasta base n\xE3o encontrada";

// The missing subfolders as the operator reads them: "envio, lotes".
std::string missingSubfolderList(const FolderCheck& check);

}  // namespace kelmar::engine::messages
