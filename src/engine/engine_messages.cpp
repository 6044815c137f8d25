#include "engine/engine_messages.hpp"

namespace kelmar::engine::messages {

std::string noElementInsideRoot(std::string_view requestName) {
    return "A requisi\xE7\xE3o " + std::string(requestName) +
           " n\xE3o tem nenhum elemento dentro da raiz";
}

std::string noReceiptNumber(std::string_view requestName) {
    return "A consulta " + std::string(requestName) +
           " n\xE3o traz o n\xFAmero do recibo: a raiz tem menos de dois elementos";
}

std::string unsafeFileNamePart(std::string_view subject, std::string_view requestName,
                               std::string_view shownValue, std::string_view consequence) {
    return std::string(subject) + " " + std::string(requestName) + " traz '" +
           std::string(shownValue) + "', que n\xE3o pode fazer parte de um nome de arquivo" +
           std::string(consequence);
}

std::string copyFailed(std::string_view source, std::string_view destination) {
    return "N\xE3o foi poss\xEDvel copiar " + std::string(source) + " para " +
           std::string(destination);
}

std::string outOfMemory(std::string_view request, std::uint64_t size) {
    return "Mem\xF3ria insuficiente para a requisi\xE7\xE3o " + std::string(request) + " (" +
           std::to_string(size) + " bytes)";
}

std::string folderServed(std::string_view folderText, long holder) {
    return "A pasta " + std::string(folderText) +
           " j\xE1 est\xE1 sendo atendida por outro kelmar-sim (processo " +
           std::to_string(holder) + ")";
}

std::string settingsServed(std::string_view pathText, long holder) {
    return "O arquivo " + std::string(pathText) +
           " j\xE1 est\xE1 sendo usado por outro kelmar-sim (processo " + std::to_string(holder) +
           ")";
}

std::string folderNotReserved(std::string_view folderText, std::string_view reason) {
    return "N\xE3o \xE9 poss\xEDvel reservar a pasta " + std::string(folderText) + ": " +
           std::string(reason);
}

std::string folderLockLost(std::string_view folderText, std::string_view lockName) {
    return "A reserva da pasta " + std::string(folderText) + " foi perdida (a pasta ou o seu " +
           std::string(lockName) +
           " foi apagado ou trocado): nada \xE9 atendido at\xE9 que ela seja reservada de novo";
}

std::string folderTakesNoAnswers(std::string_view folderText) {
    return "A pasta " + std::string(folderText) +
           " n\xE3o existe ou n\xE3o aceita novos arquivos: a requisi\xE7\xE3o fica para o "
           "pr\xF3ximo ciclo, sem gastar n\xFAmeros";
}

std::string requestNotRemovable(std::string_view pathText) {
    return "A requisi\xE7\xE3o " + std::string(pathText) +
           " n\xE3o poderia ser apagada depois de respondida (arquivo ou pasta somente para "
           "leitura): ela fica sem resposta at\xE9 que possa ser apagada";
}

std::string answeredNotRemoved(std::string_view shownName) {
    return std::string(shownName) +
           " foi respondida, mas n\xE3o pode ser apagada: n\xE3o ser\xE1 respondida de novo "
           "enquanto estiver como est\xE1";
}

std::string layout400Request(std::string_view shownName, std::string_view settingsFile) {
    return std::string(shownName) +
           " \xE9 um pedido do leiaute 4.00, que n\xE3o \xE9 respondido no leiaute 1.10: ponha "
           "LEIAUTE=4.00 na se\xE7\xE3o [NFE] de " +
           std::string(settingsFile) + " ou rode com --leiaute 4.00";
}

std::string unshowableName(std::string_view shownName) {
    return std::string(shownName) +
           " n\xE3o \xE9 atendido: o seu nome tem caracteres que o Windows-1252 n\xE3o "
           "representa";
}

std::string missingSubfolderList(const FolderCheck& check) {
    std::string list;
    for (std::size_t i = 0; i < check.missingSubfolders.size(); ++i) {
        list += i == 0 ? "" : ", ";
        list += check.missingSubfolders[i];
    }
    return list;
}

}  // namespace kelmar::engine::messages
