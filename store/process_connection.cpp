#include "store/process_connection.h"

#include <memory>

#include "platform/data_source.h"

namespace calvendra {

namespace {

std::unique_ptr<CDBConnection>& Slot() {
    static std::unique_ptr<CDBConnection> connection;
    return connection;
}

}  // namespace

CDBConnection* ProcessConnection() {
    return Slot().get();
}

CDBConnection& CreateProcessConnection() {
    Slot() =
        std::make_unique<CDBConnection>(kDataSourceName, kDataSourceUserId, kDataSourcePassword);
    return *Slot();
}

void ResetProcessConnection() {
    Slot().reset();
}

}  // namespace calvendra
