#pragma once

#include <memory>

#include "store/db_connection.h"
#include "store/reading_thread.h"

class wxEvtHandler;

namespace calvendra {

// A reading thread for a window: it reads over a connection of its own to the data source of
// `connection`, which streams its rows (RowReading::kStreamed), and its readings come back to the
// window thread as calls queued on `window`, so that none comes back once the window has gone. The
// window must end the thread before it goes.
std::unique_ptr<ReadingThread> MakeReadingThreadFor(wxEvtHandler& window,
                                                    const CDBConnection& connection);

}  // namespace calvendra
