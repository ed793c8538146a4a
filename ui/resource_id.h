// Resource identifiers of veskor.exe, shared by the resource script and the code.
#pragma once

#define VESKOR_ICON 1
