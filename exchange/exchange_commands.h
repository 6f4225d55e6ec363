#pragma once

#include <string>
#include <vector>

#include "store/db_connection.h"
#include "store/identifiers.h"

class wxWindow;

// File > Import... and File > Export...: the dialogs around the work, which runs off the window
// thread on a connection of its own to the same database as `connection`.
namespace calvendra {

// Asks for .vcf and .ics files, reads them, shows what will come in, and stores it as one change
// once confirmed. True when something was stored.
bool RunImportCommand(wxWindow* parent, const CDBConnection& connection);

// The same for files already chosen.
bool ImportFiles(wxWindow* parent, const CDBConnection& connection,
                 const std::vector<std::string>& files);

// Asks what to export and where (everything, or the selected group `group` named `groupName`
// with the groups below it; 0 for none), then writes the files.
void RunExportCommand(wxWindow* parent, const CDBConnection& connection, Identifier group,
                      const std::string& groupName);

}  // namespace calvendra
