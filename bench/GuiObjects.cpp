// bench/GuiObjects.cpp
// GDI and USER objects held by other programs of the same wineserver, for the soak.
//   GuiObjects.exe NAME.exe...   prints "NAME gdi=N windows=N guiresources=G/U" per program
//   GuiObjects.exe --self-check  creates and frees objects of its own and checks the counts follow
//   GuiObjects.exe --post MSG LPARAM NAME.exe   posts message MSG (wParam 0) to every window of
//                                the program, message-only ones included: the benchmark uses it
//                                to hand the tray icon a double click
// Wine's GetGuiResources is a stub that answers 0 (it is printed as guiresources so a later
// Wine that answers shows it). So GDI objects are counted from the program's own GDI handle
// table (GdiHandleTable.h). An icon holds two GDI bitmaps, so a leaked icon shows there
// too. USER objects live in the wineserver, out of reach; the windows (top-level, children and message-only)
// are what is counted of them, and the wineserver's memory covers the rest.
#include <windows.h>

#include <tlhelp32.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "GdiHandleTable.h"

namespace {

// Entries in use of the process's GDI table, or -1 when it cannot be read.
int GdiObjects(HANDLE process)
{
    return GdiCounts(process).Objects;
}

struct WindowCount {
    DWORD pid;
    int count;
    int visible;
    UINT post; // a message to post to each (0: none)
    LPARAM postParam;
};

BOOL CALLBACK CountChild(HWND wnd, LPARAM param)
{
    auto* c = reinterpret_cast<WindowCount*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(wnd, &pid);
    if (pid != c->pid) return TRUE;
    ++c->count;
    c->visible += IsWindowVisible(wnd) ? 1 : 0;
    if (c->post) PostMessageA(wnd, c->post, 0, c->postParam);
    return TRUE;
}

BOOL CALLBACK CountTop(HWND wnd, LPARAM param)
{
    CountChild(wnd, param);
    EnumChildWindows(wnd, CountChild, param);
    return TRUE;
}

WindowCount Windows(DWORD pid, UINT post = 0, LPARAM postParam = 0)
{
    WindowCount c{pid, 0, 0, post, postParam};
    EnumWindows(CountTop, reinterpret_cast<LPARAM>(&c));
    for (HWND w = nullptr; (w = FindWindowExA(HWND_MESSAGE, w, nullptr, nullptr));) CountTop(w, reinterpret_cast<LPARAM>(&c));
    return c;
}

void Report(const char* name, DWORD pid)
{
    HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid);
    if (!process) {
        std::printf("%s cannot be opened (%lu)\n", name, GetLastError());
        return;
    }
    const WindowCount w = Windows(pid);
    std::printf("%s gdi=%d windows=%d visible=%d guiresources=%lu/%lu\n", name, GdiObjects(process), w.count,
                w.visible, GetGuiResources(process, GR_GDIOBJECTS), GetGuiResources(process, GR_USEROBJECTS));
    CloseHandle(process);
}

// The count follows objects made and freed here, so the layout above is the one Wine uses.
int SelfCheck()
{
    HANDLE self = GetCurrentProcess();
    const int before = GdiObjects(self);
    std::vector<HBRUSH> brushes;
    for (int i = 0; i < 100; ++i) brushes.push_back(CreateSolidBrush(RGB(i, 0, 0)));
    const int during = GdiObjects(self);
    for (HBRUSH b : brushes) DeleteObject(b);
    const int after = GdiObjects(self);
    std::printf("self-check: gdi %d, with 100 brushes %d, after freeing them %d\n", before, during, after);
    DeleteDC(CreateCompatibleDC(nullptr)); // the first one brings the display's own
    const int dcsBefore = GdiCounts(self).DCs;
    HDC dc = CreateCompatibleDC(nullptr);
    const int dcsDuring = GdiCounts(self).DCs;
    DeleteDC(dc);
    std::printf("self-check: device contexts %d, with one more %d\n", dcsBefore, dcsDuring);
    return before > 0 && during == before + 100 && after == before && dcsDuring == dcsBefore + 1 ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 2 && std::strcmp(argv[1], "--self-check") == 0) return SelfCheck();
    const bool post = argc == 5 && std::strcmp(argv[1], "--post") == 0;
    int found = 0;
    for (int a = post ? 4 : 1; a < argc; ++a) {
        HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
        PROCESSENTRY32 entry{};
        entry.dwSize = sizeof entry;
        bool seen = false;
        for (BOOL more = Process32First(snap, &entry); more; more = Process32Next(snap, &entry)) {
            if (lstrcmpiA(entry.szExeFile, argv[a]) != 0) continue;
            if (post)
                Windows(entry.th32ProcessID, static_cast<UINT>(std::atoi(argv[2])), std::atoi(argv[3]));
            else
                Report(argv[a], entry.th32ProcessID);
            seen = true;
        }
        CloseHandle(snap);
        if (!seen) std::printf("%s not running\n", argv[a]);
        found += seen;
    }
    return found == (post ? 1 : argc - 1) ? 0 : 1;
}
