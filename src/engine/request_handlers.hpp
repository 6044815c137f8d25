#pragma once

#include <string>

#include "engine/dispatch_record.hpp"

namespace kelmar::engine {

// One handler per kind of request. Each is given the request's bare file name, as found
// in its folder, notes what it does in the record, and raises kelmar::Error when the
// request cannot be answered.
class RequestHandlers {
  public:
    virtual ~RequestHandlers() = default;

    // envio, "-nfe.xml"
    virtual void submitNfe(const std::string& name, DispatchRecord& record) = 0;
    // envio, "-ped-rec.xml"
    virtual void answerReceiptQuery(const std::string& name, DispatchRecord& record) = 0;
    // envio, "-ped-can.xml"
    virtual void cancelNfe(const std::string& name, DispatchRecord& record) = 0;
    // envio, "-ped-inu.xml"
    virtual void voidNumbers(const std::string& name, DispatchRecord& record) = 0;
    // envio_lote, "-nfe.xml"
    virtual void holdNfe(const std::string& name, DispatchRecord& record) = 0;
    // envio_lote, "-montar-lote.xml"
    virtual void assembleBatch(const std::string& name, DispatchRecord& record) = 0;
    // Today's layout only, envio: "-ped-eve.xml", "-ped-sta.xml", "-ped-sit.xml"
    virtual void registerEvents(const std::string& name, DispatchRecord& record) = 0;
    virtual void answerServiceStatus(const std::string& name, DispatchRecord& record) = 0;
    virtual void answerSituation(const std::string& name, DispatchRecord& record) = 0;
};

}  // namespace kelmar::engine
