#include "desktop/system_tray.h"

#include <gtk/gtk.h>

#include <string>

#include <wx/menu.h>
#include <wx/window.h>

#include "resources/menus.h"

namespace calvendra {

// The notification-area icon itself; it passes its mouse events and menu commands on.
class CSystemTray::Icon : public wxTaskBarIcon {
public:
    explicit Icon(CSystemTray& owner) : owner_(owner) {
        // GTK reports the icon's activation (a click) as a double click when nothing takes the
        // single one, which is how the default command is reached there.
        Bind(wxEVT_TASKBAR_LEFT_DCLICK, [this](wxTaskBarIconEvent&) {
            owner_.OnTrayNotification(owner_.iconId_, MouseAction::kLeftButtonDoubleClick);
        });
        // The chosen command goes to the main window, as if it came from its own menu.
        Bind(wxEVT_MENU, [this](wxCommandEvent& event) {
            wxCommandEvent command(wxEVT_MENU, event.GetId());
            command.SetEventObject(&owner_.mainWindow_);
            owner_.mainWindow_.GetEventHandler()->ProcessEvent(command);
        });
    }

protected:
    // wx opens this menu on the desktop's own menu gesture (a right click).
    wxMenu* CreatePopupMenu() override { return owner_.CreateTrayMenu(); }

private:
    CSystemTray& owner_;
};

namespace {

// The entry's label in GTK's mnemonic form: "&&" is a plain "&", "&x" underlines x, and a plain
// "_" is doubled; what follows a tab (the shortcut) is not part of the label.
std::string GtkMnemonicLabel(const wxString& wxLabel) {
    const std::string label = wxLabel.BeforeFirst('\t').utf8_string();
    std::string gtk;
    for (std::size_t i = 0; i < label.size(); ++i) {
        const char c = label[i];
        if (c == '&' && i + 1 < label.size() && label[i + 1] == '&') {
            gtk += '&';
            ++i;
        } else if (c == '&') {
            gtk += '_';
        } else if (c == '_') {
            gtk += "__";
        } else {
            gtk += c;
        }
    }
    return gtk;
}

// GTK has no default menu entry; drawing it bold is what marks it on every desktop. The entry
// keeps its mnemonic.
void DrawBold(wxMenuItem& item) {
    GtkWidget* widget = item.GetMenuItem();
    GtkWidget* label = widget != nullptr ? gtk_bin_get_child(GTK_BIN(widget)) : nullptr;
    if (label == nullptr || !GTK_IS_LABEL(label)) {
        return;
    }
    gchar* text = g_markup_escape_text(GtkMnemonicLabel(item.GetItemLabel()).c_str(), -1);
    gchar* markup = g_strdup_printf("<b>%s</b>", text);
    gtk_label_set_markup_with_mnemonic(GTK_LABEL(label), markup);
    g_free(markup);
    g_free(text);
}

}  // namespace

CSystemTray::CSystemTray(wxWindow& mainWindow) : mainWindow_(mainWindow) {}

CSystemTray::~CSystemTray() {
    if (!icon_) {
        return;
    }
    if (enabled_) {
        icon_->RemoveIcon();
        enabled_ = false;
    }
    // "Exit" may come from the icon's own menu: the icon goes once its event is over.
    icon_.release()->Destroy();
}

bool CSystemTray::Create(wxWindow*, const wxString& tooltip, const wxBitmap& icon, int iconId) {
    iconId_ = iconId;
    if (!wxTaskBarIcon::IsAvailable()) {
        enabled_ = false;
        return false;
    }
    icon_ = std::make_unique<Icon>(*this);
    enabled_ = icon_->SetIcon(wxBitmapBundle(icon), tooltip);
    return enabled_;
}

wxMenu* CSystemTray::CreateTrayMenu() const {
    wxMenu* menu = resources::LoadPopupMenu(iconId_);
    if (menu == nullptr) {
        return nullptr;
    }
    menu->UpdateUI(mainWindow_.GetEventHandler());
    wxMenuItem* item = defaultByPosition_ ? menu->FindItemByPosition(defaultMenuItem_)
                                          : menu->FindItem(static_cast<int>(defaultMenuItem_));
    if (item != nullptr) {
        DrawBold(*item);
    }
    return menu;
}

int CSystemTray::DefaultCommand() const {
    if (!defaultByPosition_) {
        return static_cast<int>(defaultMenuItem_);
    }
    std::unique_ptr<wxMenu> menu(resources::LoadPopupMenu(iconId_));
    if (!menu || defaultMenuItem_ >= menu->GetMenuItemCount()) {
        return 0;
    }
    return menu->FindItemByPosition(defaultMenuItem_)->GetId();
}

void CSystemTray::ShowMenu() {
    std::unique_ptr<wxMenu> menu(CreateTrayMenu());
    if (menu && icon_) {
        icon_->PopupMenu(menu.get());
    }
}

long CSystemTray::OnTrayNotification(int iconId, MouseAction action) {
    if (iconId != iconId_) {
        return 0;
    }
    switch (action) {
        case MouseAction::kRightButtonUp: {
            std::unique_ptr<wxMenu> probe(resources::LoadPopupMenu(iconId_));
            if (!probe) {
                return 0;
            }
            ShowMenu();
            return 1;
        }
        case MouseAction::kLeftButtonDoubleClick: {
            const int command = DefaultCommand();
            if (command == 0) {
                return 0;
            }
            wxCommandEvent event(wxEVT_MENU, command);
            event.SetEventObject(&mainWindow_);
            mainWindow_.GetEventHandler()->ProcessEvent(event);
            return 1;
        }
        default:
            return 1;
    }
}

}  // namespace calvendra
