// Fonts at the DPI of the window they are for, and the pointing-hand cursor.
#include "app/shell.h"

#include "platform/win32/wide.h"

#include <array>
#include <cstring>

int window_dpi(HWND window) {
    // Per monitor where Windows tells it (Windows 10 and later), else the system's.
    using GetDpiForWindowProc = UINT(WINAPI*)(HWND);
    static const auto for_window = reinterpret_cast<GetDpiForWindowProc>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
    if (window && for_window) {
        const UINT dpi = for_window(window);
        if (dpi > 0) return static_cast<int>(dpi);
    }
    const int dpi = GetDeviceCaps(WindowDC(nullptr).get(), LOGPIXELSY);
    return dpi > 0 ? dpi : 96;
}

int scaled(HWND window, int pixels_at_96) {
    return MulDiv(pixels_at_96, window_dpi(window), 96);
}

HFONT make_ui_font(int dpi) {
    // The system's message font, sized for `dpi` rather than for the system's DPI.
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    if (!SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0))
        return static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    metrics.lfMessageFont.lfHeight = MulDiv(metrics.lfMessageFont.lfHeight, dpi, window_dpi(nullptr));
    HFONT made = CreateFontIndirectW(&metrics.lfMessageFont);
    return made ? made : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
}

HFONT make_font(const char* face, int points, bool bold, bool italic, bool underline, int dpi) {
    HFONT stock = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    LOGFONTW font{};
    if (!GetObjectW(stock, sizeof font, &font)) return stock;
    if (face && *face) {
        const std::wstring wide = widen(face);
        const std::size_t length = wide.size() < 30 ? wide.size() : 30; // 30 characters at most
        wide.copy(font.lfFaceName, length);
        font.lfFaceName[length] = L'\0';
    }
    if (points != 0) font.lfHeight = -MulDiv(points, dpi, 72);
    const bool symbol = face && equal_nocase(face, "Wingdings", 10);
    HFONT made =
        CreateFontW(font.lfHeight, 0, 0, 0, bold ? 700 : 400, italic, underline, FALSE,
                    symbol ? SYMBOL_CHARSET : DEFAULT_CHARSET, OUT_TT_PRECIS, CLIP_DEFAULT_PRECIS,
                    DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, font.lfFaceName);
    return made ? made : stock;
}

HCURSOR create_hand_cursor(HINSTANCE instance) {
    // "." transparent, "#" black, "o" white; rows below 21 are transparent.
    static const char* const picture[] = {
        ".....##.........................", "....#oo#........................",
        "....#oo#........................", "....#oo#........................",
        "....#oo#........................", "....#oo###......................",
        "....#oo#oo###...................", "....#oo#oo#oo##.................",
        "....#oo#oo#oo#o#................", "###.#oo#oo#oo#oo#...............",
        "#oo##oooooooo#oo#...............", "#ooo#ooooooooooo#...............",
        ".#oo#ooooooooooo#...............", "..#o#ooooooooooo#...............",
        "..#ooooooooooooo#...............", "...#oooooooooooo#...............",
        "...#ooooooooooo#................", "....#oooooooooo#................",
        "....#oooooooooo#................", ".....#oooooooo#.................",
        ".....#oooooooo#.................", ".....##########.................",
    };
    std::array<BYTE, 128> and_plane;
    std::array<BYTE, 128> xor_plane{};
    and_plane.fill(0xFF);
    for (int row = 0; row < 22; ++row) {
        for (int column = 0; column < 32; ++column) {
            const char pixel = picture[row][column];
            const int byte = row * 4 + column / 8;
            const BYTE bit = static_cast<BYTE>(0x80 >> (column % 8));
            if (pixel != '.') and_plane[byte] = static_cast<BYTE>(and_plane[byte] & ~bit);
            if (pixel == 'o') xor_plane[byte] = static_cast<BYTE>(xor_plane[byte] | bit);
        }
    }
    return CreateCursor(instance, 5, 0, 32, 32, and_plane.data(), xor_plane.data());
}
