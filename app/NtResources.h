// app/NtResources.h
// The resource source of NT-family Windows: USER and GDI object use against their limits.
#pragma once

// True when the system can count objects (GetGuiResources exists).
bool ObjectCountsAvailable();
// The free figure for a selector (0 system, 1 GDI, 2 User), measured at most once a
// second. Raises "Can't load USER.EXE!" when the system cannot count objects and
// "Can't get address of GetFreeSystemResources!" when it says counting is not implemented.
unsigned short ObjectCountsFreeResources(unsigned short selector);
