// The floor of start-up for Veskor's window: what any program that shows the host's values in the
// same nineteen controls must do first. It opens the same three links as veskor.exe while its
// window is hidden, its controls made from the same table with the same classes, styles and
// eight-point font, under the same manifest, then shows the window. Nothing more: no panel, no
// binding, no relayout. Closed, it ends its conversations.
#include "controls_window.h"

int main() {
    veskor::FontOwner font;
    HWND window =
        veskor::test::CreateControlsWindow(L"Controls floor", L"VeskorControlsFloor", font);
    return veskor::test::RunFloor(window);
}
