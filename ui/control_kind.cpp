// The table of control kinds.
#include "control_kind.h"

namespace veskor {

namespace {

// In ControlKind order. Every control starts a group of its own (the window adds WS_GROUP), so
// the arrow keys never move the focus. A group box is clipped by its siblings: it lies behind the
// controls it encloses and never paints over them. Labels never wrap, so a caption that did not
// fit would show as clipped rather than as a second line.
// clang-format off
constexpr ControlKindRow kKinds[] = {
//   class       style                                  extended style    focus  changed     edges  pixels
    {L"BUTTON",  BS_GROUPBOX | WS_CLIPSIBLINGS,         0,                false, {},         12,    0},  // corner and gap, twice
    {L"STATIC",  SS_LEFTNOWORDWRAP | SS_NOPREFIX,       0,                false, {},         0,     0},
    {L"EDIT",    ES_LEFT | ES_AUTOHSCROLL | WS_TABSTOP, WS_EX_CLIENTEDGE, true,  EN_CHANGE,  0,     0},
    {L"BUTTON",  BS_AUTOCHECKBOX | WS_TABSTOP,          0,                true,  BN_CLICKED, 4,     13}, // the box and its gap
    {L"BUTTON",  BS_PUSHBUTTON | WS_TABSTOP,            0,                true,  BN_CLICKED, 6,     0},  // borders, focus rectangle
};
// clang-format on

} // namespace

const ControlKindRow& KindOf(ControlKind kind) {
    return kKinds[static_cast<std::size_t>(kind)];
}

} // namespace veskor
