#pragma once

// How the result sets of a connection get their rows from the driver.
namespace calvendra {

enum class RowReading {
    // A snapshot (a static cursor): the driver reads the whole result when the query opens and
    // holds it until it closes. Several result sets stay open on the connection while statements
    // run on it, as the window's connection needs. The memory a result takes is that of all its
    // rows at once.
    kSnapshot,
    // Streamed: a forward-only, read-only cursor whose rows the driver hands out as the database
    // produces them, a block at a time. A result takes the memory of one block whatever its size,
    // which suits a reading thread that reads one large result after the other. Several may be
    // open at once, but a read may see what its own connection changes while it is open: a
    // streamed connection is for reading only.
    kStreamed,
};

// Connection-string keywords that make the drivers stream the rows of a forward-only query
// instead of reading them all when it opens: the SQLite driver's StepAPI, and the PostgreSQL
// driver's UseDeclareFetch with the rows it fetches a round trip (Fetch). Drivers ignore keywords
// they do not know.
inline constexpr char kRowStreamingKeywords[] = "StepAPI=1;UseDeclareFetch=1;Fetch=2048;";

}  // namespace calvendra
