#pragma once

#include <string>

namespace kelmar::engine {

// One handler per kind of request. Each is given the request's bare file name, as found
// in its folder, and raises kelmar::Error when the request cannot be answered.
class RequestHandlers {
  public:
    virtual ~RequestHandlers() = default;

    virtual void submitNfe(const std::string& name) = 0;           // envio, "-nfe.xml"
    virtual void answerReceiptQuery(const std::string& name) = 0;  // envio, "-ped-rec.xml"
    virtual void cancelNfe(const std::string& name) = 0;           // envio, "-ped-can.xml"
    virtual void voidNumbers(const std::string& name) = 0;         // envio, "-ped-inu.xml"
    virtual void holdNfe(const std::string& name) = 0;             // envio_lote, "-nfe.xml"
    virtual void assembleBatch(const std::string& name) = 0;       // envio_lote, "-montar-lote.xml"
};

}  // namespace kelmar::engine
