#pragma once

#include <memory>

#include <wx/dc.h>
#include <wx/font.h>
#include <wx/string.h>

#include "desktop/note_frame.h"

// As cairo.h declares it, so that users of the painter need not see GTK.
typedef struct _cairo cairo_t;

namespace calvendra {

// Draws a note's caption, close button and border with the current GTK theme's own header-bar
// styles, so that the self-drawn frame looks like the frames of the user's other windows.
class NoteFramePainter {
public:
    enum class ButtonState { kNormal, kHovered, kPressed };

    NoteFramePainter();
    ~NoteFramePainter();
    NoteFramePainter(const NoteFramePainter&) = delete;
    NoteFramePainter& operator=(const NoteFramePainter&) = delete;

    // Frame measures that suit the theme's title font.
    NoteFrameMetrics Metrics() const;

    // Paints the whole frame of a window of the given size: background, caption with the title
    // (ellipsized when it does not fit), close button and outline. An inactive window is drawn
    // the way the theme draws windows in the background.
    void Paint(wxDC& dc, const NoteFrameMetrics& metrics, const wxSize& size, const wxString& title,
               ButtonState closeButton, bool active) const;

private:
    struct Styles;

    // Without a cairo context (a DC that draws elsewhere) the parts fall back to plain drawing.
    void PaintBackground(wxDC& dc, cairo_t* cairo, const wxSize& size, const Rect& caption,
                         const Rect& close) const;
    void PaintCloseGlyph(wxDC& dc, cairo_t* cairo, const Rect& close) const;
    // False when the theme has no close icon.
    bool PaintCloseIcon(cairo_t* cairo, const Rect& close) const;
    void PaintTitle(wxDC& dc, const wxString& title, int width, const Rect& caption,
                    const Rect& close) const;
    void PaintOutline(wxDC& dc, const wxSize& size) const;

    std::unique_ptr<Styles> styles_;
    wxFont titleFont_;
};

}  // namespace calvendra
