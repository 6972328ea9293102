// The driver's settings dialog on Windows, opened from "Select driver".
#include <windows.h>

#include <string>
#include <vector>

#include "drivers/common/serial_port.h"
#include "drivers/common/win32_dialog_template.h"
#include "drivers/serial-lcd/serial_settings.h"
#include "plugin/api/glancer_plugin.hpp"

namespace seriallcd {
namespace {

enum : WORD { kPort = 100, kBaud, kColumns, kRows, kBacklight };

struct Numbers {
    WORD id;
    const char* name;
    std::uint32_t low, high;
};
constexpr Numbers kNumbers[] = {{kColumns, "Columns", 1, charpanel::kMaxColumns},
                                {kRows, "Rows", 1, charpanel::kMaxRows}};

void Fill(HWND dialog, const glancer::Settings& stored)
{
    const SerialSettings settings = ReadSerialSettings(stored);
    for (const std::string& port : panelcore::ListSerialPorts())
        SendDlgItemMessageA(dialog, kPort, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(port.c_str()));
    SetDlgItemTextA(dialog, kPort, settings.port.c_str());
    for (std::uint32_t baud : kBauds) {
        const std::string text = std::to_string(baud);
        const LRESULT at = SendDlgItemMessageA(dialog, kBaud, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
        if (baud == settings.baud)
            SendDlgItemMessageA(dialog, kBaud, CB_SETCURSEL, static_cast<WPARAM>(at), 0);
    }
    SetDlgItemInt(dialog, kColumns, settings.geometry.columns, FALSE);
    SetDlgItemInt(dialog, kRows, settings.geometry.rows, FALSE);
    CheckDlgButton(dialog, kBacklight, settings.options.backlight ? BST_CHECKED : BST_UNCHECKED);
}

bool Store(HWND dialog, const glancer::Settings& stored)
{
    for (const Numbers& field : kNumbers) {
        BOOL ok = FALSE;
        const UINT value = GetDlgItemInt(dialog, field.id, &ok, FALSE);
        if (!ok || value < field.low || value > field.high) {
            const std::string text = std::string(field.name) + " must be a number from " + std::to_string(field.low) +
                                     " to " + std::to_string(field.high) + ".";
            MessageBoxA(dialog, text.c_str(), kName, MB_OK | MB_ICONWARNING);
            SetFocus(GetDlgItem(dialog, field.id));
            return false;
        }
        stored.WriteNumber(field.name, value);
    }
    char port[GLANCER_TEXT_SIZE] = "";
    GetDlgItemTextA(dialog, kPort, port, sizeof port);
    stored.WriteText("Port", port);
    const LRESULT baud = SendDlgItemMessageA(dialog, kBaud, CB_GETCURSEL, 0, 0);
    if (baud >= 0 && baud < 5)
        stored.WriteNumber("Baud", kBauds[baud]);
    stored.WriteNumber("Backlight", IsDlgButtonChecked(dialog, kBacklight) == BST_CHECKED ? 1 : 0);
    return true;
}

INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam)
{
    const auto* stored = reinterpret_cast<const glancer::Settings*>(GetWindowLongPtrA(dialog, DWLP_USER));
    switch (message) {
    case WM_INITDIALOG:
        SetWindowLongPtrA(dialog, DWLP_USER, lparam);
        Fill(dialog, *reinterpret_cast<const glancer::Settings*>(lparam));
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wparam) == IDOK && Store(dialog, *stored))
            EndDialog(dialog, IDOK);
        else if (LOWORD(wparam) == IDCANCEL)
            EndDialog(dialog, IDCANCEL);
        return TRUE;
    default:
        return FALSE;
    }
}

} // namespace

bool ConfigureSerialLcd(const glancer::Settings& stored)
{
    glancer_win32::DialogTemplate dialog("Serial LCD settings", 200, 126);
    const char* labels[] = {"Port (the COM ports present are listed):", "Baud:", "Columns:", "Rows:"};
    for (short row = 0; row < 4; ++row)
        dialog.AddStatic(labels[row], 0xFFFF, 7, static_cast<short>(9 + 16 * row), 130, 8);
    dialog.AddCombo(kPort, 140, 7, 53, 120, CBS_DROPDOWN | CBS_AUTOHSCROLL);
    dialog.AddCombo(kBaud, 140, 23, 53, 100);
    dialog.AddEdit(kColumns, 140, 39, 30, 12, ES_NUMBER);
    dialog.AddEdit(kRows, 140, 55, 30, 12, ES_NUMBER);
    dialog.AddButton("Backlight on", kBacklight, 7, 71, 100, 12, BS_AUTOCHECKBOX);
    dialog.AddStatic("Changes take effect when Glancer next starts.", 0xFFFF, 7, 89, 186, 8);
    dialog.AddButton("OK", IDOK, 87, 105, 50, 14, BS_DEFPUSHBUTTON);
    dialog.AddButton("Cancel", IDCANCEL, 143, 105, 50, 14);
    DialogBoxIndirectParamA(glancer_win32::ThisModule(), dialog.Get(), GetActiveWindow(), DialogProc,
                            reinterpret_cast<LPARAM>(&stored));
    return true;
}

} // namespace seriallcd
