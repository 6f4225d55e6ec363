#pragma once

// The ODBC data source through which the organizer reaches its database. `setup` registers it
// and `calvendra` opens it; both take the values from here so that they always agree.
namespace calvendra {

inline constexpr char kDataSourceName[] = "Calvendra";
inline constexpr char kDataSourceUserId[] = "opal";
inline constexpr char kDataSourcePassword[] = "kelp";

// unixODBC names a driver by its section in odbcinst.ini. The installation step registers this
// section for the SQLite 3 driver together with the project's own setup library.
inline constexpr char kOdbcDriverName[] = "Calvendra SQLite3";

}  // namespace calvendra
