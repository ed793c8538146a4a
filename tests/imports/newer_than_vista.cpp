// A program the import check must refuse: it imports GetDpiForWindow (Windows 10, version 1607)
// from user32.dll, where Veskor looks it up at run time instead.
#include <windows.h>

int main() {
    return static_cast<int>(GetDpiForWindow(nullptr) == 0);
}
