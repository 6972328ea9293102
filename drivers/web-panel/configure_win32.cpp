// The driver's settings dialog on Windows, opened from "Select driver".
#include <windows.h>

#include <string>

#include "drivers/common/win32_dialog_template.h"
#include "drivers/virtual/virtual_settings.h"
#include "drivers/web-panel/web_settings.h"
#include "plugin/api/glancer_plugin.hpp"

namespace webpanel {
namespace {

enum : WORD { kAddress = 100, kPort, kXPixels, kYPixels, kXChars, kYChars, kLit, kUnlit, kScale };

struct Number {
    WORD id;
    const char* name;
    const char* label;
    std::uint32_t low, high;
};
constexpr Number kNumbers[] = {{kPort, "Port", "Port:", 0, 65535},
                               {kXPixels, "XPixels", "Width in pixels:", 1, kMaxPixels},
                               {kYPixels, "YPixels", "Height in pixels:", 1, kMaxPixels},
                               {kXChars, "XChars", "Text columns:", 1, kMaxChars},
                               {kYChars, "YChars", "Text rows:", 1, kMaxChars},
                               {kScale, "Scale", "Browser pixels per panel pixel (0 fits):", 0, kMaxScale}};

void Fill(HWND dialog)
{
    const Settings settings = ReadSettings(glancer::Services());
    SetDlgItemTextA(dialog, kAddress, settings.address.c_str());
    const std::uint32_t values[] = {settings.port,           settings.geometry.xPixels, settings.geometry.yPixels,
                                    settings.geometry.xChars, settings.geometry.yChars,  settings.scale};
    for (std::size_t i = 0; i < std::size(kNumbers); ++i)
        SetDlgItemInt(dialog, kNumbers[i].id, values[i], FALSE);
    SetDlgItemTextA(dialog, kLit, vdisplay::FormatColour(settings.litColour).c_str());
    SetDlgItemTextA(dialog, kUnlit, vdisplay::FormatColour(settings.unlitColour).c_str());
}

bool Refuse(HWND dialog, WORD id, const std::string& text)
{
    MessageBoxA(dialog, text.c_str(), kName, MB_OK | MB_ICONWARNING);
    SetFocus(GetDlgItem(dialog, id));
    return false;
}

bool Store(HWND dialog)
{
    std::uint32_t values[std::size(kNumbers)];
    for (std::size_t i = 0; i < std::size(kNumbers); ++i) {
        BOOL ok = FALSE;
        values[i] = GetDlgItemInt(dialog, kNumbers[i].id, &ok, FALSE);
        if (!ok || values[i] < kNumbers[i].low || values[i] > kNumbers[i].high)
            return Refuse(dialog, kNumbers[i].id,
                          std::string(kNumbers[i].name) + " must be a number from " +
                              std::to_string(kNumbers[i].low) + " to " + std::to_string(kNumbers[i].high) + ".");
    }
    char lit[GLANCER_TEXT_SIZE] = "";
    char unlit[GLANCER_TEXT_SIZE] = "";
    std::uint32_t colour = 0;
    GetDlgItemTextA(dialog, kLit, lit, sizeof lit);
    GetDlgItemTextA(dialog, kUnlit, unlit, sizeof unlit);
    if (!vdisplay::ParseColour(lit, colour))
        return Refuse(dialog, kLit, "The lit colour must be six hexadecimal digits RRGGBB.");
    if (!vdisplay::ParseColour(unlit, colour))
        return Refuse(dialog, kUnlit, "The unlit colour must be six hexadecimal digits RRGGBB.");
    char address[GLANCER_TEXT_SIZE] = "";
    GetDlgItemTextA(dialog, kAddress, address, sizeof address);

    const glancer::Settings stored(kSettingsSection, kName);
    stored.WriteText("Address", address);
    for (std::size_t i = 0; i < std::size(kNumbers); ++i)
        stored.WriteNumber(kNumbers[i].name, values[i]);
    stored.WriteText("LitColour", lit);
    stored.WriteText("UnlitColour", unlit);
    return true;
}

INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wparam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        Fill(dialog);
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wparam) == IDOK && Store(dialog))
            EndDialog(dialog, IDOK);
        else if (LOWORD(wparam) == IDCANCEL)
            EndDialog(dialog, IDCANCEL);
        return TRUE;
    default:
        return FALSE;
    }
}

} // namespace

bool Configure()
{
    glancer_win32::DialogTemplate dialog("Web panel settings", 220, 212);
    dialog.AddStatic("Address (127.0.0.1: this computer only):", 0xFFFF, 7, 9, 140, 8);
    dialog.AddEdit(kAddress, 150, 7, 63, 12);
    short y = 25;
    for (const Number& field : kNumbers) {
        dialog.AddStatic(field.label, 0xFFFF, 7, static_cast<short>(y + 2), 140, 8);
        dialog.AddEdit(field.id, 150, y, 40, 12, ES_NUMBER);
        y = static_cast<short>(y + 16);
    }
    dialog.AddStatic("Lit colour (RRGGBB):", 0xFFFF, 7, static_cast<short>(y + 2), 140, 8);
    dialog.AddEdit(kLit, 150, y, 40, 12);
    y = static_cast<short>(y + 16);
    dialog.AddStatic("Unlit colour (RRGGBB):", 0xFFFF, 7, static_cast<short>(y + 2), 140, 8);
    dialog.AddEdit(kUnlit, 150, y, 40, 12);
    y = static_cast<short>(y + 20);
    dialog.AddStatic("Changes take effect when Glancer next starts.", 0xFFFF, 7, y, 206, 8);
    y = static_cast<short>(y + 16);
    dialog.AddButton("OK", IDOK, 107, y, 50, 14, BS_DEFPUSHBUTTON);
    dialog.AddButton("Cancel", IDCANCEL, 163, y, 50, 14);
    DialogBoxIndirectParamA(glancer_win32::ThisModule(), dialog.Get(), GetActiveWindow(), DialogProc, 0);
    return true;
}

} // namespace webpanel
