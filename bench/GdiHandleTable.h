// bench/GdiHandleTable.h
// The GDI objects of a process, read from its GDI handle table: Wine keeps every GDI object
// of a process in a table the process's PEB points to (GdiSharedHandleTable), as Windows
// does, and its GetGuiResources is a stub that answers 0. Used by the soak's counter and by
// the tests that show a drawing path gives back what it takes.
#pragma once

#include <windows.h>

struct TGdiCounts {
    int Objects = -1; // entries in use, -1 when the table cannot be read
    int DCs = -1;     // of them, device contexts
};

// The GDI objects of a process opened with PROCESS_QUERY_INFORMATION | PROCESS_VM_READ
// (GetCurrentProcess() for this one).
TGdiCounts GdiCounts(HANDLE process);
