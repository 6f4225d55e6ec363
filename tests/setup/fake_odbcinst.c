/* Stands in for an ODBC installer library that lacks SQLConfigDataSource. */
int SQLInstallerError(void) { return 100; }
