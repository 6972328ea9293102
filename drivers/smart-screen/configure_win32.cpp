// The driver's settings dialog on Windows, opened from "Select driver".
#include <windows.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "drivers/common/win32_dialog_template.h"
#include "drivers/smart-screen/smart_settings.h"
#include "drivers/smart-screen/usb_screens.h"
#include "drivers/virtual/virtual_settings.h"
#include "plugin/api/glancer_plugin.hpp"

namespace smartscreen {
namespace {

enum : WORD {
    kPort = 100,
    kFound,
    kRevision,
    kOrientation,
    kScale,
    kLit,
    kUnlit,
    kBackground,
    kColourMap,
    kBrightness,
    kOff
};

const char* const kRevisions[] = {"auto", "A", "B", "D", "WeAct"};
const char* const kOrientations[] = {"0", "90", "180", "270"};

void AddChoices(HWND dialog, WORD id, const char* const* texts, int count, const std::string& current)
{
    for (int i = 0; i < count; ++i) {
        SendDlgItemMessageA(dialog, id, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(texts[i]));
        if (current == texts[i])
            SendDlgItemMessageA(dialog, id, CB_SETCURSEL, static_cast<WPARAM>(i), 0);
    }
}

void Fill(HWND dialog, const glancer::Settings& stored)
{
    const SmartSettings settings = ReadSmartSettings(stored);
    SendDlgItemMessageA(dialog, kPort, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("auto"));
    const std::vector<FoundScreen> screens = FindScreens();
    for (const FoundScreen& screen : screens) {
        SendDlgItemMessageA(dialog, kPort, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(screen.port.c_str()));
        const std::string line = screen.port + ": " + screen.name + " (revision " +
                                 (screen.revision ? RevisionName(*screen.revision) : "?") + ")";
        SendDlgItemMessageA(dialog, kFound, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line.c_str()));
    }
    if (screens.empty())
        SendDlgItemMessageA(dialog, kFound, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>("(no screen found)"));
    SetDlgItemTextA(dialog, kPort, settings.port.c_str());
    AddChoices(dialog, kRevision, kRevisions, 5, settings.revision ? RevisionName(*settings.revision) : "auto");
    AddChoices(dialog, kOrientation, kOrientations, 4, std::to_string(settings.orientation));
    SetDlgItemInt(dialog, kScale, settings.scale, FALSE);
    SetDlgItemTextA(dialog, kLit, vdisplay::FormatColour(settings.litColour).c_str());
    SetDlgItemTextA(dialog, kUnlit, vdisplay::FormatColour(settings.unlitColour).c_str());
    SetDlgItemTextA(dialog, kBackground, settings.background.c_str());
    SetDlgItemTextA(dialog, kColourMap, settings.colourMap.c_str());
    SetDlgItemInt(dialog, kBrightness, settings.brightness, FALSE);
    CheckDlgButton(dialog, kOff, settings.offAtExit ? BST_CHECKED : BST_UNCHECKED);
}

std::string Text(HWND dialog, WORD id)
{
    char text[GLANCER_TEXT_SIZE] = "";
    GetDlgItemTextA(dialog, id, text, sizeof text);
    return text;
}

bool Refuse(HWND dialog, WORD id, const char* message)
{
    MessageBoxA(dialog, message, kName, MB_OK | MB_ICONWARNING);
    SetFocus(GetDlgItem(dialog, id));
    return false;
}

bool Store(HWND dialog, const glancer::Settings& stored)
{
    BOOL ok = FALSE;
    const UINT scale = GetDlgItemInt(dialog, kScale, &ok, FALSE);
    if (!ok || scale > 64)
        return Refuse(dialog, kScale, "Scale must be a number from 0 (the largest that fits) to 64.");
    const UINT brightness = GetDlgItemInt(dialog, kBrightness, &ok, FALSE);
    if (!ok || brightness > 100)
        return Refuse(dialog, kBrightness, "Brightness must be a number from 0 to 100.");
    std::uint32_t colour = 0;
    for (WORD id : {kLit, kUnlit}) {
        if (!vdisplay::ParseColour(Text(dialog, id).c_str(), colour))
            return Refuse(dialog, id, "Colours are six hexadecimal digits, RRGGBB.");
    }
    stored.WriteText("Port", Text(dialog, kPort));
    stored.WriteText("Revision", Text(dialog, kRevision));
    stored.WriteNumber("Orientation",
                       static_cast<std::uint32_t>(std::strtoul(Text(dialog, kOrientation).c_str(), nullptr, 10)));
    stored.WriteNumber("Scale", scale);
    stored.WriteText("LitColour", Text(dialog, kLit));
    stored.WriteText("UnlitColour", Text(dialog, kUnlit));
    stored.WriteText("Background", Text(dialog, kBackground));
    stored.WriteText("ColourMap", Text(dialog, kColourMap));
    stored.WriteNumber("Brightness", brightness);
    stored.WriteNumber("OffAtExit", IsDlgButtonChecked(dialog, kOff) == BST_CHECKED ? 1 : 0);
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

bool ConfigureSmartScreen(const glancer::Settings& stored)
{
    glancer_win32::DialogTemplate dialog("Smart screen settings", 250, 250);
    dialog.AddStatic("Screens found (USB):", 0xFFFF, 7, 7, 236, 8);
    dialog.AddListBox(kFound, 7, 17, 236, 40);
    const char* labels[] = {"Port (auto finds the screen):", "Revision:",
                            "Orientation (degrees):",        "Scale (0: the largest that fits):",
                            "Lit colour (RRGGBB):",          "Unlit colour (RRGGBB):",
                            "Background picture (PNG):",     "Colour map picture (PNG):",
                            "Brightness (0..100 %):"};
    for (short row = 0; row < 9; ++row)
        dialog.AddStatic(labels[row], 0xFFFF, 7, static_cast<short>(63 + 16 * row), 110, 8);
    dialog.AddCombo(kPort, 120, 61, 123, 100, CBS_DROPDOWN | CBS_AUTOHSCROLL);
    dialog.AddCombo(kRevision, 120, 77, 60, 80);
    dialog.AddCombo(kOrientation, 120, 93, 60, 80);
    dialog.AddEdit(kScale, 120, 109, 30, 12, ES_NUMBER);
    dialog.AddEdit(kLit, 120, 125, 50, 12);
    dialog.AddEdit(kUnlit, 120, 141, 50, 12);
    dialog.AddEdit(kBackground, 120, 157, 123, 12);
    dialog.AddEdit(kColourMap, 120, 173, 123, 12);
    dialog.AddEdit(kBrightness, 120, 189, 30, 12, ES_NUMBER);
    dialog.AddButton("Turn the screen off at exit", kOff, 7, 207, 200, 12, BS_AUTOCHECKBOX);
    dialog.AddStatic("Changes take effect when Glancer next starts.", 0xFFFF, 7, 221, 186, 8);
    dialog.AddButton("OK", IDOK, 137, 231, 50, 14, BS_DEFPUSHBUTTON);
    dialog.AddButton("Cancel", IDCANCEL, 193, 231, 50, 14);
    DialogBoxIndirectParamA(glancer_win32::ThisModule(), dialog.Get(), GetActiveWindow(), DialogProc,
                            reinterpret_cast<LPARAM>(&stored));
    return true;
}

} // namespace smartscreen
