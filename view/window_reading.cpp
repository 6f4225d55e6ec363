#include "view/window_reading.h"

#include <functional>
#include <utility>

#include <wx/event.h>

namespace calvendra {

std::unique_ptr<ReadingThread> MakeReadingThreadFor(wxEvtHandler& window,
                                                    const CDBConnection& connection) {
    return std::make_unique<ReadingThread>(
        [&connection] { return connection.MakeAnother(); },
        // Queuing an event is what wxWidgets allows from any thread.
        [&window](std::function<void()> task) { window.CallAfter(std::move(task)); });
}

}  // namespace calvendra
