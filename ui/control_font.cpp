// Chooses the controls' font: the 8-point dialog face, smaller only where a caption would not fit.
#include "control_font.h"

#include "control_kind.h"
#include "control_table.h"
#include "dpi.h"

namespace veskor {

namespace {

FontOwner CreateDialogFont(int pixelHeight) {
    LOGFONTW font{};
    font.lfHeight = -pixelHeight;
    font.lfWeight = FW_NORMAL;
    font.lfCharSet = DEFAULT_CHARSET;
    font.lfPitchAndFamily = DEFAULT_PITCH | FF_SWISS;
    lstrcpynW(font.lfFaceName, L"MS Shell Dlg 2", LF_FACESIZE);
    return FontOwner(CreateFontIndirectW(&font));
}

// The width a control leaves for its caption: what its box, frame or borders take is subtracted.
int CaptionRoom(const ControlRow& control, UINT dpi) {
    const ControlKindRow& kind = KindOf(control.kind);
    const int width =
        TwipsToPixels(control.left + control.width, dpi) - TwipsToPixels(control.left, dpi);
    return width - kind.captionEdges * TwipsToPixels(15, dpi) -
           MulDiv(kind.captionPixelsAt96, static_cast<int>(dpi), 96);
}

// True when every caption, drawn in the font, fits its control.
bool CaptionsFit(HDC context, HFONT font, UINT dpi) {
    const Selection selected(context, font);
    for (const ControlRow& control : ControlTable()) {
        if (control.caption.empty()) {
            continue;
        }
        SIZE text{};
        GetTextExtentPoint32W(context, control.caption.data(),
                              static_cast<int>(control.caption.size()), &text);
        // The blank a last character leaves after its ink may be clipped unseen.
        ABC last{};
        const UINT lastCharacter = control.caption.back();
        if (GetCharABCWidthsW(context, lastCharacter, lastCharacter, &last) && last.abcC > 0) {
            text.cx -= last.abcC;
        }
        if (text.cx > CaptionRoom(control, dpi)) {
            return false;
        }
    }
    return true;
}

} // namespace

FontOwner CreateControlFont(UINT dpi) {
    const int largest = MulDiv(8, static_cast<int>(dpi), 72);
    const int smallest = MulDiv(7, static_cast<int>(dpi), 72);
    const ScreenContext screen;
    for (int height = largest; screen.get() && height > smallest; --height) {
        FontOwner font = CreateDialogFont(height);
        if (font && CaptionsFit(screen.get(), font.get(), dpi)) {
            return font;
        }
    }
    return CreateDialogFont(smallest);
}

} // namespace veskor
