#include "app/about_dlg.h"

#include <wx/button.h>
#include <wx/image.h>
#include <wx/sizer.h>
#include <wx/statbmp.h>
#include <wx/stattext.h>
#include <wx/translation.h>

#include "resources/images.h"
#include "resources/resource_ids.h"
#include "resources/strings.h"

namespace calvendra {

CAboutDlg::CAboutDlg(wxWindow* parent)
    : wxDialog(parent, wxID_ANY, wxGetTranslation(resources::kAboutCaption)) {
    // The icon at twice its size, its pixels kept sharp.
    wxImage icon = resources::LoadIconImage(resources::kMainResourceNumber).ConvertToImage();
    icon.Rescale(icon.GetWidth() * 2, icon.GetHeight() * 2, wxIMAGE_QUALITY_NEAREST);

    auto* lines = new wxBoxSizer(wxVERTICAL);
    auto* version =
        new wxStaticText(this, wxID_ANY, wxGetTranslation(resources::kAboutVersionLine));
    version->SetFont(version->GetFont().Bold());
    lines->Add(version, wxSizerFlags().Border(wxBOTTOM, 6));
    lines->Add(new wxStaticText(this, wxID_ANY, wxGetTranslation(resources::kAboutSalesLine)));
    lines->Add(new wxStaticText(this, wxID_ANY, wxGetTranslation(resources::kAboutWebLine)));

    auto* body = new wxBoxSizer(wxHORIZONTAL);
    body->Add(new wxStaticBitmap(this, wxID_ANY, wxBitmap(icon)),
              wxSizerFlags().Border(wxRIGHT, 16));
    body->Add(lines, wxSizerFlags(1));

    auto* ok = new wxButton(this, wxID_OK, _("OK"));
    ok->SetDefault();
    auto* top = new wxBoxSizer(wxVERTICAL);
    top->Add(body, wxSizerFlags().Border(wxALL, 16));
    top->Add(ok, wxSizerFlags().Right().Border(wxLEFT | wxRIGHT | wxBOTTOM, 12));
    SetSizerAndFit(top);
    CentreOnParent();
}

}  // namespace calvendra
