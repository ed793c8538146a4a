// Chooses the controls' font: the 8-point dialog face, smaller only where a caption would not fit.
#include "control_font.h"

#include "control_table.h"
#include "dpi.h"

namespace veskor {

namespace {

HFONT CreateDialogFont(int pixelHeight) {
    LOGFONTW font{};
    font.lfHeight = -pixelHeight;
    font.lfWeight = FW_NORMAL;
    font.lfCharSet = DEFAULT_CHARSET;
    font.lfPitchAndFamily = DEFAULT_PITCH | FF_SWISS;
    lstrcpynW(font.lfFaceName, L"MS Shell Dlg 2", LF_FACESIZE);
    return CreateFontIndirectW(&font);
}

// The width a control leaves for its caption: what its box, frame or borders take is subtracted.
int CaptionRoom(const ControlRow& control, UINT dpi) {
    const int width =
        TwipsToPixels(control.left + control.width, dpi) - TwipsToPixels(control.left, dpi);
    const int edge = TwipsToPixels(15, dpi);
    switch (control.kind) {
    case ControlKind::CheckBox:
        return width - MulDiv(13, static_cast<int>(dpi), 96) - 4 * edge;
    case ControlKind::PushButton:
        return width - 6 * edge;
    case ControlKind::GroupBox:
        return width - 12 * edge;
    default:
        return width;
    }
}

// True when every caption, drawn in the font, fits its control.
bool CaptionsFit(HDC context, HFONT font, UINT dpi) {
    HGDIOBJ earlier = SelectObject(context, font);
    bool fit = true;
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
            fit = false;
            break;
        }
    }
    SelectObject(context, earlier);
    return fit;
}

} // namespace

HFONT CreateControlFont(UINT dpi) {
    const int largest = MulDiv(8, static_cast<int>(dpi), 72);
    const int smallest = MulDiv(7, static_cast<int>(dpi), 72);
    HDC screen = GetDC(nullptr);
    for (int height = largest; screen && height > smallest; --height) {
        HFONT font = CreateDialogFont(height);
        if (font && CaptionsFit(screen, font, dpi)) {
            ReleaseDC(nullptr, screen);
            return font;
        }
        if (font) {
            DeleteObject(font);
        }
    }
    if (screen) {
        ReleaseDC(nullptr, screen);
    }
    return CreateDialogFont(smallest);
}

} // namespace veskor
