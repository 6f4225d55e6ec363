#include <wx/app.h>

#include "app/calvendra_app.h"
#include "desktop/toolkit_backends.h"
#include "platform/freed_memory.h"

wxIMPLEMENT_APP_NO_MAIN(calvendra::CCalvendraApp);

int main(int argc, char** argv) {
    calvendra::MapLargeBlocksApart();
    calvendra::ChooseToolkitBackends();
    return wxEntry(argc, argv);
}
