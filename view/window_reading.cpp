#include "view/window_reading.h"

#include <functional>
#include <utility>

#include <wx/event.h>

namespace calvendra {

std::unique_ptr<ReadingThread> MakeReadingThreadFor(wxEvtHandler& window,
                                                    const CDBConnection& connection) {
    return std::make_unique<ReadingThread>(
        // One result after the other, each as large as a group may be: streamed, so that a read
        // takes the memory of one block of rows rather than of all of them.
        [&connection] { return connection.MakeAnother(RowReading::kStreamed); },
        // Queuing an event is what wxWidgets allows from any thread.
        [&window](std::function<void()> task) { window.CallAfter(std::move(task)); });
}

}  // namespace calvendra
