#include "desktop/note_frame_painter.h"

#include <algorithm>
#include <initializer_list>

#include <gtk/gtk.h>
#include <wx/control.h>
#include <wx/dcscreen.h>
#include <wx/graphics.h>
#include <wx/settings.h>

namespace calvendra {

namespace {

constexpr int kIconSize = 16;
constexpr int kCaptionPadding = 6;
constexpr int kTitleMargin = 8;

// A style context for one node below a parent node, the way a widget of that kind would have it.
GtkStyleContext* NewStyle(GtkStyleContext* parent, GType type, const char* node,
                          std::initializer_list<const char*> classes) {
    GtkWidgetPath* path = parent != nullptr
                              ? gtk_widget_path_copy(gtk_style_context_get_path(parent))
                              : gtk_widget_path_new();
    gtk_widget_path_append_type(path, type);
    gtk_widget_path_iter_set_object_name(path, -1, node);
    for (const char* name : classes) {
        gtk_widget_path_iter_add_class(path, -1, name);
    }
    GtkStyleContext* style = gtk_style_context_new();
    gtk_style_context_set_path(style, path);
    gtk_style_context_set_parent(style, parent);
    gtk_widget_path_unref(path);
    return style;
}

wxColour ToColour(const GdkRGBA& rgba) {
    auto channel = [](double value) {
        return static_cast<unsigned char>(std::clamp(value, 0.0, 1.0) * 255.0 + 0.5);
    };
    return wxColour(channel(rgba.red), channel(rgba.green), channel(rgba.blue),
                    channel(rgba.alpha));
}

// Control characters would show as boxes in a one-line caption.
wxString SingleLine(const wxString& text) {
    wxString line;
    for (const wxUniChar c : text) {
        line += c.GetValue() < 0x20 ? wxUniChar(' ') : c;
    }
    return line;
}

GtkStateFlags StateFlagsOf(NoteFramePainter::ButtonState state) {
    switch (state) {
        case NoteFramePainter::ButtonState::kHovered:
            return GTK_STATE_FLAG_PRELIGHT;
        case NoteFramePainter::ButtonState::kPressed:
            return static_cast<GtkStateFlags>(GTK_STATE_FLAG_PRELIGHT | GTK_STATE_FLAG_ACTIVE);
        default:
            return GTK_STATE_FLAG_NORMAL;
    }
}

}  // namespace

struct NoteFramePainter::Styles {
    Styles()
        : window(NewStyle(nullptr, GTK_TYPE_WINDOW, "window", {"background"})),
          headerBar(NewStyle(window, GTK_TYPE_HEADER_BAR, "headerbar", {"titlebar"})),
          title(NewStyle(headerBar, GTK_TYPE_LABEL, "label", {"title"})),
          button(NewStyle(headerBar, GTK_TYPE_BUTTON, "button", {"titlebutton", "close"})),
          image(NewStyle(button, GTK_TYPE_IMAGE, "image", {})) {}

    ~Styles() {
        for (GtkStyleContext* style : {image, button, title, headerBar, window}) {
            g_object_unref(style);
        }
    }

    void SetState(bool active, GtkStateFlags buttonState) {
        const GtkStateFlags base = active ? GTK_STATE_FLAG_NORMAL : GTK_STATE_FLAG_BACKDROP;
        for (GtkStyleContext* style : {window, headerBar, title}) {
            gtk_style_context_set_state(style, base);
        }
        const auto flags = static_cast<GtkStateFlags>(base | buttonState);
        gtk_style_context_set_state(button, flags);
        gtk_style_context_set_state(image, flags);
    }

    GtkStyleContext* window;
    GtkStyleContext* headerBar;
    GtkStyleContext* title;
    GtkStyleContext* button;
    GtkStyleContext* image;
};

NoteFramePainter::NoteFramePainter() : styles_(std::make_unique<Styles>()) {
    PangoFontDescription* font = nullptr;
    gtk_style_context_get(styles_->title, GTK_STATE_FLAG_NORMAL, GTK_STYLE_PROPERTY_FONT, &font,
                          nullptr);
    if (font != nullptr) {
        char* description = pango_font_description_to_string(font);
        titleFont_ = wxFont(wxString::FromUTF8(description));
        g_free(description);
        pango_font_description_free(font);
    }
    if (!titleFont_.IsOk()) {
        titleFont_ = wxSystemSettings::GetFont(wxSYS_DEFAULT_GUI_FONT).Bold();
    }
}

NoteFramePainter::~NoteFramePainter() = default;

NoteFrameMetrics NoteFramePainter::Metrics() const {
    wxScreenDC dc;
    dc.SetFont(titleFont_);
    const int textHeight = dc.GetCharHeight();

    GtkBorder padding;
    GtkBorder border;
    gtk_style_context_get_padding(styles_->button, GTK_STATE_FLAG_NORMAL, &padding);
    gtk_style_context_get_border(styles_->button, GTK_STATE_FLAG_NORMAL, &border);
    const int buttonSize =
        kIconSize + std::max(padding.left + padding.right + border.left + border.right,
                             padding.top + padding.bottom + border.top + border.bottom);

    NoteFrameMetrics metrics;
    metrics.captionHeight = std::max(textHeight + 2 * kCaptionPadding, buttonSize + 4);
    metrics.closeButtonSize = std::min(buttonSize, metrics.captionHeight - 4);
    return metrics;
}

void NoteFramePainter::Paint(wxDC& dc, const NoteFrameMetrics& metrics, const wxSize& size,
                             const wxString& title, ButtonState closeButton, bool active) const {
    const Rect caption = CaptionRect(metrics, size.x);
    const Rect close = CloseButtonRect(metrics, size.x);
    styles_->SetState(active, StateFlagsOf(closeButton));

    wxGraphicsContext* graphics = dc.GetGraphicsContext();
    auto* cairo =
        graphics != nullptr ? static_cast<cairo_t*>(graphics->GetNativeContext()) : nullptr;
    PaintBackground(dc, cairo, size, caption, close);
    PaintCloseGlyph(dc, cairo, close);
    PaintTitle(dc, title, size.x, caption, close);
    PaintOutline(dc, size);
}

void NoteFramePainter::PaintBackground(wxDC& dc, cairo_t* cairo, const wxSize& size,
                                       const Rect& caption, const Rect& close) const {
    if (cairo == nullptr) {
        dc.SetBrush(wxBrush(wxSystemSettings::GetColour(wxSYS_COLOUR_BTNFACE)));
        dc.SetPen(*wxTRANSPARENT_PEN);
        dc.DrawRectangle(0, 0, size.x, size.y);
        return;
    }
    gtk_render_background(styles_->window, cairo, 0, 0, size.x, size.y);
    gtk_render_background(styles_->headerBar, cairo, caption.left, caption.top, caption.Width(),
                          caption.Height());
    gtk_render_frame(styles_->headerBar, cairo, caption.left, caption.top, caption.Width(),
                     caption.Height());
    gtk_render_background(styles_->button, cairo, close.left, close.top, close.Width(),
                          close.Height());
    gtk_render_frame(styles_->button, cairo, close.left, close.top, close.Width(), close.Height());
}

// The theme's own symbolic icon, or a drawn cross without one.
void NoteFramePainter::PaintCloseGlyph(wxDC& dc, cairo_t* cairo, const Rect& close) const {
    if (cairo != nullptr && PaintCloseIcon(cairo, close)) {
        return;
    }
    GdkRGBA rgba;
    gtk_style_context_get_color(styles_->image, gtk_style_context_get_state(styles_->image), &rgba);
    const int inset = close.Width() / 2 - 4;
    dc.SetPen(wxPen(ToColour(rgba), 2));
    dc.DrawLine(close.left + inset, close.top + inset, close.right - inset, close.bottom - inset);
    dc.DrawLine(close.right - inset, close.top + inset, close.left + inset, close.bottom - inset);
}

bool NoteFramePainter::PaintCloseIcon(cairo_t* cairo, const Rect& close) const {
    GtkIconInfo* icon =
        gtk_icon_theme_lookup_icon(gtk_icon_theme_get_default(), "window-close-symbolic", kIconSize,
                                   GTK_ICON_LOOKUP_FORCE_SIZE);
    if (icon == nullptr) {
        return false;
    }
    GdkPixbuf* pixels =
        gtk_icon_info_load_symbolic_for_context(icon, styles_->image, nullptr, nullptr);
    g_object_unref(icon);
    if (pixels == nullptr) {
        return false;
    }
    const int x = close.left + (close.Width() - gdk_pixbuf_get_width(pixels)) / 2;
    const int y = close.top + (close.Height() - gdk_pixbuf_get_height(pixels)) / 2;
    cairo_save(cairo);
    gdk_cairo_set_source_pixbuf(cairo, pixels, x, y);
    cairo_paint(cairo);
    cairo_restore(cairo);
    g_object_unref(pixels);
    return true;
}

// Centred on the caption like the theme's own titles, but moved left and then shortened with an
// ellipsis where the close button would cover it.
void NoteFramePainter::PaintTitle(wxDC& dc, const wxString& title, int width, const Rect& caption,
                                  const Rect& close) const {
    const int available = close.left - kTitleMargin - (caption.left + kTitleMargin);
    if (available <= 0) {
        return;
    }
    GdkRGBA rgba;
    gtk_style_context_get_color(styles_->title, gtk_style_context_get_state(styles_->title), &rgba);
    dc.SetFont(titleFont_);
    dc.SetTextForeground(ToColour(rgba));
    const wxString shown = wxControl::Ellipsize(SingleLine(title), dc, wxELLIPSIZE_END, available);
    const wxSize extent = dc.GetTextExtent(shown);
    const int centred = (width - extent.x) / 2;
    const int x = std::max(caption.left + kTitleMargin,
                           std::min(centred, close.left - kTitleMargin - extent.x));
    const int y = caption.top + (caption.Height() - extent.y) / 2;
    dc.DrawText(shown, x, y);
}

// An outline, since nothing else separates the note from what lies behind it.
void NoteFramePainter::PaintOutline(wxDC& dc, const wxSize& size) const {
    GdkRGBA* outline = nullptr;
    gtk_style_context_get(styles_->headerBar, gtk_style_context_get_state(styles_->headerBar),
                          "border-bottom-color", &outline, nullptr);
    dc.SetPen(wxPen(outline != nullptr ? ToColour(*outline)
                                       : wxSystemSettings::GetColour(wxSYS_COLOUR_3DSHADOW)));
    if (outline != nullptr) {
        gdk_rgba_free(outline);
    }
    dc.SetBrush(*wxTRANSPARENT_BRUSH);
    dc.DrawRectangle(0, 0, size.x, size.y);
}

}  // namespace calvendra
