#include "message_box.h"

#include <vector>

namespace e2e {

namespace {

const char kCaption[] = "Uninstall";
const int kIconSize = 32;
const COLORREF kKnownBackground = RGB(255, 0, 255);
const DWORD kWatchLimitMs = 30000;

struct BoxWindows {
    HWND text;
    HWND icon;
    HWND button;
};

// A search for boxes: those of one process, or of any when processId is 0.
struct Search {
    DWORD processId;
    HWND box;
    int count;
};

BOOL CALLBACK FindBox(HWND window, LPARAM parameter) {
    Search* search = reinterpret_cast<Search*>(parameter);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    char caption[64] = "";
    GetWindowTextA(window, caption, sizeof caption);
    bool ours = search->processId == 0 || owner == search->processId;
    if (!ours || !IsWindowVisible(window) || lstrcmpA(caption, kCaption) != 0) return TRUE;
    search->box = window;
    ++search->count;
    return search->processId == 0;
}

BOOL CALLBACK SortChild(HWND child, LPARAM parameter) {
    BoxWindows* windows = reinterpret_cast<BoxWindows*>(parameter);
    char type[32] = "";
    GetClassNameA(child, type, sizeof type);
    LONG style = GetWindowLongA(child, GWL_STYLE);
    if (lstrcmpiA(type, "Button") == 0) {
        windows->button = child;
    } else if (lstrcmpiA(type, "Static") == 0) {
        if ((style & SS_TYPEMASK) == SS_ICON) {
            windows->icon = child;
        } else if (GetWindowTextLengthA(child) > 0) {
            windows->text = child;
        }
    }
    return TRUE;
}

std::string TextOf(HWND window) {
    DWORD_PTR length = 0;
    SendMessageTimeoutA(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 2000, &length);
    std::vector<char> text(length + 1);
    DWORD_PTR copied = 0;
    SendMessageTimeoutA(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()),
                        SMTO_ABORTIFHUNG, 2000, &copied);
    return std::string(text.data(), copied);
}

// Pixels of a 32x32 area; the first one is taken as the background.
std::vector<COLORREF> Pixels(HDC source, int x, int y) {
    HDC copy = CreateCompatibleDC(source);
    HBITMAP bits = CreateCompatibleBitmap(source, kIconSize, kIconSize);
    HGDIOBJ old = SelectObject(copy, bits);
    BitBlt(copy, 0, 0, kIconSize, kIconSize, source, x, y, SRCCOPY);
    std::vector<COLORREF> pixels;
    for (int row = 0; row < kIconSize; ++row) {
        for (int column = 0; column < kIconSize; ++column) pixels.push_back(GetPixel(copy, column, row));
    }
    SelectObject(copy, old);
    DeleteObject(bits);
    DeleteDC(copy);
    return pixels;
}

// The icon drawn by this program onto background; empty when it cannot be.
std::vector<COLORREF> Drawn(HICON icon, COLORREF background) {
    HDC screen = GetDC(nullptr);
    HDC canvas = CreateCompatibleDC(screen);
    HBITMAP bits = CreateCompatibleBitmap(screen, kIconSize, kIconSize);
    HGDIOBJ old = SelectObject(canvas, bits);
    RECT all = {0, 0, kIconSize, kIconSize};
    HBRUSH brush = CreateSolidBrush(background);
    FillRect(canvas, &all, brush);
    DeleteObject(brush);
    bool drawn = icon && DrawIconEx(canvas, 0, 0, icon, kIconSize, kIconSize, 0, nullptr, DI_NORMAL);
    std::vector<COLORREF> pixels = drawn ? Pixels(canvas, 0, 0) : std::vector<COLORREF>();
    SelectObject(canvas, old);
    DeleteObject(bits);
    DeleteDC(canvas);
    ReleaseDC(nullptr, screen);
    return pixels;
}

// The box's own icon (STM_GETICON), drawn here onto a known background, so
// that nothing on screen around or over the box counts. Where another
// process's icon cannot be drawn here (Wine keeps icon images per process),
// the box's icon area on screen is read instead, its first pixel taken as
// the background.
std::vector<COLORREF> ShownIcon(HWND iconWindow, COLORREF* background) {
    DWORD_PTR icon = 0;
    SendMessageTimeoutA(iconWindow, STM_GETICON, 0, 0, SMTO_ABORTIFHUNG, 2000, &icon);
    *background = kKnownBackground;
    std::vector<COLORREF> pixels = Drawn(reinterpret_cast<HICON>(icon), *background);
    if (!pixels.empty()) return pixels;
    RECT area;
    GetWindowRect(iconWindow, &area);
    HDC screen = GetDC(nullptr);
    pixels = Pixels(screen, area.left, area.top);
    ReleaseDC(nullptr, screen);
    *background = pixels[0];
    return pixels;
}

// The icon is told by its pixels, compared with each system icon drawn the
// same way: a handle from another process says nothing here.
std::string IconOf(HWND iconWindow) {
    struct Candidate {
        LPCSTR id;
        const char* name;
    } const candidates[] = {{IDI_ASTERISK, "information"}, {IDI_HAND, "error"},
                            {IDI_EXCLAMATION, "warning"}, {IDI_QUESTION, "question"}};
    COLORREF background = 0;
    std::vector<COLORREF> shown = ShownIcon(iconWindow, &background);
    for (const Candidate& candidate : candidates) {
        std::vector<COLORREF> drawn = Drawn(LoadIconA(nullptr, candidate.id), background);
        int differing = 0;
        for (std::size_t i = 0; i < shown.size(); ++i) differing += shown[i] != drawn[i];
        if (differing == 0) return candidate.name;
    }
    return "no icon matched";
}

BoxWindows PartsOf(HWND box) {
    BoxWindows windows = {nullptr, nullptr, nullptr};
    EnumChildWindows(box, SortChild, reinterpret_cast<LPARAM>(&windows));
    return windows;
}

// Reads the first box once it is drawn: its icon may take a moment to show.
void Read(HWND box, BoxSeen& seen) {
    BoxWindows windows = PartsOf(box);
    seen.text = windows.text ? TextOf(windows.text) : "<no text>";
    seen.icon = "<no icon>";
    for (int attempt = 0; windows.icon && attempt < 30; ++attempt) {
        Sleep(100);
        seen.icon = IconOf(windows.icon);
        if (seen.icon != "no icon matched") break;
    }
}

void PressOk(HWND box) {
    HWND button = PartsOf(box).button;
    PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(button));
}

}  // namespace

BoxSeen WatchBoxes(Started& started, const std::function<bool()>& conditionWhileOpen) {
    BoxSeen seen = {0, "", "", false, false};
    HWND last = nullptr;
    DWORD begun = GetTickCount();
    while (GetTickCount() - begun < kWatchLimitMs) {
        bool ended = !IsRunning(started);
        Search search = {started.process.dwProcessId, nullptr, 0};
        EnumWindows(FindBox, reinterpret_cast<LPARAM>(&search));
        if (search.box && search.box != last) {
            if (++seen.boxes == 1) {
                Read(search.box, seen);
                seen.processRunning = IsRunning(started);
                seen.conditionHeld = conditionWhileOpen();
            }
            PressOk(search.box);
            last = search.box;
        }
        if (ended) break;
        Sleep(50);
    }
    return seen;
}

int BoxesOpen() {
    Search search = {0, nullptr, 0};
    EnumWindows(FindBox, reinterpret_cast<LPARAM>(&search));
    return search.count;
}

}  // namespace e2e
