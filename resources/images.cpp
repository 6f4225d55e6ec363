#include "resources/images.h"

#include <wx/icon.h>
#include <wx/image.h>

#include "resources/resource_ids.h"

namespace calvendra::resources {

namespace {

#include "resources/icons/calendar_bell.xpm"
#include "resources/icons/contact.xpm"
#include "resources/icons/contact_group.xpm"
#include "resources/icons/delete.xpm"
#include "resources/icons/email_setting.xpm"
#include "resources/icons/new_contact.xpm"
#include "resources/icons/new_contact_group.xpm"
#include "resources/icons/new_schedule.xpm"
#include "resources/icons/new_schedule_group.xpm"
#include "resources/icons/schedule.xpm"
#include "resources/icons/schedule_group.xpm"

// The pixel art keeps its crisp edges when the window manager wants it larger.
wxBitmap Enlarged(const wxBitmap& image, int factor) {
    wxImage pixels = image.ConvertToImage();
    return wxBitmap(pixels.Scale(pixels.GetWidth() * factor, pixels.GetHeight() * factor,
                                 wxIMAGE_QUALITY_NEAREST));
}

}  // namespace

wxBitmap LoadIconImage(int iconNumber) {
    switch (iconNumber) {
        case kMainResourceNumber:
        case kTrayIconNumber:
            return wxBitmap(calendar_bell_xpm);
        case kContactGroupIconNumber:
            return wxBitmap(contact_group_xpm);
        case kScheduleGroupIconNumber:
            return wxBitmap(schedule_group_xpm);
        case kContactIconNumber:
            return wxBitmap(contact_xpm);
        case kScheduleIconNumber:
            return wxBitmap(schedule_xpm);
        default:
            return wxBitmap();
    }
}

wxBitmap ToolbarImage(int commandId) {
    switch (commandId) {
        case kIdNewContactGroup:
            return wxBitmap(new_contact_group_xpm);
        case kIdNewContact:
            return wxBitmap(new_contact_xpm);
        case kIdNewScheduleGroup:
            return wxBitmap(new_schedule_group_xpm);
        case kIdNewSchedule:
            return wxBitmap(new_schedule_xpm);
        case kIdEmailSetting:
            return wxBitmap(email_setting_xpm);
        case kIdDeleteButton:
            return wxBitmap(delete_xpm);
        default:
            return wxBitmap();
    }
}

wxIconBundle MainIcons() {
    const wxBitmap main = LoadIconImage(kMainResourceNumber);
    wxIconBundle icons;
    for (int factor : {1, 2, 3, 4}) {
        wxIcon icon;
        icon.CopyFromBitmap(factor == 1 ? main : Enlarged(main, factor));
        icons.AddIcon(icon);
    }
    return icons;
}

}  // namespace calvendra::resources
